#include "PictureSurface.h"

#include "render/TilePainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

namespace krelin {

PictureSurface::PictureSurface(const QString &name, const QSize &size, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(name);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(BorderWidth);
    setFixedSize(size);
    setMouseTracking(true);
    picture = QImage(size - QSize(2 * BorderWidth, 2 * BorderWidth), QImage::Format_RGB32);
    picture.fill(ClearColor);
}

void PictureSurface::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), picture);
}

void PictureSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = event->position() - QPointF(contentsRect().topLeft());
    emit mouseMoved(p.x(), p.y());
}

void PictureSurface::mousePressEvent(QMouseEvent *)
{
    pressed = true;
}

void PictureSurface::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed && rect().contains(event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        pressed = false;
    if (click)
        emit clicked();
}

void PictureSurface::leaveEvent(QEvent *event)
{
    QFrame::leaveEvent(event);
    emit pointerLeft();
}

void PictureSurface::wheelEvent(QWheelEvent *event)
{
    // A notch is 120 eighths of a degree; touchpads send smaller turns, which add up.
    constexpr int Notch = QWheelEvent::DefaultDeltasPerStep;
    const QPoint angle = event->angleDelta();
    const int turn = std::abs(angle.y()) >= std::abs(angle.x()) ? -angle.y() : -angle.x();
    if (turn == 0) {
        event->ignore();
        return;
    }
    if ((turn > 0) != (wheelTurn > 0))
        wheelTurn = 0; // a change of direction starts afresh
    wheelTurn += turn;
    const int notches = wheelTurn / Notch;
    wheelTurn -= notches * Notch;
    event->accept();
    if (notches != 0)
        emit wheelTurned(notches);
}

} // namespace krelin
