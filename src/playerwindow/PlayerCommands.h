#pragma once

#include "player/Joypad.h"

#include <QKeySequence>
#include <QList>

#include <span>

namespace krelin {

// The commands of the player window's menus and controller 1's buttons, with the keys
// they come with. The window makes its actions from these lists; the Preferences list them
// before the window is ever opened, so that their keys can be chosen too.
struct PlayerCommand
{
    const char *objectName;
    const char *text; // with its mnemonic
    const char *menu; // "Player", "View" or "Controller"
    QList<QKeySequence> keys;
};

std::span<const PlayerCommand> PlayerCommands();

// Keys as a sentence shows them: as the system writes them ("Ctrl+B", "F9"), a lone mark
// by its name ("Period" rather than ".").
QString KeyText(const QKeySequence &keys);

// Controller 1: one command per button, held while its key is down. A button's key is a
// single key without modifiers (a modifier key alone, such as Shift, is one too).
struct PlayerButtonCommand
{
    PlayerCommand command;
    JoypadButton button;
};

std::span<const PlayerButtonCommand> PlayerButtons();

// The objectName of the player window (the window its keys work in).
inline constexpr char PlayerWindowName[] = "frmPlayer";

} // namespace krelin
