#pragma once

#include <QImage>

namespace krelin {

// The marks that say where metatiles are used: an outline on the cells of the level map
// that hold the selected metatile, and a dimmed look for the metatiles of the table that
// no frame uses. Both work on one cell of a surface of 34-pixel cells, at (col, row).

// Amber stands out against the sky, ground and brick colours of most stages, and
// differs from the white frame that follows the pointer.
inline constexpr QRgb UseOutlineColor = 0xFFFFB000;

// A two-pixel outline: the cell's box (as the pointer's frame draws it) and the ring just
// inside it.
void DrawUseOutline(QImage &surface, int col, int row);

// Darkens the metatile drawn in the cell to a third of its brightness, over the cleared
// colour, so that it stands back while its picture can still be made out.
void DimCell(QImage &surface, int col, int row);

} // namespace krelin
