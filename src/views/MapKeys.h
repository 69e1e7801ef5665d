#pragma once

#include "MapTools.h"
#include "TypedNumber.h"

class QKeyEvent;

namespace krelin {

// What the keys do on a view of the level map that has the keyboard's focus: the arrows
// move the cursor (Shift + arrows grow the selection), Enter or Space does what a click
// of the tool does there, the menu key or Shift+F10 picks the metatile under the cursor,
// and two hexadecimal digits select that metatile. Each view turns its key events into
// these calls to the tools; the window's keys (Ctrl+C, Escape ...) stay the window's.
class MapKeys
{
public:
    MapKeys(MapTools &tools, MapView view);

    // A key is about to reach the window's shortcuts: true when the view takes it.
    bool shortcutOverride(QKeyEvent *event);
    // A key reached the view: true when it was the view's.
    bool keyPressed(QKeyEvent *event);

private:
    MapTools &tools;
    MapView view;
    TypedNumber typed;
    MapTool toolBeforeDigit = MapTool::Place;
};

} // namespace krelin
