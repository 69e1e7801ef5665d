// The user's file is kept safe from the rest of the world: another program's change is
// asked about before a save could lose it, a second window (or a second program, after
// saves) on one file is told, and every save keeps the old file as a backup that opens as
// an unsaved image; the backups let go of nothing but their own copies. A save is on the
// disk, its folder included, before the journal lets go of the work; what writes killed
// half way left behind goes at the next start.
#include "DataFolder.h"
#include "Bytes.h"
#include "MainWindowFixture.h"
#include "OddFiles.h"
#include "ScriptedDesktop.h"
#include "Traced.h"

#include "core/FileWriter.h"
#include "core/JournalFile.h"
#include "core/OpenFileLock.h"
#include "edit/ByteEditCommand.h"
#include "ui/OpenBackupDialog.h"

#include <QApplication>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTreeWidget>

#include <sys/file.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

#include <cstdio>
#include <cstring>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A main window on a copy of the sample, with its backups in a folder of the test's own.
struct Window : DataFolder, MainWindowFixture<>
{
    explicit Window(bool open = true)
        : MainWindowFixture(open)
    {
    }
    void edit(qint64 offset, std::uint8_t value)
    {
        QVERIFY(Controls(window).history().push(new ByteEditCommand(model, offset, {value}, QStringLiteral("Edit"))));
    }
    QByteArray image() const { return QByteArray(reinterpret_cast<const char *>(model.image().data()), qsizetype(model.romSize())); }
};

// Another program's version of the file: the byte at offset changed, at a later time.
QByteArray ChangeOnDisk(const QString &path, qint64 offset = 0x200)
{
    struct stat info{};
    ::stat(QFile::encodeName(path).constData(), &info);
    QByteArray theirs = ReadFile(path);
    theirs[offset] = char(theirs[offset] ^ 0x5A);
    WriteFile(path, theirs);
    const utimbuf later{info.st_atime + 10, info.st_mtime + 10}; // later than the last change, to the second
    ::utime(QFile::encodeName(path).constData(), &later);
    return theirs;
}

// The second program of a test: the main window opening path, every question it asks
// answered with its default. Prints what it asked, one line each, and ends.
int runSecondProgram(int argc, char **argv)
{
    QApplication app(argc, argv);
    modKrelin model;
    ScriptedDesktop desktop;
    frmKrelin window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
    window.OpenRom(QFile::decodeName(argv[2]));
    for (const ScriptedDesktop::Question &question : std::as_const(desktop.choiceQuestions))
        std::printf("%s\n", qPrintable(question.text));
    return 0;
}

// The program a test traces: the main window on path (with its settings in the folder
// "settings" beside it), one byte edited and saved with Ctrl+S. Prints each message it
// gave, then "saved" or "unsaved" as the caption says.
int runSavingProgram(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString path = QFile::decodeName(argv[2]);
    QSettings settings(QFileInfo(path).path() + QStringLiteral("/settings/krelin.conf"), QSettings::IniFormat);
    modKrelin model;
    ScriptedDesktop desktop;
    frmKrelin window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window) || !window.OpenRom(path))
        return 3;
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return 4;
    const auto changed = std::uint8_t(model.byteAt(0x100) ^ 0xFF);
    if (!Controls(window).history().push(new ByteEditCommand(model, 0x100, {changed}, QStringLiteral("Edit"))))
        return 5;
    QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
    for (const ScriptedDesktop::Message &message : std::as_const(desktop.messages))
        std::printf("%s\n", qPrintable(message.text));
    std::printf("%s\n", window.isWindowModified() ? "unsaved" : "saved");
    return 0;
}

// Runs runSavingProgram on path under strace with the options given.
TracedRun traceSave(const QStringList &straceOptions, const QString &path)
{
    RunOptions options;
    options.environment = QProcessEnvironment::systemEnvironment();
    options.environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return RunTraced(straceOptions, QCoreApplication::applicationFilePath(), {QStringLiteral("--save"), path}, options);
}

