#include "ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace krelin {

namespace {

const QColor Ink(0x20, 0x18, 0x10);
const QColor Brick(0xC8, 0x5C, 0x24);
const QColor Grass(0x30, 0xA0, 0x38);
const QColor Sky(0x58, 0x98, 0xF8);
const QColor Paper(0xF4, 0xEC, 0xD8);
const QColor Steel(0x88, 0x90, 0x98);

// A metatile: a brick block with a grass top, as in the program's icon.
void block(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(Ink, 1));
    p.setBrush(Brick);
    p.drawRect(r);
    p.fillRect(QRectF(r.left() + 0.5, r.top() + 0.5, r.width() - 0.5, r.height() / 3), Grass);
}

void draw(QPainter &p, ToolIconKind kind)
{
    p.setRenderHint(QPainter::Antialiasing, true);
    switch (kind) {
    case ToolIconKind::Place: {
        block(p, QRectF(10.5, 12.5, 11, 9));
        QPainterPath arrow;
        arrow.moveTo(3, 2);
        arrow.lineTo(3, 15);
        arrow.lineTo(6.5, 11.5);
        arrow.lineTo(9, 17);
        arrow.lineTo(11, 16);
        arrow.lineTo(8.5, 10.5);
        arrow.lineTo(13, 10.5);
        arrow.closeSubpath();
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(Qt::white);
        p.drawPath(arrow);
        break;
    }
    case ToolIconKind::Paint: {
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(0xB0, 0x80, 0x50));
        p.save();
        p.translate(12, 12);
        p.rotate(45);
        p.drawRoundedRect(QRectF(-2.2, -11, 4.4, 12), 1.5, 1.5); // the handle
        p.setBrush(Steel);
        p.drawRect(QRectF(-3, 1, 6, 3)); // the ferrule
        p.setBrush(Grass);
        QPainterPath tip;
        tip.moveTo(-3, 4);
        tip.lineTo(3, 4);
        tip.quadTo(2, 9, 0, 11);
        tip.quadTo(-2, 9, -3, 4);
        p.drawPath(tip);
        p.restore();
        p.fillRect(QRectF(2, 19, 10, 3), Grass);
        break;
    }
    case ToolIconKind::Fill: {
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(Steel);
        QPainterPath bucket;
        bucket.moveTo(4, 8);
        bucket.lineTo(14, 4);
        bucket.lineTo(18, 13);
        bucket.lineTo(9, 18);
        bucket.closeSubpath();
        p.drawPath(bucket);
        p.setBrush(Sky);
        p.drawEllipse(QRectF(16, 13, 5, 8)); // what pours out
        p.fillRect(QRectF(2, 20, 20, 2.5), Sky);
        break;
    }
    case ToolIconKind::Select: {
        p.setRenderHint(QPainter::Antialiasing, false);
        QPen dashed(Ink, 2, Qt::DashLine);
        p.setPen(dashed);
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(3, 3, 17, 17));
        p.fillRect(QRect(8, 8, 8, 8), QColor(0x00, 0xE8, 0xFF));
        break;
    }
    case ToolIconKind::Copy:
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(Paper);
        p.drawRect(QRectF(3.5, 3.5, 11, 13));
        p.drawRect(QRectF(9.5, 7.5, 11, 13));
        block(p, QRectF(12.5, 12.5, 5, 5));
        break;
    case ToolIconKind::Paste:
        p.setPen(QPen(Ink, 1.2));
        p.setBrush(QColor(0xB0, 0x80, 0x50));
        p.drawRoundedRect(QRectF(4.5, 4.5, 15, 17), 2, 2);
        p.setBrush(Paper);
        p.drawRect(QRectF(7.5, 7.5, 9, 11));
        p.setBrush(Steel);
        p.drawRoundedRect(QRectF(8.5, 2.5, 7, 4), 1, 1);
        block(p, QRectF(9.5, 11.5, 5, 5));
        break;
    case ToolIconKind::Replace: {
        block(p, QRectF(2.5, 2.5, 8, 8));
        p.setPen(QPen(Ink, 1));
        p.setBrush(Sky);
        p.drawRect(QRectF(13.5, 13.5, 8, 8));
        p.setPen(QPen(Ink, 1.6));
        p.drawLine(QPointF(9, 14), QPointF(15, 8));
        p.drawLine(QPointF(15, 8), QPointF(11, 8));
        p.drawLine(QPointF(15, 8), QPointF(15, 12));
        break;
    }
    case ToolIconKind::Overview:
        p.setPen(QPen(Ink, 1));
        p.setBrush(Ink);
        p.drawRect(QRectF(1.5, 6.5, 21, 11));
        for (int i = 0; i < 3; ++i) {
            p.fillRect(QRectF(3 + 6.5 * i, 8, 5.5, 8), Sky);
            p.fillRect(QRectF(3 + 6.5 * i, 13, 5.5, 3), Grass);
        }
        p.setPen(QPen(Qt::white, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(9, 7.5, 6.5, 9)); // the frame shown
        break;
    }
}

} // namespace

QImage ToolIconImage(ToolIconKind kind, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.scale(size / 24.0, size / 24.0);
    draw(p, kind);
    return image;
}

QIcon ToolIcon(ToolIconKind kind)
{
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(ToolIconImage(kind, size)));
    return icon;
}

} // namespace krelin
