#include "TilePainter.h"

#include "core/TileCodec.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

void fillRect(QImage &surface, int x, int y, int width, int height, QRgb color)
{
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + width, surface.width()), y1 = std::min(y + height, surface.height());
    if (x0 >= x1 || y0 >= y1)
        return; // wholly off the surface, or empty
    // One detach for the whole rectangle instead of one per scanLine() call.
    uchar *const bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    for (int yy = y0; yy < y1; ++yy) {
        QRgb *line = reinterpret_cast<QRgb *>(bits + yy * stride);
        std::fill(line + x0, line + x1, color);
    }
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

    for (int r = 0; r < 8; ++r) {
        const int rowTop = y + r * scale;
        if (rowTop + scale <= top || rowTop >= bottom)
            continue;
        // Decode the row's two plane bytes straight into the first surface line the tile
        // row covers, only where that line lies on the surface.
        const int from = std::max(rowTop, top), to = std::min(rowTop + scale, bottom);
        QRgb *first = line(from);
        const auto [low, high] = TileRowPlanes(tile, r);
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

void PaintTilePixel(QImage &surface, const std::uint8_t *tile, const std::int32_t *colors, int x, int y, int size,
                    int j, int r)
{
    const int scale = size / 8;
    if (scale <= 0 || j < 0 || j > 7 || r < 0 || r > 7)
        return;
    fillRect(surface, x + j * scale, y + r * scale, scale, scale, ToQRgb(colors[GetTilePixel(tile, j, r)]));
}

TileColors16 PrepareTileColors16(const std::int32_t *colors)
{
    const QRgb palette[4] = {ToQRgb(colors[0]), ToQRgb(colors[1]), ToQRgb(colors[2]), ToQRgb(colors[3])};
    TileColors16 prepared;
    for (unsigned idx = 0; idx < 256; ++idx) {
        for (unsigned j = 0; j < 4; ++j) {
            const unsigned shift = 3 - j;
            const QRgb c = palette[((idx >> shift) & 1) | (((idx >> (4 + shift)) & 1) << 1)];
            prepared.quads[idx][2 * j] = c;
            prepared.quads[idx][2 * j + 1] = c;
        }
    }
    return prepared;
}

void PaintWholeTile16(QImage &surface, const std::uint8_t *tile, const TileColors16 &colors, int x, int y)
{
    // Each half of a tile row (four tile pixels, eight surface pixels) is one look-up,
    // written to both surface lines the row covers.
    uchar *const bits = surface.bits(); // one detach for the whole tile
    const qsizetype stride = surface.bytesPerLine();
    for (int r = 0; r < 8; ++r) {
        const auto [low, high] = TileRowPlanes(tile, r);
        auto *a = reinterpret_cast<QRgb *>(bits + (y + 2 * r) * stride) + x;
        auto *b = reinterpret_cast<QRgb *>(bits + (y + 2 * r + 1) * stride) + x;
        const QRgb *left = colors.quads[(low >> 4) | (high & 0xF0)];
        const QRgb *right = colors.quads[(low & 0x0F) | ((high & 0x0F) << 4)];
        std::memcpy(a, left, 32);
        std::memcpy(a + 8, right, 32);
        std::memcpy(b, left, 32);
        std::memcpy(b + 8, right, 32);
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

void DrawRing(QImage &surface, int x1, int y1, int x2, int y2, int thickness, QRgb color)
{
    for (int i = 0; i < thickness; ++i)
        DrawBox(surface, x1 + i, y1 + i, x2 - i, y2 - i, color);
}

} // namespace krelin