// What a second program opening path asks, as it asks it; empty when it asks nothing.
QString secondProgramAsks(const QString &path)
{
    QProcess second;
    second.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--second"), path});
    if (!second.waitForFinished(60000) || second.exitStatus() != QProcess::NormalExit || second.exitCode() != 0) {
        second.kill();
        return QStringLiteral("(the second program failed)");
    }
    return QString::fromLocal8Bit(second.readAllStandardOutput()).trimmed();
}

} // namespace

class TestFileSafety : public QObject
{
    Q_OBJECT

private slots:
    void changedOnDiskBeforeSave_data();
    void changedOnDiskBeforeSave();
    void changedOnDiskWhenActive();
    void deletedWhileOpen();
    void secondWindowOnOneFile();
    void lockKeptAcrossSaves();
    void lockProblemToldOnce();
    void staleLockTakenOver();
    void backupsKeptAndOpened();
    void backupsLetGoOfTheirOwnOnly();
    void saveFlushedBeforeTheJournalLetsGo();
    void unflushedSaveKeepsTheWork();
    void leftTemporariesGoAtStart();
};

void TestFileSafety::changedOnDiskBeforeSave_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Overwrite") << "Overwrite";
    QTest::newRow("Reload") << "Reload";
}

// Another program changed the file: a save writes nothing unless the answer is Overwrite,
// and Reload takes the file as it now is.
void TestFileSafety::changedOnDiskBeforeSave()
{
    QFETCH(QString, answer);
    Window w;
    w.edit(0x100, 0x42);
    const QByteArray theirs = ChangeOnDisk(w.romPath);
    w.desktop.choiceAnswers << answer;
    const bool saved = Controls(w.window).mnuSaveRom_Click();
    QCOMPARE(w.desktop.choiceQuestions.size(), 1);
    QVERIFY(w.desktop.choiceQuestions[0].text.startsWith(QStringLiteral("GAME.NES was changed on disk by another program.")));
    QCOMPARE(saved, answer == "Overwrite");
    if (answer == "Overwrite")
        QCOMPARE(ReadFile(w.romPath), w.image());
    else
        QCOMPARE(ReadFile(w.romPath), theirs);
    QCOMPARE(w.image() == theirs, answer == "Reload");
    QCOMPARE(Controls(w.window).history().isModified(), answer == "Cancel");
    // Asked once: the next save knows the file as it was last read or written.
    if (answer != "Cancel") {
        w.edit(0x101, 0x43);
        QVERIFY(Controls(w.window).mnuSaveRom_Click());
        QCOMPARE(w.desktop.choiceQuestions.size(), 1);
    }
}

// Back from another program, the window asks at once; a file only touched asks nothing,
// and the check reads nothing while the file's size and time are as they were.
void TestFileSafety::changedOnDiskWhenActive()
{
    Window w;
    FileSession &files = Controls(w.window).files();
    struct stat info{};
    ::stat(QFile::encodeName(w.romPath).constData(), &info);
    const utimbuf touched{info.st_atime + 5, info.st_mtime + 5};
    ::utime(QFile::encodeName(w.romPath).constData(), &touched);
    files.checkDisk();
    QVERIFY(w.desktop.choiceQuestions.isEmpty());

    // Same size and time, other bytes: not read, so not seen.
    QByteArray same = ReadFile(w.romPath);
    same[0x300] = char(same[0x300] ^ 1);
    WriteFile(w.romPath, same);
    ::utime(QFile::encodeName(w.romPath).constData(), &touched);
    files.checkDisk();
    QVERIFY(w.desktop.choiceQuestions.isEmpty());

    const QByteArray theirs = ChangeOnDisk(w.romPath);
    files.checkDisk(); // no answer: Cancel, both stay
    QCOMPARE(w.desktop.choiceQuestions.size(), 1);
    files.checkDisk(); // asked about that change already
    QCOMPARE(w.desktop.choiceQuestions.size(), 1);
    w.desktop.choiceAnswers << QStringLiteral("Reload");
    ChangeOnDisk(w.romPath, 0x201);
    files.checkDisk();
    QCOMPARE(w.desktop.choiceQuestions.size(), 2);
    QCOMPARE(w.image(), ReadFile(w.romPath));
}

