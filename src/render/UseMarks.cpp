#include "UseMarks.h"

#include "MetaTilePainter.h"

#include <algorithm>

namespace krelin {

void DrawUseOutline(QImage &surface, int col, int row)
{
    const int x = CellPitch * col, y = CellPitch * row;
    DrawBox(surface, x, y, x + MetaTileShownSize, y + MetaTileShownSize, UseOutlineColor);
    DrawBox(surface, x + 1, y + 1, x + MetaTileShownSize - 1, y + MetaTileShownSize - 1, UseOutlineColor);
}

void DimCell(QImage &surface, int col, int row)
{
    const int x0 = CellPitch * col, y0 = CellPitch * row;
    const int x1 = std::min(x0 + MetaTileShownSize, surface.width());
    const int y1 = std::min(y0 + MetaTileShownSize, surface.height());
    const int clearRed = qRed(ClearColor), clearGreen = qGreen(ClearColor), clearBlue = qBlue(ClearColor);
    for (int y = std::max(y0, 0); y < y1; ++y) {
        auto *line = reinterpret_cast<QRgb *>(surface.scanLine(y));
        for (int x = std::max(x0, 0); x < x1; ++x) {
            const QRgb p = line[x];
            line[x] = qRgb((qRed(p) + 2 * clearRed) / 3, (qGreen(p) + 2 * clearGreen) / 3,
                           (qBlue(p) + 2 * clearBlue) / 3);
        }
    }
}

} // namespace krelin
