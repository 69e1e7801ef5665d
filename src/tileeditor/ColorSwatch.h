#pragma once

#include <QFrame>

namespace krelin {

// A plain field of one colour that can carry a one-pixel single-line border; the
// border marks the chosen one among several. A click is a press and a release of any
// button on it.
class ColorSwatch : public QFrame
{
    Q_OBJECT

public:
    ColorSwatch(const QString &name, const QRect &geometry, QWidget *parent = nullptr);

    QRgb color() const { return fill; }
    void setColor(QRgb color);

    bool bordered() const { return frameStyle() != QFrame::NoFrame; }
    void setBordered(bool bordered);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRgb fill = 0xFF000000;
    bool pressed = false;
};

} // namespace krelin
