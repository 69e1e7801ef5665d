#include "ColorSwatch.h"

#include "render/TilePainter.h"

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

void ColorSwatch::setCursorShown(bool shown)
{
    if (cursor == shown)
        return;
    cursor = shown;
    update();
}

void ColorSwatch::setText(const QString &text)
{
    if (caption == text)
        return;
    caption = text;
    update();
}

QRgb ColorSwatch::borderColor() const
{
    return ContrastingColor(fill);
}

void ColorSwatch::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(fill));
    const QColor contrast = QColor::fromRgb(borderColor());
    if (bordered) {
        const QRect r = rect();
        painter.fillRect(QRect(r.left(), r.top(), r.width(), BorderWidth), contrast);
        painter.fillRect(QRect(r.left(), r.bottom() - BorderWidth + 1, r.width(), BorderWidth), contrast);
        painter.fillRect(QRect(r.left(), r.top(), BorderWidth, r.height()), contrast);
        painter.fillRect(QRect(r.right() - BorderWidth + 1, r.top(), BorderWidth, r.height()), contrast);
    }
    if (cursor) {
        const QRect inner = rect().adjusted(BorderWidth, BorderWidth, -BorderWidth - 1, -BorderWidth - 1);
        painter.setPen(Qt::white);
        painter.drawRect(inner);
        painter.setPen(Qt::black);
        painter.drawRect(inner.adjusted(1, 1, -1, -1));
    }
    if (!caption.isEmpty()) {
        painter.setPen(contrast);
        painter.drawText(rect(), Qt::AlignCenter, caption);
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
