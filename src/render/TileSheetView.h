#pragma once

#include "TilePainter.h"
#include "core/ImageLayout.h"

#include <QImage>

#include <cstdint>

namespace krelin {

class modKrelin;

// The tile editor's tile sheet: the stage's 256 tiles, 16 to a row, each drawn 16 x 16
// (every tile pixel a 2 x 2 block). The tiles lie SheetPitch apart, so that a 3-pixel gap
// separates them, and a 2-pixel margin surrounds them: the outline of the chosen tile
// lies in the gap around it and never hides a pixel.
inline constexpr int SheetTileSize = 16;
inline constexpr int SheetPitch = SheetTileSize + 3;
inline constexpr int SheetMargin = 2;
inline constexpr int SheetPictureSide = 2 * SheetMargin + 15 * SheetPitch + SheetTileSize; // 305

// The tile whose square (gap included, up to the next tile) holds surface pixel (x, y),
// both rounded to whole pixels; -1 outside the tiles.
int SheetTileAt(double x, double y);

// Clears the surface and draws the stage's 256 tiles in the four colours at colors; a
// tile that lies outside the image is left blank. Outlines tile outlined (none for -1).
void DrawTileSheet(QImage &surface, const modKrelin &model, const std::int32_t *colors, int outlined);

// Repaints tile t whole, in colours prepared from the four: cheaper than pixel by pixel
// when many changed.
void RepaintSheetTile(QImage &surface, const modKrelin &model, const TileColors16 &colors, int t);

// Repaints pixel (j, r) of tile t.
void RepaintSheetPixel(QImage &surface, const modKrelin &model, const std::int32_t *colors, int t, int j, int r);

// Draws (or, with shown false, clears) the outline around tile t.
void DrawSheetOutline(QImage &surface, int t, bool shown);

} // namespace krelin
