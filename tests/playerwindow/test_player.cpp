// The player through the real windows and the real player process: F6 on the sample plays
// it in the NES core, keys move its viewer, an edit made in the editor reaches the running
// game, bookmarks bring a stage back; cores built for the tests crash and hang, and the
// editor keeps its edits.
#include "ConsoleSession.h"
#include "Bytes.h"
#include "MainWindowSession.h"
#include "Processes.h"
#include "TestCores.h"

#include "edit/ByteEditCommand.h"
#include "edit/EditHistory.h"
#include "player/Bookmarks.h"
#include "player/CoreHost.h"
#include "player/PlayerSession.h"
#include "playerwindow/PlayerScreen.h"
#include "playerwindow/frmPlayer.h"
#include "widgets/FittedLabel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTimer>
#include <QUndoStack>

#include <signal.h>
#include <sys/stat.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

// The sample's viewer needs a button held for a frame or two and then a few frames to
// redraw: generous waits, since the machine may be busy.
constexpr int Patience = 15000;

// The player's status line: what it shows (cut with "…" where it does not fit) and the
// whole text (its tool-tip).
QString StatusShown(const frmPlayer *player)
{
    return player->findChild<FittedLabel *>(QStringLiteral("lblPlayerStatus"))->text();
}
QString StatusWhole(const frmPlayer *player)
{
    return player->findChild<FittedLabel *>(QStringLiteral("lblPlayerStatus"))->toolTip();
}

// A message as the user reads it: no full stop doubled or after a space, and on the status
// line shown whole or cut with "…", never cut without a sign.
QString WritingProblem(const QString &text)
{
    if (text.contains(QLatin1String("..")) && !text.contains(QLatin1String("...")))
        return QStringLiteral("a doubled full stop in: ") + text;
    if (text.contains(QRegularExpression(QStringLiteral(" [.,]( |$)"))))
        return QStringLiteral("a mark after a space in: ") + text;
    return {};
}
QString StatusProblem(const frmPlayer *player)
{
    const QString shown = StatusShown(player), whole = StatusWhole(player);
    if (shown != whole && !(shown.endsWith(QChar(0x2026)) && whole.startsWith(shown.chopped(1))))
        return QStringLiteral("the status line shows \"%1\" of \"%2\"").arg(shown, whole);
    return WritingProblem(whole);
}

