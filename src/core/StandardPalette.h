#pragma once

#include <array>
#include <cstdint>

namespace krelin {

struct Rgb
{
    std::uint8_t red, green, blue;
};

// The built-in master palette: the same colours the shipped Krelin.d_p holds, used when
// that file cannot be read so that the editor still shows every stage.
extern const std::array<Rgb, 64> StandardPalette;

} // namespace krelin
