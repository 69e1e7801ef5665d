#pragma once

#include "core/ImageLayout.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace krelin {

class modKrelin;

// The tile editor's two pictures of a metatile, enlarged.

// The composite: the four tiles 32 x 32 pixels each (every tile pixel a 4 x 4 block) at
// 0 and 33, so a one-pixel gap (column and row 32) separates the quadrants.
inline constexpr int QuadrantSize = 32;
inline constexpr int QuadrantPitch = QuadrantSize + 1;
inline constexpr int CompositeSize = 2 * QuadrantSize + 1; // 65

// The grid: one tile 128 x 128 pixels at the top left (every tile pixel a 16 x 16 cell).
inline constexpr int GridCellSize = 16;
inline constexpr int GridSize = 8 * GridCellSize; // 128

// The sub-palette metatile n is shown in: its byte's low two bits, so that a byte above 3
// never indexes past the sixteen background colours.
int ShownSubPalette(const modKrelin &model, int n);

// Clears the surface and paints metatile n's composite in the colours of its
// sub-palette. A tile whose bytes lie outside the image shows as a cleared square.
void DrawMetaTileComposite(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors);

// Repaints pixel (j, r) of the tile of quadrant q of metatile n in the composite.
void RepaintCompositePixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r,
                           const BgColorSet &colors);

// Repaints pixel (j, r) of the tile of quadrant q of metatile n in the grid.
void RepaintGridPixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r, const BgColorSet &colors);

// Clears the surface and paints the tile of quadrant q (0..3) of metatile n as the grid;
// any other q paints nothing.
void DrawTileGrid(QImage &surface, const modKrelin &model, int n, int q, const BgColorSet &colors);

} // namespace krelin
