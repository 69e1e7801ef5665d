#include "StageMapPicture.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"

#include <algorithm>
#include <cstring>

namespace krelin {

QImage NewStageMapPicture(int frames)
{
    return QImage(std::max(1, frames) * StageMapFrameWidth, StageMapFrameHeight, QImage::Format_RGB32);
}

QRect StageMapCellRect(int frame, int col, int row)
{
    return QRect(StageMapFrameWidth * frame + StageMapMetaTile * col, StageMapMetaTile * row, StageMapMetaTile,
                 StageMapMetaTile);
}

const QRgb *StageMapPainter::sprite(const modKrelin &model, int n, const BgColorSet &colors)
{
    if (colors != madeWith) {
        ready.reset();
        madeWith = colors;
    }
    QRgb *out = pixels.data() + std::size_t(n) * StageMapMetaTile * StageMapMetaTile;
    if (ready.test(std::size_t(n)))
        return out;
    const MetaTileParts parts = ReadMetaTile(model, n);
    const std::int32_t *sub = colors.data() + 4 * (parts.subPalette & 3);
    const QRgb four[4] = {ToQRgb(sub[0]), ToQRgb(sub[1]), ToQRgb(sub[2]), ToQRgb(sub[3])};
    for (int q = 0; q < 4; ++q) {
        const std::uint8_t *tile = model.bytesAt(TileSlotOffset(parts.tileSlots[q]), TileBytes);
        for (int r = 0; r < 8; ++r) {
            QRgb *to = out + StageMapMetaTile * (8 * (q >> 1) + r) + 8 * (q & 1);
            if (!tile) { // a tile that cannot be read is cleared
                std::fill(to, to + 8, ClearColor);
                continue;
            }
            const TileRow planes = TileRowPlanes(tile, r);
            for (int j = 0; j < 8; ++j)
                to[j] = four[((planes.low >> (7 - j)) & 1) | (((planes.high >> (7 - j)) & 1) << 1)];
        }
    }
    ready.set(std::size_t(n));
    return out;
}

void StageMapPainter::paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n,
                                const BgColorSet &colors)
{
    const QPoint at = StageMapCellRect(frame, col, row).topLeft();
    if (at.x() + StageMapMetaTile > picture.width() || at.y() + StageMapMetaTile > picture.height())
        return;
    const qsizetype stride = picture.bytesPerLine() / qsizetype(sizeof(QRgb));
    QRgb *to = reinterpret_cast<QRgb *>(picture.bits()) + at.y() * stride + at.x();
    if (n < 0) {
        for (int y = 0; y < StageMapMetaTile; ++y, to += stride)
            std::fill(to, to + StageMapMetaTile, ClearColor);
        return;
    }
    const QRgb *from = sprite(model, n & 0xFF, colors);
    for (int y = 0; y < StageMapMetaTile; ++y, to += stride, from += StageMapMetaTile)
        std::memcpy(to, from, StageMapMetaTile * sizeof(QRgb));
}

void StageMapPainter::paintFrame(QImage &picture, const modKrelin &model, int frame, const BgColorSet &colors,
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
        paintCell(picture, model, frame, k % FrameColumns, k / FrameColumns, n, colors);
    }
}

} // namespace krelin
