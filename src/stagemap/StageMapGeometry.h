#pragma once

#include "core/StageCells.h"

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <optional>

namespace krelin {

// Where everything lies on the stage map's canvas: a band of frame labels at the top,
// then the frames side by side, each metatile cell pixels square (16 at 100 %, the
// console's own size), with a one-pixel line between frames when frame lines are shown
// and no gap otherwise. Positions are in the canvas's content (scrolling aside).
struct StageMapGeometry
{
    // A metatile's side at the zoom levels the keys and the wheel step through: 25, 50,
    // 75, 100, 150, 200, 300 and 400 %. Whole-stage zoom takes any side in between.
    static constexpr int Steps[] = {4, 8, 12, 16, 24, 32, 48, 64};
    static constexpr int MinCell = 4;
    static constexpr int MaxCell = 64;
    static constexpr int LabelHeight = 18;

    int frames = 0;
    int cell = 16;
    bool lines = true;

    static int percentOf(int cell) { return (cell * 100 + 8) / 16; }
    static int cellOf(int percent) { return std::clamp((percent * 16 + 50) / 100, MinCell, MaxCell); }
    // The next zoom step above (up) or below the cell size given, or the size itself at the
    // ends.
    static int step(int cell, bool up)
    {
        if (up) {
            for (const int s : Steps)
                if (s > cell)
                    return s;
            return std::max(cell, MaxCell);
        }
        for (auto it = std::rbegin(Steps); it != std::rend(Steps); ++it)
            if (*it < cell)
                return *it;
        return std::min(cell, MinCell);
    }

    int frameWidth() const { return FrameColumns * cell; }
    int framePitch() const { return frameWidth() + (lines ? 1 : 0); }
    int mapHeight() const { return FrameRows * cell; }
    int width() const { return frames > 0 ? frames * framePitch() - (lines ? 1 : 0) : 0; }
    int height() const { return LabelHeight + mapHeight(); }

    // Frame f's map, and its label above it.
    QRect frameRect(int frame) const { return QRect(frame * framePitch(), LabelHeight, frameWidth(), mapHeight()); }
    QRect labelRect(int frame) const { return QRect(frame * framePitch(), 0, frameWidth(), LabelHeight); }
    // The line after frame f.
    QRect lineRect(int frame) const { return QRect(frame * framePitch() + frameWidth(), 0, lines ? 1 : 0, height()); }

    QRect cellRect(const StageCell &c) const
    {
        return QRect(c.frame * framePitch() + c.col * cell, LabelHeight + c.row * cell, cell, cell);
    }
    // The pixels a rectangle of places on the stage's strip covers, the lines between its
    // frames included.
    QRect placesRect(const QRect &places) const
    {
        if (places.isEmpty())
            return {};
        return cellRect(CellAtPoint(places.topLeft())).united(cellRect(CellAtPoint(places.bottomRight())));
    }

    // The cell at a position; a frame line counts to the frame before it. Nothing over the
    // labels or beyond the stage.
    std::optional<StageCell> cellAt(const QPoint &p) const
    {
        if (p.x() < 0 || p.x() >= width() || p.y() < LabelHeight || p.y() >= height())
            return std::nullopt;
        const int frame = p.x() / framePitch();
        const int col = std::min((p.x() - frame * framePitch()) / cell, FrameColumns - 1);
        return StageCell{frame, (p.y() - LabelHeight) / cell, col};
    }
    // The frame at a position, labels included; -1 beyond the stage.
    int frameAt(int x) const { return x >= 0 && x < width() ? x / framePitch() : -1; }

    // The picture's column shown at canvas column x (-1 on a frame line, -2 beyond the
    // stage), and its row shown at canvas row y (-1 off the map). Each picture pixel is
    // shown on the canvas pixels whose top-left corner falls in it.
    int pictureColumn(int x) const
    {
        if (x < 0 || x >= width())
            return -2;
        const int frame = x / framePitch(), within = x - frame * framePitch();
        return within >= frameWidth() ? -1 : frame * FrameColumns * 16 + within * 16 / cell;
    }
    int pictureRow(int y) const
    {
        const int within = y - LabelHeight;
        return within < 0 || within >= mapHeight() ? -1 : within * 16 / cell;
    }

    // A position given as a place on the picture (x and y in picture pixels, fractions
    // allowed) in this geometry, and back: what keeps the point under the pointer in its
    // place when the zoom changes.
    QPointF toPicture(const QPointF &p) const
    {
        const int frame = std::clamp(int(p.x()) / std::max(1, framePitch()), 0, std::max(0, frames - 1));
        const double within = std::min(p.x() - frame * framePitch(), double(frameWidth()));
        return {frame * FrameColumns * 16 + within * 16 / cell, (p.y() - LabelHeight) * 16 / cell};
    }
    QPointF fromPicture(const QPointF &p) const
    {
        const int frame = std::clamp(int(p.x()) / (FrameColumns * 16), 0, std::max(0, frames - 1));
        return {frame * framePitch() + (p.x() - frame * FrameColumns * 16) * cell / 16, LabelHeight + p.y() * cell / 16};
    }
};

} // namespace krelin
