#include "LeavingNotice.h"

#include "core/Preferences.h"
#include "core/Version.h"
#include "widgets/Desktop.h"

#include <QApplication>
#include <QDialog>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace krelin {

namespace {

const QString NoticeText = QStringLiteral("Editor Must Refresh!");
const QString DontAskText = QStringLiteral("Don't ask again");

// Drop-down lists, menus and tips belong to the window they drop from.
bool isTransient(Qt::WindowType type)
{
    return type == Qt::Popup || type == Qt::ToolTip || type == Qt::SplashScreen;
}

QWidget *widgetOf(QWindow *window)
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->windowHandle() == window)
            return w;
    return nullptr;
}

} // namespace

LeavingNotice::LeavingNotice(QWidget *window, Desktop &desktop, Preferences *preferences)
    : QObject(window)
    , window(window)
    , desktop(desktop)
    , preferences(preferences)
{
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &LeavingNotice::activeWindowChanged);
    // Sees the button releases and the windows about to be shown, in the whole program.
    qApp->installEventFilter(this);
}

bool LeavingNotice::noticeWanted() const
{
    return !preferences || preferences->tileEditorNotice();
}

void LeavingNotice::activeWindowChanged(QWindow *now)
{
    // Another application came to the front: the program's active window stays as it
    // was, and coming back to this window is no change. While a notice is up (closing
    // shows one too), the activations it causes start no further notice.
    if (!now || underWay || closed || QCoreApplication::closingDown() || isTransient(now->type()))
        return;
    if (settleTarget) {
        if (!holdUntilTimeout && now == settleTarget->windowHandle())
            settled();
        return;
    }
    if (now == window->windowHandle()) {
        if (!active) {
            active = true;
            emit editingStarted();
        }
        return;
    }
    if (!active)
        return;
    active = false;
    destination = widgetOf(now);
    // The notice waits until the activation has been handled in full; until it has been
    // dismissed, the windows it activates itself start no further notice.
    underWay = true;
    noticeOwed = true;
    QMetaObject::invokeMethod(this, &LeavingNotice::leave, Qt::QueuedConnection);
}

void LeavingNotice::leave()
{
    if (closed || !noticeOwed)
        return;
    if (!noticeWanted()) {
        noticeOwed = false;
        underWay = false;
        emit refreshWanted();
        return;
    }
    // The click that left the window goes to the window clicked first, and a menu it
    // opened stays open until the user is done with it.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) {
        waitingForRelease = true;
        return;
    }
    if (QApplication::activePopupWidget()) {
        QTimer::singleShot(PopupPollMilliseconds, this, &LeavingNotice::leave);
        return;
    }
    const QPointer<QWidget> to = destination;
    giveNotice(to && to->isVisible() ? to.data() : window);
    // The user goes on where they went.
    if (to && to->isVisible() && !closed)
        settleOn(to, true);
}

void LeavingNotice::giveNotice(QWidget *over)
{
    noticeOwed = false;
    waitingForRelease = false;
    underWay = true;
    showNotice(over);
    underWay = false;
    emit refreshWanted();
}

void LeavingNotice::settleOn(QWidget *target, bool activate)
{
    settleTarget = target;
    if (activate) {
        target->raise();
        target->activateWindow();
    }
    if (target->windowHandle() && QGuiApplication::focusWindow() == target->windowHandle()) {
        settled();
        return;
    }
    const int round = ++settleRound;
    QTimer::singleShot(SettleMilliseconds, this, [this, round] {
        if (round == settleRound && settleTarget)
            settled();
    });
}

void LeavingNotice::awaitActivationOf(QWidget *target)
{
    if (underWay || closed)
        return;
    active = false;
    settleTarget = target;
    // Windows shown again may each take the activation in turn, the target among them:
    // the whole while is the program's.
    holdUntilTimeout = true;
    const int round = ++settleRound;
    QTimer::singleShot(SettleMilliseconds, this, [this, round] {
        if (round == settleRound && settleTarget)
            settled();
    });
}

void LeavingNotice::settled()
{
    settleTarget = nullptr;
    holdUntilTimeout = false;
    ++settleRound;
    // Back in this window after all (the other one went away): the user works here.
    if (!active && !closed && QGuiApplication::focusWindow() == window->windowHandle()) {
        active = true;
        emit editingStarted();
    }
}

bool LeavingNotice::closing()
{
    if (closed)
        return false;
    closed = true;
    underWay = true;
    if (noticeWanted())
        showNotice(window);
    emit refreshWanted();
    return true;
}

void LeavingNotice::showNotice(QWidget *over)
{
    if (!preferences) {
        desktop.showMessage(over, ShortCaption(), NoticeText, Desktop::Icon::None);
        return;
    }
    bool dontAsk = false;
    desktop.showMessageWithCheck(over, ShortCaption(), NoticeText, DontAskText, &dontAsk);
    if (dontAsk)
        preferences->setTileEditorNotice(false);
}

bool LeavingNotice::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease && waitingForRelease
        && static_cast<QMouseEvent *>(event)->buttons() == Qt::NoButton) {
        // After the release has reached the window clicked.
        waitingForRelease = false;
        QMetaObject::invokeMethod(this, &LeavingNotice::leave, Qt::QueuedConnection);
    } else if (type == QEvent::Show && !closed && watched != window && watched->isWidgetType()
               && ((active && !underWay) || noticeOwed)) {
        // A dialog about to appear while the user works here (opened by a shortcut), or
        // before the notice owed for leaving (from a menu of the window the user went to):
        // the notice comes first, and the dialog then takes the activation.
        auto *shown = qobject_cast<QDialog *>(watched);
        if (shown && shown->isWindow() && noticeWanted()) {
            active = false;
            const QPointer<QWidget> to = destination;
            giveNotice(noticeOwed && to && to->isVisible() ? to.data() : window);
            settleOn(shown, false);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace krelin
