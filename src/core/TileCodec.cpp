#include "TileCodec.h"

#include <bit>
#include <cstring>

namespace krelin {

int GetTilePixel(const std::uint8_t *tile, int j, int r)
{
    const std::uint8_t m = ColumnMask(j);
    const TileRow row = TileRowPlanes(tile, r);
    return ((row.low & m) ? 1 : 0) + ((row.high & m) ? 2 : 0);
}

TileRow TileRowOf(const std::uint8_t *values)
{
    // The eight values as one word, value j in byte j; one bit of each byte gathered into
    // the top byte by a multiplication puts value 0's bit at bit 7, value 7's at bit 0.
    std::uint64_t word = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&word, values, sizeof word);
    } else {
        for (int j = 0; j < 8; ++j)
            word |= std::uint64_t(values[j]) << (8 * j);
    }
    constexpr std::uint64_t Ones = 0x0101010101010101u, Gather = 0x8040201008040201u;
    return {unsigned(((word & Ones) * Gather) >> 56), unsigned((((word >> 1) & Ones) * Gather) >> 56)};
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
