// Unsaved work given back after a session ended unexpectedly: a real program killed
// (SIGKILL) or asked to end (SIGTERM) after edits in its window; the file changed or gone
// meanwhile; Not Now and Discard; and the program asked to end while it asks.
#include "Bytes.h"
#include "MainWindowSession.h"

#include "app/QuitSignals.h"
#include "core/JournalFile.h"
#include "edit/EditHistory.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QUndoStack>

#include <sys/file.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

// The desktop of the program a test starts, which must really end.
class QuittingDesktop : public ScriptedDesktop
{
public:
    void quit() override { QCoreApplication::quit(); }
};

// While it lives, the journals are kept in folder/state.
struct StateFolder
{
    const QByteArray before = qgetenv("XDG_STATE_HOME");
    explicit StateFolder(const QString &folder) { qputenv("XDG_STATE_HOME", (folder + "/state").toLocal8Bit()); }
    ~StateFolder() { qputenv("XDG_STATE_HOME", before); }
};

// While it lives, the system's temporary folder is folder.
struct TemporaryFolder
{
    const QByteArray before = qgetenv("TMPDIR");
    explicit TemporaryFolder(const QString &folder) { qputenv("TMPDIR", folder.toLocal8Bit()); }
    ~TemporaryFolder() { qputenv("TMPDIR", before); }
};

QStringList journals()
{
    const QDir folder(JournalFolder());
    QStringList paths;
    for (const QString &name : folder.entryList({QStringLiteral("*.journal")}, QDir::Files))
        paths << folder.filePath(name);
    return paths;
}

// Whether a running program holds the journal's lock.
bool heldElsewhere(const QString &journal)
{
    const int fd = ::open(QFile::encodeName(journal).constData(), O_RDONLY | O_CLOEXEC);
    const bool held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    if (fd >= 0)
        ::close(fd);
    return held;
}

// The edits of every session here: stage 1A, metatile 201 placed in three cells, the last
// placement undone. Returns the image before them and after each placement.
std::vector<Bytes> placeThreeUndoOne(const frmKrelin &window, const modKrelin &model)
{
    const Controls c(window);
    c.mnuEdit_Level_Click(S1A);
    c.hsTable->setValue(12);
    QTest::mouseMove(c.picTile, cellPoint(1, 4));
    QTest::mouseClick(c.picTile, Qt::LeftButton, {}, cellPoint(1, 4));
    std::vector<Bytes> images{model.image()};
    for (const QPoint cell : {QPoint(2, 3), QPoint(3, 3), QPoint(9, 10)}) {
        QTest::mouseMove(c.picEditor, cellPoint(cell.x(), cell.y()));
        QTest::mouseClick(c.picEditor, Qt::LeftButton, {}, cellPoint(cell.x(), cell.y()));
        images.push_back(model.image());
    }
    c.mnuUndo->trigger();
    return images;
}

QString imageFile(const QString &folder, std::size_t i)
{
    return QStringLiteral("%1/image-%2.bin").arg(folder).arg(i);
}

// The program a test kills: the real main window on folder/game.nes, as the program builds
// it (the signals handled, the file opened at start), the session's edits made through it,
// a test run started; then it says "ready RUN-FOLDER" and waits.
int runChild(int argc, char **argv)
{
    const QString folder = QFile::decodeName(argv[2]);
    qputenv("XDG_STATE_HOME", (folder + "/state").toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QSettings settings(folder + "/krelin.conf", QSettings::IniFormat);
    // An emulator that outlives the program: it must not hold the journal's lock.
    settings.setValue(QStringLiteral("emulator/command"), QStringLiteral("sh -c \"exec sleep 5\""));
    modKrelin model;
    QuittingDesktop desktop;
    frmKrelin window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &window, &frmKrelin::QuitWithoutAsking);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 3;
    window.OpenAtStart(folder + "/game.nes");
    const std::vector<Bytes> images = placeThreeUndoOne(window, model);
    for (std::size_t i = 0; i < images.size(); ++i)
        WriteFile(imageFile(folder, i), QByteArray(reinterpret_cast<const char *>(images[i].data()), qsizetype(images[i].size())));
    Controls(window).mnuRunInEmulator_Click();
    const QString started = Controls(window).sbStatus->currentMessage();
    std::printf("ready %s\n", qPrintable(QFileInfo(started.section(u' ', -1)).path()));
    std::fflush(stdout);
    return app.exec();
}

} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir(JournalFolder()).removeRecursively(); }
    void workComesBackAfterTheProgramEnds_data();
    void workComesBackAfterTheProgramEnds();
    void recoveredWithoutItsFile_data();
    void recoveredWithoutItsFile();
    void notNowKeepsDiscardDeletes();
    void programAskedToEndWhileAsking();

private:
    // A window started on the journals there are, answering Recover, must give back the
    // session of placeThreeUndoOne on rom: at its last step, unsaved, every step undoable and
    // the one undone redoable.
    void checkRecovered(const QString &rom, const std::vector<Bytes> &images);
};

void TestRecovery::checkRecovered(const QString &rom, const std::vector<Bytes> &images)
{
    Session s(false);
    s.desktop.choiceAnswers << QStringLiteral("Recover");
    s.window->OpenAtStart({});
    QCOMPARE(s.desktop.choiceQuestions.size(), 1);
    const QString asked = s.desktop.choiceQuestions.first().text;
    QVERIFY2(asked.startsWith(QStringLiteral("GAME.NES has unsaved changes from a session that ended unexpectedly "
                                             "(2 edits, ")),
             qPrintable(asked));
    QCOMPARE(s.model.RomFileName, QFileInfo(rom).absoluteFilePath());
    QVERIFY(s.model.image() == images[2]);
    QVERIFY(s.window->isWindowModified());
    QUndoStack &stack = Controls(s.window).history().stack();
    QCOMPARE(stack.count(), 3);
    QCOMPARE(stack.index(), 2);
    QVERIFY(Controls(s.window).mnuUndo->text().startsWith(QStringLiteral("&Undo Place Metatile ")));
    stack.setIndex(0);
    QVERIFY(s.model.image() == images[0]);
    QVERIFY(!s.window->isWindowModified());
    stack.setIndex(3);
    QVERIFY(s.model.image() == images[3]);
}

