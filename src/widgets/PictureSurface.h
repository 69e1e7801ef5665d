#pragma once

#include <QFrame>
#include <QImage>

namespace krelin {

// A picture surface: a sunken frame around a persistent image. Drawing goes into
// image(); Refresh() shows it. Pointer positions are reported in image pixels; a click
// is a press and a release of any button on the surface.
class PictureSurface : public QFrame
{
    Q_OBJECT

public:
    // size is the whole control, border included.
    PictureSurface(const QString &name, const QSize &size, QWidget *parent = nullptr);

    QImage &image() { return picture; }
    const QImage &image() const { return picture; }
    void Refresh() { update(); }

    static constexpr int BorderWidth = 2;

    // The image position of a pointer at position (widget coordinates), which lies at
    // windowPosition in the window. On a screen with more than one device pixel per
    // logical pixel the image is scaled up pixel for pixel, and the position is the whole
    // image pixel shown under the pointer.
    QPointF imagePosition(const QPointF &position, const QPointF &windowPosition) const;

signals:
    void mouseMoved(double x, double y);
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QImage picture;
    bool pressed = false;
};

} // namespace krelin
