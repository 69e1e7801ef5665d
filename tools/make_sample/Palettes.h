#pragma once

#include <array>
#include <cstdint>

namespace sample {

// The sixteen background colours of the stage named name (NES colour codes 0..63):
// four sub-palettes of four, each starting with the stage's backdrop colour.
std::array<std::uint8_t, 16> StagePalette(const char *name);

} // namespace sample
