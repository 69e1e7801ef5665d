#include "frmPlayer.h"

#include "PlayerCommands.h"
#include "PlayerScreen.h"
#include "PlayerSound.h"
#include "core/Preferences.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "player/PlayerSession.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"
#include "widgets/FittedLabel.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include <cmath>

namespace krelin {

namespace {

// Frames behind (or ahead of) the clock beyond which it starts afresh rather than catch up.
constexpr double MostFramesBehind = 6;
// Frames run at once to catch up.
constexpr int MostFramesAtOnce = 4;

} // namespace

frmPlayer::frmPlayer(const modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *parent)
    : QMainWindow(parent, Qt::Tool)
    , model(model)
    , desktop(desktop)
    , preferences(preferences)
    , playerSession(new PlayerSession(model, this))
    , sound(new PlayerSound(this))
{
    setObjectName(QLatin1String(PlayerWindowName));
    setWindowIcon(AppIcon());
    setWindowTitle(QStringLiteral("Player"));
    picPlayer = new PlayerScreen(this);
    picPlayer->setPicture(&playerSession->connection().picture());
    // The controller's keys arrive through the picture, which holds the focus.
    picPlayer->setFocusPolicy(Qt::StrongFocus);
    setCentralWidget(picPlayer);
    picPlayer->setFocus();
    statusBar()->setObjectName(QStringLiteral("playerStatus"));
    statusBar()->setSizeGripEnabled(false);
    lblPlayerStatus = new FittedLabel(QStringLiteral("lblPlayerStatus"));
    statusBar()->addWidget(lblPlayerStatus, 1);
    lblPaused = new QLabel(QStringLiteral("Paused"));
    lblPaused->setObjectName(QStringLiteral("lblPaused"));
    statusBar()->addPermanentWidget(lblPaused);
    lblPaused->hide();
    statusTimer.setSingleShot(true);
    connect(&statusTimer, &QTimer::timeout, this, [this] { lblPlayerStatus->setTexts({}); });
    createMenus();
    frameTimer.setSingleShot(true);
    frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer, &QTimer::timeout, this, &frmPlayer::runFrames);
    connectPlayer();
    applyView();
    updateActions();
}

frmPlayer::~frmPlayer() = default;

const QImage &frmPlayer::picture() const
{
    return playerSession->connection().picture();
}

bool frmPlayer::isPlaying() const
{
    return playerSession->connection().isRunning();
}

