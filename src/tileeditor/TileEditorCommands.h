#pragma once

#include <QKeySequence>

#include <span>

namespace krelin {

// The commands of the tile editor's menus, with the keys they come with. The window makes
// its actions from this list; the Preferences list them before the window is ever opened,
// so that their keys can be chosen too.
struct TileEditorCommand
{
    const char *objectName;
    const char *text; // with its mnemonic
    const char *menu; // "Edit" or "View"
    QKeySequence key;
};

std::span<const TileEditorCommand> TileEditorCommands();

} // namespace krelin
