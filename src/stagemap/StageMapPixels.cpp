#include "StageMapPixels.h"

#include <algorithm>
#include <cstring>

namespace krelin {

void StageMapPixels::setColors(QRgb lineColor, QRgb beyondColor, QRgb labelColor)
{
    line = lineColor;
    beyond = beyondColor;
    labels = labelColor;
}

void StageMapPixels::paint(QImage &out, const QImage *picture, const StageMapGeometry &layout, const QRect &area)
{
    // The runs of the columns: a frame's pixels, the line after it, what lies beyond.
    runs.clear();
    for (int x = area.left(); x <= area.right();) {
        const int frame = picture ? layout.frameAt(x) : -1;
        if (frame < 0) {
            runs.push_back({x - area.left(), area.right() - x + 1, -2});
            break;
        }
        const QRect frameRect = layout.frameRect(frame);
        if (x > frameRect.right()) { // on the line after the frame
            runs.push_back({x - area.left(), 1, -1});
            ++x;
            continue;
        }
        const int width = std::min(frameRect.right(), area.right()) - x + 1;
        runs.push_back({x - area.left(), width, layout.pictureColumn(x)});
        x += width;
    }
    const bool console = layout.scale == StageMapGeometry::ConsoleScale;
    // At another zoom, each canvas column's picture column.
    columns.assign(std::size_t(area.width()), 0);
    if (!console)
        for (const Run &run : runs)
            for (int i = 0; run.first >= 0 && i < run.width; ++i)
                columns[std::size_t(run.x + i)] = layout.pictureColumn(area.left() + run.x + i);
    const int stride = int(out.bytesPerLine() / sizeof(QRgb));
    auto *first = reinterpret_cast<QRgb *>(out.bits());
    int shownRow = -3;
    QRgb *shown = nullptr;
    for (int y = 0; y < area.height(); ++y) {
        QRgb *row = first + std::ptrdiff_t(y) * stride;
        const int canvasY = area.top() + y;
        const int pictureRow = picture ? layout.pictureRow(canvasY) : -1;
        if (pictureRow < 0) {
            std::fill(row, row + area.width(), canvasY < StageMapGeometry::LabelHeight ? labels : beyond);
            continue;
        }
        if (pictureRow == shownRow) { // the zoom shows this picture row again
            std::memcpy(row, shown, std::size_t(area.width()) * sizeof(QRgb));
            continue;
        }
        const auto *pixels = reinterpret_cast<const QRgb *>(picture->constScanLine(pictureRow));
        for (const Run &run : runs) {
            QRgb *to = row + run.x;
            if (run.first < 0) {
                std::fill(to, to + run.width, run.first == -1 ? line : beyond);
                continue;
            }
            if (console) {
                std::memcpy(to, pixels + run.first, std::size_t(run.width) * sizeof(QRgb));
                continue;
            }
            const int *column = columns.data() + run.x;
            for (int i = 0; i < run.width; ++i)
                to[i] = pixels[column[i]];
        }
        shownRow = pictureRow;
        shown = row;
    }
}

} // namespace krelin
