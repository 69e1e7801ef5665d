#include "StageMapPicture.h"

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

QList<QRgb> StageMapColorTable(const BgColorSet &colors)
{
    QList<QRgb> table(StageMapColorCount);
    for (int i = 0; i < PaletteBytes; ++i)
        table[i] = ToQRgb(colors[std::size_t(i)]);
    table[StageMapClear] = ClearColor;
    return table;
}

QImage NewStageMapPicture(int frames)
{
    QImage picture(std::max(1, frames) * StageMapFrameWidth, StageMapFrameHeight, QImage::Format_Indexed8);
    picture.setColorTable(StageMapColorTable({}));
    picture.fill(StageMapClear);
    return picture;
}

QRect StageMapCellRect(int frame, int col, int row)
{
    return QRect(StageMapFrameWidth * frame + StageMapMetaTile * col, StageMapMetaTile * row, StageMapMetaTile,
                 StageMapMetaTile);
}

const std::uint8_t *StageMapPainter::sprite(const modKrelin &model, int n)
{
    std::uint8_t *out = pixels.data() + std::size_t(n) * StageMapMetaTile * StageMapMetaTile;
    if (ready.test(std::size_t(n)))
        return out;
    const MetaTileParts parts = ReadMetaTile(model, n);
    const std::uint64_t sub = 0x0404040404040404ull * std::uint64_t(parts.subPalette & 3);
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t *tile = model.bytesAt(TileSlotOffset(parts.tileSlots[q]), TileBytes);
        for (int r = 0; r < 8; ++r) {
            std::uint64_t row = 0x1010101010101010ull; // a tile that cannot be read is cleared
            if (tile) {
                const TileRow planes = TileRowPlanes(tile, r);
                row = spread.bits[planes.low] | (spread.bits[planes.high] << 1) | sub;
            }
            std::memcpy(out + StageMapMetaTile * (8 * (q >> 1) + r) + 8 * (q & 1), &row, 8);
        }
    }
    ready.set(std::size_t(n));
    return out;
}

void StageMapPainter::paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n)
{
    const QPoint at = StageMapCellRect(frame, col, row).topLeft();
    if (at.x() + StageMapMetaTile > picture.width() || at.y() + StageMapMetaTile > picture.height())
        return;
    uchar *bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    uchar *to = bits + at.y() * stride + at.x();
    if (n < 0) {
        for (int y = 0; y < StageMapMetaTile; ++y, to += stride)
            std::memset(to, StageMapClear, StageMapMetaTile);
        return;
    }
    const std::uint8_t *from = sprite(model, n & 0xFF);
    for (int y = 0; y < StageMapMetaTile; ++y, to += stride, from += StageMapMetaTile)
        std::memcpy(to, from, StageMapMetaTile);
}

void StageMapPainter::paintFrame(QImage &picture, const modKrelin &model, int frame,
                                 std::array<std::int16_t, FrameBytes> &cells)
{
    const qint64 start = FrameOffset(model, frame);
    const std::uint8_t *bytes = model.bytesAt(start, FrameBytes);
    for (int k = 0; k < FrameBytes; ++k) {
        int n = -1;
        if (bytes)
            n = bytes[k];
        else if (model.holds(start + k, 1))
            n = model.byteAt(start + k);
        cells[std::size_t(k)] = std::int16_t(n);
        paintCell(picture, model, frame, k % FrameColumns, k / FrameColumns, n);
    }
}

} // namespace krelin
