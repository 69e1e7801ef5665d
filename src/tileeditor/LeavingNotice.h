#pragma once

#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

namespace krelin {

class Desktop;
class Preferences;

// How a tool window tells the main window of its use: editingStarted() when it becomes
// the program's active window, and refreshWanted() when the user leaves it for another
// window of the program, or closes it, after the notice "Editor Must Refresh!" (unless
// the preferences turned the notice off). Leaving for another application is no leaving.
//
// The notice never gets in the user's way more than once per leaving:
// - it waits until the mouse buttons are up and no menu is open, so the click that left
//   the window reaches the window clicked; once it is dismissed, that window gets the
//   activation back;
// - a dialog that is about to appear while the user works in the tool window (opened by
//   a shortcut), or while the notice is still owed (chosen from a menu), gets the notice
//   before it shows, never on top of it;
// - the activations the notice causes, and those on the way back to the window the user
//   went to, start no further notice.
class LeavingNotice : public QObject
{
    Q_OBJECT

public:
    // preferences may be null: the notice is then always shown, without its check box.
    LeavingNotice(QWidget *window, Desktop &desktop, Preferences *preferences);

    // The program's active window became now; nullptr when another application became
    // active.
    void activeWindowChanged(QWindow *now);
    // The window is being closed: the notice, once, and the refresh. False when a close is
    // already under way (the first request closes).
    bool closing();

    // The program is about to move the activation about (windows coming back with the
    // main window): the activations until target has it are not the user's.
    void awaitActivationOf(QWidget *target);

    // How long the activations after a notice are taken as the way back to the window the
    // user went to, at most.
    static constexpr int SettleMilliseconds = 1000;
    // How often a notice waiting for an open menu looks again.
    static constexpr int PopupPollMilliseconds = 50;

signals:
    void editingStarted();
    void refreshWanted();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool noticeWanted() const;
    // Shows the notice over the given window; a tick in "Don't ask again" turns it off.
    void showNotice(QWidget *over);
    // The user left for destination: the notice (once the buttons are up and no menu is
    // open), the refresh, and the activation back to destination.
    void leave();
    // The notice over the given window, then the refresh.
    void giveNotice(QWidget *over);
    // Activations are the way back to target until it has the activation (given it now
    // with activate).
    void settleOn(QWidget *target, bool activate);
    void settled();

    QWidget *window;
    Desktop &desktop;
    Preferences *preferences;
    bool active = false;           // the user works in the window
    bool underWay = false;         // a notice is pending or shown
    bool noticeOwed = false;        // the user left; the notice has not been shown yet
    bool waitingForRelease = false; // the notice waits for the mouse buttons to go up
    bool closed = false;
    QPointer<QWidget> destination; // the window the user went to
    QPointer<QWidget> settleTarget; // while set, activations go back to it
    bool holdUntilTimeout = false;  // ... and it having the activation does not end that
    int settleRound = 0;
};

} // namespace krelin
