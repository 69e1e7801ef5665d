#pragma once

#include <QKeyEvent>

namespace krelin {

// What a key asks of a view's keyboard cursor: a step of (dx, dy) cells (with Shift, to
// grow a selection or a block), to act on the cell (Enter, Space: what a click does
// there), or to pick from it (the menu key, Shift+F10). Nothing for other keys, or with
// Ctrl or Alt held: those are the window's.
struct CursorKey
{
    enum class Kind { None, Step, Act, Pick };
    Kind kind = Kind::None;
    int dx = 0, dy = 0;
    bool extend = false;

    static CursorKey read(const QKeyEvent *event)
    {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const bool shift = modifiers == Qt::ShiftModifier;
        if (modifiers != Qt::NoModifier && !shift)
            return {};
        switch (event->key()) {
        case Qt::Key_Left: return {Kind::Step, -1, 0, shift};
        case Qt::Key_Right: return {Kind::Step, 1, 0, shift};
        case Qt::Key_Up: return {Kind::Step, 0, -1, shift};
        case Qt::Key_Down: return {Kind::Step, 0, 1, shift};
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: return shift ? CursorKey{} : CursorKey{Kind::Act};
        case Qt::Key_F10: return shift ? CursorKey{Kind::Pick} : CursorKey{};
        case Qt::Key_Menu: return shift ? CursorKey{} : CursorKey{Kind::Pick};
        default: return {};
        }
    }
};

} // namespace krelin
