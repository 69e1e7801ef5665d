#include "TileCodec.h"

namespace krelin {

int GetTilePixel(const std::uint8_t *tile, int j, int r)
{
    const std::uint8_t m = ColumnMask(j);
    const TileRow row = TileRowPlanes(tile, r);
    return ((row.low & m) ? 1 : 0) + ((row.high & m) ? 2 : 0);
}

void SetTilePixel(std::uint8_t *tile, int j, int r, int i)
{
    const std::uint8_t m = ColumnMask(j);
    std::uint8_t &low = tile[r];
    std::uint8_t &high = tile[TilePlaneBytes + r];
    low = std::uint8_t((low & ~m) | ((i & 1) ? m : 0));
    high = std::uint8_t((high & ~m) | ((i & 2) ? m : 0));
}

} // namespace krelin
