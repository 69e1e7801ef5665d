#pragma once

#include "core/modKrelin.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace krelin {

// A drawn frame covers 16 x 15 metatiles, 34 pixels apart: 543 x 509 pixels.
inline constexpr int LevelMapWidth = 16 * 34 - 1;
inline constexpr int LevelMapHeight = 15 * 34 - 1;

// The main window's level-map surface inside its border: the map and a small margin.
inline constexpr int LevelSurfaceWidth = 545;
inline constexpr int LevelSurfaceHeight = 513;

// The metatile numbers shown in the level map: entry 16 row + column.
using FrameCache = std::array<std::int16_t, 241>;

// Clears the surface and draws frame f of the current stage on it in the colours given:
// the metatile of row i, column j at grid position (2j, 2i). Fills cache entries 0..239
// with the numbers drawn. A cell whose byte lies outside the image stays cleared and
// caches 0.
void DrawLevelFrame(QImage &surface, const modKrelin &model, int frame, const BgColorSet &colors, FrameCache &cache);

} // namespace krelin
