#pragma once

#include "core/StageCells.h"

#include <QPoint>
#include <QRect>

#include <algorithm>
#include <optional>

namespace krelin {

// Where everything lies on the stage map's canvas: a band of frame labels at the top,
// then the frames side by side, with a one-pixel line between frames when frame lines
// are shown and no gap otherwise. Positions are in the canvas's content (scrolling aside).
//
// The zoom is a frame's width in canvas pixels: 256 at 100 %, where a metatile is 16
// pixels square, the console's own size. The keys and the wheel step through 25, 50, 75,
// 100, 150, 200, 300 and 400 %; Whole Stage takes any width in between, so that the stage
// fills the view. A metatile is then scale / 16 pixels wide, fractions allowed: the edges
// between cells fall on the pixel at or after their exact place, so cells differ by at
// most a pixel, and a canvas pixel shows the picture pixel its top-left corner falls in.
struct StageMapGeometry
{
    static constexpr int Steps[] = {64, 128, 192, 256, 384, 512, 768, 1024};
    static constexpr int MinScale = 64;
    static constexpr int MaxScale = 1024;
    static constexpr int ConsoleScale = 256;
    static constexpr int LabelHeight = 18;

    int frames = 0;
    int scale = ConsoleScale;
    bool lines = true;

    static int percentOf(int scale) { return (scale * 100 + ConsoleScale / 2) / ConsoleScale; }
    static int scaleOf(int percent) { return std::clamp((percent * ConsoleScale + 50) / 100, MinScale, MaxScale); }
    // The next zoom step above (up) or below the scale given, or the scale itself at the
    // ends.
    static int step(int scale, bool up)
    {
        if (up) {
            for (const int s : Steps)
                if (s > scale)
                    return s;
            return std::max(scale, MaxScale);
        }
        for (auto it = std::rbegin(Steps); it != std::rend(Steps); ++it)
            if (*it < scale)
                return *it;
        return std::min(scale, MinScale);
    }

    // Where the edge before cell k (a column 0..16 of a frame, or a row 0..15 of its map)
    // lies from the frame's left or the map's top: the first pixel at or after k * scale / 16.
    int edge(int k) const { return (k * scale + 15) / 16; }
    // The cell (a column of a frame, or a row of its map) that a pixel at offset within
    // from the frame's left or the map's top lies in.
    int cellAtOffset(int within) const { return within * 16 / scale; }

    int frameWidth() const { return scale; }
    int framePitch() const { return frameWidth() + (lines ? 1 : 0); }
    int mapHeight() const { return edge(FrameRows); }
    int width() const { return frames > 0 ? frames * framePitch() - (lines ? 1 : 0) : 0; }
    int height() const { return LabelHeight + mapHeight(); }

    // Frame f's map, and its label above it.
    QRect frameRect(int frame) const { return QRect(frame * framePitch(), LabelHeight, frameWidth(), mapHeight()); }
    QRect labelRect(int frame) const { return QRect(frame * framePitch(), 0, frameWidth(), LabelHeight); }
    // The line after frame f.
    QRect lineRect(int frame) const { return QRect(frame * framePitch() + frameWidth(), 0, lines ? 1 : 0, height()); }

    QRect cellRect(const StageCell &c) const
    {
        return QRect(c.frame * framePitch() + edge(c.col), LabelHeight + edge(c.row), edge(c.col + 1) - edge(c.col),
                     edge(c.row + 1) - edge(c.row));
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
        const int col = std::min(cellAtOffset(p.x() - frame * framePitch()), FrameColumns - 1);
        return StageCell{frame, cellAtOffset(p.y() - LabelHeight), col};
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
        return within >= frameWidth() ? -1 : frame * FrameColumns * 16 + within * ConsoleScale / scale;
    }
    int pictureRow(int y) const
    {
        const int within = y - LabelHeight;
        return within < 0 || within >= mapHeight() ? -1 : within * ConsoleScale / scale;
    }

    // A position given as a place on the picture (x and y in picture pixels, fractions
    // allowed) in this geometry, and back: what keeps the point under the pointer in its
    // place when the zoom changes.
    QPointF toPicture(const QPointF &p) const
    {
        const int frame = std::clamp(int(p.x()) / std::max(1, framePitch()), 0, std::max(0, frames - 1));
        const double within = std::min(p.x() - frame * framePitch(), double(frameWidth()));
        return {frame * FrameColumns * 16 + within * ConsoleScale / scale, (p.y() - LabelHeight) * ConsoleScale / scale};
    }
    QPointF fromPicture(const QPointF &p) const
    {
        const int frame = std::clamp(int(p.x()) / (FrameColumns * 16), 0, std::max(0, frames - 1));
        return {frame * framePitch() + (p.x() - frame * FrameColumns * 16) * scale / ConsoleScale,
                LabelHeight + p.y() * scale / ConsoleScale};
    }
};

} // namespace krelin
