#pragma once

#include <cstdint>

namespace krelin {

class modKrelin;

// Resolves the stage's sixteen background palette bytes at PalOffset into BgColors
// through the master palette. A byte above 63 shows the colour of its low six bits, as
// the console reads it. Returns false, leaving BgColors as they were, when the palette
// bytes lie outside the image.
bool ResolveBgColors(modKrelin &model);

// The master colour of NES colour code b (low six bits) as red + 256 green + 65536 blue.
std::int32_t MasterColor(const modKrelin &model, int b);

} // namespace krelin
