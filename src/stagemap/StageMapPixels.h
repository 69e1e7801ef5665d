#pragma once

#include "StageMapGeometry.h"

#include <QImage>

#include <vector>

namespace krelin {

// Turns a part of the stage map's picture (one pixel a tile pixel) into screen pixels at
// the canvas's zoom: each canvas pixel takes the colour of the picture pixel its top-left
// corner falls in. It is most of the canvas's cost of painting, so it works a row at a
// time: at 100 % a frame's part of a row is one copy, and a canvas row that shows the same
// picture row as the one above it is a copy of that one.
class StageMapPixels
{
public:
    // The colours of the lines between frames, and of what lies beyond the stage and its
    // labels' band.
    void setColors(QRgb line, QRgb beyond, QRgb labels);

    // Fills out's top-left corner with the canvas pixels of content rectangle area (canvas
    // coordinates, scrolling included) for a picture of the stage in layout; out must be
    // at least as large as area. Without a picture (no stage) everything lies beyond.
    void paint(QImage &out, const QImage *picture, const StageMapGeometry &layout, const QRect &area);

private:
    // A run of canvas columns: picture columns from first (-1: a frame line, -2: beyond).
    struct Run
    {
        int x, width, first;
    };

    QRgb line = 0, beyond = 0, labels = 0;
    std::vector<Run> runs;
    std::vector<int> columns; // for zooms other than 100 %: each canvas column's picture column
};

} // namespace krelin
