#include "PictureSurface.h"

#include "render/TilePainter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

#include <cmath>

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
    // Above a device pixel ratio of 1 each image pixel covers several screen pixels; they
    // take its colour as it is, never a blend with its neighbours, so tiles stay sharp.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(contentsRect().topLeft(), picture);
    // A surface that has the keyboard's focus shows it on its border.
    if (hasFocus()) {
        const QColor highlight = palette().color(QPalette::Highlight);
        const QRect r = rect();
        const int width = std::max(1, frameWidth());
        painter.fillRect(r.left(), r.top(), r.width(), width, highlight);
        painter.fillRect(r.left(), r.bottom() - width + 1, r.width(), width, highlight);
        painter.fillRect(r.left(), r.top(), width, r.height(), highlight);
        painter.fillRect(r.right() - width + 1, r.top(), width, r.height(), highlight);
    }
}

void PictureSurface::focusInEvent(QFocusEvent *event)
{
    QFrame::focusInEvent(event);
    update();
}

void PictureSurface::focusOutEvent(QFocusEvent *event)
{
    QFrame::focusOutEvent(event);
    update();
}

QPointF PictureSurface::imagePosition(const QPointF &position, const QPointF &windowPosition) const
{
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1.0)
        return position - QPointF(contentsRect().topLeft());
    // The screen pixel under the pointer, counted from the window's corner (the pointer's
    // logical position is that pixel divided by the ratio, up to rounding), and the image
    // pixel that the scaled drawing paints on it: the one under the screen pixel's centre,
    // a centre that falls exactly on an image pixel's edge counting to the pixel before,
    // as Qt samples when it scales an image without smoothing.
    const QPointF origin = mapTo(window(), contentsRect().topLeft());
    auto pixel = [ratio](qreal windowCoordinate, qreal imageOrigin) {
        const qreal screenPixel = std::floor(windowCoordinate * ratio + 1e-4);
        return std::ceil((screenPixel + 0.5) / ratio - imageOrigin - 1e-6) - 1;
    };
    return {pixel(windowPosition.x(), origin.x()), pixel(windowPosition.y(), origin.y())};
}

void PictureSurface::mouseMoveEvent(QMouseEvent *event)
{
    const QPointF p = imagePosition(event->position(), event->scenePosition());
    pointer = p;
    emit mouseMoved(p.x(), p.y());
}

void PictureSurface::mousePressEvent(QMouseEvent *event)
{
    pressed = true;
    emit mousePressed(event->button(), event->modifiers());
}

void PictureSurface::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed && rect().contains(event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        pressed = false;
    emit mouseReleased(event->button());
    if (click)
        emit clicked();
}

void PictureSurface::leaveEvent(QEvent *event)
{
    QFrame::leaveEvent(event);
    pointer.reset();
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
