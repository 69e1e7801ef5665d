#pragma once

#include "render/MetaTilePainter.h"
#include "render/TilePainter.h"

#include <QImage>
#include <QRect>

namespace krelin {

// The white frame that follows the pointer over the cells of the level map and the
// metatile table (34-pixel cells).
inline constexpr QRgb CellFrameColor = 0xFFFFFFFF;

inline void DrawCellFrame(QImage &surface, int col, int row)
{
    DrawBox(surface, CellPitch * col, CellPitch * row, CellPitch * col + MetaTileShownSize,
            CellPitch * row + MetaTileShownSize, CellFrameColor);
}

// The outline of the selected cells (Shift + drag, Select All), and of a stamp drawn over
// the map where it would land. Each is drawn cell by cell: a two-pixel line along the
// sides of the cell that lie on the rectangle's edge (the box's line and the one inside
// it, so that the white frame of the pointer leaves one of them in sight).
inline constexpr QRgb SelectionColor = 0xFF00E8FF;
inline constexpr QRgb GhostColor = 0xFFFF50FF;

inline void DrawRectEdges(QImage &surface, int col, int row, const QRect &rect, QRgb color)
{
    const int x = CellPitch * col, y = CellPitch * row, last = MetaTileShownSize;
    for (int i = 0; i < 2; ++i) {
        if (col == rect.left())
            DrawBox(surface, x + i, y, x + i, y + last, color);
        if (col == rect.right())
            DrawBox(surface, x + last - i, y, x + last - i, y + last, color);
        if (row == rect.top())
            DrawBox(surface, x, y + i, x + last, y + i, color);
        if (row == rect.bottom())
            DrawBox(surface, x, y + last - i, x + last, y + last - i, color);
    }
}

inline void DrawSelectionEdges(QImage &surface, int col, int row, const QRect &rect)
{
    DrawRectEdges(surface, col, row, rect, SelectionColor);
}

inline void DrawGhostEdges(QImage &surface, int col, int row, const QRect &rect)
{
    DrawRectEdges(surface, col, row, rect, GhostColor);
}

// The lasting mark of the selected metatile in the table: the one-pixel lines around its
// cell (the lines between cells), so that the metatile itself shows as it is.
inline constexpr QRgb SelectedMarkColor = 0xFFFF3860;

inline void DrawSelectedMark(QImage &surface, int col, int row)
{
    const int x = CellPitch * col, y = CellPitch * row, last = MetaTileShownSize;
    DrawBox(surface, x + last, y - 1, x + last, y + last, SelectedMarkColor);
    DrawBox(surface, x - 1, y + last, x + last, y + last, SelectedMarkColor);
    if (x > 0)
        DrawBox(surface, x - 1, y - 1, x - 1, y + last, SelectedMarkColor);
    if (y > 0)
        DrawBox(surface, x - 1, y - 1, x + last, y - 1, SelectedMarkColor);
}

// While comparing with another image: the mark on a cell of the map, or a metatile of the
// table, that differs from it. Lime differs from the pointer's white, the selection's cyan,
// the stamp's magenta, the selected metatile's red and the amber of Show Uses. It is a
// two-pixel ring two pixels inside the cell's box, so that the use outline (the box and
// the ring just inside it) and the pointer's frame leave it in sight.
inline constexpr QRgb DiffMarkColor = 0xFF8CFF20;

inline void DrawDiffMark(QImage &surface, int col, int row)
{
    const int x = CellPitch * col, y = CellPitch * row, last = MetaTileShownSize;
    for (int i = 2; i < 4; ++i)
        DrawBox(surface, x + i, y + i, x + last - i, y + last - i, DiffMarkColor);
}

// Clears the whole 34 x 34 box of the cell at (col, row). Painting a metatile covers only
// its tiles; the white frame also runs over the one-pixel lines between them, and those
// must not stay behind when the frame moves on or the cell is repainted.
inline void ClearCellBox(QImage &surface, int col, int row)
{
    PaintBlankTile(surface, CellPitch * col, CellPitch * row, CellPitch);
}

} // namespace krelin
