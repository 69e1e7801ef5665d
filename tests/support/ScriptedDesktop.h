#pragma once

// A desktop for window tests: file dialogs and yes/no questions take their answers from
// queues the test fills beforehand, and everything the windows show or ask for (message
// boxes, links, sounds, quitting) is written to a log instead of reaching the screen, a
// browser or a sound card. Nothing here ever blocks.

#include "widgets/Desktop.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <QWindow>

namespace krelin::testing {

class ScriptedDesktop : public Desktop
{
public:
    struct Dialog
    {
        QString title;
        QString start;
        QString filter;
    };

    struct Message
    {
        QString title;
        QString text;
        Icon icon = Icon::None;
        bool overShownParent = false; // its parent window was on the screen
    };

    struct Question
    {
        QString title;
        QString text;
        QWidget *parent = nullptr; // the window the box belongs to
    };

    // ---- answers, consumed in order ------------------------------------------------
    // An empty path stands for a cancelled dialog. A dialog or question with no queued
    // answer is cancelled (or answered No) and noted in unanswered.
    QQueue<QString> openAnswers;
    QQueue<QString> saveAnswers;
    // The filter entry chosen in a save dialog that offers several; none queued: the one
    // offered first.
    QQueue<QString> saveFilterAnswers;
    QQueue<bool> yesNoAnswers;
    QQueue<SaveAnswer> saveChangesAnswers;
    // The lines typed into text questions; std::nullopt for a cancelled one. None queued:
    // cancelled.
    QQueue<std::optional<QString>> textAnswers;
    // The answers to choice questions, by their caption without the & ("Reload"); none
    // queued: the cancelling answer.
    QQueue<QString> choiceAnswers;
    // Whether the user ticks the check box a box offers ("Don't ask again"); none queued:
    // not ticked.
    QQueue<bool> checkAnswers;
    bool systemTray = true;
    bool linksOpen = true; // false: the desktop has no browser or mail program

    // ---- what the windows did ----------------------------------------------------------
    QList<Dialog> openDialogs;
    QList<Dialog> saveDialogs;
    QList<Message> messages;
    QList<Question> questions;
    QList<Question> saveQuestions; // the unsaved-changes questions asked
    QList<Question> choiceQuestions;
    QList<Question> textQuestions; // text: the label, then the text offered
    QList<QUrl> urls;
    QStringList soundsPlayed;
    int soundStops = 0;
    int quits = 0;
    QStringList unanswered; // "open", "save", "yes/no" or "save changes", for each call with no answer queued

    // Forgets the log (not the queued answers).
    void clearLog()
    {
        openDialogs.clear();
        saveDialogs.clear();
        messages.clear();
        questions.clear();
        saveQuestions.clear();
        choiceQuestions.clear();
        textQuestions.clear();
        urls.clear();
        soundsPlayed.clear();
        soundStops = 0;
        quits = 0;
        unanswered.clear();
    }

    // All message texts joined, for failure output.
    QString messageTexts() const
    {
        QStringList texts;
        for (const Message &m : messages)
            texts << m.text;
        return texts.join(QStringLiteral(" | "));
    }

    // ---- Desktop ----------------------------------------------------------------------
    QString getOpenFileName(QWidget *, const QString &title, const QString &start, const QString &filter) override
    {
        openDialogs.append({title, start, filter});
        return take(openAnswers, "open");
    }

    QString getSaveFileName(QWidget *, const QString &title, const QString &start, const QString &filter) override
    {
        saveDialogs.append({title, start, filter});
        return take(saveAnswers, "save");
    }

    QString getSaveFileNameAndFilter(QWidget *parent, const QString &title, const QString &start,
                                     const QString &filter, QString *selectedFilter) override
    {
        if (!saveFilterAnswers.isEmpty())
            *selectedFilter = saveFilterAnswers.dequeue();
        return getSaveFileName(parent, title, start, filter);
    }

    void showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon) override
    {
        const bool shown = parent && parent->isVisible() && parent->windowHandle()
            && parent->windowHandle()->isExposed();
        messages.append({title, text, icon, shown});
    }

    bool askYesNo(QWidget *parent, const QString &title, const QString &text) override
    {
        questions.append({title, text, parent});
        if (yesNoAnswers.isEmpty()) {
            unanswered << QStringLiteral("yes/no");
            return false;
        }
        return yesNoAnswers.dequeue();
    }

    // The boxes with a check box: logged as the plain ones, the tick taken from checkAnswers.
    void showMessageWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &,
                              bool *checked) override
    {
        showMessage(parent, title, text, Icon::None);
        *checked = !checkAnswers.isEmpty() && checkAnswers.dequeue();
    }
    bool askYesNoWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &,
                           bool *checked) override
    {
        const bool yes = askYesNo(parent, title, text);
        *checked = !checkAnswers.isEmpty() && checkAnswers.dequeue();
        return yes;
    }

    std::optional<QString> askText(QWidget *parent, const QString &title, const QString &label,
                                   const QString &text) override
    {
        textQuestions.append({title, label + u'\n' + text, parent});
        if (textAnswers.isEmpty()) {
            unanswered << QStringLiteral("text");
            return std::nullopt;
        }
        return textAnswers.dequeue();
    }

    SaveAnswer askSaveChanges(QWidget *, const QString &title, const QString &text) override
    {
        saveQuestions.append({title, text});
        if (saveChangesAnswers.isEmpty()) {
            unanswered << QStringLiteral("save changes");
            return SaveAnswer::Cancel;
        }
        return saveChangesAnswers.dequeue();
    }

    int askChoice(QWidget *parent, const QString &title, const QString &text, const QStringList &answers,
                  int, int cancelAnswer) override
    {
        choiceQuestions.append({title, text, parent});
        if (choiceAnswers.isEmpty()) {
            unanswered << QStringLiteral("choice");
            return cancelAnswer;
        }
        const QString wanted = choiceAnswers.dequeue();
        for (int i = 0; i < answers.size(); ++i)
            if (QString(answers[i]).remove(u'&') == wanted)
                return i;
        unanswered << QStringLiteral("choice: no answer ") + wanted;
        return cancelAnswer;
    }

    void openUrl(const QUrl &url, const std::function<void()> &failed) override
    {
        urls.append(url);
        if (!linksOpen)
            failed();
    }
    void playSound(const QString &path) override { soundsPlayed.append(path); }
    void stopSound() override { ++soundStops; }
    bool hasSystemTray() override { return systemTray; }
    void quit() override { ++quits; }

private:
    QString take(QQueue<QString> &answers, const char *what)
    {
        if (answers.isEmpty()) {
            unanswered << QLatin1String(what);
            return {};
        }
        return answers.dequeue();
    }
};

} // namespace krelin::testing
