#pragma once

#include "ImageLayout.h"

#include <QPoint>
#include <QRect>

namespace krelin {

// The cells of a stage as one strip: its frames side by side, 15 rows high and 16
// columns a frame wide. The tools of the level map work in these terms, so that a stamp,
// a selection or a fill can reach over a frame's edge: stage column x is column x mod 16
// of frame x div 16.
struct StageCell
{
    int frame = 0;
    int row = 0;
    int col = 0;

    bool operator==(const StageCell &) const = default;
};

// The cell's place on the strip: (stage column, row).
inline QPoint StagePoint(const StageCell &cell)
{
    return {FrameColumns * cell.frame + cell.col, cell.row};
}

// The cell at a place on the strip; the place must not lie left of it.
inline StageCell CellAtPoint(const QPoint &point)
{
    return {point.x() / FrameColumns, point.y(), point.x() % FrameColumns};
}

// The cells of frame f, and of frames 0..frames-1, on the strip.
inline QRect FrameReach(int frame)
{
    return QRect(FrameColumns * frame, 0, FrameColumns, FrameRows);
}

inline QRect StageReach(int frames)
{
    return QRect(0, 0, FrameColumns * frames, FrameRows);
}

// The byte that holds the metatile of the cell at a place on the strip.
inline qint64 StageCellOffset(const StageOffsets &s, const QPoint &point)
{
    const StageCell cell = CellAtPoint(point);
    return LevelCellOffset(s, cell.frame, cell.col, cell.row);
}

} // namespace krelin
