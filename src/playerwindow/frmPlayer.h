#pragma once

#include "player/Joypad.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>

#include <array>

class QAction;
class QImage;

namespace krelin {

class Desktop;
class PlayerScreen;
class PlayerSession;
class PlayerSound;
class Preferences;
class modKrelin;

// The player: the game running on the image as it is in memory, unsaved edits included,
// in a player process of its own. The window shows the core's picture at a whole-number
// scale, plays its sound, and runs sixty frames a second, paced by the sound device when
// there is sound and by the clock when there is none. Controller 1 is on the keyboard.
// Every change of the image reaches the running game (the game keeps its state), and the
// status line says so. Bookmarks keep the game's state for the stage shown in the editor.
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
    void say(const QString &text, int timeout = 5000);
    // The bookmark of the stage shown in the editor, or empty after saying why there is none.
    QString bookmarkOfStage();

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
    QTimer frameTimer;
    QElapsedTimer clock;
    qint64 framesOnClock = 0; // frames run since the clock was started
    JoypadButtons held = 0;
    bool paused = false;
    QString startBookmark;   // the bookmark the game was started at
    QString savingBookmark;  // a bookmark waiting for the game's state
    QString restoringBookmark; // a bookmark given to the game, waiting for its answer
    QString soundProblem;      // why there is no sound, once said
};

} // namespace krelin
