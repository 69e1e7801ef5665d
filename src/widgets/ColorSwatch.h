#pragma once

#include <QWidget>

namespace krelin {

// A field of one colour, one of several to choose from: the chosen one carries a border
// BorderWidth pixels wide inside its edge, black or white, whichever shows against the
// colour (a black line around a black swatch could not be seen). It may carry a short
// text (a colour code, a key) in its middle, drawn in the same contrasting colour. A
// click is a press and a release of any button on it. Callers place and size it.
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
    static constexpr int BorderWidth = 2;

    QString text() const { return caption; }
    void setText(const QString &text);

    // The keyboard's cursor: a white frame with a black one inside it, seen on any colour,
    // inside the border.
    bool hasCursor() const { return cursor; }
    void setCursorShown(bool shown);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QRgb fill = 0xFF000000;
    QString caption;
    bool bordered = false;
    bool cursor = false;
    bool pressed = false;
};

} // namespace krelin
