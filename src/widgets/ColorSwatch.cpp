#include "ColorSwatch.h"

#include <QMouseEvent>
#include <QPainter>

namespace krelin {

ColorSwatch::ColorSwatch(const QString &name, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setColor(QRgb color)
{
    if (fill == color)
        return;
    fill = color;
    update();
}

void ColorSwatch::setBordered(bool value)
{
    if (bordered == value)
        return;
    bordered = value;
    update();
}

QRgb ColorSwatch::borderColor() const
{
    const int luma = (299 * qRed(fill) + 587 * qGreen(fill) + 114 * qBlue(fill)) / 1000;
    return luma < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(fill));
    if (bordered) {
        painter.setPen(QColor::fromRgb(borderColor()));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
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
