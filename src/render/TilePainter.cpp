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

    for (int r = 0; r < 8; ++r) {
        const int rowTop = y + r * scale;
        if (rowTop + scale <= top || rowTop >= bottom)
            continue;
        // Decode the row's two plane bytes straight into the first surface line the tile
        // row covers, only where that line lies on the surface.
        const int from = std::max(rowTop, top), to = std::min(rowTop + scale, bottom);
        QRgb *first = row(surface, from);
        const unsigned low = tile[r], high = tile[8 + r];
        for (int j = 0; j < 8; ++j) {
            const int x0 = std::max(x + j * scale, left), x1 = std::min(x + (j + 1) * scale, right);
            if (x0 >= x1)
                continue;
            const unsigned shift = 7 - j;
            std::fill(first + x0, first + x1, palette[((low >> shift) & 1) | (((high >> shift) & 1) << 1)]);
        }
        // Copy it onto the other lines of the tile row.
        const auto bytes = std::size_t(right - left) * sizeof(QRgb);
        for (int yy = from + 1; yy < to; ++yy)
            std::memcpy(row(surface, yy) + left, first + left, bytes);
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
