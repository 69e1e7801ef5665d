#include "TileEditorView.h"

#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/modKrelin.h"

namespace krelin {

namespace {

// Paints the tile of quadrant q of metatile n, size x size at (x, y).
void paintQuadrant(QImage &surface, const modKrelin &model, int n, int q, int x, int y, int size)
{
    const qint64 record = QuadrantTileOffset(model, n, q);
    const std::uint8_t *tile =
        model.holds(record, 1) ? model.bytesAt(TileOffset(model, model.byteAt(record)), TileBytes) : nullptr;
    if (tile)
        Paint2BPPTile(surface, tile, model.BgColors.data() + 4 * ShownSubPalette(model, n), x, y, size);
    else
        PaintBlankTile(surface, x, y, size);
}

} // namespace

int ShownSubPalette(const modKrelin &model, int n)
{
    return model.byteAt(SubPaletteOffset(model, n)) & 3;
}

void DrawMetaTileComposite(QImage &surface, const modKrelin &model, int n)
{
    FastCls(surface, 1000, 1000);
    for (int q = 0; q < 4; ++q)
        paintQuadrant(surface, model, n, q, QuadrantPitch * (q & 1), QuadrantPitch * (q >> 1), QuadrantSize);
}

void DrawTileGrid(QImage &surface, const modKrelin &model, int n, int q)
{
    FastCls(surface, 1000, 1000);
    if (q >= 0 && q <= 3)
        paintQuadrant(surface, model, n, q, 0, 0, GridSize);
}

} // namespace krelin
