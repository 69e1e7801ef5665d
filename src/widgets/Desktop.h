#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QUrl;
class QWidget;

namespace krelin {

// What the windows ask of the desktop: dialogs, message boxes, links, sound, the tray and
// ending the program. The program gives them QtDesktop; tests give them a scripted
// stand-in, so no test blocks on a modal box, opens a browser or needs a sound card.
//
// Every text given here is shown as it is, never as markup: the texts carry names from
// outside (file names, paths from a journal or the command line), which may hold anything.
class Desktop
{
public:
    virtual ~Desktop() = default;

    // The chosen file's full path, or an empty string when the user cancelled.
    virtual QString getOpenFileName(QWidget *parent, const QString &title, const QString &start,
                                    const QString &filter) = 0;
    // As above; the dialog lets a new name be typed and asks before overwriting.
    virtual QString getSaveFileName(QWidget *parent, const QString &title, const QString &start,
                                    const QString &filter) = 0;
    // As getSaveFileName, where the filter offers a choice (of formats, say): the entry
    // *selectedFilter names is offered first, and *selectedFilter is set to the entry
    // chosen. A desktop that cannot tell leaves it as it is.
    virtual QString getSaveFileNameAndFilter(QWidget *parent, const QString &title, const QString &start,
                                             const QString &filter, QString *selectedFilter)
    {
        Q_UNUSED(selectedFilter);
        return getSaveFileName(parent, title, start, filter);
    }

    enum class Icon { None, Information, Warning };
    // A message box with an OK button.
    virtual void showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon) = 0;
    // A message box with Yes and No; true for Yes.
    virtual bool askYesNo(QWidget *parent, const QString &title, const QString &text) = 0;

    // The same two boxes with a check box labelled check below the text (such as "Don't
    // ask again"); *checked says on return whether the user ticked it. A desktop that
    // cannot show one shows the box alone and leaves *checked false.
    virtual void showMessageWithCheck(QWidget *parent, const QString &title, const QString &text,
                                      const QString &check, bool *checked)
    {
        Q_UNUSED(check);
        showMessage(parent, title, text, Icon::None);
        *checked = false;
    }
    virtual bool askYesNoWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &check,
                                   bool *checked)
    {
        Q_UNUSED(check);
        *checked = false;
        return askYesNo(parent, title, text);
    }

    // A question answered with one line of text, offered with text already typed in. The
    // line entered (maybe empty), or nothing when the user cancelled.
    virtual std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                           const QString &text) = 0;

    enum class SaveAnswer { Save, Discard, Cancel };
    // A question about unsaved changes with Save (the default), Discard and Cancel; Escape
    // and the close box cancel.
    virtual SaveAnswer askSaveChanges(QWidget *parent, const QString &title, const QString &text) = 0;

    // A question with the answers given as button captions ("&Reload", "&Overwrite",
    // "Cancel"): Enter chooses answers[defaultAnswer], Escape and the close box
    // answers[cancelAnswer]. Returns the index of the answer chosen.
    virtual int askChoice(QWidget *parent, const QString &title, const QString &text, const QStringList &answers,
                          int defaultAnswer, int cancelAnswer) = 0;

    // Opens a web or mail link in the desktop's browser or mail program. Calls failed,
    // at once or once the desktop has tried, when nothing could open it.
    virtual void openUrl(const QUrl &url, const std::function<void()> &failed) = 0;

    // Starts playing a sound file in the background; a missing file or no sound device is
    // no error. stopSound() ends it.
    virtual void playSound(const QString &path) = 0;
    virtual void stopSound() = 0;

    // Whether the desktop shows a system tray (where a minimised window can hide).
    virtual bool hasSystemTray() = 0;

    // Ends the program at once.
    virtual void quit() = 0;
};

} // namespace krelin
