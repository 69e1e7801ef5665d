#include "MapKeys.h"

#include <QKeyEvent>

namespace krelin {

MapKeys::MapKeys(MapTools &tools, MapView view)
    : tools(tools)
    , view(view)
{
}

bool MapKeys::shortcutOverride(QKeyEvent *event)
{
    const bool second = typed.shortcutOverride(event);
    if (!second && TypedNumber::digitOf(event) >= 0)
        toolBeforeDigit = tools.tool(); // a window key (B, F) may change it
    return second;
}

bool MapKeys::keyPressed(QKeyEvent *event)
{
    bool digit = false;
    if (const std::optional<int> n = typed.keyPressed(event, &digit)) {
        // B or F as the first digit chose a tool on its way: the number was meant.
        if (typed.firstDigitWasShortcut())
            tools.setTool(toolBeforeDigit);
        tools.chooseMetaTile(*n);
        return true;
    }
    if (digit)
        return true;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool shift = modifiers == Qt::ShiftModifier;
    if (modifiers != Qt::NoModifier && !shift)
        return false;
    switch (event->key()) {
    case Qt::Key_Left: tools.moveCursor(view, -1, 0, shift); return true;
    case Qt::Key_Right: tools.moveCursor(view, 1, 0, shift); return true;
    case Qt::Key_Up: tools.moveCursor(view, 0, -1, shift); return true;
    case Qt::Key_Down: tools.moveCursor(view, 0, 1, shift); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (shift)
            return false;
        tools.activate(view);
        return true;
    case Qt::Key_F10:
        if (!shift)
            return false;
        [[fallthrough]];
    case Qt::Key_Menu: tools.pick(tools.cell()); return true;
    default: return false;
    }
}

} // namespace krelin