void TestRecovery::workComesBackAfterTheProgramEnds_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("killed") << int(SIGKILL);
    QTest::newRow("asked to end") << int(SIGTERM);
}

void TestRecovery::workComesBackAfterTheProgramEnds()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString rom = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), rom) && QDir(dir.path()).mkdir(QStringLiteral("tmp")));
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("TMPDIR"), dir.filePath(QStringLiteral("tmp")));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), dir.path()});
    QByteArray said;
    while (!said.contains('\n') && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.startsWith("ready "), said.constData());
    const QString runFolder = QString::fromLocal8Bit(said.mid(6).trimmed());
    QVERIFY2(QFileInfo(runFolder).isDir(), qPrintable(runFolder));

    ::kill(pid_t(child.processId()), signal);
    QVERIFY(child.waitForFinished(30000));
    if (signal == SIGTERM) {
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(!QFileInfo::exists(runFolder), "the test run's folder was left behind");
    }
    std::vector<Bytes> images;
    for (std::size_t i = 0; i < 4; ++i) {
        const QByteArray bytes = ReadFile(imageFile(dir.path(), i));
        images.emplace_back(bytes.begin(), bytes.end());
    }
    const StateFolder state(dir.path());
    const TemporaryFolder temporary(dir.filePath(QStringLiteral("tmp")));
    checkRecovered(rom, images);
    // A killed program's test run is cleared up by the next start.
    QVERIFY2(!QFileInfo::exists(runFolder), "the test run's folder was left behind");
}

void TestRecovery::recoveredWithoutItsFile_data()
{
    QTest::addColumn<bool>("gone");
    QTest::newRow("changed") << false;
    QTest::newRow("gone") << true;
}

void TestRecovery::recoveredWithoutItsFile()
{
    QFETCH(bool, gone);
    Session before;
    const std::vector<Bytes> images = placeThreeUndoOne(*before.window, before.model);
    before.window.reset(); // the session ends without a word
    if (gone) {
        QVERIFY(QFile::remove(before.romPath));
    } else {
        QByteArray file = ReadFile(before.romPath);
        file[0x20] = char(file[0x20] ^ 1);
        QVERIFY(WriteFile(before.romPath, file));
    }

    // Started on the same file: the recovered image stays open, and nothing is asked of it.
    Session s(false);
    s.desktop.choiceAnswers << QStringLiteral("Recover");
    s.window->OpenAtStart(before.romPath);
    QVERIFY(s.desktop.saveQuestions.isEmpty());
    QCOMPARE(s.model.RomFileName, QString());
    QVERIFY(s.model.image() == images[2]);
    QVERIFY2(s.window->windowTitle().endsWith(QStringLiteral(" - UNTITLED[*]")), qPrintable(s.window->windowTitle()));
    QVERIFY(s.window->isWindowModified());
    QCOMPARE(s.desktop.messages.size(), 1);
    QVERIFY2(s.desktop.messages.first().text.contains(gone ? QStringLiteral("is no longer there")
                                                          : QStringLiteral("was changed on disk")),
             qPrintable(s.desktop.messageTexts()));
    // Save without a name is Save As.
    const QString saved = s.dir.filePath(QStringLiteral("recovered.nes"));
    s.desktop.saveAnswers << saved;
    QVERIFY(Controls(s.window).mnuSaveRom_Click());
    QCOMPARE(s.desktop.saveDialogs.size(), 1);
    QCOMPARE(s.model.RomFileName, saved);
    QVERIFY(!s.window->isWindowModified());
}

void TestRecovery::notNowKeepsDiscardDeletes()
{
    Session before;
    placeThreeUndoOne(*before.window, before.model);
    {
        Session meanwhile(false); // a live session's work is not offered
        meanwhile.window->OpenAtStart({});
        QVERIFY(meanwhile.desktop.choiceQuestions.isEmpty());
    }
    before.window.reset();
    for (const char *answer : {"Not Now", "Discard"}) {
        Session s(false);
        s.desktop.choiceAnswers << QLatin1String(answer);
        s.window->OpenAtStart({});
        QCOMPARE(s.desktop.choiceQuestions.size(), 1);
        QVERIFY(!s.model.hasImage());
    }
    QVERIFY(journals().isEmpty());

    // A quit that leaves the changes deletes the journal.
    Session quitting;
    placeThreeUndoOne(*quitting.window, quitting.model);
    QCOMPARE(journals().size(), 1);
    quitting.desktop.saveChangesAnswers << Desktop::SaveAnswer::Discard;
    Controls(quitting.window).mnuFile_Quit_Click();
    QVERIFY(journals().isEmpty());
}

void TestRecovery::programAskedToEndWhileAsking()
{
    QTemporaryDir dir;
    const StateFolder state(dir.path());
    {
        Session before;
        placeThreeUndoOne(*before.window, before.model);
    }
    QCOMPARE(journals().size(), 1);
    const QString journal = journals().first();
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KRELIN_EXECUTABLE), QStringList());
    // While it asks about the work, it holds the journal.
    QTRY_VERIFY_WITH_TIMEOUT(heldElsewhere(journal), 30000);
    ::kill(pid_t(program.processId()), SIGTERM);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(QFile::exists(journal) && !heldElsewhere(journal)); // kept for the next start
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
