#include "TilePainter.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

QRgb *row(QImage &surface, int y)
{
    return reinterpret_cast<QRgb *>(surface.scanLine(y));
}

void fillRect(QImage &surface, int x, int y, int width, int height, QRgb color)
{
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, surface.width()), y1 = std::min(y + height, surface.height());
    if (x0 >= x1)
        return; // wholly left or right of the surface, or empty
    for (int yy = y0; yy < y1; ++yy)
        std::fill(row(surface, yy) + x0, row(surface, yy) + x1, color);
}

} // namespace

void FastCls(QImage &surface, int width, int height)
{
    if (width >= surface.width() && height >= surface.height())
        surface.fill(ClearColor);
    else
        fillRect(surface, 0, 0, width, height, ClearColor);
}

void Paint2BPPTile(QImage &surface, const std::uint8_t *tile, const std::int32_t *colors, int x, int y, int size)
{
    const int scale = size / 8;
    if (scale <= 0)
        return;
    const QRgb palette[4] = {ToQRgb(colors[0]), ToQRgb(colors[1]), ToQRgb(colors[2]), ToQRgb(colors[3])};
    const int span = 8 * scale;
    // The part of the tile's square that lies on the surface.
    const int left = std::max(x, 0), right = std::min(x + span, surface.width());
    const int top = std::max(y, 0), bottom = std::min(y + span, surface.height());
    if (left >= right || top >= bottom)
        return;

    // One detach for the whole tile instead of one per scanLine() call.
    uchar *const bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    auto line = [bits, stride](int yy) { return reinterpret_cast<QRgb *>(bits + yy * stride); };
    auto color = [&palette](unsigned low, unsigned high, int j) {
        const unsigned shift = 7 - unsigned(j);
        return palette[((low >> shift) & 1) | (((high >> shift) & 1) << 1)];
    };

    if (scale == 2 && left == x && right == x + 16 && top == y && bottom == y + 16) {
        // The level map and the metatile table paint whole tiles at 16 x 16, each tile
        // pixel a 2 x 2 block. Two neighbouring tile pixels make four surface pixels
        // that depend on 4 bits (both planes of both columns): look those four pixels up
        // in a 16-entry table and write them to both lines at once. Neighbouring tiles
        // mostly share their colours, so the table of the last colours is kept.
        thread_local struct
        {
            QRgb colors[4] = {};
            std::uint64_t pairs[16][2] = {};
        } last;
        if (((palette[0] ^ last.colors[0]) | (palette[1] ^ last.colors[1]) | (palette[2] ^ last.colors[2])
             | (palette[3] ^ last.colors[3])) != 0) {
            std::uint64_t doubled[4];
            for (int v = 0; v < 4; ++v)
                doubled[v] = std::uint64_t(palette[v]) * 0x100000001ull;
            for (unsigned idx = 0; idx < 16; ++idx) {
                // idx bit 1 / bit 0: plane-0 bit of the left / right column; bits 3 / 2: plane 1.
                last.pairs[idx][0] = doubled[((idx >> 1) & 1) | ((idx >> 2) & 2)];
                last.pairs[idx][1] = doubled[(idx & 1) | ((idx >> 1) & 2)];
            }
            std::copy(palette, palette + 4, last.colors);
        }
        const auto &pairs = last.pairs;
        for (int r = 0; r < 8; ++r) {
            const unsigned low = tile[r], high = tile[8 + r];
            QRgb *a = line(y + 2 * r) + x;
            QRgb *b = line(y + 2 * r + 1) + x;
            auto put = [&](int k) {
                const unsigned shift = 6 - 2 * unsigned(k);
                const unsigned idx = ((low >> shift) & 3) | (((high >> shift) & 3) << 2);
                std::memcpy(a + 4 * k, pairs[idx], 16);
                std::memcpy(b + 4 * k, pairs[idx], 16);
            };
            put(0), put(1), put(2), put(3);
        }
        return;
    }

    for (int r = 0; r < 8; ++r) {
        const int rowTop = y + r * scale;
        if (rowTop + scale <= top || rowTop >= bottom)
            continue;
        // Decode the row's two plane bytes straight into the first surface line the tile
        // row covers, only where that line lies on the surface.
        const int from = std::max(rowTop, top), to = std::min(rowTop + scale, bottom);
        QRgb *first = line(from);
        const unsigned low = tile[r], high = tile[8 + r];
        for (int j = 0; j < 8; ++j) {
            const int x0 = std::max(x + j * scale, left), x1 = std::min(x + (j + 1) * scale, right);
            if (x0 < x1)
                std::fill(first + x0, first + x1, color(low, high, j));
        }
        // Copy it onto the other lines of the tile row.
        const auto bytes = std::size_t(right - left) * sizeof(QRgb);
        for (int yy = from + 1; yy < to; ++yy)
            std::memcpy(line(yy) + left, first + left, bytes);
    }
}

void PaintBlankTile(QImage &surface, int x, int y, int size)
{
    fillRect(surface, x, y, size, size, ClearColor);
}

void DrawBox(QImage &surface, int x1, int y1, int x2, int y2, QRgb color)
{
    fillRect(surface, x1, y1, x2 - x1 + 1, 1, color);
    fillRect(surface, x1, y2, x2 - x1 + 1, 1, color);
    fillRect(surface, x1, y1, 1, y2 - y1 + 1, color);
    fillRect(surface, x2, y1, 1, y2 - y1 + 1, color);
}

} // namespace krelin
