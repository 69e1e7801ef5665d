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

} // namespace krelin
