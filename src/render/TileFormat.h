#pragma once

#include <cstdint>

namespace krelin {

class modKrelin;

// An 8x8 tile at 2 bits per pixel in 16 bytes: bytes 0..7 hold the low bit of each row
// (plane 0), bytes 8..15 the high bit (plane 1); bit 7 is the leftmost column.

// Mask of column j (0..7): 128 for column 0 down to 1 for column 7.
constexpr std::uint8_t ColumnMask(int j)
{
    return std::uint8_t(0x80u >> j);
}

// Colour index 0..3 of pixel (column j, row r) of the 16 tile bytes at tile.
int GetTilePixel(const std::uint8_t *tile, int j, int r);

// Sets pixel (j, r) of the 16 tile bytes at tile to colour index i (0..3): changes only
// the column's bit in bytes r and 8 + r.
void SetTilePixel(std::uint8_t *tile, int j, int r, int i);

// The same on the tile at file offset a of the model's image, through its write path.
// Returns false, changing nothing, when the tile does not lie wholly inside the image
// or j, r or i are out of range.
bool SetTilePixel(modKrelin &model, std::int64_t a, int j, int r, int i);

} // namespace krelin
