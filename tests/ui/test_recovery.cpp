// Unsaved work given back after a session ended unexpectedly: a real program killed
// (SIGKILL) or asked to end (SIGTERM) after edits in its window; the file changed or gone
// meanwhile; Not Now and Discard; and the program asked to end while it asks.
#include "Bytes.h"
#include "MainWindowSession.h"

#include "app/QuitSignals.h"
#include "core/JournalFile.h"
#include "edit/EditHistory.h"

#include <QApplication>
#include <QMouseEvent>
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

// A metatile of stage 1A whose first tile starts with two pixels of colour 4, the first
// one's quadrant 0; -1 when there is none.
int metaTileStartingInColour4(const modKrelin &model)
{
    for (int n = 0; n < 256; ++n) {
        const std::uint8_t *tile = model.bytesAt(model.ChrOffset + 16 * model.byteAt(model.MetaTileOffset + 4 * n), 16);
        if (tile && DecodeTilePixel(tile, 0, 0) == 3 && DecodeTilePixel(tile, 1, 0) == 3)
            return n;
    }
    return -1;
}

// In the tile editor, on such a metatile: 2 pressed, the button held on pixel (0, 0), 4
// pressed while holding it, the pointer to (1, 0) and back, the button let go. The stroke
// ends where it started, so the history drops it. Says "ready" once the history is back
// where it started, unmodified.
bool strokeBackToWhereItStarted(const frmKrelin &window, const modKrelin &model)
{
    const Controls c(window);
    c.mnuEdit_Level_Click(S1A);
    const int n = metaTileStartingInColour4(model);
    if (n < 0)
        return false;
    c.hsTable->setValue(n / 16);
    const QPoint cell(12 + 34 * (n % 2), 12 + 34 * (n % 16 / 2));
    QTest::mouseMove(c.picTile, cell);
    QTest::mouseClick(c.picTile, Qt::LeftButton, {}, cell);
    QTest::mouseClick(c.cmdEditTile, Qt::LeftButton);
    frmTileEditor *te = Controls(window).tileEditor; // made by the click
    if (!QTest::qWaitForWindowExposed(te))
        return false;
    te->activateWindow();
    const auto at = [](int col, int row) { return QPoint(8 + 16 * col, 10 + 16 * row); };
    const auto drag = [&](QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, te->pic8x8Edit->mapToGlobal(p), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(te->pic8x8Edit, &move);
    };
    QTest::keyClick(te, Qt::Key_2);
    QTest::mouseMove(te->pic8x8Edit, at(0, 0));
    QTest::mousePress(te->pic8x8Edit, Qt::LeftButton, {}, at(0, 0));
    const bool painted = c.history().isModified();
    QTest::keyClick(te, Qt::Key_4);
    drag(at(1, 0));
    drag(at(0, 0));
    QTest::mouseRelease(te->pic8x8Edit, Qt::LeftButton, {}, at(0, 0));
    return painted && c.history().stack().count() == 0 && !c.history().isModified();
}

// The program a test kills: the real main window on folder/game.nes, as the program builds
// it (the signals handled, the file opened at start), the session's edits made through it,
// a test run started; then it says "ready RUN-FOLDER" and waits. With --child-stroke, the
// edit is strokeBackToWhereItStarted alone, and it says "ready" once it is made.
int runChild(int argc, char **argv)
{
    const bool stroke = std::strcmp(argv[1], "--child-stroke") == 0;
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
    if (stroke) {
        if (!strokeBackToWhereItStarted(window, model))
            return 4;
        std::printf("ready\n");
        std::fflush(stdout);
        return app.exec();
    }
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
    void strokeTakenBackIsNotRecovered();
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

// A stroke in the tile editor that the history dropped (it came back to where it started)
// is not in the journal either: after kill -9 the next start has nothing to offer.
void TestRecovery::strokeTakenBackIsNotRecovered()
{
    QTemporaryDir dir;
    const QString rom = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), rom));
    const QByteArray original = ReadFile(rom);
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(environment);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child-stroke"), dir.path()});
    QByteArray said;
    while (!said.contains('\n') && child.waitForReadyRead(60000))
        said += child.readAllStandardOutput();
    QVERIFY2(said.startsWith("ready"), qPrintable(QStringLiteral("%1 (exit %2)").arg(QString::fromLocal8Bit(said)).arg(child.exitCode())));
    ::kill(pid_t(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(30000));

    const StateFolder state(dir.path());
    Session s(false);
    s.window->OpenAtStart({});
    QVERIFY2(s.desktop.choiceQuestions.isEmpty(), qPrintable(s.desktop.choiceQuestions.value(0).text));
    QVERIFY(!s.model.hasImage());
    QVERIFY(journals().isEmpty());
    QCOMPARE(ReadFile(rom), original);
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
    if (argc == 3 && (std::strcmp(argv[1], "--child") == 0 || std::strcmp(argv[1], "--child-stroke") == 0))
        return runChild(argc, argv);
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_recovery.moc"
