#include "FileSession.h"

#include "Command.h"
#include "FileDrop.h"
#include "OpenBackupDialog.h"
#include "RecentFiles.h"
#include "core/FileWriter.h"
#include "core/JournalFile.h"
#include "core/OpenFileLock.h"
#include "core/Preferences.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QSessionManager>
#include <QSettings>
#include <QStandardPaths>
#include <QUndoStack>

#include <thread>
#include <vector>

namespace krelin {

namespace {

const QString RomFilter = QStringLiteral("NES Rom Files (*.NES *.nes)");

QString noFixUpNotice(qint64 size)
{
    return QStringLiteral("The image is only %1 bytes long, too short to hold the bytes at 0x1C997..0x1C998, so "
                          "they were not copied to 0x12008..0x12009. Everything else was saved as it is.")
        .arg(size);
}

} // namespace

FileSession::FileSession(modKrelin &model, EditHistory &history, Desktop &desktop, QMainWindow *window,
                         const QString &programFolder, QSettings *settings, const Preferences &preferences)
    : QObject(window)
    , model(model)
    , history(history)
    , desktop(desktop)
    , window(window)
    , programFolder(programFolder)
    , settings(settings)
    , preferences(preferences)
    , disk(desktop, window)
{
    setObjectName(QStringLiteral("fileSession"));
    mnuOpenRom = NewCommand(this, "mnuOpenRom", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSaveRom = NewCommand(this, "mnuSaveRom", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuSaveRomAs = NewCommand(this, "mnuSaveRomAs", QStringLiteral("S&ave As"), QKeySequence(Qt::Key_F12));
    mnuFile_Quit = NewCommand(this, "mnuFile_Quit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    mnuOpenBackup = NewCommand(this, "mnuOpenBackup", QStringLiteral("Open &Backup…"), {});
    // Saving and quitting are the program's, not this window's: their keys work from the
    // tool windows too.
    for (QAction *action : {mnuSaveRom, mnuSaveRomAs, mnuFile_Quit})
        action->setShortcutContext(Qt::ApplicationShortcut);
    mnuSaveRom->setEnabled(false);
    mnuSaveRomAs->setEnabled(false);
    // An image recovered without its file can be saved too, and its caption says so.
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        showCaption();
        mnuSaveRom->setEnabled(this->model.hasImage());
        mnuSaveRomAs->setEnabled(this->model.hasImage());
    });
    connect(mnuOpenRom, &QAction::triggered, this, &FileSession::mnuOpenRom_Click);
    connect(mnuSaveRom, &QAction::triggered, this, &FileSession::mnuSaveRom_Click);
    connect(mnuSaveRomAs, &QAction::triggered, this, &FileSession::mnuSaveRomAs_Click);
    connect(mnuFile_Quit, &QAction::triggered, this, &FileSession::mnuFile_Quit_Click);
    connect(mnuOpenBackup, &QAction::triggered, this, &FileSession::mnuOpenBackup_Click);

    // A recent file and a dropped one open through OpenRom, as a file chosen in File >
    // Open does, so whatever OpenRom checks first covers every way of opening.
    mnuRecentFiles = new RecentFiles(desktop, settings, window);
    connect(mnuRecentFiles, &RecentFiles::openRequested, this, &FileSession::OpenRom);
    auto *drop = new FileDrop(window);
    connect(drop, &FileDrop::fileDropped, this, &FileSession::OpenRom);
    removeLeftTemporaries();

    connect(&model, &modKrelin::romFileNameChanged, this, &FileSession::showCaption);
    connect(&history, &EditHistory::modifiedChanged, window, &QWidget::setWindowModified);
    // A decision to leave covers the changes it was made on; a new step needs a new one
    // (the desktop session's end may have been called off meanwhile).
    connect(&history.stack(), &QUndoStack::indexChanged, this, [this] { leaving = false; });
    // The desktop session is ending: the same question as every other way out.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (manager.allowsInteraction()) {
            const bool mayEnd = maybeSave();
            manager.release();
            if (!mayEnd)
                manager.cancel();
            else
                leaving = true;
        }
    });
}

FileSession::~FileSession() = default;

void FileSession::removeLeftTemporaries() const
{
    QStringList folders;
    for (const QString &file : mnuRecentFiles->files())
        folders << QFileInfo(file).absolutePath();
    if (settings)
        folders << QFileInfo(settings->fileName()).absolutePath();
    folders << JournalFolder();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/krelin");
    folders << data;
    // Links are not followed: what lies below them is not the program's.
    for (QDirIterator below(data, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks,
                             QDirIterator::Subdirectories);
         below.hasNext();)
        folders << below.next();
    folders.removeDuplicates();
    // A recent file's folder may be on a slow or hung network share: the window never
    // waits for it. The clean-up is plain file system calls on copies of the names.
    std::vector<QByteArray> names;
    for (const QString &folder : std::as_const(folders))
        names.push_back(QFile::encodeName(folder));
    std::thread([names = std::move(names)] {
        for (const QByteArray &folder : names)
            RemoveStaleTemporaries(folder);
    }).detach();
}

