#pragma once

#include "DiskChangeGuard.h"
#include "core/BackupStore.h"

#include <QObject>
#include <QString>

#include <memory>

class QAction;
class QMainWindow;
class QSettings;

namespace krelin {

class Desktop;
class EditHistory;
class OpenFileLock;
class Preferences;
class RecentFiles;
class modKrelin;

// The main window's part that moves the image between disk and memory: File > Open, Save,
// Save As, Open Backup and Quit, the recent files, a file dropped on the window, the
// caption that names the file (with * while it has unsaved changes) and the one question
// before unsaved changes are left behind. It keeps the user's file safe from the rest of
// the world: a lock tells a second copy of the program that the file is open here, another
// program's change to the file is asked about before it could be lost, and every save
// keeps the old file's bytes as a backup.
class FileSession : public QObject
{
    Q_OBJECT

public:
    // The recent-files list is in settings; without them it lasts for the session only. The
    // preferences say how many backups each file keeps.
    FileSession(modKrelin &model, EditHistory &history, Desktop &desktop, QMainWindow *window,
                const QString &programFolder, QSettings *settings, const Preferences &preferences);

    QAction *mnuOpenRom;
    QAction *mnuSaveRom;
    QAction *mnuSaveRomAs;
    QAction *mnuFile_Quit;
    QAction *mnuOpenBackup;
    RecentFiles *mnuRecentFiles;
    ~FileSession() override;

    // Where the file dialogs start: the file last chosen in one, else the program's folder.
    QString dialogStart() const;
    // The folder of that file, else the program's folder.
    QString dialogFolder() const;

    // Opens a cartridge image as File > Open does once a file is chosen: first the
    // unsaved-changes question, then the file. Returns false, changing nothing, when the
    // user cancels or the file is refused (the user has been told why).
    bool OpenRom(const QString &path);

    // The one decision before the image is left behind (quitting by any way, opening
    // another image): with unsaved changes, asks whether to save them. True when the
    // program may go on: nothing unsaved, saved, or discarded; false when the user
    // cancelled or the save failed, and then everything stays as it was.
    bool maybeSave();

    // Quitting has been decided: the close that follows asks nothing.
    bool isLeaving() const { return leaving; }
    // Quits once maybeSave() allows it; true when the program is leaving.
    bool quitIfAllowed();
    // Quits at once, asking nothing (the system asked the program to end, and nobody may be
    // there to answer): unsaved changes stay unsaved, in the journal.
    void quitWithoutAsking();

    // ---- handlers ------------------------------------------------------------------------
    void mnuOpenRom_Click();
    // Both return whether the image was written.
    bool mnuSaveRom_Click();
    bool mnuSaveRomAs_Click();
    void mnuFile_Quit_Click();
    void mnuOpenBackup_Click();

    // The program became active again: a change another program made to the file is asked
    // about now.
    void checkDisk();
    // Opens a backup as an unsaved image, without a file: Save As stores it.
    bool openBackup(const Backup &backup);

signals:
    // Something the user must be told, over the window.
    void warning(const QString &text);
    // The image at path was opened, or written to path: it is the one on disk from now on.
    void opened(const QString &path);
    void saved(const QString &path);
    // The user chose to go on without the unsaved changes.
    void changesDiscarded();
    // Leaving the program has been decided: the windows go without asking anything more.
    void leavingProgram();

private:
    // Opens the file without asking about unsaved changes.
    bool openFile(const QString &path);
    // Takes the lock of the file about to be opened, or asks what to do when another copy
    // of the program holds it. False: the user chose not to open it.
    bool lockFile(const QString &path);
    // Says, once a session, that the lock just taken could not be made.
    void tellLockProblem();
    // Writes the image with its save fix-up to path; the image in memory takes the fix-up
    // only when the file was written. checked: another program's change was asked about
    // already.
    bool saveTo(const QString &path, bool checked = false);
    void showCaption();
    // Removes what writes killed half way in earlier sessions left beside the files last
    // worked on (the recent files' folders) and among the program's own (its settings',
    // journals' and data folders, backups and saved games included).
    void removeLeftTemporaries() const;
    // The file's name as the caption and the questions show it.
    QString shownName() const;

    modKrelin &model;
    EditHistory &history;
    Desktop &desktop;
    QMainWindow *window;
    QString programFolder;
    QString lastChosenFile;
    QSettings *settings;
    const Preferences &preferences;
    bool leaving = false;
    DiskChangeGuard disk;
    std::unique_ptr<OpenFileLock> lock; // of the file open, while this program holds it
    bool lockProblemTold = false;
    BackupStore backups;
    QString untitledName; // what the caption calls an image that has no file
};

} // namespace krelin
