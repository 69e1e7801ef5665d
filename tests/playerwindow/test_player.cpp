// The player through the real windows and the real player process: F6 on the sample plays
// it in the NES core, keys move its viewer, an edit made in the editor reaches the running
// game, bookmarks bring a stage back; cores built for the tests crash and hang, and the
// editor keeps its edits.
#include "ConsoleSession.h"
#include "Bytes.h"
#include "MainWindowSession.h"
#include "TestCores.h"

#include "edit/ByteEditCommand.h"
#include "edit/EditHistory.h"
#include "player/Bookmarks.h"
#include "player/PlayerSession.h"
#include "playerwindow/PlayerScreen.h"
#include "playerwindow/frmPlayer.h"

#include <QSignalSpy>
#include <QStatusBar>
#include <QUndoStack>

#include <signal.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

// The sample's viewer needs a button held for a frame or two and then a few frames to
// redraw: generous waits, since the machine may be busy.
constexpr int Patience = 15000;

struct PlayerSessionFixture : Session
{
    frmPlayer *player() const { return window->findChild<frmPlayer *>(); }

    // F6, as the user presses it in the main window; the player's picture once it has one.
    frmPlayer *pressF6()
    {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get()))
            return nullptr;
        QTest::keyClick(window.get(), Qt::Key_F6);
        frmPlayer *shown = player();
        return shown;
    }

    // The editor's picture of frame f of stage s, as the console shows it.
    QImage consolePicture(int s, int f)
    {
        const Stage *before = model.currentStage();
        model.ApplyStage(StageTable[std::size_t(s)]);
        QImage picture = EditorConsolePicture(model, f);
        if (before)
            model.ApplyStage(*before);
        return picture;
    }

    // Holds key in the player until the game has run a few frames with it, lets go, and
    // waits until the viewer has drawn what it chose.
    void press(Qt::Key key)
    {
        frmPlayer *p = player();
        QSignalSpy frames(&p->session().connection(), &PlayerConnection::framesRun);
        QTest::keyPress(p, key);
        QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= ViewerControl::HeldFrames + 1, Patience);
        QTest::keyRelease(p, key);
        frames.clear();
        QTRY_VERIFY_WITH_TIMEOUT(frames.count() >= ViewerControl::SettleFrames, Patience);
    }

    bool shows(const QImage &expected) const { return player() && player()->picture() == expected; }

};

} // namespace

class PlayerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        qputenv("KRELIN_PLAYER", KRELIN_EXECUTABLE);
        qunsetenv("KRELIN_CORE");
    }

    void init() { QDir(BookmarkFolder()).removeRecursively(); }

    // F6 shows frame 0 of stage 1A, each pixel a sharp 2 x 2 square; Right twice shows frame
    // 2; a metatile placed in frame 2 in the editor reaches the running game, which still
    // shows frame 2 (it kept its state), and the status line says so.
    void playsTheImageAsEdited()
    {
        PlayerSessionFixture s;
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1A));
        frmPlayer *player = s.pressF6();
        QVERIFY(player);
        QVERIFY(QTest::qWaitForWindowExposed(player));
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S1A, 0)), Patience);
        QCOMPARE(player->picPlayer->size(), QSize(512, 480));
        const QImage screen = player->picPlayer->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen, s.consolePicture(S1A, 0).scaled(512, 480));
        QVERIFY(player->session().connection().processId() != QCoreApplication::applicationPid());

        s.press(Qt::Key_Right);
        s.press(Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S1A, 2)), Patience);

        // The cell's metatile changed in the editor, through the map as a user does it.
        Controls(s.window).hLevel_Frames->setValue(2);
        const int col = 5, row = 7;
        const qint64 cell = s.model.LevelOffset + 240 * 2 + 16 * row + col;
        const QImage before = s.consolePicture(S1A, 2);
        int metaTile = 0;
        while (s.model.byteAt(s.model.MetaTileOffset + 4 * metaTile) == s.model.byteAt(s.model.MetaTileOffset + 4 * s.byte(cell)))
            ++metaTile;
        s.pick(0, metaTile % 2, metaTile / 2);
        s.clickOnMap(col, row);
        QCOMPARE(s.byte(cell), metaTile);
        const QImage after = s.consolePicture(S1A, 2);
        QVERIFY(after != before);
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(after), Patience);
        QCOMPARE(player->statusBar()->currentMessage(), QStringLiteral("Image reloaded (1 edit)"));
        // The user's file was neither written nor needed.
        QVERIFY(ReadFile(s.romPath) == ReadFile(QStringLiteral(KRELIN_SAMPLE)));

        // Quitting the editor ends the player.
        const auto pid = pid_t(player->session().connection().processId());
        s.window.reset();
        QVERIFY(::kill(pid, 0) != 0);
    }

    // A bookmark set on stage 3 frame 2 brings F6 back to it, with the image as it is now;
    // Restart at Bookmark goes back to it again.
    void bookmarksBringTheStageBack()
    {
        PlayerSessionFixture s;
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S3));
        frmPlayer *player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S1A, 0)), Patience);
        for (int i = 0; i < 6; ++i)
            s.press(Qt::Key_Shift); // Select: the next stage
        s.press(Qt::Key_Right);
        s.press(Qt::Key_Right);
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S3, 2)), Patience);
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier);
        const QString bookmark = BookmarkPath(s.romPath, QStringLiteral("3"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(bookmark), Patience);
        player->close();
        QTRY_VERIFY(!s.player());

        // A palette byte changed meanwhile: the game starts at the bookmark in the new colours.
        Controls(s.window).history().push(new ByteEditCommand(s.model, s.model.PalOffset + 1, {0x16}, QStringLiteral("Colour")));
        player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S3, 2)), Patience);

        s.press(Qt::Key_Left);
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S3, 1)), Patience);
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S3, 2)), Patience);
        QVERIFY(s.desktop.messages.isEmpty());
    }

    // A bookmark that is not one is named and left as it is; the game starts from power-on.
    void damagedBookmarkRefused()
    {
        PlayerSessionFixture s;
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1B));
        const QString bookmark = BookmarkPath(s.romPath, QStringLiteral("1B"));
        QDir().mkpath(BookmarkFolder());
        WriteFile(bookmark, "not a state at all");
        s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S1A, 0)), Patience);
        QCOMPARE(s.desktop.messages.size(), 1);
        QVERIFY2(s.desktop.messages.first().text.contains(bookmark) && s.desktop.messages.first().text.contains("not a bookmark"),
                 qPrintable(s.desktop.messageTexts()));
        QCOMPARE(ReadFile(bookmark), QByteArray("not a state at all"));

        // One the core refuses is named too, and kept.
        s.player()->close();
        s.desktop.clearLog();
        WriteFile(bookmark, QByteArray(BookmarkSignature) + "a state no core would take");
        s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(s.desktop.messages.size() == 1, Patience);
        QVERIFY2(s.desktop.messages.first().text.contains(bookmark) && s.desktop.messages.first().text.contains("refused"),
                 qPrintable(s.desktop.messageTexts()));
        QTRY_VERIFY_WITH_TIMEOUT(s.shows(s.consolePicture(S1A, 0)), Patience);
        QVERIFY(QFile::exists(bookmark));
    }

    // A core that crashes, one that never returns from a frame, and a player process killed
    // from outside: the player stops with the reason, the editor keeps its edits, and F6
    // starts a new player.
    void playerStops_data()
    {
        QTest::addColumn<QString>("core");
        QTest::addColumn<bool>("kill");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << TestCore("test_core_crashes") << false << "the core crashed (segmentation fault)";
        QTest::newRow("hang") << TestCore("test_core_hangs") << false << "the core gave no frame for 5 seconds";
        QTest::newRow("killed") << TestCore("test_core") << true << "its process was ended by a signal";
    }

    void playerStops()
    {
        QFETCH(QString, core);
        QFETCH(bool, kill);
        QFETCH(QString, reason);
        PlayerSessionFixture s;
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1A));
        s.pick(0, 1, 2);
        s.clickOnMap(2, 3);
        s.clickOnMap(3, 4);
        const std::vector<std::uint8_t> edited = s.model.image();
        const int steps = Controls(s.window).history().stack().count();
        QVERIFY(steps > 0);
        qputenv("KRELIN_CORE", core.toLocal8Bit());
        frmPlayer *player = s.pressF6();
        if (kill) {
            QTRY_VERIFY_WITH_TIMEOUT(player->session().connection().hasStarted(), Patience);
            ::kill(pid_t(player->session().connection().processId()), SIGKILL);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!s.desktop.messages.isEmpty(), 3 * PlayerConnection::AnswerTimeout);
        qunsetenv("KRELIN_CORE");
        const QString said = s.desktop.messages.first().text;
        QVERIFY2(said.startsWith(QStringLiteral("The player stopped: ") + reason), qPrintable(said));
        QVERIFY(s.model.image() == edited);
        QCOMPARE(Controls(s.window).history().stack().count(), steps);
        QVERIFY(!Controls(s.window).history().stack().isClean());
        QVERIFY(!player->isPlaying());
        QVERIFY(player->statusBar()->currentMessage().contains(reason));

        s.pressF6(); // a new player, with the system's core
        QTRY_VERIFY_WITH_TIMEOUT(player->session().connection().hasStarted(), Patience);
        QCOMPARE(s.desktop.messages.size(), 1);
    }

    // With the test core, whose picture shows the frames run (green) and the buttons held
    // (blue): the keys are controller 1, Pause holds the game and period runs one frame, the
    // scale is kept and sharp, and a screenshot is the picture at 1x.
    void controlsOfThePlayer()
    {
        qputenv("KRELIN_CORE", TestCore("test_core").toLocal8Bit());
        PlayerSessionFixture s;
        frmPlayer *player = s.pressF6();
        qunsetenv("KRELIN_CORE");
        QTRY_VERIFY_WITH_TIMEOUT(!player->picture().isNull(), Patience);
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        const auto blue = [&] { return qBlue(player->picture().pixel(0, 0)); };
        const std::pair<Qt::Key, int> keys[] = {{Qt::Key_Z, 1 << 0}, {Qt::Key_Shift, 1 << 2}, {Qt::Key_Return, 1 << 3},
                                                {Qt::Key_Up, 1 << 4}, {Qt::Key_Down, 1 << 5}, {Qt::Key_Left, 1 << 6},
                                                {Qt::Key_Right, 1 << 7}};
        for (const auto &[key, bit] : keys) {
            QTest::keyPress(player, key);
            QTRY_COMPARE_WITH_TIMEOUT(blue(), bit, Patience);
            QTest::keyRelease(player, key);
            QTRY_COMPARE_WITH_TIMEOUT(blue(), 0, Patience);
        }

        QTest::keyClick(player, Qt::Key_P);
        QVERIFY(player->isPaused());
        QTRY_VERIFY(!player->session().connection().awaits(MessageKind::Frames));
        const int green = qGreen(player->picture().pixel(0, 0));
        QTest::qWait(200);
        QCOMPARE(qGreen(player->picture().pixel(0, 0)), green);
        QTest::keyClick(player, Qt::Key_Period);
        QTRY_COMPARE(qGreen(player->picture().pixel(0, 0)), (green + 1) & 0xFF);

        QTest::keyClick(player, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(player->picPlayer->size(), QSize(48, 24));
        const QImage screen = player->picPlayer->grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen, player->picture().scaled(48, 24));
        QCOMPARE(Controls(s.window).preferences().playerScale(), 3);

        const QString shot = s.dir.filePath("shot.png");
        s.desktop.saveAnswers.enqueue(shot);
        QTest::keyClick(player, Qt::Key_F9);
        QCOMPARE(QImage(shot).convertToFormat(QImage::Format_RGB32), player->picture());
        // Never over the cartridge image.
        s.desktop.saveAnswers.enqueue(s.romPath);
        QTest::keyClick(player, Qt::Key_F9);
        QVERIFY(ReadFile(s.romPath) == ReadFile(QStringLiteral(KRELIN_SAMPLE)));
        QVERIFY(s.desktop.messageTexts().contains("is the cartridge image itself"));

        // A new player window keeps the scale.
        player->close();
        QTRY_VERIFY(!s.player());
        qputenv("KRELIN_CORE", TestCore("test_core").toLocal8Bit());
        player = s.pressF6();
        qunsetenv("KRELIN_CORE");
        QCOMPARE(player->picPlayer->scale(), 3);
    }
};

QTEST_MAIN(PlayerTest)
#include "test_player.moc"