void frmPlayer::createMenus()
{
    QMenu *player = menuBar()->addMenu(QStringLiteral("&Player"));
    player->setObjectName(QStringLiteral("mnuPlayer"));
    QMenu *view = menuBar()->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuPlayerView"));
    for (const PlayerCommand &c : PlayerCommands()) {
        QMenu *menu = qstrcmp(c.menu, "View") == 0 ? view : player;
        const QString name = QLatin1String(c.objectName);
        if (name == QLatin1String("mnuBookmark") || name == QLatin1String("mnuScreenshot")
            || name == QLatin1String("mnuClosePlayer") || name == QLatin1String("mnuFullScreen"))
            menu->addSeparator();
        QAction *action = menu->addAction(QString::fromUtf8(c.text));
        action->setObjectName(name);
        action->setShortcuts(c.keys);
        // Its keys work while the menu bar is hidden (full screen) too.
        addAction(action);
    }
    const auto named = [this](const char *name) { return findChild<QAction *>(QLatin1String(name)); };
    mnuPause = named("mnuPause");
    mnuFrameAdvance = named("mnuFrameAdvance");
    mnuReset = named("mnuReset");
    mnuBookmark = named("mnuBookmark");
    mnuRestartAtBookmark = named("mnuRestartAtBookmark");
    mnuDeleteBookmark = named("mnuDeleteBookmark");
    mnuScreenshot = named("mnuScreenshot");
    mnuClosePlayer = named("mnuClosePlayer");
    mnuFullScreen = named("mnuFullScreen");
    mnuMute = named("mnuMute");
    auto *scales = new QActionGroup(this);
    for (int i = 0; i < 4; ++i) {
        mnuScale[std::size_t(i)] = findChild<QAction *>(QStringLiteral("mnuScale(%1)").arg(i + 1));
        mnuScale[std::size_t(i)]->setCheckable(true);
        scales->addAction(mnuScale[std::size_t(i)]);
        connect(mnuScale[std::size_t(i)], &QAction::triggered, this, [this, i] { mnuScale_Click(i + 1); });
    }
    for (QAction *toggle : {mnuPause, mnuFullScreen, mnuMute})
        toggle->setCheckable(true);
    mnuMute->setChecked(preferences.playerMuted());
    mnuPause->setToolTip(QStringLiteral("Stop the game where it is; One Frame On then runs it a frame at a time"));
    mnuBookmark->setToolTip(QStringLiteral("Keep the game as it is now as the bookmark of the stage shown in the editor"));
    connect(mnuPause, &QAction::triggered, this, &frmPlayer::mnuPause_Click);
    connect(mnuFrameAdvance, &QAction::triggered, this, &frmPlayer::mnuFrameAdvance_Click);
    connect(mnuReset, &QAction::triggered, this, &frmPlayer::mnuReset_Click);
    connect(mnuBookmark, &QAction::triggered, this, &frmPlayer::mnuBookmark_Click);
    connect(mnuRestartAtBookmark, &QAction::triggered, this, &frmPlayer::mnuRestartAtBookmark_Click);
    connect(mnuDeleteBookmark, &QAction::triggered, this, &frmPlayer::mnuDeleteBookmark_Click);
    connect(mnuScreenshot, &QAction::triggered, this, &frmPlayer::mnuScreenshot_Click);
    connect(mnuClosePlayer, &QAction::triggered, this, &QWidget::close);
    connect(mnuFullScreen, &QAction::triggered, this, &frmPlayer::mnuFullScreen_Click);
    connect(mnuMute, &QAction::triggered, this, &frmPlayer::mnuMute_Click);
    for (QMenu *menu : {player, view})
        connect(menu, &QMenu::aboutToHide, this, &frmPlayer::menuClosed);

    // Controller 1: actions that only hold the keys (never on a widget, so they never fire);
    // the window reads them as keys go down and up.
    std::size_t i = 0;
    for (const PlayerButtonCommand &b : PlayerButtons()) {
        auto *action = new QAction(QString::fromUtf8(b.command.text), this);
        action->setObjectName(QLatin1String(b.command.objectName));
        action->setShortcuts(b.command.keys);
        buttonActions[i++] = action;
    }
}

void frmPlayer::connectPlayer()
{
    PlayerConnection &player = playerSession->connection();
    connect(&player, &PlayerConnection::started, this, [this](const QString &stateProblem) {
        const QString soundNote = openSound();
        if (!stateProblem.isEmpty() && !startBookmark.isEmpty())
            desktop.showMessage(this, windowTitle(),
                                QStringLiteral("The bookmark %1 was refused: %2 The game starts from power-on; the "
                                               "bookmark is left as it is.")
                                    .arg(QDir::toNativeSeparators(startBookmark), stateProblem),
                                Desktop::Icon::Warning);
        else if (!startBookmark.isEmpty())
            say(QStringLiteral("Started at the bookmark of stage %1. %2").arg(startStage, soundNote).trimmed());
        else
            say(QStringLiteral("Playing with %1. %2").arg(playerSession->connection().coreName(), soundNote).trimmed());
        updateActions();
        scheduleFrames();
    });
    connect(&player, &PlayerConnection::framesRun, this, &frmPlayer::framesRun);
    connect(&player, &PlayerConnection::stopped, this, [this](const QString &reason) {
        frameTimer.stop();
        sound->close();
        say(QStringLiteral("The player stopped: %1.").arg(reason), 0);
        updateActions();
        emit stopped(reason);
    });
    connect(playerSession, &PlayerSession::imageReloaded, this, [this](int changes, bool kept, const QString &message) {
        if (kept)
            say(changes == 1 ? QStringLiteral("Image reloaded (1 edit)") : QStringLiteral("Image reloaded (%1 edits)").arg(changes));
        else
            say(QStringLiteral("The image changed, and the game could not keep its state: it starts again. %1").arg(message),
                15000);
    });
    connect(&player, &PlayerConnection::resetDone, this, [this] { say(QStringLiteral("The game was reset.")); });
    connectBookmarks();
}

