#include "ColorSwatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace krelin {

ColorSwatch::ColorSwatch(const QString &name, const QRect &geometry, QWidget *parent)
    : QFrame(parent)
{
    setObjectName(name);
    setGeometry(geometry);
    setLineWidth(1);
    setBordered(false);
}

void ColorSwatch::setColor(QRgb color)
{
    if (fill == color)
        return;
    fill = color;
    update();
}

void ColorSwatch::setBordered(bool bordered)
{
    setFrameStyle(bordered ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    // A pixel of the window's own colour inside the line keeps the border visible on a
    // swatch of the line's colour.
    const int margin = bordered ? 1 : 0;
    setContentsMargins(margin, margin, margin, margin);
    update();
}

void ColorSwatch::paintEvent(QPaintEvent *event)
{
    QPainter(this).fillRect(contentsRect(), QColor::fromRgb(fill));
    QFrame::paintEvent(event);
}

void ColorSwatch::mousePressEvent(QMouseEvent *)
{
    pressed = true;
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed && rect().contains(event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        pressed = false;
    if (click)
        emit clicked();
}

} // namespace krelin