QString FileSession::dialogStart() const
{
    return lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
}

QString FileSession::dialogFolder() const
{
    return lastChosenFile.isEmpty() ? programFolder : QFileInfo(lastChosenFile).absolutePath();
}

void FileSession::showCaption()
{
    // "[*]" shows as "*" while the image has unsaved changes.
    window->setWindowTitle(ProgramCaption() + QStringLiteral(" - ") + shownName() + QStringLiteral("[*]"));
}

QString FileSession::shownName() const
{
    if (!model.RomFileName.isEmpty())
        return QFileInfo(model.RomFileName).fileName().toUpper();
    return untitledName.isEmpty() ? QStringLiteral("UNTITLED") : untitledName;
}

bool FileSession::lockFile(const QString &path)
{
    if (lock && lock->isFor(path))
        return true; // opened again here: the lock is ours already
    auto wanted = std::make_unique<OpenFileLock>(path);
    if (!wanted->tryLock()) {
        const QString text = QStringLiteral("%1 is already open in another Krelin window (process %2).")
                                 .arg(QFileInfo(path).fileName().toUpper())
                                 .arg(wanted->holder());
        if (desktop.askChoice(window, ProgramCaption(), text,
                              {QStringLiteral("&Open Anyway"), QStringLiteral("Cancel")}, 1, 1)
            != 0)
            return false;
    }
    lock = std::move(wanted);
    tellLockProblem();
    return true;
}

void FileSession::tellLockProblem()
{
    if (!lock || lock->problem().isEmpty() || lockProblemTold)
        return;
    lockProblemTold = true; // once: it stays so for every file of the session
    emit warning(QStringLiteral("Another Krelin window cannot be told that %1 is open here: %2. Until this is "
                                "mended, the file can be opened in a second window without a warning.")
                     .arg(QFileInfo(lock->filePath()).fileName().toUpper(), lock->problem()));
}

bool FileSession::OpenRom(const QString &path)
{
    return maybeSave() && openFile(path);
}

bool FileSession::openFile(const QString &path)
{
    RomReadResult result = ReadRomFile(path);
    if (!result.ok()) {
        emit warning(result.error);
        return false;
    }
    if (!lockFile(path))
        return false;
    disk.remember(QFileInfo(path).absoluteFilePath(), result.bytes);
    untitledName.clear();
    lastChosenFile = path;
    // The name first: whoever follows the new image finds it named.
    model.setRomFileName(QFileInfo(path).absoluteFilePath());
    model.replaceImage(std::move(result.bytes));
    history.clear();
    emit opened(model.RomFileName);
    mnuRecentFiles->add(path);
    mnuSaveRom->setEnabled(true);
    mnuSaveRomAs->setEnabled(true);
    return true;
}

void FileSession::mnuOpenRom_Click()
{
    if (!maybeSave())
        return;
    const QString path = desktop.getOpenFileName(window, QStringLiteral("Open"), dialogStart(), RomFilter);
    if (path.isEmpty())
        return;
    openFile(path);
}

bool FileSession::saveTo(const QString &path, bool checked)
{
    // Another program's change to the open file is never overwritten without asking.
    const bool theOpenFile = !disk.path().isEmpty()
        && (QFileInfo(path).absoluteFilePath() == disk.path() || IsSameFile(path, disk.path()));
    bool recreated = false;
    if (!checked && theOpenFile) {
        switch (disk.beforeSave()) {
        case DiskChangeGuard::Decision::Reload: openFile(disk.path()); return false;
        case DiskChangeGuard::Decision::Cancel: return false;
        case DiskChangeGuard::Decision::Recreate: recreated = true; break;
        default: break;
        }
    }
    // The file's old bytes are kept first. A backup that cannot be kept does not stop the
    // save, which replaces the file whole or not at all; it is told once the save is done
    // (a save that fails leaves the old file, and needs no backup).
    const QString backupProblem = backups.keep(path, preferences.backupsKept());
    // The fix-up goes into the file, and into the image in memory only once the file holds
    // it: a save cancelled or failed leaves every byte of the image as it was.
    const std::vector<std::uint8_t> written = ImageAsSaved(model.image());
    bool inPlace = false;
    const QString error = WriteRomFile(path, written, &inPlace);
    if (!error.isEmpty()) {
        // Written but not yet sure to survive a power cut: the work stays unsaved, and in
        // the journal, until a save gets all the way; the file's new bytes are this
        // program's own, not another's change to ask about.
        if (inPlace && theOpenFile)
            disk.remember(disk.path(), written);
        desktop.showMessage(window, ProgramCaption(),
                            inPlace ? error + QStringLiteral(" Your changes stay unsaved, and kept safe from a crash, "
                                                             "until a save succeeds.")
                                    : error,
                            Desktop::Icon::Warning);
        return false;
    }
    ApplySaveFixUp(model);
    if (recreated)
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 had been deleted from the disk by another program: the save wrote it "
                                           "again.")
                                .arg(QFileInfo(path).fileName().toUpper()),
                            Desktop::Icon::Information);
    if (!backupProblem.isEmpty())
        desktop.showMessage(window, ProgramCaption(), backupProblem, Desktop::Icon::Warning);
    // A written file joins the recent list.
    mnuRecentFiles->add(path);
    history.markSaved();
    disk.remember(QFileInfo(path).absoluteFilePath(), model.image());
    emit saved(QFileInfo(path).absoluteFilePath());
    return true;
}

