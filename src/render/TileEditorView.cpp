#include "TileEditorView.h"

#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/modKrelin.h"

#include <algorithm>

namespace krelin {

namespace {

// Paints the tile of quadrant q of metatile n, size x size at (x, y).
void paintQuadrant(QImage &surface, const modKrelin &model, int n, int q, int x, int y, int size,
                   const BgColorSet &colors)
{
    const qint64 record = QuadrantTileOffset(model, n, q);
    const std::uint8_t *tile =
        model.holds(record, 1) ? model.bytesAt(TileOffset(model, model.byteAt(record)), TileBytes) : nullptr;
    if (tile)
        Paint2BPPTile(surface, tile, colors.data() + 4 * ShownSubPalette(model, n), x, y, size);
    else
        PaintBlankTile(surface, x, y, size);
}

// Repaints pixel (j, r) of the tile of quadrant q of metatile n, painted size x size at
// (x, y).
void repaintPixel(QImage &surface, const modKrelin &model, int n, int q, int x, int y, int size, int j, int r,
                  const BgColorSet &colors)
{
    const qint64 record = QuadrantTileOffset(model, n, q);
    const std::uint8_t *tile =
        model.holds(record, 1) ? model.bytesAt(TileOffset(model, model.byteAt(record)), TileBytes) : nullptr;
    if (tile)
        PaintTilePixel(surface, tile, colors.data() + 4 * ShownSubPalette(model, n), x, y, size, j, r);
}

void outlineQuadrant(QImage &surface, int q)
{
    if (q < 0 || q > 3)
        return;
    const int x = QuadrantPitch * (q & 1), y = QuadrantPitch * (q >> 1);
    DrawBox(surface, x, y, x + QuadrantSize - 1, y + QuadrantSize - 1, 0xFFFFFFFF);
    DrawBox(surface, x + 1, y + 1, x + QuadrantSize - 2, y + QuadrantSize - 2, 0xFF000000);
}

// A pixel line's colour over a pixel of colour c: darker on a light colour, lighter on a
// dark one.
QRgb lineColor(QRgb c)
{
    const auto toward = [](int v, int target) { return v + (target - v) * 2 / 5; };
    const int target = ContrastingColor(c) == 0xFF000000u ? 0 : 255;
    return qRgb(toward(qRed(c), target), toward(qGreen(c), target), toward(qBlue(c), target));
}

// Draws the pixel lines of grid cell (j, r): its first column and row, except for the
// first cell of a row or column, in a shade of the cell's colour.
void drawCellLines(QImage &surface, int j, int r)
{
    const int x = GridCellSize * j, y = GridCellSize * r;
    if (x + GridCellSize > surface.width() || y + GridCellSize > surface.height())
        return;
    uchar *const bits = surface.bits(); // one detach for the cell
    const qsizetype stride = surface.bytesPerLine();
    const auto line = [bits, stride](int yy) { return reinterpret_cast<QRgb *>(bits + yy * stride); };
    const QRgb color = lineColor(line(y + GridCellSize - 1)[x + GridCellSize - 1]);
    if (r > 0)
        std::fill(line(y) + x, line(y) + x + GridCellSize, color);
    if (j > 0)
        for (int yy = y; yy < y + GridCellSize; ++yy)
            line(yy)[x] = color;
}

} // namespace

void RepaintCompositePixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r,
                           const BgColorSet &colors, int outlined)
{
    repaintPixel(surface, model, n, q, QuadrantPitch * (q & 1), QuadrantPitch * (q >> 1), QuadrantSize, j, r, colors);
    // Only the pixels along the quadrant's edge lie under its outline.
    if (q == outlined && (j == 0 || j == 7 || r == 0 || r == 7))
        outlineQuadrant(surface, q);
}

void RepaintGridPixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r, const BgColorSet &colors,
                      bool pixelLines)
{
    repaintPixel(surface, model, n, q, 0, 0, GridSize, j, r, colors);
    if (pixelLines)
        drawCellLines(surface, j, r);
}

int ShownSubPalette(const modKrelin &model, int n)
{
    return model.byteAt(SubPaletteOffset(model, n)) & 3;
}

void DrawMetaTileComposite(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors, int outlined)
{
    FastCls(surface, 1000, 1000);
    for (int q = 0; q < 4; ++q)
        paintQuadrant(surface, model, n, q, QuadrantPitch * (q & 1), QuadrantPitch * (q >> 1), QuadrantSize, colors);
    outlineQuadrant(surface, outlined);
}

void DrawTileGrid(QImage &surface, const modKrelin &model, int n, int q, const BgColorSet &colors, bool pixelLines)
{
    FastCls(surface, 1000, 1000);
    if (q < 0 || q > 3)
        return;
    paintQuadrant(surface, model, n, q, 0, 0, GridSize, colors);
    if (pixelLines)
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j)
                drawCellLines(surface, j, r);
}

} // namespace krelin
