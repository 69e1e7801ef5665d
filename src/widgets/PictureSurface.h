#pragma once

#include <QFrame>
#include <QImage>

#include <optional>

namespace krelin {

// A picture surface: a frame around a persistent image. Drawing goes into image();
// Refresh() shows it. Pointer positions are reported in image pixels; a click is a press
// and a release of any button on the surface. The mouse wheel is reported in whole
// notches. A surface that takes the keyboard's focus shows it on its border.
class PictureSurface : public QFrame
{
    Q_OBJECT

public:
    // A two-pixel sunken frame, or a one-pixel single line.
    enum class Border { Sunken, SingleLine };

    // size is the whole control, border included; the image fills the rest.
    PictureSurface(const QString &name, const QSize &size, QWidget *parent = nullptr,
                   Border border = Border::Sunken);

    QImage &image() { return picture; }
    const QImage &image() const { return picture; }
    void Refresh() { update(); }

    static constexpr int BorderWidth = 2;

    // The image position of a pointer at position (widget coordinates), which lies at
    // windowPosition in the window. On a screen with more than one device pixel per
    // logical pixel the image is scaled up pixel for pixel, and the position is the whole
    // image pixel shown under the pointer.
    QPointF imagePosition(const QPointF &position, const QPointF &windowPosition) const;

    // The image position the pointer was last reported at, while it is over the surface;
    // nothing once it has left.
    std::optional<QPointF> pointerPosition() const { return pointer; }

signals:
    void mouseMoved(double x, double y);
    // Any button went down on the surface (a click needs its release too), with the
    // modifier keys held then.
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // A button went up; the surface holds the pointer from a press until every button is up.
    void mouseReleased(Qt::MouseButton button);
    void clicked();
    // The pointer left the surface.
    void pointerLeft();
    // The wheel turned by whole notches: positive towards the user (down) or to the
    // right, negative away from the user or to the left.
    void wheelTurned(int notches);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    QImage picture;
    std::optional<QPointF> pointer;
    bool pressed = false;
    int wheelTurn = 0; // eighths of a degree not yet reported as a notch
};

} // namespace krelin