bool FileSession::mnuSaveRom_Click()
{
    // An image without a file (a backup opened, work recovered) is stored where the user says.
    if (model.RomFileName.isEmpty())
        return mnuSaveRomAs_Click();
    const bool fixedUp = model.holds(FixUpSource, 2);
    if (!saveTo(model.RomFileName))
        return false;
    if (!fixedUp)
        desktop.showMessage(window, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
    return true;
}

bool FileSession::mnuSaveRomAs_Click()
{
    const bool fixedUp = model.holds(FixUpSource, 2);
    QString path = desktop.getSaveFileName(window, QStringLiteral("Save As"), dialogStart(), RomFilter);
    if (path.isEmpty())
        return false;
    // A name typed without an extension gets the cartridge's; the dialog asked about
    // replacing the name as typed, so ask again about the one written.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += path.endsWith(u'.') ? QStringLiteral("nes") : QStringLiteral(".nes");
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(window, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path))))
            return false;
    }
    lastChosenFile = path;
    if (!saveTo(path))
        return false;
    if (!lock || !lock->isFor(path)) { // the file written is the one open from now on
        auto written = std::make_unique<OpenFileLock>(path);
        lock = written->tryLock() ? std::move(written) : nullptr;
        tellLockProblem();
    }
    model.setRomFileName(QFileInfo(path).absoluteFilePath());
    if (!fixedUp)
        desktop.showMessage(window, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
    return true;
}

bool FileSession::maybeSave()
{
    if (leaving || !history.isModified())
        return true;
    switch (desktop.askSaveChanges(window, ProgramCaption(), QStringLiteral("Save changes to %1?").arg(shownName()))) {
    case Desktop::SaveAnswer::Save: return mnuSaveRom_Click();
    case Desktop::SaveAnswer::Discard: emit changesDiscarded(); return true;
    case Desktop::SaveAnswer::Cancel: break;
    }
    return false;
}

bool FileSession::quitIfAllowed()
{
    if (!leaving && !maybeSave())
        return false;
    quitWithoutAsking();
    return true;
}

void FileSession::quitWithoutAsking()
{
    leaving = true;
    emit leavingProgram();
    desktop.quit();
}

void FileSession::mnuFile_Quit_Click()
{
    quitIfAllowed();
}

void FileSession::checkDisk()
{
    switch (disk.onActivation()) {
    case DiskChangeGuard::Decision::Reload: openFile(disk.path()); break;
    case DiskChangeGuard::Decision::Overwrite:
        saveTo(model.RomFileName, true);
        break;
    default: break;
    }
}

void FileSession::mnuOpenBackup_Click()
{
    if (!maybeSave())
        return;
    auto *dialog = new OpenBackupDialog(backups.list(), window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        if (const Backup *chosen = dialog->chosen())
            openBackup(*chosen);
    });
    // Modal to the window, without blocking: the choice arrives through accepted().
    dialog->open();
}

bool FileSession::openBackup(const Backup &backup)
{
    RomReadResult result = ReadRomFile(backup.path);
    if (!result.ok()) {
        emit warning(result.error);
        return false;
    }
    lock.reset();
    disk.remember({}, {});
    untitledName = QStringLiteral("BACKUP OF %1, %2")
                       .arg(QFileInfo(backup.originalPath).fileName().toUpper(),
                            QLocale().toString(backup.time, QLocale::ShortFormat));
    model.setRomFileName({});
    showCaption();
    model.replaceImage(std::move(result.bytes));
    history.clear();
    history.stack().resetClean(); // unsaved until Save As stores it
    mnuSaveRom->setEnabled(true);
    mnuSaveRomAs->setEnabled(true);
    emit opened({});
    return true;
}

} // namespace krelin