// A file deleted while open: the window says so, and a save writes it again and says so.
void TestFileSafety::deletedWhileOpen()
{
    Window w;
    w.edit(0x100, 0x42);
    QVERIFY(QFile::remove(w.romPath));
    Controls(w.window).files().checkDisk();
    QCOMPARE(w.desktop.messages.size(), 1);
    QVERIFY(w.desktop.messages[0].text.contains(QStringLiteral("GAME.NES was deleted from the disk")));
    QVERIFY(Controls(w.window).mnuSaveRom_Click());
    QCOMPARE(w.desktop.messages.size(), 2);
    QVERIFY(w.desktop.messages[1].text.contains(QStringLiteral("wrote it again")));
    QCOMPARE(ReadFile(w.romPath), w.image());
    QVERIFY(w.desktop.choiceQuestions.isEmpty());
}

// A second window opening a file the first one holds is told which process holds it; Open
// Anyway opens it, Cancel leaves the second window as it was.
void TestFileSafety::secondWindowOnOneFile()
{
    Window first;
    modKrelin model;
    ScriptedDesktop desktop;
    frmKrelin second(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
    const QString link = first.dir.filePath(QStringLiteral("link.nes"));
    QVERIFY(QFile::link(first.romPath, link));
    QVERIFY(!second.OpenRom(link));
    QCOMPARE(desktop.choiceQuestions.size(), 1);
    QCOMPARE(desktop.choiceQuestions[0].text,
             QStringLiteral("LINK.NES is already open in another Krelin window (process %1).")
                 .arg(QCoreApplication::applicationPid()));
    QVERIFY(!model.hasImage());
    desktop.choiceAnswers << QStringLiteral("Open Anyway");
    QVERIFY(second.OpenRom(first.romPath));
    QVERIFY(model.hasImage());
    // Once the first window lets the file go, nobody asks.
    first.window.reset();
    frmKrelin third(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
    desktop.clearLog();
    QVERIFY(third.OpenRom(first.romPath));
    QVERIFY(desktop.choiceQuestions.isEmpty());
}

// A save puts a new file in the old one's place: a second program started after it is
// still told. After Save As to another name the old name is free and the new one held.
void TestFileSafety::lockKeptAcrossSaves()
{
    Window w;
    w.window->activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), w.window.get());
    const QString held = QStringLiteral("%1 is already open in another Krelin window (process %2).");
    const qint64 pid = QCoreApplication::applicationPid();
    QCOMPARE(secondProgramAsks(w.romPath), held.arg(QStringLiteral("GAME.NES")).arg(pid));
    w.edit(0x100, 0x42);
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadFile(w.romPath), w.image());
    QCOMPARE(secondProgramAsks(w.romPath), held.arg(QStringLiteral("GAME.NES")).arg(pid));

    const QString other = w.dir.filePath(QStringLiteral("other.nes"));
    w.desktop.saveAnswers << other;
    QTest::keyClick(w.window.get(), Qt::Key_F12);
    QCOMPARE(ReadFile(other), w.image());
    QCOMPARE(secondProgramAsks(w.romPath), QString());
    QCOMPARE(secondProgramAsks(other), held.arg(QStringLiteral("OTHER.NES")).arg(pid));
    w.edit(0x100, 0x43);
    QTest::keyClick(w.window.get(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(ReadFile(other), w.image());
    QCOMPARE(secondProgramAsks(other), held.arg(QStringLiteral("OTHER.NES")).arg(pid));
    QVERIFY2(w.desktop.messages.isEmpty(), qPrintable(w.desktop.messageTexts()));
}

// Where the locks cannot be made, the first file opened says so, once: the file can then
// be opened in a second window without a warning.
void TestFileSafety::lockProblemToldOnce()
{
    const QString locks = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QStringLiteral("/krelin");
    QVERIFY(QDir(locks).removeRecursively());
    QVERIFY(WriteFile(locks, "a file where the folder of the locks would be"));
    const auto removeIt = qScopeGuard([&locks] { QFile::remove(locks); });
    {
        Window w;
        QTRY_COMPARE(w.desktop.messages.size(), 1);
        const QString told = w.desktop.messages[0].text;
        QVERIFY2(told.startsWith(QStringLiteral("Another Krelin window cannot be told that GAME.NES is open here: "))
                     && told.contains(locks) && told.contains(QStringLiteral("second window")),
                 qPrintable(told));
        QVERIFY(w.window->OpenRom(w.romPath));
        const QString other = w.dir.filePath(QStringLiteral("other.nes"));
        QVERIFY(QFile::copy(w.romPath, other));
        QVERIFY(w.window->OpenRom(other));
        QTest::qWait(20);
        QCOMPARE(w.desktop.messages.size(), 1);
    }
}

// A lock left by a process that no longer runs is taken over without a word.
void TestFileSafety::staleLockTakenOver()
{
    Window w(false);
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    QVERIFY(gone.waitForStarted());
    const qint64 pid = gone.processId();
    QVERIFY(gone.waitForFinished());
    const QString lockPath = OpenFileLock::lockPathFor(w.romPath);
    QVERIFY(QDir().mkpath(QFileInfo(lockPath).absolutePath()));
    QVERIFY(WriteFile(lockPath, QStringLiteral("%1\nkrelin\n%2\n").arg(pid).arg(QSysInfo::machineHostName()).toUtf8()));
    QVERIFY(w.window->OpenRom(w.romPath));
    QVERIFY(w.desktop.choiceQuestions.isEmpty());
    QLockFile mine(lockPath);
    QVERIFY(!mine.tryLock(0)); // the window holds it now
}

// Every save keeps the file as it was, the newest ten by default (as many as the settings
// say); Open Backup opens one as an unsaved image that Save stores where the user says.
void TestFileSafety::backupsKeptAndOpened()
{
    Window w;
    const QByteArray original = ReadFile(w.romPath);
    QList<QByteArray> versions{original};
    for (int i = 0; i < 12; ++i) {
        w.edit(0x100, std::uint8_t(i + 1));
        QVERIFY(Controls(w.window).mnuSaveRom_Click());
        versions << ReadFile(w.romPath);
        QTest::qWait(2); // copies are named after the moment
    }
    const std::vector<Backup> kept = BackupStore().list();
    QCOMPARE(int(kept.size()), 10);
    for (int i = 0; i < 10; ++i) { // newest first: the file as each save found it
        QCOMPARE(ReadFile(kept[std::size_t(i)].path), versions[11 - i]);
        QCOMPARE(QFileInfo(kept[std::size_t(i)].originalPath), QFileInfo(w.romPath));
    }

    Controls(w.window).files().mnuOpenBackup_Click();
    auto *dialog = w.window->findChild<OpenBackupDialog *>();
    QVERIFY(dialog);
    auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lstBackups"));
    QCOMPARE(list->topLevelItemCount(), 10);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("game.nes"));
    list->setCurrentItem(list->topLevelItem(2));
    dialog->accept();
    QCOMPARE(w.image(), versions[9]);
    QVERIFY(Controls(w.window).history().isModified());
    QVERIFY(w.window->windowTitle().contains(QStringLiteral("BACKUP OF GAME.NES")));
    const QString restored = w.dir.filePath(QStringLiteral("restored.nes"));
    w.desktop.saveAnswers << restored;
    QVERIFY(Controls(w.window).mnuSaveRom_Click());
    QCOMPARE(w.desktop.saveDialogs.size(), 1);
    QByteArray expected = versions[9];
    expected[0x12008] = expected[0x1C997];
    expected[0x12009] = expected[0x1C998];
    QCOMPARE(ReadFile(restored), expected);

    BackupStore store;
    QVERIFY(store.keep(restored, 2).isEmpty());
    QVERIFY(store.keep(restored, 2).isEmpty());
    QTest::qWait(2);
    QVERIFY(store.keep(restored, 2).isEmpty());
    int ofRestored = 0;
    for (const Backup &b : store.list())
        ofRestored += QFileInfo(b.originalPath) == QFileInfo(restored);
    QCOMPARE(ofRestored, 2);
}

