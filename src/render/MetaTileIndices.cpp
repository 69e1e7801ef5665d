#include "MetaTileIndices.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"

#include <cstring>

namespace krelin {

namespace {

// The eight bits of a byte spread over eight bytes, the leftmost pixel (bit 7) first.
struct Spread
{
    std::array<std::uint64_t, 256> bits{};
    constexpr Spread()
    {
        for (int v = 0; v < 256; ++v)
            for (int j = 0; j < 8; ++j)
                if (v & (0x80 >> j))
                    bits[std::size_t(v)] |= std::uint64_t(1) << (8 * j);
    }
};
constexpr Spread spread;

} // namespace

QList<QRgb> MetaTileIndexColors(const BgColorSet &colors)
{
    QList<QRgb> table(MetaTileClearIndex + 1);
    for (int i = 0; i < PaletteBytes; ++i)
        table[i] = ToQRgb(colors[std::size_t(i)]);
    table[MetaTileClearIndex] = ClearColor;
    return table;
}

const std::uint8_t *MetaTileIndices::of(const modKrelin &model, int n)
{
    n &= 0xFF;
    std::uint8_t *out = pixels.data() + std::size_t(n) * MetaTileIndicesSide * MetaTileIndicesSide;
    if (ready.test(std::size_t(n)))
        return out;
    const MetaTileParts parts = ReadMetaTile(model, n);
    const std::uint64_t sub = 0x0404040404040404ull * std::uint64_t(parts.subPalette & 3);
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t *tile = model.bytesAt(TileSlotOffset(parts.tileSlots[q]), TileBytes);
        for (int r = 0; r < 8; ++r) {
            // Eight pixels at once; a tile that cannot be read is cleared.
            std::uint64_t row = 0x0101010101010101ull * MetaTileClearIndex;
            if (tile) {
                const TileRow planes = TileRowPlanes(tile, r);
                row = spread.bits[planes.low] | (spread.bits[planes.high] << 1) | sub;
            }
            std::memcpy(out + MetaTileIndicesSide * (8 * (q >> 1) + r) + 8 * (q & 1), &row, 8);
        }
    }
    ready.set(std::size_t(n));
    return out;
}

} // namespace krelin
