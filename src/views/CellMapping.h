#pragma once

#include <cmath>

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

} // namespace krelin
