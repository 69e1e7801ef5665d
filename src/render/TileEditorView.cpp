#include "TileEditorView.h"

#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/modKrelin.h"

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

} // namespace

void RepaintCompositePixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r,
                           const BgColorSet &colors)
{
    repaintPixel(surface, model, n, q, QuadrantPitch * (q & 1), QuadrantPitch * (q >> 1), QuadrantSize, j, r, colors);
}

void RepaintGridPixel(QImage &surface, const modKrelin &model, int n, int q, int j, int r, const BgColorSet &colors)
{
    repaintPixel(surface, model, n, q, 0, 0, GridSize, j, r, colors);
}

int ShownSubPalette(const modKrelin &model, int n)
{
    return model.byteAt(SubPaletteOffset(model, n)) & 3;
}

void DrawMetaTileComposite(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors)
{
    FastCls(surface, 1000, 1000);
    for (int q = 0; q < 4; ++q)
        paintQuadrant(surface, model, n, q, QuadrantPitch * (q & 1), QuadrantPitch * (q >> 1), QuadrantSize, colors);
}

void DrawTileGrid(QImage &surface, const modKrelin &model, int n, int q, const BgColorSet &colors)
{
    FastCls(surface, 1000, 1000);
    if (q >= 0 && q <= 3)
        paintQuadrant(surface, model, n, q, 0, 0, GridSize, colors);
}

} // namespace krelin
