#pragma once

#include "render/MetaTilePainter.h"
#include "widgets/PictureSurface.h"

#include <QPoint>

#include <cmath>
#include <optional>

namespace krelin {

// Maps a pointer coordinate on a surface to a cell index: the coordinate rounded to the
// nearest whole pixel (halves to even), divided by the cell pitch with truncation, and
// clamped to lastCell. A coordinate left of or above the surface (a pointer captured
// while a button is held elsewhere) gives -1: no cell.
inline int CellFromPosition(double position, int pitch, int lastCell)
{
    const double pixel = std::nearbyint(position); // the default rounding mode: halves to even
    if (pixel < 0)
        return -1;
    if (pixel >= double(pitch) * (lastCell + 1))
        return lastCell;
    const int cell = int(pixel) / pitch;
    return cell > lastCell ? lastCell : cell;
}

// The cell (column, row) of a surface's grid of columns x rows cells, CellPitch pixels
// apart, under a pointer at position (widget coordinates) that lies at windowPosition in
// the window; nothing left of or above the grid.
inline std::optional<QPoint> SurfaceCell(const PictureSurface &surface, const QPointF &position,
                                         const QPointF &windowPosition, int columns, int rows)
{
    const QPointF p = surface.imagePosition(position, windowPosition);
    const int col = CellFromPosition(p.x(), CellPitch, columns - 1);
    const int row = CellFromPosition(p.y(), CellPitch, rows - 1);
    if (col < 0 || row < 0)
        return std::nullopt;
    return QPoint(col, row);
}

} // namespace krelin
