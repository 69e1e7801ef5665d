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

// The colours as the console shows them: colour 0 of every sub-palette is the backdrop,
// entry 0, whatever entries 4, 8 and 12 hold.
BgColorSet ConsoleColors(const BgColorSet &colors);

// The colours the level map, the metatile table, its preview and the stage map show: the
// model's BgColors, as the console shows them while Console Colours is on.
BgColorSet ShownColors(const modKrelin &model);

} // namespace krelin
