#pragma once

#include "ImageLayout.h"

#include <array>
#include <cstdint>

namespace krelin {

// Whole-tile operations of the tile editor, on a tile's 16 bytes taken as a value. Each
// returns the tile as it becomes; the pixels are read and written through the tile codec.

using TileData = std::array<std::uint8_t, TileBytes>;

// The 16 bytes at tile.
TileData ReadTile(const std::uint8_t *tile);

// Mirrored left to right: pixel (j, r) moves to (7 - j, r).
TileData FlippedHorizontally(const TileData &tile);
// Mirrored top to bottom: pixel (j, r) moves to (j, 7 - r).
TileData FlippedVertically(const TileData &tile);
// Turned a quarter turn clockwise: pixel (j, r) moves to (7 - r, j).
TileData RotatedQuarterTurn(const TileData &tile);

// The area of pixel (j, r) (every pixel of its colour that can be reached from it
// through left, right, up and down neighbours of that colour) painted in colour 0..3.
// A pixel outside 0..7 or a colour outside 0..3 leaves the tile as it is.
TileData Filled(const TileData &tile, int j, int r, int color);

} // namespace krelin
