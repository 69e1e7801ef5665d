#pragma once

#include <cstdint>

namespace krelin {

// An 8x8 tile at 2 bits per pixel in 16 bytes: bytes 0..7 hold the low bit of each row
// (plane 0), bytes 8..15 the high bit (plane 1); bit 7 is the leftmost column.

inline constexpr int TilePlaneBytes = 8;

// Mask of column j (0..7): 128 for column 0 down to 1 for column 7.
constexpr std::uint8_t ColumnMask(int j)
{
    return std::uint8_t(0x80u >> j);
}

// The two plane bytes of row r: bit 7 - j of each is column j's low and high bit.
struct TileRow
{
    unsigned low;
    unsigned high;
};

inline TileRow TileRowPlanes(const std::uint8_t *tile, int r)
{
    return {tile[r], tile[TilePlaneBytes + r]};
}

// The two plane bytes of a row whose columns 0..7 have the colour indices values[0..7]
// (each 0..3), and a row of a tile set from them.
TileRow TileRowOf(const std::uint8_t *values);
inline void SetTileRow(std::uint8_t *tile, int r, TileRow row)
{
    tile[r] = std::uint8_t(row.low);
    tile[TilePlaneBytes + r] = std::uint8_t(row.high);
}

// The columns of row r whose pixels differ between the tiles at a and b, as a mask:
// ColumnMask(j) is set for each column j that differs.
inline unsigned ChangedColumns(const std::uint8_t *a, const std::uint8_t *b, int r)
{
    return unsigned(a[r] ^ b[r]) | unsigned(a[TilePlaneBytes + r] ^ b[TilePlaneBytes + r]);
}

// Colour index 0..3 of pixel (column j, row r) of the 16 tile bytes at tile.
int GetTilePixel(const std::uint8_t *tile, int j, int r);

// Sets pixel (j, r) of the 16 tile bytes at tile to colour index i (0..3): changes only
// the column's bit in bytes r and 8 + r.
void SetTilePixel(std::uint8_t *tile, int j, int r, int i);

} // namespace krelin
