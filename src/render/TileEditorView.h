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
// Quadrant outlined (0..3; none for any other) carries an outline inside its edge, a
// white and a black line, which shows on every colour.
void DrawMetaTileComposite(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors,
                           int outlined = -1);

// Repaints pixel (j, r) of the tile of quadrant q of metatile n in the composite, and the
// outline over it when q is the quadrant outlined.
void RepaintCompositePixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r,
                           const BgColorSet &colors, int outlined = -1);

// Repaints pixel (j, r) of the tile of quadrant q of metatile n in the grid, with its part
// of the pixel lines when they are shown.
void RepaintGridPixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r, const BgColorSet &colors,
                      bool pixelLines = false);

// Clears the surface and paints the tile of quadrant q (0..3) of metatile n as the grid;
// any other q paints nothing. With pixelLines, a line separates neighbouring pixels: the
// first column and row of each cell but those of the first, darkened on a light colour
// and lightened on a dark one, so that it shows on every colour.
void DrawTileGrid(QImage &surface, const modKrelin &model, int n, int q, const BgColorSet &colors,
                  bool pixelLines = false);

} // namespace krelin