// The longest time the event loop went without running a timer, from the start on.
struct StillnessMeter
{
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer tick;
    StillnessMeter()
    {
        tick.setInterval(20);
        QObject::connect(&tick, &QTimer::timeout, [this] { longest = std::max(longest, sinceTick.restart()); });
        sinceTick.start();
        tick.start();
    }
};

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
        // The core's name and version as the status line says it, however the core pads them.
        QVERIFY2(StatusWhole(player).startsWith(QStringLiteral("Playing with Nestopia ")), qPrintable(StatusWhole(player)));
        QVERIFY2(StatusProblem(player).isEmpty(), qPrintable(StatusProblem(player)));
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
        QCOMPARE(StatusShown(player), QStringLiteral("Image reloaded (1 edit)"));
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

    // A core that crashes, one that never returns from a frame, a player process killed
    // from outside, one that ends while a helper process the core started trickles bytes
    // into its socket, and cores that cannot be used: the player stops with the reason in
    // words that read well, the window never stands still, the editor keeps its edits, and
    // F6 starts a new player.
    void playerStops_data()
    {
        QTest::addColumn<QString>("core");
        QTest::addColumn<bool>("kill");
        QTest::addColumn<QString>("reason");
        QTest::newRow("crash") << TestCore("test_core_crashes") << false << "the core crashed (segmentation fault)";
        QTest::newRow("hang") << TestCore("test_core_hangs") << false << "the core gave no frame for 5 seconds";
        QTest::newRow("killed") << TestCore("test_core") << true << "its process was ended by a signal";
        QTest::newRow("helper") << TestCore("test_core_forks") << false << "its process ended (status 3)";
        QTest::newRow("not a core") << TestCore("test_core_no_run") << false
                                    << "Cannot use the core " + TestCore("test_core_no_run") + ": it is not a libretro core";
        QTest::newRow("another interface") << TestCore("test_core_old_api") << false << "Cannot use the core";
        QTest::newRow("reads files") << TestCore("test_core_needs_file") << false << "Cannot use the core";
        QTest::newRow("no frame rate") << TestCore("test_core_nan_rate") << false
                                       << "the core Test core 1.0 gives nan frames a second, a frame rate the player cannot keep";
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
        const QString helperFile = s.dir.filePath("helper.pid");
        qputenv("KRELIN_CORE", core.toLocal8Bit());
        qputenv("TEST_CORE_HELPER_FILE", helperFile.toLocal8Bit());
        qputenv("TEST_CORE_EXIT_FRAME", "20");
        StillnessMeter stillness;
        frmPlayer *player = s.pressF6();
        qunsetenv("KRELIN_CORE");
        qunsetenv("TEST_CORE_HELPER_FILE");
        qunsetenv("TEST_CORE_EXIT_FRAME");
        if (kill) {
            QTRY_VERIFY_WITH_TIMEOUT(player->session().connection().hasStarted(), Patience);
            ::kill(pid_t(player->session().connection().processId()), SIGKILL);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!s.desktop.messages.isEmpty(), 3 * PlayerConnection::AnswerTimeout);
        const QString said = s.desktop.messages.first().text;
        QVERIFY2(said.startsWith(QStringLiteral("The player stopped: ") + reason), qPrintable(said));
        QVERIFY2(said.endsWith(QStringLiteral(". Every edit is kept; Tools ▸ Play (F6) starts a new one.")), qPrintable(said));
        QVERIFY2(WritingProblem(said).isEmpty(), qPrintable(WritingProblem(said)));
        QVERIFY(s.model.image() == edited);
        QCOMPARE(Controls(s.window).history().stack().count(), steps);
        QVERIFY(!Controls(s.window).history().stack().isClean());
        QVERIFY(!player->isPlaying());
        QVERIFY(StatusWhole(player).contains(reason));
        QVERIFY2(StatusProblem(player).isEmpty(), qPrintable(StatusProblem(player)));
        QTest::qWait(200);
        QVERIFY2(stillness.longest < 3000, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(stillness.longest)));
        // A helper the core started goes with the player.
        const qint64 helper = ProcessIdIn(helperFile);
        QCOMPARE(helper > 0, core == TestCore("test_core_forks"));
        if (helper > 0)
            QTRY_VERIFY(!ProcessRuns(helper));

        s.pressF6(); // a new player, with the system's core
        QTRY_VERIFY_WITH_TIMEOUT(player->session().connection().hasStarted(), Patience);
        QCOMPARE(s.desktop.messages.size(), 1);
    }

    // The game's keys after the player's menu was opened from the keyboard and closed
    // (Alt+P, Escape): the picture has the focus again, and Right reaches the game at once.
    void keysReachTheGameAfterTheMenu()
    {
        qputenv("KRELIN_CORE", TestCore("test_core").toLocal8Bit());
        PlayerSessionFixture s;
        frmPlayer *player = s.pressF6();
        qunsetenv("KRELIN_CORE");
        QTRY_VERIFY_WITH_TIMEOUT(!player->picture().isNull(), Patience);
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        QCOMPARE(QApplication::focusWidget(), player->picPlayer);
        const auto blue = [&] { return qBlue(player->picture().pixel(0, 0)); };
        // Alt and the menu's letter in the player, and the menu on the screen (which, on this
        // test platform, holds the activation while it is shown).
        const auto menuShown = [] {
            return QApplication::activePopupWidget()
                && QGuiApplication::focusWindow() == QApplication::activePopupWidget()->windowHandle();
        };
        const auto openMenu = [&](Qt::Key letter) {
            player->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(player));
            QTest::keyClick(player, letter, Qt::AltModifier);
            QTRY_VERIFY(menuShown());
        };
        for (const Qt::Key menu : {Qt::Key_P, Qt::Key_V}) {
            openMenu(menu);
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
            QTRY_COMPARE(QApplication::focusWidget(), player->picPlayer);
            QTest::keyPress(QApplication::focusWidget(), Qt::Key_Right);
            QTRY_COMPARE_WITH_TIMEOUT(blue(), 1 << 7, Patience);
            QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Right);
            QTRY_COMPARE_WITH_TIMEOUT(blue(), 0, Patience);
        }
        // From one menu to the next with the arrows, and out: the keys are the game's again.
        openMenu(Qt::Key_P);
        QWidget *first = QApplication::activePopupWidget();
        QTest::keyClick(first, Qt::Key_Right);
        QTRY_VERIFY(QApplication::activePopupWidget() && QApplication::activePopupWidget() != first);
        QTRY_VERIFY(menuShown());
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        QTRY_COMPARE(QApplication::focusWidget(), player->picPlayer);
        QTest::keyPress(QApplication::focusWidget(), Qt::Key_Left);
        QTRY_COMPARE_WITH_TIMEOUT(blue(), 1 << 6, Patience);
        QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Left);
    }

    // A core named that is not there is said at once, with what to do, and no player opens.
    void missingCoreSaidBeforeAnything()
    {
        PlayerSessionFixture s;
        qputenv("KRELIN_CORE", "/x/core.so");
        s.pressF6();
        qunsetenv("KRELIN_CORE");
        QVERIFY(!s.player());
        QCOMPARE(s.desktop.messages.size(), 1);
        QString said = s.desktop.messages.first().text;
        for (const char *words : {"/x/core.so", "does not exist", "KRELIN_CORE", "libretro-nestopia", "Preferences ▸ Player"})
            QVERIFY2(said.contains(QString::fromUtf8(words)), qPrintable(said));
        QVERIFY2(WritingProblem(said).isEmpty(), qPrintable(said));

        Controls(s.window).preferences().setPlayerCore(s.dir.filePath("gone.so"));
        s.pressF6();
        QVERIFY(!s.player());
        QCOMPARE(s.desktop.messages.size(), 2);
        said = s.desktop.messages.last().text;
        for (const QString &words : {s.dir.filePath("gone.so"), QStringLiteral("Preferences ▸ Player"), QStringLiteral("libretro-nestopia")})
            QVERIFY2(said.contains(words), qPrintable(said));
        QVERIFY2(WritingProblem(said).isEmpty(), qPrintable(said));
        Controls(s.window).preferences().setPlayerCore({});
    }

    // The status line in a narrow window: a message that does not fit is cut with "…" (whole
    // in its tool-tip); "Paused" stays in sight while paused, whatever else is said; every
    // message reads well.
    void statusLineReadsWell()
    {
        PlayerSessionFixture s;
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1A));
        frmPlayer *player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(!player->picture().isNull(), Patience);
        QTRY_VERIFY(StatusWhole(player).startsWith(QStringLiteral("Playing with ")));
        QVERIFY2(StatusProblem(player).isEmpty(), qPrintable(StatusProblem(player)));
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        QLabel *paused = player->findChild<QLabel *>(QStringLiteral("lblPaused"));
        QVERIFY(paused && !paused->isVisible());

        // Each command, and what it says.
        const auto check = [&](const char *step) {
            return StatusProblem(player).isEmpty() ? QString() : QLatin1String(step) + QStringLiteral(": ") + StatusProblem(player);
        };
        QTest::keyClick(player, Qt::Key_P);
        QVERIFY(player->isPaused());
        QCOMPARE(StatusWhole(player), QStringLiteral("Paused: Period runs one frame, P plays on."));
        QVERIFY2(check("pause").isEmpty(), qPrintable(check("pause")));
        QVERIFY(paused->isVisible());
        QTest::keyClick(player, Qt::Key_R, Qt::ControlModifier);
        QTRY_COMPARE(StatusWhole(player), QStringLiteral("The game was reset."));
        QVERIFY(paused->isVisible());
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(StatusWhole(player).startsWith(QStringLiteral("Stage 1A has no bookmark yet")));
        QVERIFY2(check("no bookmark").isEmpty(), qPrintable(check("no bookmark")));
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier);
        QTRY_COMPARE(StatusWhole(player), QStringLiteral("Bookmark of stage 1A kept."));
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(StatusWhole(player), QStringLiteral("Back at the bookmark of stage 1A."));
        QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));
        QVERIFY(paused->isVisible());
        QTest::keyClick(player, Qt::Key_M);
        QVERIFY2(check("mute").isEmpty(), qPrintable(check("mute")));
        QTest::keyClick(player, Qt::Key_M);
        QVERIFY2(check("sound").isEmpty(), qPrintable(check("sound")));
        QTest::keyClick(player, Qt::Key_P);
        QVERIFY(!player->isPaused());
        QVERIFY(!paused->isVisible());
        QVERIFY2(check("play on").isEmpty(), qPrintable(check("play on")));

        // At 1x a long message does not fit: it is cut with a sign, whole in its tool-tip,
        // and "Paused" stays in sight beside it.
        QTest::keyClick(player, Qt::Key_1, Qt::ControlModifier);
        QTest::keyClick(player, Qt::Key_P);
        const QString shot = s.dir.filePath(QStringLiteral("a screenshot with a name that takes room.png"));
        s.desktop.saveAnswers.enqueue(shot);
        QTest::keyClick(player, Qt::Key_F9);
        QTRY_VERIFY(StatusWhole(player).contains(shot));
        QVERIFY(StatusShown(player) != StatusWhole(player));
        QVERIFY2(StatusShown(player).endsWith(QChar(0x2026)), qPrintable(StatusShown(player)));
        QVERIFY2(check("narrow").isEmpty(), qPrintable(check("narrow")));
        QVERIFY(paused->isVisible() && paused->width() >= paused->sizeHint().width());
        QVERIFY(player->statusBar()->rect().contains(paused->geometry()));
        Controls(s.window).preferences().setPlayerScale(2);
    }

    // Bookmarks are the image file's own: another game.nes in another folder has none of
    // them; one kept by the file's name alone (as earlier versions did) is still used until
    // deleted; Player ▸ Delete Bookmark deletes after asking; only the user may read them.
    void bookmarksOfEachFile()
    {
        qputenv("KRELIN_CORE", TestCore("test_core").toLocal8Bit());
        PlayerSessionFixture s;
        QVERIFY(QDir(s.dir.path()).mkpath("other"));
        const QString other = s.dir.filePath("other/game.nes");
        QVERIFY(QFile::copy(s.romPath, other));
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1B));
        frmPlayer *player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(!player->picture().isNull(), Patience);
        player->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(player));
        QTest::keyClick(player, Qt::Key_B, Qt::ControlModifier);
        const QString kept = BookmarkPath(s.romPath, QStringLiteral("1B"));
        QTRY_VERIFY(QFile::exists(kept));
        QVERIFY(kept != BookmarkPath(other, QStringLiteral("1B")));
        const auto mode = [](const QString &path) {
            struct stat info{};
            return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
        };
        QCOMPARE(mode(kept), 0600);
        QCOMPARE(mode(BookmarkFolder()), 0700);
        QCOMPARE(mode(DefaultCoreFolders().save), 0700);
        QCOMPARE(mode(DefaultCoreFolders().system), 0700);
        player->close();
        QTRY_VERIFY(!s.player());

        // The other file of the same name starts from power-on.
        QVERIFY(s.window->OpenRom(other));
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1B));
        player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(StatusWhole(player).startsWith(QStringLiteral("Playing with")), Patience);
        player->close();
        QTRY_VERIFY(!s.player());

        // A bookmark kept by the name alone is used while the file has none of its own.
        const QString byName = NameOnlyBookmarkPath(other, QStringLiteral("1B"));
        QVERIFY(QFile::copy(kept, byName));
        player = s.pressF6();
        QTRY_VERIFY_WITH_TIMEOUT(StatusWhole(player).startsWith(QStringLiteral("Started at the bookmark of stage 1B.")), Patience);
        qunsetenv("KRELIN_CORE");

        // Deleted from the menu, after a question answered No, then Yes.
        const auto deleteFromTheMenu = [&] {
            player->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(player));
            QTest::keyClick(player, Qt::Key_P, Qt::AltModifier);
            QTRY_VERIFY(QApplication::activePopupWidget()
                        && QGuiApplication::focusWindow() == QApplication::activePopupWidget()->windowHandle());
            QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_D);
        };
        s.desktop.yesNoAnswers.enqueue(false);
        deleteFromTheMenu();
        QTRY_COMPARE(s.desktop.questions.size(), 1);
        QVERIFY2(s.desktop.questions.first().text.contains(byName), qPrintable(s.desktop.questions.first().text));
        QVERIFY(QFile::exists(byName));
        s.desktop.yesNoAnswers.enqueue(true);
        deleteFromTheMenu();
        QTRY_VERIFY(!QFile::exists(byName));
        QCOMPARE(StatusWhole(player), QStringLiteral("Bookmark of stage 1B deleted."));
        QVERIFY(QFile::exists(kept)); // the first file's own is its own
        deleteFromTheMenu();
        QTRY_COMPARE(StatusWhole(player), QStringLiteral("Stage 1B has no bookmark to delete."));
        QCOMPARE(s.desktop.questions.size(), 2);
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
