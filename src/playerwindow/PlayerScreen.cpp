#include "PlayerScreen.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>

namespace krelin {

PlayerScreen::PlayerScreen(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("picPlayer"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    fitSize();
}

void PlayerScreen::setPicture(const QImage *shown)
{
    picture = shown;
    fitSize();
    update();
}

void PlayerScreen::showChanged(const QRect &changed)
{
    if (changed.isEmpty())
        return;
    if (!filling && size() != pictureSize() * windowScale) { // the first picture, or one of another size
        fitSize();
        update();
        return;
    }
    const int scale = shownScale();
    update(QRect(pictureRect().topLeft() + changed.topLeft() * scale, changed.size() * scale));
}

void PlayerScreen::setScale(int scale)
{
    windowScale = std::clamp(scale, MinScale, MaxScale);
    fitSize();
    update();
}

void PlayerScreen::setFilling(bool fill)
{
    filling = fill;
    fitSize();
    update();
}

QSize PlayerScreen::pictureSize() const
{
    return picture && !picture->isNull() ? picture->size() : ConsoleSize;
}

void PlayerScreen::fitSize()
{
    if (filling) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(pictureSize() * windowScale);
    }
}

int PlayerScreen::shownScale() const
{
    if (!filling)
        return windowScale;
    const QSize size = pictureSize();
    return std::max(1, std::min(width() / size.width(), height() / size.height()));
}

QRect PlayerScreen::pictureRect() const
{
    const QSize size = pictureSize() * shownScale();
    return QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
}

void PlayerScreen::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect target = pictureRect();
    const bool shown = picture && !picture->isNull();
    // Black around the picture (full screen), and in its place before the first frame.
    for (const QRect &r : QRegion(event->rect()).subtracted(shown ? QRegion(target) : QRegion()))
        painter.fillRect(r, Qt::black);
    const QRect dirty = event->rect() & target;
    if (!shown || dirty.isEmpty())
        return;
    // Only the picture's pixels under the part to repaint, each a sharp square (no smoothing).
    const int scale = shownScale();
    const QRect from(QPoint((dirty.left() - target.left()) / scale, (dirty.top() - target.top()) / scale),
                     QPoint((dirty.right() - target.left()) / scale, (dirty.bottom() - target.top()) / scale));
    painter.drawImage(QRect(target.topLeft() + from.topLeft() * scale, from.size() * scale), *picture, from);
}

} // namespace krelin
