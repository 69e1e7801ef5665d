#include "PictureSurface.h"

#include "render/TilePainter.h"

#include <QMouseEvent>
#include <QPainter>

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

} // namespace krelin
