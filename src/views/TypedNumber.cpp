#include "TypedNumber.h"

#include <QKeyEvent>

namespace krelin {

int TypedNumber::digitOf(const QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier))
        return -1;
    const int key = event->key();
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key - Qt::Key_0;
    if (key >= Qt::Key_A && key <= Qt::Key_F)
        return 10 + key - Qt::Key_A;
    return -1;
}

bool TypedNumber::pending() const
{
    return first && typed.isValid() && typed.elapsed() < WaitMs;
}

void TypedNumber::forget()
{
    first.reset();
    viaShortcut = false;
    pressExpected = false;
}

bool TypedNumber::shortcutOverride(const QKeyEvent *event)
{
    const int digit = digitOf(event);
    if (digit < 0 || event->isAutoRepeat())
        return false;
    if (pending()) {
        // The second digit: the view's, not the window's. (Had the first one's own press
        // been coming, it would have come before this key.)
        pressExpected = false;
        return true;
    }
    // A first digit: noted now, for the window's key may take it.
    first = digit;
    typed.start();
    viaShortcut = true;
    pressExpected = true;
    return false;
}

std::optional<int> TypedNumber::keyPressed(const QKeyEvent *event, bool *digit)
{
    const int value = digitOf(event);
    *digit = value >= 0;
    if (value < 0) {
        if (event->key() != Qt::Key_Shift)
            forget();
        return std::nullopt;
    }
    if (pressExpected && first == value) {
        // The first digit's own press: no window key took it.
        pressExpected = false;
        viaShortcut = false;
        return std::nullopt;
    }
    if (pending()) {
        const int n = 16 * *first + value;
        first.reset();
        pressExpected = false;
        return n;
    }
    first = value;
    typed.start();
    viaShortcut = false;
    pressExpected = false;
    return std::nullopt;
}

} // namespace krelin
