#pragma once

#include <QWidget>

namespace krelin {

// A field of one colour, one of several to choose from: the chosen one carries a
// one-pixel single-line border, black or white, whichever shows against the colour (a
// black line around a black swatch could not be seen). A click is a press and a release
// of any button on it. Callers place and size it.
class ColorSwatch : public QWidget
{
    Q_OBJECT

public:
    explicit ColorSwatch(const QString &name, QWidget *parent = nullptr);

    QRgb color() const { return fill; }
    void setColor(QRgb color);

    bool isBordered() const { return bordered; }
    void setBordered(bool bordered);
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
