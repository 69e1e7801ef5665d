#pragma once

#include <cstdint>

namespace krelin {

// The buttons of a controller, numbered as libretro numbers them.
enum class JoypadButton : std::uint8_t {
    B = 0,
    Select = 2,
    Start = 3,
    Up = 4,
    Down = 5,
    Left = 6,
    Right = 7,
    A = 8,
};

// The buttons held: bit n for the button numbered n.
using JoypadButtons = std::uint16_t;

constexpr JoypadButtons ButtonBit(JoypadButton button)
{
    return JoypadButtons(1u << unsigned(button));
}

// The controller's eight buttons by the names the command line gives them.
struct NamedButton
{
    const char *name;
    JoypadButton button;
};
inline constexpr NamedButton ButtonNames[] = {
    {"right", JoypadButton::Right}, {"left", JoypadButton::Left}, {"up", JoypadButton::Up},
    {"down", JoypadButton::Down},   {"a", JoypadButton::A},       {"b", JoypadButton::B},
    {"start", JoypadButton::Start}, {"select", JoypadButton::Select},
};

} // namespace krelin
