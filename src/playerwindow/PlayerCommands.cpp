#include "PlayerCommands.h"

#include <array>

namespace krelin {

std::span<const PlayerCommand> PlayerCommands()
{
    static const std::array<PlayerCommand, 13> list{{
        {"mnuPause", "&Pause", "Player", {Qt::Key_P}},
        {"mnuFrameAdvance", "&One Frame On", "Player", {Qt::Key_Period}},
        {"mnuReset", "&Reset", "Player", {Qt::CTRL | Qt::Key_R}},
        {"mnuBookmark", "&Bookmark", "Player", {Qt::CTRL | Qt::Key_B}},
        {"mnuRestartAtBookmark", "Restart at Boo&kmark", "Player", {Qt::CTRL | Qt::SHIFT | Qt::Key_B}},
        {"mnuScreenshot", "&Screenshot…", "Player", {Qt::Key_F9}},
        {"mnuClosePlayer", "&Close", "Player", {Qt::CTRL | Qt::Key_W}},
        {"mnuScale(1)", "&1×", "View", {Qt::CTRL | Qt::Key_1}},
        {"mnuScale(2)", "&2×", "View", {Qt::CTRL | Qt::Key_2}},
        {"mnuScale(3)", "&3×", "View", {Qt::CTRL | Qt::Key_3}},
        {"mnuScale(4)", "&4×", "View", {Qt::CTRL | Qt::Key_4}},
        {"mnuFullScreen", "&Full Screen", "View", {Qt::Key_F11}},
        {"mnuMute", "&Mute", "View", {Qt::Key_M}},
    }};
    return list;
}

std::span<const PlayerButtonCommand> PlayerButtons()
{
    static const std::array<PlayerButtonCommand, 8> list{{
        {{"btnUp", "Up", "Controller", {Qt::Key_Up}}, JoypadButton::Up},
        {{"btnDown", "Down", "Controller", {Qt::Key_Down}}, JoypadButton::Down},
        {{"btnLeft", "Left", "Controller", {Qt::Key_Left}}, JoypadButton::Left},
        {{"btnRight", "Right", "Controller", {Qt::Key_Right}}, JoypadButton::Right},
        {{"btnA", "A", "Controller", {Qt::Key_X}}, JoypadButton::A},
        {{"btnB", "B", "Controller", {Qt::Key_Z}}, JoypadButton::B},
        {{"btnStart", "Start", "Controller", {Qt::Key_Return, Qt::Key_Enter}}, JoypadButton::Start},
        // Qt does not tell the right Shift key from the left: either is Select.
        {{"btnSelect", "Select", "Controller", {Qt::Key_Shift}}, JoypadButton::Select},
    }};
    return list;
}

} // namespace krelin
