// The player process, started as the editor starts it (krelin --player over a local
// socket), with the small test cores: the game's picture, sound, states and reloads come
// back over the socket, and a core or a player that goes wrong ends only its process,
// saying why.
#include "Processes.h"
#include "TestCores.h"
#include "player/PlayerConnection.h"
#include "player/PlayerSession.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

using namespace krelin;
using krelin::testing::ProcessIdIn;
using krelin::testing::ProcessRuns;
using krelin::testing::TestCore;

namespace {

const QString Program = QStringLiteral(KRELIN_EXECUTABLE);

QByteArray Image(int size, char first = 1)
{
    return testing::TestCoreImage(size, first);
}

std::vector<std::uint8_t> Bytes(const QByteArray &image)
{
    return {image.begin(), image.end()};
}

// What the test core shows: red is the image's byte, green the frames run, blue the buttons.
int Red(const QImage &picture, int i)
{
    return qRed(picture.pixel(i % picture.width(), i / picture.width()));
}
int Green(const QImage &picture)
{
    return qGreen(picture.pixel(0, 0));
}

// Waits for the player's next answer of that kind; false when it stopped instead.
bool Answered(PlayerConnection &player, const char *signal)
{
    QSignalSpy answer(&player, signal), stopped(&player, &PlayerConnection::stopped);
    const bool came = answer.count() > 0 || answer.wait(10000);
    if (!stopped.isEmpty())
        qWarning("the player stopped: %s", qPrintable(stopped.first().first().toString()));
    return came && stopped.isEmpty();
}

QString StopReason(PlayerConnection &player, int timeout = 10000)
{
    QSignalSpy stopped(&player, &PlayerConnection::stopped);
    if (!stopped.wait(timeout))
        return QStringLiteral("(it did not stop)");
    return stopped.first().first().toString();
}

void WriteScript(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\n" + text);
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace

class PlayerProcessTest : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;

    void startTestCore(PlayerConnection &player, const QByteArray &image, const char *core = "test_core",
                       const QByteArray &state = {})
    {
        player.start({Program, TestCore(core), {}, image, state, false});
    }

private slots:
    // The game runs in another process; frames come back with the picture and the sound.
    void framesComeBack()
    {
        PlayerConnection player;
        const QByteArray image = Image(100);
        startTestCore(player, image);
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        QVERIFY(player.processId() > 0 && player.processId() != getpid());
        QCOMPARE(player.coreName(), QStringLiteral("Test core 1.0"));
        QCOMPARE(player.framesPerSecond(), 50.0);
        QCOMPARE(player.sampleRate(), 32000.0);

        QSignalSpy frames(&player, &PlayerConnection::framesRun);
        player.runFrames(2, ButtonBit(JoypadButton::Up), true);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QCOMPARE(frames.first()[0].toInt(), 2);
        QCOMPARE(frames.first()[1].toByteArray().size(), 2 * 200 * 2); // both frames' samples
        QCOMPARE(frames.first()[2].toRect(), QRect(0, 0, 16, 8));
        const QImage picture = player.picture();
        QCOMPARE(picture.size(), QSize(16, 8));
        for (int i : {0, 99, 100, 127})
            QCOMPARE(Red(picture, i), int(quint8(image[i % 100])));
        QCOMPARE(Green(picture), 2);
        QCOMPARE(qBlue(picture.pixel(3, 3)), 1 << 4);
        player.runFrames(1, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QVERIFY(frames.last()[1].toByteArray().isEmpty());
        QCOMPARE(Green(player.picture()), 3);
        QCOMPARE(qBlue(player.picture().pixel(15, 7)), 0);
    }

    // Edits reach the game as reloads that keep its state; edits made together go as one;
    // a new image of another size restarts the game and says why.
    void editsReachTheGame()
    {
        modKrelin model;
        model.replaceImage(Bytes(Image(200)));
        PlayerSession session(model);
        session.start(Program, TestCore("test_core"), {}, false);
        PlayerConnection &player = session.connection();
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        player.runFrames(5, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));

        QSignalSpy reloads(&session, &PlayerSession::imageReloaded);
        model.writeByte(3, 0xEE);
        model.writeByte(4, 0xEF);
        model.writeByte(120, 0x10);
        QVERIFY(reloads.wait(5000));
        QCOMPARE(reloads.count(), 1);
        QCOMPARE(reloads.first()[0].toInt(), 3);
        QVERIFY(reloads.first()[1].toBool());
        player.runFrames(1, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QCOMPARE(Green(player.picture()), 6); // the game went on where it was
        QCOMPARE(Red(player.picture(), 3), 0xEE);
        QCOMPARE(Red(player.picture(), 4), 0xEF);
        QCOMPARE(Red(player.picture(), 120), 0x10);
        QCOMPARE(Red(player.picture(), 5), int(quint8(Image(200)[5])));

        model.replaceImage(Bytes(Image(300)));
        QVERIFY(reloads.wait(5000));
        QVERIFY(!reloads.last()[1].toBool());
        QVERIFY2(reloads.last()[2].toString().contains("image of another size"), qPrintable(reloads.last()[2].toString()));
        player.runFrames(1, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QCOMPARE(Green(player.picture()), 1);
    }

    // The image's last byte, and either byte the save fix-up copies, reach the game as a
    // save would write them: the copy changes with them. (The test core that shows the
    // bytes from 0x12000 on shows the copy at 0x12008.)
    void editsAtTheEdgesReachTheGame_data()
    {
        QTest::addColumn<QString>("core");
        QTest::addColumn<int>("size");
        QTest::addColumn<qint64>("edited");
        QTest::addColumn<int>("shownAt");    // where the test core shows the byte edited...
        QTest::addColumn<int>("mirroredAt"); // ... and its copy (-1: none)
        QTest::newRow("last byte") << TestCore("test_core") << 100 << qint64(99) << 99 << -1;
        const int big = int(FixUpImageSize) + 16;
        QTest::newRow("last byte of a large image")
            << TestCore("test_core_shows_fixup") << 0x12000 + 100 << qint64(0x12000 + 99) << 99 << -1;
        QTest::newRow("fix-up's first byte") << TestCore("test_core_shows_fixup") << big << FixUpSource << -1
                                             << int(FixUpTarget - 0x12000);
        QTest::newRow("fix-up's second byte") << TestCore("test_core_shows_fixup") << big << FixUpSource + 1 << -1
                                              << int(FixUpTarget + 1 - 0x12000);
    }

    void editsAtTheEdgesReachTheGame()
    {
        QFETCH(QString, core);
        QFETCH(int, size);
        QFETCH(qint64, edited);
        QFETCH(int, shownAt);
        QFETCH(int, mirroredAt);
        modKrelin model;
        model.replaceImage(Bytes(Image(size)));
        PlayerSession session(model);
        session.start(Program, core, {}, false);
        PlayerConnection &player = session.connection();
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        QSignalSpy reloads(&session, &PlayerSession::imageReloaded);
        const std::uint8_t value = std::uint8_t(model.byteAt(edited) ^ 0x5A);
        model.writeByte(edited, value);
        QVERIFY(reloads.wait(5000));
        QVERIFY(reloads.first()[1].toBool());
        player.runFrames(1, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        if (shownAt >= 0)
            QCOMPARE(Red(player.picture(), shownAt), int(value));
        if (mirroredAt >= 0)
            QCOMPARE(Red(player.picture(), mirroredAt), int(value));
    }

    // Changes that keep coming reach the game while they come, at least every GatherTime or
    // so: the first change of a gathering starts its clock, the later ones do not put it
    // off.
    void changesThatKeepComingReachTheGame()
    {
        modKrelin model;
        model.replaceImage(Bytes(Image(200)));
        PlayerSession session(model);
        session.start(Program, TestCore("test_core"), {}, false);
        QVERIFY(Answered(session.connection(), SIGNAL(started(QString))));
        QSignalSpy reloads(&session, &PlayerSession::imageReloaded);
        // A change every fifth of the gathering time, far longer than it in all.
        for (int i = 0; i < 100 && reloads.isEmpty(); ++i) {
            model.writeByte(10, std::uint8_t(i));
            QTest::qWait(PlayerSession::GatherTime / 5);
        }
        QVERIFY2(!reloads.isEmpty(), "no change reached the game while the changes kept coming");
    }

    void statesGoBothWays()
    {
        PlayerConnection player;
        startTestCore(player, Image(64));
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        player.runFrames(4, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QSignalSpy saved(&player, &PlayerConnection::stateSaved);
        player.saveState();
        QVERIFY(Answered(player, SIGNAL(stateSaved(QByteArray))));
        const QByteArray state = saved.first().first().toByteArray();
        player.runFrames(10, 0, false);
        QSignalSpy restored(&player, &PlayerConnection::stateRestored);
        player.restoreState(state);
        QVERIFY(Answered(player, SIGNAL(stateRestored(bool, QString))));
        QVERIFY(restored.first()[0].toBool());
        player.runFrames(1, 0, false);
        QVERIFY(Answered(player, SIGNAL(framesRun(int, QByteArray, QRect))));
        QCOMPARE(Green(player.picture()), 5);

        player.restoreState("not a state");
        QVERIFY(Answered(player, SIGNAL(stateRestored(bool, QString))));
        QVERIFY(!restored.last()[0].toBool());
        QVERIFY2(restored.last()[1].toString().contains("refused the saved state"), qPrintable(restored.last()[1].toString()));

        // A game started at the state goes on from it; one the core refuses starts afresh.
        PlayerConnection again;
        QSignalSpy started(&again, &PlayerConnection::started);
        startTestCore(again, Image(64), "test_core", state);
        QVERIFY(Answered(again, SIGNAL(started(QString))));
        QVERIFY(started.first().first().toString().isEmpty());
        again.runFrames(1, 0, false);
        QVERIFY(Answered(again, SIGNAL(framesRun(int, QByteArray, QRect))));
        QCOMPARE(Green(again.picture()), 5);
        PlayerConnection refused;
        QSignalSpy refusal(&refused, &PlayerConnection::started);
        startTestCore(refused, Image(64), "test_core", QByteArray("damaged"));
        QVERIFY(Answered(refused, SIGNAL(started(QString))));
        QVERIFY(refusal.first().first().toString().contains("not a state of mine"));
    }

    // Whatever goes wrong in the player process ends that process alone and says why.
    void playersThatStop_data()
    {
        QTest::addColumn<QString>("core");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << TestCore("test_core_crashes") << Image(64) << "the core crashed (segmentation fault)";
        QTest::newRow("hang") << TestCore("test_core_hangs") << Image(64) << "the core gave no frame for 5 seconds";
        QTest::newRow("no core") << scratch.filePath("gone.so") << Image(64) << "the file does not exist";
        QTest::newRow("not a core") << TestCore("test_core_no_run") << Image(64) << "it is not a libretro core";
        QTest::newRow("image refused") << TestCore("test_core") << Image(64, 'X') << "refused the image: the image is damaged";
        QTest::newRow("no frame rate") << TestCore("test_core_nan_rate") << Image(64)
                                       << "the core Test core 1.0 gives nan frames a second, a frame rate the player cannot keep";
    }

    void playersThatStop()
    {
        QFETCH(QString, core);
        QFETCH(QByteArray, image);
        QFETCH(QString, reason);
        PlayerConnection player;
        player.start({Program, core, {}, image, {}, false});
        player.runFrames(1, 0, false);
        const QString said = StopReason(player, 3 * PlayerConnection::AnswerTimeout);
        QVERIFY2(said.contains(reason), qPrintable(said));
        // A clause for "The player stopped: …", which brings its own full stop.
        QVERIFY2(!said.endsWith('.'), qPrintable(said));
        QVERIFY(!player.isRunning());
    }

    void killedFromOutside()
    {
        PlayerConnection player;
        startTestCore(player, Image(64));
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        ::kill(pid_t(player.processId()), SIGKILL);
        QCOMPARE(StopReason(player), QStringLiteral("its process was ended by a signal"));
    }

    // A core that starts a helper process, which keeps the player's socket and trickles
    // bytes into it once the player has gone: the editor is not held by it (its timers
    // keep running), and the helper goes with the player.
    void helperOfTheCoreGoesWithThePlayer()
    {
        const QString helperFile = scratch.filePath("helper.pid");
        qputenv("TEST_CORE_HELPER_FILE", helperFile.toLocal8Bit());
        qputenv("TEST_CORE_EXIT_FRAME", "3");
        PlayerConnection player;
        startTestCore(player, Image(64), "test_core_forks");
        qunsetenv("TEST_CORE_HELPER_FILE");
        qunsetenv("TEST_CORE_EXIT_FRAME");
        QVERIFY(Answered(player, SIGNAL(started(QString))));
        QTRY_VERIFY(ProcessIdIn(helperFile) > 0);
        const qint64 helper = ProcessIdIn(helperFile);
        QVERIFY(ProcessRuns(helper));

        // The longest time the event loop went without running a timer.
        QElapsedTimer sinceTick;
        qint64 longest = 0;
        QTimer tick;
        tick.setInterval(20);
        connect(&tick, &QTimer::timeout, this, [&] { longest = std::max(longest, sinceTick.restart()); });
        sinceTick.start();
        tick.start();
        player.runFrames(5, 0, false);
        QCOMPARE(StopReason(player), QStringLiteral("its process ended (status 3)"));
        QTest::qWait(200);
        QVERIFY2(longest < 3000, qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(longest)));
        QTRY_VERIFY(!ProcessRuns(helper));
    }

    // A player that sends nonsense is ended; so is one that answers what was not asked.
    void misbehavingPlayers_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<QString>("reason");
        QTest::newRow("huge message") << QByteArray("printf '\\377\\377\\377\\377x' >&\"$3\"; sleep 30\n")
                                      << "the player sent a message of 4294967295 bytes";
        QTest::newRow("out of turn") << QByteArray("printf '\\001\\000\\000\\000\\103' >&\"$3\"; sleep 30\n")
                                     << "the player answered out of turn";
        QTest::newRow("empty message") << QByteArray("printf '\\000\\000\\000\\000' >&\"$3\"; sleep 30\n")
                                       << "the player sent a message of 0 bytes";
        QTest::newRow("exits") << QByteArray("exit 3\n") << "its process ended (status 3)";
    }

    void misbehavingPlayers()
    {
        QFETCH(QByteArray, script);
        QFETCH(QString, reason);
        const QString program = scratch.filePath("player.sh");
        WriteScript(program, script);
        PlayerConnection player;
        player.start({program, TestCore("test_core"), {}, Image(64), {}, false});
        const QString said = StopReason(player);
        QVERIFY2(said.contains(reason), qPrintable(said));
    }

    // The player process keeps no file the editor has open (the image's, the journal's):
    // only its standard files and its socket.
    void noFilesLeakToThePlayer()
    {
        const QString list = scratch.filePath("fds.txt"), program = scratch.filePath("fds.sh");
        WriteScript(program, QStringLiteral("ls /proc/$$/fd > '%1.part'; mv '%1.part' '%1'; sleep 30\n").arg(list).toUtf8());
        const QByteArray secret = scratch.filePath("open.nes").toLocal8Bit();
        const int open = ::open(secret.constData(), O_CREAT | O_RDWR, 0600); // without close-on-exec
        QVERIFY(open >= 3);
        PlayerConnection player;
        player.start({program, TestCore("test_core"), {}, Image(64), {}, false});
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(list), 10000);
        QFile file(list);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> fds = file.readAll().split('\n');
        ::close(open);
        QVERIFY2(!fds.contains(QByteArray::number(open)), file.fileName().toUtf8());
        QVERIFY(fds.contains("0") && fds.contains("1") && fds.contains("2"));
    }
};

QTEST_GUILESS_MAIN(PlayerProcessTest)
#include "test_playerprocess.moc"
