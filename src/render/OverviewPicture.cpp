#include "OverviewPicture.h"

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

void fillRect(QImage &picture, int x, int y, int w, int h, std::uint8_t color)
{
    const QRect r = QRect(x, y, w, h).intersected(picture.rect());
    for (int row = r.top(); row <= r.bottom() && !r.isEmpty(); ++row)
        std::memset(picture.scanLine(row) + r.left(), color, std::size_t(r.width()));
}

} // namespace

QList<QRgb> OverviewColorTable(const BgColorSet &colors)
{
    QList<QRgb> table(OverviewColorCount);
    for (int i = 0; i < PaletteBytes; ++i)
        table[i] = ToQRgb(colors[std::size_t(i)]);
    table[OverviewClear] = ClearColor;
    table[OverviewShownFrame] = 0xFFFFFFFF;
    table[OverviewUses] = 0xFFFFB000;
    table[OverviewSelection] = 0xFF00E8FF;
    table[OverviewDifference] = 0xFF8CFF20;
    return table;
}

QImage NewOverviewPicture(int frames)
{
    QImage picture(std::max(1, frames) * OverviewFramePitch, OverviewHeight, QImage::Format_Indexed8);
    picture.setColorTable(OverviewColorTable({}));
    picture.fill(OverviewClear);
    return picture;
}

QPoint OverviewFrameOrigin(int frame)
{
    return {OverviewFramePitch * frame + OverviewMargin, OverviewMargin};
}

QPoint OverviewCellOrigin(int frame, int col, int row)
{
    return OverviewFrameOrigin(frame) + QPoint(OverviewCellPitch * col, OverviewCellPitch * row);
}

QRect OverviewFrameRect(int frame)
{
    return QRect(OverviewFramePitch * frame, 0, OverviewFramePitch, OverviewHeight);
}

int OverviewFrameAt(const QPoint &p, int frames)
{
    if (p.x() < 0 || p.y() < 0 || p.y() >= OverviewHeight)
        return -1;
    const int frame = p.x() / OverviewFramePitch;
    return frame < frames ? frame : -1;
}

const std::uint8_t *OverviewPainter::sprite(const modKrelin &model, int n)
{
    std::uint8_t *out = pixels.data() + std::size_t(n) * OverviewMetaTileSize * OverviewMetaTileSize;
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
            std::memcpy(out + OverviewMetaTileSize * (8 * (q >> 1) + r) + 8 * (q & 1), &row, 8);
        }
    }
    ready.set(std::size_t(n));
    return out;
}

void OverviewPainter::paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n)
{
    const QPoint at = OverviewCellOrigin(frame, col, row);
    if (at.x() + OverviewMetaTileSize > picture.width() || at.y() + OverviewMetaTileSize > picture.height())
        return;
    uchar *bits = picture.bits();
    const qsizetype stride = picture.bytesPerLine();
    uchar *to = bits + at.y() * stride + at.x();
    if (n < 0) {
        for (int y = 0; y < OverviewMetaTileSize; ++y, to += stride)
            std::memset(to, OverviewClear, OverviewMetaTileSize);
        return;
    }
    const std::uint8_t *from = sprite(model, n & 0xFF);
    for (int y = 0; y < OverviewMetaTileSize; ++y, to += stride, from += OverviewMetaTileSize)
        std::memcpy(to, from, OverviewMetaTileSize);
}

void OverviewPainter::paintFrame(QImage &picture, const modKrelin &model, int frame,
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

void DrawOverviewFrameOutline(QImage &picture, int frame, std::uint8_t color)
{
    const QPoint o = OverviewFrameOrigin(frame);
    const int left = o.x() - 3, top = o.y() - 3, width = OverviewFrameWidth + 6, height = OverviewFrameHeight + 6;
    fillRect(picture, left, top, width, 2, color);
    fillRect(picture, left, top + height - 2, width, 2, color);
    fillRect(picture, left, top, 2, height, color);
    fillRect(picture, left + width - 2, top, 2, height, color);
}

void DrawOverviewFrameEdges(QImage &picture, int frame, std::uint8_t color)
{
    const QPoint o = OverviewFrameOrigin(frame);
    for (const int d : {4, 1}) {
        const int left = o.x() - d, top = o.y() - d;
        const int width = OverviewFrameWidth + 2 * d, height = OverviewFrameHeight + 2 * d;
        fillRect(picture, left, top, width, 1, color);
        fillRect(picture, left, top + height - 1, width, 1, color);
        fillRect(picture, left, top, 1, height, color);
        fillRect(picture, left + width - 1, top, 1, height, color);
    }
}

void DrawOverviewCellRing(QImage &picture, int frame, int col, int row, std::uint8_t color)
{
    const QPoint o = OverviewCellOrigin(frame, col, row);
    const int s = OverviewMetaTileSize;
    fillRect(picture, o.x(), o.y(), s, 1, color);
    fillRect(picture, o.x(), o.y() + s - 1, s, 1, color);
    fillRect(picture, o.x(), o.y(), 1, s, color);
    fillRect(picture, o.x() + s - 1, o.y(), 1, s, color);
}

void DrawOverviewRectEdges(QImage &picture, int frame, int col, int row, const QRect &rect, std::uint8_t color)
{
    const QPoint o = OverviewCellOrigin(frame, col, row);
    const int s = OverviewMetaTileSize;
    if (row == rect.top())
        fillRect(picture, o.x(), o.y(), s, 2, color);
    if (row == rect.bottom())
        fillRect(picture, o.x(), o.y() + s - 2, s, 2, color);
    if (col == rect.left())
        fillRect(picture, o.x(), o.y(), 2, s, color);
    if (col == rect.right())
        fillRect(picture, o.x() + s - 2, o.y(), 2, s, color);
}

} // namespace krelin
