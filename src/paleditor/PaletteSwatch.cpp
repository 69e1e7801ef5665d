#include "PaletteSwatch.h"

#include "render/TilePainter.h"

#include <QMouseEvent>
#include <QPainter>

namespace krelin {

PaletteSwatch::PaletteSwatch(const QString &name, int side, QWidget *parent)
    : QWidget(parent)
{
    setObjectName(name);
    setFixedSize(side, side);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PaletteSwatch::setColor(std::int32_t color)
{
    const QRgb rgb = ToQRgb(color);
    if (rgb == fill)
        return;
    fill = rgb;
    update();
}

void PaletteSwatch::setBordered(bool value)
{
    if (bordered == value)
        return;
    bordered = value;
    update();
}

QRgb PaletteSwatch::borderColor() const
{
    const int luma = (299 * qRed(fill) + 587 * qGreen(fill) + 114 * qBlue(fill)) / 1000;
    return luma < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

void PaletteSwatch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(fill));
    if (bordered) {
        painter.setPen(QColor::fromRgb(borderColor()));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PaletteSwatch::mousePressEvent(QMouseEvent *)
{
    pressed = true;
}

void PaletteSwatch::mouseReleaseEvent(QMouseEvent *event)
{
    const bool click = pressed && rect().contains(event->position().toPoint());
    if (event->buttons() == Qt::NoButton)
        pressed = false;
    if (click)
        emit clicked();
}

} // namespace krelin