// A backup folder that is a link (to the user's own folder of images, say) is neither
// written to nor trimmed; in a real one, only the copies the backups made are let go.
void TestFileSafety::backupsLetGoOfTheirOwnOnly()
{
    Window w;
    BackupStore store;
    QVERIFY(store.keep(w.romPath, 1).isEmpty());
    const QString folder = QFileInfo(store.list().front().path).path();
    const QStringList theirs{"old-game.nes", "notes.txt", "2001-hack.nes", "copy of 2020-01-01_00-00-00-000.nes"};
    for (const QString &name : theirs)
        QVERIFY(WriteFile(QDir(folder).filePath(name), name.toUtf8()));
    for (int i = 0; i < 2; ++i) {
        QTest::qWait(2); // copies are named after the moment
        QVERIFY(store.keep(w.romPath, 1).isEmpty());
    }
    const std::vector<Backup> kept = store.list();
    QCOMPARE(int(kept.size()), 1);
    QStringList expected = theirs;
    expected << QFileInfo(kept.front().path).fileName() << QStringLiteral("original-path.txt");
    expected.sort();
    QCOMPARE(QDir(folder).entryList(QDir::Files, QDir::Name), expected);

    // The folder made a link to the user's images, among them one named like a copy.
    const QString roms = w.dir.filePath(QStringLiteral("roms"));
    QVERIFY(QDir().mkpath(roms));
    const QStringList images{"old-game.nes", "2001-hack.nes", "2020-01-01_00-00-00-000.nes"};
    for (const QString &name : images)
        QVERIFY(WriteFile(QDir(roms).filePath(name), name.toUtf8()));
    QVERIFY(QDir(folder).removeRecursively() && QFile::link(roms, folder));
    const QString problem = store.keep(w.romPath, 1);
    QVERIFY2(problem.contains(QStringLiteral("is a link")) && problem.contains(folder), qPrintable(problem));
    QCOMPARE(QDir(roms).entryList(QDir::Files, QDir::Name), QStringList({"2001-hack.nes", "2020-01-01_00-00-00-000.nes", "old-game.nes"}));
    QVERIFY(store.list().empty());
}

