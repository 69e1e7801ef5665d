#include "PictureSurface.h"

#include "render/TilePainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

namespace krelin {

PictureSurface::PictureSurface(const QString &name, const QSize &size, QWidget *parent, Border border)
    : QFrame(parent)
{
    setObjectName(name);
    const int width = border == Border::Sunken ? BorderWidth : 1;
    setFrameStyle(border == Border::Sunken ? QFrame::Panel | QFrame::Sunken : QFrame::Box | QFrame::Plain);
    setLineWidth(width);
    setFixedSize(size);
    setMouseTracking(true);
    picture = QImage(size - QSize(2 * width, 2 * width), QImage::Format_RGB32);
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

void PictureSurface::mousePressEvent(QMouseEvent *event)
{
    pressed = true;
    emit mousePressed(event->button());
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
