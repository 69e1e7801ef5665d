#pragma once

#include "core/modKrelin.h"

#include <cstdint>
#include <optional>

namespace krelin {

// The stage's sixteen background colours, resolved from its palette bytes at PalOffset
// through the master palette. A byte above 63 shows the colour of its low six bits, as
// the console reads it. Nothing when the palette bytes lie outside the image.
std::optional<BgColorSet> ResolveBgColors(const modKrelin &model);

// The master colour of NES colour code b (low six bits) as red + 256 green + 65536 blue.
std::int32_t MasterColor(const modKrelin &model, int b);

} // namespace krelin
