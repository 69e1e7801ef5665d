#include "MapKeys.h"

#include "CursorKey.h"

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
    const CursorKey key = CursorKey::read(event);
    switch (key.kind) {
    case CursorKey::Kind::Step: tools.moveCursor(view, key.dx, key.dy, key.extend); return true;
    case CursorKey::Kind::Act: tools.activate(view); return true;
    case CursorKey::Kind::Pick: tools.pick(tools.cell()); return true;
    case CursorKey::Kind::None: break;
    }
    return false;
}

} // namespace krelin
