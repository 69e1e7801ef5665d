#include "PlayerScreen.h"

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

void PlayerScreen::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect target = pictureRect();
    // Black around the picture (full screen), and in its place before the first frame.
    const QRegion around = QRegion(rect()).subtracted(picture && !picture->isNull() ? QRegion(target) : QRegion());
    for (const QRect &r : around)
        painter.fillRect(r, Qt::black);
    // Without smoothing, each pixel becomes a sharp square.
    if (picture && !picture->isNull())
        painter.drawImage(target, *picture);
}

} // namespace krelin
