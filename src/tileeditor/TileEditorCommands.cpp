#include "TileEditorCommands.h"

#include <array>

namespace krelin {

std::span<const TileEditorCommand> TileEditorCommands()
{
    static const std::array<TileEditorCommand, 10> list{{
        {"mnuCopyTile", "&Copy Tile", "Edit", QKeySequence::Copy},
        {"mnuPasteTile", "&Paste Tile", "Edit", QKeySequence::Paste},
        {"mnuFlipHorizontally", "Flip &Horizontally", "Edit", Qt::Key_H},
        {"mnuFlipVertically", "Flip &Vertically", "Edit", Qt::Key_V},
        {"mnuRotate", "&Rotate a Quarter Turn", "Edit", Qt::Key_R},
        {"mnuColor(0)", "Colour &1", "Edit", Qt::Key_1},
        {"mnuColor(1)", "Colour &2", "Edit", Qt::Key_2},
        {"mnuColor(2)", "Colour &3", "Edit", Qt::Key_3},
        {"mnuColor(3)", "Colour &4", "Edit", Qt::Key_4},
        {"mnuPixelGrid", "&Pixel Grid", "View", Qt::Key_G},
    }};
    return list;
}

} // namespace krelin
