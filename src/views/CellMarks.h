#pragma once

#include "render/MetaTilePainter.h"
#include "render/TilePainter.h"

#include <QImage>

namespace krelin {

// The white frame that follows the pointer over the cells of the level map and the
// metatile table (34-pixel cells).
inline constexpr QRgb CellFrameColor = 0xFFFFFFFF;

inline void DrawCellFrame(QImage &surface, int col, int row)
{
    DrawBox(surface, CellPitch * col, CellPitch * row, CellPitch * col + MetaTileShownSize,
            CellPitch * row + MetaTileShownSize, CellFrameColor);
}

// Clears the whole 34 x 34 box of the cell at (col, row). Painting a metatile covers only
// its tiles; the white frame also runs over the one-pixel lines between them, and those
// must not stay behind when the frame moves on or the cell is repainted.
inline void ClearCellBox(QImage &surface, int col, int row)
{
    PaintBlankTile(surface, CellPitch * col, CellPitch * row, CellPitch);
}

} // namespace krelin