void frmPlayer::play(const QString &program, const QString &corePath, const QByteArray &state, const QString &bookmark)
{
    frameTimer.stop();
    sound->close();
    held = 0;
    startBookmark = state.isEmpty() ? QString() : bookmark;
    startStage = model.currentStage() ? QLatin1String(model.currentStage()->name) : QString();
    savingBookmark.clear();
    restoringBookmark.clear();
    const QString file = QFileInfo(model.RomFileName).fileName();
    setWindowTitle(file.isEmpty() ? QStringLiteral("Player") : QStringLiteral("Player – %1").arg(file));
    playerSession->start(program, corePath, state);
    say(QStringLiteral("Starting the game…"), 0);
    updateActions();
}

void frmPlayer::updateActions()
{
    const bool running = playerSession->connection().hasStarted();
    for (QAction *action : {mnuPause, mnuReset, mnuBookmark, mnuRestartAtBookmark})
        action->setEnabled(running);
    mnuFrameAdvance->setEnabled(running && paused);
    mnuScreenshot->setEnabled(!picture().isNull());
    mnuPause->setChecked(paused);
    lblPaused->setVisible(paused && running);
}

void frmPlayer::say(const QString &text, int timeout)
{
    lblPlayerStatus->setTexts({text});
    if (timeout > 0)
        statusTimer.start(timeout);
    else
        statusTimer.stop();
}

void frmPlayer::menuClosed()
{
    // After the menu's own work: it leaves the menu bar holding the keys (Alt+P, Escape),
    // and from one menu the arrows open the next, which keeps them.
    QTimer::singleShot(0, this, [this] {
        if (!QApplication::activePopupWidget())
            picPlayer->setFocus(Qt::PopupFocusReason);
    });
}

// ---- the frame clock -----------------------------------------------------------------------

double frmPlayer::framesDue() const
{
    return double(clock.nsecsElapsed()) * playerSession->connection().framesPerSecond() / 1e9 - double(framesOnClock);
}

void frmPlayer::scheduleFrames()
{
    const PlayerConnection &player = playerSession->connection();
    if (!player.hasStarted() || paused || player.awaits(MessageKind::Frames))
        return;
    if (sound->isOpen()) {
        // The sound device's steady pace: a frame whenever what is queued runs low.
        const int queued = sound->queued();
        frameTimer.start(std::max(0, queued - PlayerSound::LowWater));
        return;
    }
    double due = framesDue();
    if (!clock.isValid() || std::abs(due) > MostFramesBehind) {
        clock.start();
        framesOnClock = 0;
        due = 0;
    }
    frameTimer.start(due >= 1 ? 0 : int(std::ceil((1 - due) * 1000 / player.framesPerSecond())));
}

void frmPlayer::runFrames()
{
    PlayerConnection &player = playerSession->connection();
    if (!player.hasStarted() || paused || player.awaits(MessageKind::Frames))
        return;
    const int count = sound->isOpen() ? 1 : std::clamp(int(framesDue()), 1, MostFramesAtOnce);
    player.runFrames(count, held, sound->isOpen());
}

void frmPlayer::framesRun(int count, const QByteArray &samples, const QRect &changed)
{
    framesOnClock += count;
    picPlayer->showChanged(changed);
    sound->play(samples);
    if (!mnuScreenshot->isEnabled())
        updateActions();
    scheduleFrames();
}

