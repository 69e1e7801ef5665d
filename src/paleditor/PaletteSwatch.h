#pragma once

#include <QWidget>

#include <cstdint>

namespace krelin {

// One colour swatch of the palette editor: a square filled with one colour, with a
// single-line border while it is the selected one. A click is a press and a release of
// any button on it.
class PaletteSwatch : public QWidget
{
    Q_OBJECT

public:
    PaletteSwatch(const QString &name, int side, QWidget *parent = nullptr);

    // A colour value as the model keeps it: red + 256 green + 65536 blue.
    void setColor(std::int32_t color);
    QRgb color() const { return fill; }

    void setBordered(bool bordered);
    bool isBordered() const { return bordered; }

    // The border's colour: black, or white on a dark swatch, so that the selection shows
    // on every colour (a black line around a black swatch would not).
    QRgb borderColor() const;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRgb fill = 0xFF000000;
    bool bordered = false;
    bool pressed = false;
};

} // namespace krelin
