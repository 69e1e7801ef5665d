#pragma once

#include "core/StageTable.h"
#include "core/modKrelin.h"

namespace krelin {

// Where a metatile's parts lie in the image, at the current stage's offsets. An offset
// may lie outside a short image: read there through the model's checked accessors.

// The tile number of quadrant q (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right)
// of metatile n.
inline qint64 QuadrantTileOffset(const modKrelin &model, int n, int q)
{
    return qint64(model.MetaTileOffset) + 4 * qint64(n) + q;
}

// The sub-palette byte of metatile n.
inline qint64 SubPaletteOffset(const modKrelin &model, int n)
{
    return qint64(model.MetaPalOffset) + n;
}

// The first of the 16 bytes of tile t.
inline qint64 TileOffset(const modKrelin &model, int t)
{
    return qint64(model.ChrOffset) + TileBytes * qint64(t);
}

} // namespace krelin