QString frmPlayer::openSound()
{
    sound->close();
    if (preferences.playerMuted() || !playerSession->connection().hasStarted())
        return {};
    QString problem;
    // Said once: the next game meets the same sound device.
    if (sound->open(playerSession->connection().sampleRate(), &problem) || problem == std::exchange(soundProblem, problem))
        return {};
    return problem;
}

// ---- the commands --------------------------------------------------------------------------

void frmPlayer::mnuPause_Click()
{
    paused = !paused;
    if (paused) {
        frameTimer.stop();
        const auto keyOf = [](const QAction *action) {
            return action->shortcut().isEmpty() ? action->text().remove(QLatin1Char('&')) : KeyText(action->shortcut());
        };
        say(QStringLiteral("Paused: %1 runs one frame, %2 plays on.").arg(keyOf(mnuFrameAdvance), keyOf(mnuPause)), 0);
    } else {
        clock.invalidate();
        say(QStringLiteral("Playing."));
        scheduleFrames();
    }
    updateActions();
}

void frmPlayer::mnuFrameAdvance_Click()
{
    PlayerConnection &player = playerSession->connection();
    if (paused && player.hasStarted() && !player.awaits(MessageKind::Frames))
        player.runFrames(1, held, false);
}

void frmPlayer::mnuReset_Click()
{
    playerSession->connection().reset();
}

void frmPlayer::mnuScale_Click(int scale)
{
    preferences.setPlayerScale(scale);
    applyView();
}

void frmPlayer::mnuFullScreen_Click()
{
    preferences.setPlayerFullScreen(!preferences.playerFullScreen());
    applyView();
}

void frmPlayer::mnuMute_Click()
{
    preferences.setPlayerMuted(!preferences.playerMuted());
    mnuMute->setChecked(preferences.playerMuted());
    say(preferences.playerMuted() ? QStringLiteral("Muted.") : openSound());
    clock.invalidate();
    scheduleFrames();
}

void frmPlayer::applyView()
{
    const bool full = preferences.playerFullScreen();
    const int scale = preferences.playerScale();
    mnuScale[std::size_t(scale - 1)]->setChecked(true);
    mnuFullScreen->setChecked(full);
    picPlayer->setScale(scale);
    picPlayer->setFilling(full);
    menuBar()->setVisible(!full);
    statusBar()->setVisible(!full);
    layout()->setSizeConstraint(full ? QLayout::SetDefaultConstraint : QLayout::SetFixedSize);
    if (full) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        if (isVisible())
            showFullScreen();
        else
            setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        adjustSize();
    }
}

// ---- the keyboard --------------------------------------------------------------------------

namespace {

// The buttons whose keys include key (modifiers aside).
JoypadButtons ButtonsOfKey(const std::array<QAction *, 8> &actions, int key)
{
    JoypadButtons buttons = 0;
    std::size_t i = 0;
    for (const PlayerButtonCommand &b : PlayerButtons()) {
        for (const QKeySequence &sequence : actions[i]->shortcuts())
            if (!sequence.isEmpty() && sequence[0].key() == key)
                buttons |= ButtonBit(b.button);
        ++i;
    }
    return buttons;
}

} // namespace

void frmPlayer::keyPressEvent(QKeyEvent *event)
{
    if (const JoypadButtons buttons = ButtonsOfKey(buttonActions, event->key())) {
        held |= buttons;
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && preferences.playerFullScreen()) {
        mnuFullScreen_Click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void frmPlayer::keyReleaseEvent(QKeyEvent *event)
{
    if (const JoypadButtons buttons = ButtonsOfKey(buttonActions, event->key())) {
        if (!event->isAutoRepeat())
            held &= JoypadButtons(~buttons);
        event->accept();
        return;
    }
    QMainWindow::keyReleaseEvent(event);
}

void frmPlayer::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // A key let go in another window never reaches this one: nothing stays held.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        held = 0;
}

void frmPlayer::closeEvent(QCloseEvent *event)
{
    frameTimer.stop();
    sound->close();
    playerSession->connection().stop();
    event->accept();
    emit closed();
}

} // namespace krelin
