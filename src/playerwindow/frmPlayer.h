#pragma once

#include "player/Joypad.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <array>

class QAction;
class QImage;
class QLabel;

namespace krelin {

class Desktop;
class FittedLabel;
class PlayerScreen;
class PlayerSession;
class PlayerSound;
class Preferences;
class modKrelin;
struct Stage;

// The player: the game running on the image as it is in memory, unsaved edits included,
// in a player process of its own. The window shows the core's picture at a whole-number
// scale, plays its sound, and runs sixty frames a second, paced by the sound device when
// there is sound and by the clock when there is none. Controller 1 is on the keyboard.
// Every change of the image reaches the running game (the game keeps its state), and the
// status line says so. Bookmarks keep the game's state for the stage shown in the editor.
// The keys reach the game whenever the picture has the focus, which it gets back as soon
// as a menu closes.
//
// The window only reads the model: nothing it does, and nothing the player process does,
// writes the image. When the process stops on its own the window keeps its last picture
// and announces why with stopped(); its owner tells the user.
class frmPlayer : public QMainWindow
{
    Q_OBJECT

public:
    frmPlayer(const modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *parent = nullptr);
    ~frmPlayer() override;

    // Starts a new game: a player process (program --player) with the core at corePath on
    // the image as it is now, at state when one is given (taken from the bookmark file
    // bookmark, which is named if the core refuses it).
    void play(const QString &program, const QString &corePath, const QByteArray &state = {},
              const QString &bookmark = {});
    // The player process runs.
    bool isPlaying() const;
    bool isPaused() const { return paused; }
    PlayerSession &session() { return *playerSession; }
    // The core's picture (at 1x), as the screen shows it.
    const QImage &picture() const;
    // Controller 1's buttons held now.
    JoypadButtons buttons() const { return held; }

    PlayerScreen *picPlayer;
    QAction *mnuPause;
    QAction *mnuFrameAdvance;
    QAction *mnuReset;
    QAction *mnuBookmark;
    QAction *mnuRestartAtBookmark;
    QAction *mnuDeleteBookmark;
    QAction *mnuScreenshot;
    QAction *mnuClosePlayer;
    std::array<QAction *, 4> mnuScale;
    QAction *mnuFullScreen;
    QAction *mnuMute;

    void mnuPause_Click();
    void mnuFrameAdvance_Click();
    void mnuReset_Click();
    void mnuBookmark_Click();
    void mnuRestartAtBookmark_Click();
    void mnuDeleteBookmark_Click();
    void mnuScreenshot_Click();
    void mnuScale_Click(int scale);
    void mnuFullScreen_Click();
    void mnuMute_Click();

signals:
    // The player process stopped on its own; reason follows "The player stopped: ".
    void stopped(const QString &reason);
    // The window was closed (and its player ended): it goes.
    void closed();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void connectPlayer();
    void connectBookmarks();
    void updateActions();
    void applyView();
    // Opens the sound unless muted; why there is none, when that is news.
    QString openSound();
    // The status line: text, cut with "…" where it does not fit (whole in its tool-tip), for
    // timeout milliseconds (0: until the next).
    void say(const QString &text, int timeout = 5000);
    // A menu closed: the keys go to the game again, not to the menu bar.
    void menuClosed();
    // The stage shown in the editor, or nothing after saying that a bookmark needs one.
    const Stage *stageForBookmark();

    // The frame clock: at most one request of frames is under way.
    void scheduleFrames();
    void runFrames();
    double framesDue() const;
    void framesRun(int count, const QByteArray &sound, const QRect &changed);

    const modKrelin &model;
    Desktop &desktop;
    Preferences &preferences;
    PlayerSession *playerSession;
    PlayerSound *sound;
    std::array<QAction *, 8> buttonActions{};
    FittedLabel *lblPlayerStatus;
    QLabel *lblPaused; // shown while paused, whatever the status line says
    QTimer statusTimer;
    QTimer frameTimer;
    QElapsedTimer clock;
    qint64 framesOnClock = 0; // frames run since the clock was started
    JoypadButtons held = 0;
    bool paused = false;
    QString startBookmark;   // the bookmark the game was started at
    QString startStage;      // the stage it was the bookmark of
    QString savingBookmark;  // a bookmark waiting for the game's state
    QString savingStage;     // its stage

    QString restoringBookmark; // a bookmark given to the game, waiting for its answer
    QString restoringStage;    // its stage
    QString soundProblem;      // why there is no sound, once said
};

} // namespace krelin
