// krelin --play run as a hack's CI runs it: the sample boots in the NES core, the buttons
// pressed move its viewer, a bookmark starts it where it was kept, and the picture written
// is the one the editor draws of that frame; every bad request ends with one line, status
// 1 and no file written.
#include "Bytes.h"
#include "ConsoleSession.h"
#include "Processes.h"
#include "RunKrelin.h"
#include "core/MasterPalette.h"
#include "player/Bookmarks.h"
#include "player/PlayerSession.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

const QString Sample = QStringLiteral(KRELIN_SAMPLE);

// The editor's picture of frame f of stage s as the console shows it.
QImage ConsolePicture(int s, int f)
{
    modKrelin model;
    LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR));
    model.replaceImage(BytesOf(ReadFile(Sample)));
    model.ApplyStage(StageTable[std::size_t(s)]);
    return EditorConsolePicture(model, f);
}

QImage Picture(const QString &path)
{
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPlayCommand : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString shot = dir.filePath(QStringLiteral("shot.png"));

private slots:
    void init()
    {
        QFile::remove(shot);
        qunsetenv("KRELIN_CORE");
    }

    // Select, then Right: the viewer shows stage 1B, frame 1; a bookmark of that moment
    // starts a run there.
    void bootsToThePicture()
    {
        ProgramRun run = RunKrelin({"--play", Sample, "--frames", "100", "--press", "40-41:select", "--press",
                                    "60:RIGHT", "--screenshot", shot});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY(run.err.isEmpty() && run.out.isEmpty());
        QCOMPARE(Picture(shot), ConsolePicture(1, 1));

        // Nothing pressed: stage 1A, frame 0.
        run = RunKrelin({"--play", Sample, "--frames", "40", "--screenshot", shot});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(Picture(shot), ConsolePicture(0, 0));

        // A bookmark kept by a player at 1B frame 1.
        PlayerConnection player;
        player.start({QStringLiteral(KRELIN_EXECUTABLE), ChooseCore().path, {}, ReadFile(Sample), {}, false});
        QSignalSpy frames(&player, &PlayerConnection::framesRun), saved(&player, &PlayerConnection::stateSaved);
        QVERIFY(QSignalSpy(&player, &PlayerConnection::started).wait(10000));
        player.runFrames(40, 0, false);
        player.runFrames(2, ButtonBit(JoypadButton::Select), false);
        player.runFrames(18, 0, false);
        player.runFrames(2, ButtonBit(JoypadButton::Right), false);
        player.runFrames(20, 0, false);
        player.saveState();
        QVERIFY(saved.wait(10000));
        const QString bookmark = dir.filePath(QStringLiteral("game.nes 1B.bookmark"));
        QCOMPARE(WriteBookmark(bookmark, saved.first().first().toByteArray()), QString());
        run = RunKrelin({"--play", Sample, "--frames", "1", "--state", bookmark, "--screenshot", shot});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(Picture(shot), ConsolePicture(1, 1));
    }

    // The program killed while it plays: the player, and a helper process its core started,
    // go with it.
    void helperGoesWhenTheProgramIsKilled()
    {
        const QString helperFile = dir.filePath(QStringLiteral("helper.pid"));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KRELIN_CORE"), QStringLiteral(KRELIN_TEST_CORES "/test_core_forks.so"));
        environment.insert(QStringLiteral("TEST_CORE_HELPER_FILE"), helperFile);
        QProcess play;
        play.setProcessEnvironment(environment);
        play.start(QStringLiteral(KRELIN_EXECUTABLE), {"--play", Sample, "--frames", "10000000", "--screenshot", shot});
        QTRY_VERIFY_WITH_TIMEOUT(ProcessIdIn(helperFile) > 0, 10000);
        const qint64 helper = ProcessIdIn(helperFile);
        QVERIFY(ProcessRuns(helper));
        QCOMPARE(play.state(), QProcess::Running);
        play.kill();
        QVERIFY(play.waitForFinished());
        QTRY_VERIFY(!ProcessRuns(helper));
        QVERIFY(!QFile::exists(shot));
    }

    void badRequests_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("core");
        QTest::addColumn<QString>("said");
        const QString out = shot, missing = dir.filePath(QStringLiteral("gone.nes"));
        const QString junk = dir.filePath(QStringLiteral("junk.state"));
        WriteFile(junk, "junk");
        const QStringList base{"--play", Sample, "--frames", "50", "--screenshot", out};
        QTest::newRow("unknown button") << base + QStringList{"--press", "1-2:jump"} << QString()
                                        << "no button \"jump\"; the buttons are right, left";
        QTest::newRow("frames backwards") << base + QStringList{"--press", "9-3:a"} << QString() << "the first not after the second";
        QTest::newRow("past the end") << base + QStringList{"--press", "45-50:a"} << QString()
                                      << "--press 45-50 goes past the last frame run (49)";
        QTest::newRow("no frames") << QStringList{"--play", Sample, "--frames", "0", "--screenshot", out} << QString()
                                   << "--frames takes a number of frames from 1";
        QTest::newRow("no screenshot") << QStringList{"--play", Sample, "--frames", "5"} << QString() << "Usage: krelin --play";
        QTest::newRow("missing image") << QStringList{"--play", missing, "--frames", "5", "--screenshot", out} << QString()
                                       << missing;
        QTest::newRow("over the image") << QStringList{"--play", Sample, "--frames", "5", "--screenshot", Sample}
                                        << QString() << "it is the same file as";
        const QString text = dir.filePath(QStringLiteral("shot.txt"));
        QTest::newRow("not a PNG name") << QStringList{"--play", Sample, "--frames", "5", "--screenshot", text} << QString()
                                        << "The screenshot " + text + " needs a name ending in .png";
        QTest::newRow("no such core") << base << QStringLiteral("/x/core.so")
                                      << "The core /x/core.so, which the environment variable KRELIN_CORE names, does not "
                                         "exist. Name a core file in KRELIN_CORE, or unset it to play with the NES core of "
                                         "the package libretro-nestopia.";
        const QString empty = dir.filePath(QStringLiteral("empty.bookmark"));
        WriteFile(empty, BookmarkSignature);
        QTest::newRow("state file holding none") << base + QStringList{"--state", empty} << QString()
                                                 << "The state file " + empty + " holds no state of the game.";
        QTest::newRow("state refused") << base + QStringList{"--state", junk} << QString() << "refused the saved state";
        QTest::newRow("core crashes") << base << QStringLiteral(KRELIN_TEST_CORES "/test_core_crashes.so")
                                      << "The player stopped: the core crashed (segmentation fault).";
    }

    void badRequests()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, core);
        QFETCH(QString, said);
        if (!core.isEmpty())
            qputenv("KRELIN_CORE", core.toLocal8Bit());
        const QByteArray sample = ReadFile(Sample);
        const ProgramRun run = RunKrelin(arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith("krelin: ") && run.err.count(u'\n') == 1, qPrintable(run.err));
        QVERIFY2(run.err.contains(said), qPrintable(run.err));
        // One sentence, or the usage.
        QVERIFY2(run.err.endsWith(".\n") || run.err.startsWith("krelin: Usage: "), qPrintable(run.err));
        QVERIFY(!QFile::exists(shot));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("shot.txt"))));
        QCOMPARE(ReadFile(Sample), sample);
    }
};

QTEST_GUILESS_MAIN(TestPlayCommand)
#include "test_play_command.moc"
