#pragma once

#include <QObject>

class QAction;
class QSettings;
class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class FileSession;
class modKrelin;

// The main window's patches: File > Create Patch records how the open image differs from
// a clean one (a BPS patch with a description and an author, if the user gives them),
// File > Apply Patch first shows what a patch would change, then applies it to the open
// image as one step of the edit history. The views follow the image the patch makes as
// they follow any change.
class PatchCommands : public QObject
{
    Q_OBJECT

public:
    // The last author given is kept in settings (for the session only without them).
    PatchCommands(modKrelin &model, EditHistory &history, Desktop &desktop, const FileSession &files,
                  QSettings *settings, QWidget *window);

    QAction *mnuCreatePatch;
    QAction *mnuApplyPatch;

    // Create Patch returns whether a patch was written; Apply Patch whether it shows what
    // the patch would change (PatchPreviewDialog, window-modal), whose Apply applies it.
    bool mnuCreatePatch_Click();
    bool mnuApplyPatch_Click();

signals:
    void warning(const QString &text);
    // A short note for the status bar.
    void statusMessage(const QString &text);

private:
    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    const FileSession &files;
    QSettings *settings;
    QWidget *window;
    QString lastAuthor;
};

} // namespace krelin