// The new file's name reaches the disk (its folder is flushed after the rename) before
// the journal is begun anew: after a power cut the saved edits are in the file or still in
// the journal, never in neither. The settings (the recent files) are flushed the same way.
void TestFileSafety::saveFlushedBeforeTheJournalLetsGo()
{
    Window w(false);
    const QString folder = QFileInfo(w.dir.path()).canonicalFilePath();
    QVERIFY(QDir(folder).mkdir(QStringLiteral("settings")));
    const TracedRun traced = traceSave({QStringLiteral("-e"), QStringLiteral("trace=rename,renameat,renameat2,fsync,fdatasync,syncfs")},
                                       folder + QStringLiteral("/game.nes"));
    QVERIFY2(traced.problem.isEmpty(), qPrintable(traced.problem));
    QVERIFY2(traced.run.status == 0 && traced.run.out == "saved\n", qPrintable(traced.run.out + traced.run.err));
    const qsizetype renamed = FindCall(traced.calls, QStringLiteral("rename("),
                                       {QStringLiteral("\"%1/.game.nes.krelin-new-").arg(folder),
                                        QStringLiteral(", \"%1/game.nes\")").arg(folder)});
    QVERIFY2(renamed >= 0, qPrintable(traced.calls.join(u'\n')));
    const qsizetype flushed = FindCall(traced.calls, QStringLiteral("fsync("), {QStringLiteral("<%1>)").arg(folder)}, renamed);
    QVERIFY2(flushed > renamed, qPrintable(traced.calls.mid(renamed).join(u'\n')));
    const qsizetype journal = FindCall(traced.calls, QStringLiteral("rename("), {QStringLiteral(".journal.new\", \"")}, renamed);
    QVERIFY2(journal > flushed, qPrintable(traced.calls.mid(renamed).join(u'\n')));
    const qsizetype kept = FindCall(traced.calls, QStringLiteral("rename("),
                                    {QStringLiteral(", \"%1/settings/krelin.conf\")").arg(folder)}, renamed);
    QVERIFY2(kept > renamed, qPrintable(traced.calls.mid(renamed).join(u'\n')));
    QVERIFY2(FindCall(traced.calls, QStringLiteral("fsync("), {QStringLiteral("<%1/settings>)").arg(folder)}, kept) > kept,
             qPrintable(traced.calls.mid(kept).join(u'\n')));
}

