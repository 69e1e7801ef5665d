#include "TileEdits.h"

#include "render/MetaTileOffsets.h"
#include "render/TileFormat.h"

namespace krelin {

namespace {

bool inRange(int value, int last)
{
    return value >= 0 && value <= last;
}

} // namespace

bool SetQuadrantTile(modKrelin &model, int n, int q, int t)
{
    if (!inRange(n, MetaTileCount - 1) || !inRange(q, 3) || !inRange(t, TilesPerBank - 1))
        return false;
    return model.writeByte(QuadrantTileOffset(model, n, q), std::uint8_t(t));
}

bool PaintTilePixel(modKrelin &model, int n, int q, int col, int row, int colorIndex)
{
    if (!inRange(n, MetaTileCount - 1) || !inRange(q, 3))
        return false;
    const qint64 record = QuadrantTileOffset(model, n, q);
    // The tile number must be read from the image, not taken as 0 for a short image.
    if (!model.holds(record, 1))
        return false;
    return SetTilePixel(model, TileOffset(model, model.byteAt(record)), col, row, colorIndex);
}

bool SetMetaTileSubPalette(modKrelin &model, int n, int p)
{
    if (!inRange(n, MetaTileCount - 1) || !inRange(p, 3))
        return false;
    return model.writeByte(SubPaletteOffset(model, n), std::uint8_t(p));
}

} // namespace krelin
