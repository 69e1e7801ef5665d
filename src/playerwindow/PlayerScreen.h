#pragma once

#include <QImage>
#include <QWidget>

namespace krelin {

// The core's picture on the screen: every pixel a square of whole-number size, sharp (no
// smoothing), the picture centred on black. Windowed it is the picture at the scale
// chosen; full screen, at the largest whole scale that fits. It paints the picture it is
// pointed at, which its owner keeps up to date.
class PlayerScreen : public QWidget
{
    Q_OBJECT

public:
    static constexpr int MinScale = 1;
    static constexpr int MaxScale = 4;
    // The console's picture, for the size before the first frame.
    static constexpr QSize ConsoleSize{256, 240};

    explicit PlayerScreen(QWidget *parent = nullptr);

    void setPicture(const QImage *picture);
    // Repaints the part of the picture that changed (in the picture's pixels), no more.
    void showChanged(const QRect &changed);
    // The scale of the windowed picture; the widget takes that size.
    void setScale(int scale);
    int scale() const { return windowScale; }
    // Full screen: the widget may be any size, the picture as large as fits.
    void setFilling(bool filling);
    // The whole-number scale the picture is shown at now, and where.
    int shownScale() const;
    QRect pictureRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QSize pictureSize() const;
    void fitSize();

    const QImage *picture = nullptr;
    int windowScale = 2;
    bool filling = false;
};

} // namespace krelin
