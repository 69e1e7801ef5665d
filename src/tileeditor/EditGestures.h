#pragma once

#include <QObject>

class QWidget;

namespace krelin {

// Numbers the user's gestures on the controls it watches: a press of a mouse button (an
// arrow held down, a thumb dragged), a key pressed (its repeats while held belong to it),
// a turn of the wheel. The changes made within one gesture are one step of history.
class EditGestures : public QObject
{
    Q_OBJECT

public:
    explicit EditGestures(QObject *parent = nullptr);

    // Watches control and the widgets inside it.
    void watch(QWidget *control);
    // The current gesture's number, never 0.
    int current() const { return serial; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int serial = 1;
};

} // namespace krelin