// A folder that cannot be flushed after the rename (the disk failing) makes the save fail
// out loud: the work stays unsaved and in the journal, which the next start offers back.
void TestFileSafety::unflushedSaveKeepsTheWork()
{
    QDir(JournalFolder()).removeRecursively(); // the other tests' windows leave theirs
    Window w(false);
    const QString folder = QFileInfo(w.dir.path()).canonicalFilePath();
    const TracedRun traced = traceSave({QStringLiteral("-P"), folder, QStringLiteral("-e"), QStringLiteral("trace=fsync"),
                                        QStringLiteral("-e"), QStringLiteral("inject=fsync:error=EIO")},
                                       folder + QStringLiteral("/game.nes"));
    QVERIFY2(traced.problem.isEmpty(), qPrintable(traced.problem));
    QVERIFY2(traced.run.status == 0, qPrintable(traced.run.err));
    const QString said = QString::fromLocal8Bit(traced.run.out);
    QVERIFY2(said.startsWith(QStringLiteral("Cannot save %1/game.nes: the new file is in place, but its folder could "
                                            "not be flushed to the disk (input/output error), so a power cut may yet "
                                            "undo the write. Your changes stay unsaved")
                                 .arg(QDir::toNativeSeparators(folder)))
                 && said.endsWith(QStringLiteral("\nunsaved\n")),
             qPrintable(said));

    w.desktop.choiceAnswers << QStringLiteral("Not Now");
    w.window->OpenAtStart({});
    QCOMPARE(w.desktop.choiceQuestions.size(), 1);
    const QString asked = w.desktop.choiceQuestions.first().text;
    QVERIFY2(asked.startsWith(QStringLiteral("GAME.NES has unsaved changes from a session that ended unexpectedly (1 edit, ")),
             qPrintable(asked));
}

// Temporary files that writes killed half way left go at the next start, beside the recent
// files and among the program's own (a backup's); a writer's that still runs, an earlier
// version's too young to tell, and other programs' stay.
void TestFileSafety::leftTemporariesGoAtStart()
{
    const QTemporaryDir work, config;
    const DataFolder data;
    const QString backups = data.path(QStringLiteral("krelin/backups/game.nes-0123456789ab"));
    QVERIFY(QDir().mkpath(backups));
    const QDir dir(work.path());
    const QStringList gone{".game.nes.krelin-new-0123abcd~", ".old.nes.krelin-00000000~"};
    const QStringList kept{".game.nes.krelin-new-5555aaaa~", ".game.nes.krelin-9876fedc~", ".thesis.tex.0badc0de~", "game.nes"};
    for (const QString &name : gone + kept)
        QVERIFY(WriteFile(dir.filePath(name), "left"));
    QVERIFY(Backdate(dir.filePath(gone[1]), 2 * StaleTemporaryAge));
    const QString backupLeft = backups + QStringLiteral("/.2026-01-01.nes.krelin-new-00c0ffee~");
    QVERIFY(WriteFile(backupLeft, "left"));
    // A writer still at work holds its file's lock.
    const int writing = ::open(QFile::encodeName(dir.filePath(kept[0])).constData(), O_RDONLY | O_CLOEXEC);
    QVERIFY(writing >= 0 && ::flock(writing, LOCK_EX | LOCK_NB) == 0);
    const auto release = qScopeGuard([writing] { ::close(writing); });

    QSettings settings(config.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
    settings.setValue(QStringLiteral("RecentFiles"), QStringList{dir.filePath(QStringLiteral("game.nes"))});
    settings.sync();
    modKrelin model;
    ScriptedDesktop desktop;
    frmKrelin window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
    QStringList expected = kept;
    expected.sort();
    // Cleared beside the window's start, never in its way.
    QTRY_COMPARE(dir.entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    QTRY_VERIFY(!QFileInfo::exists(backupLeft));
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--second") == 0)
        return runSecondProgram(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--save") == 0)
        return runSavingProgram(argc, argv);
    QApplication app(argc, argv);
    TestFileSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_filesafety.moc"
