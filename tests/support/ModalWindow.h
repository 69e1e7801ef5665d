#pragma once

// Driving a modal window (a message box, a dialog run with exec()) as a user does: the
// test's steps run once the window is up, inside its own event loop; whatever they do,
// the window is closed afterwards, so that a failing check never leaves the test waiting.

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace krelin::testing {

// Calls open() (which shows a modal window and returns once it is closed) and, while the
// window is up, act(window). Returns whether act ran: false when no modal window came up
// within a few seconds.
inline bool WithModalWindow(const std::function<void()> &open, const std::function<void(QWidget *)> &act)
{
    bool acted = false;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && waited.elapsed() < 5000)
            return;
        poll.stop();
        if (!modal)
            return;
        QPointer<QWidget> window(modal);
        // Keys go to the active window, as they do for the user.
        modal->activateWindow();
        static_cast<void>(QTest::qWaitFor([&] { return !window || QApplication::activeWindow() == window; }, 2000));
        acted = true;
        act(modal);
        if (auto *dialog = qobject_cast<QDialog *>(window.data()); dialog && dialog->isVisible())
            dialog->reject();
        else if (window && window->isVisible())
            window->close();
    });
    poll.start();
    open();
    poll.stop();
    return acted;
}

} // namespace krelin::testing
