#include "MasterGrid.h"

#include "Palette.h"
#include "TilePainter.h"

#include <algorithm>
#include <cmath>

namespace krelin {

int MasterColourAt(double x, double y)
{
    const double px = std::nearbyint(x), py = std::nearbyint(y); // default rounding: halves to even
    // Written so that a position that is not a number also names no colour.
    if (!(px >= 0 && px < MasterGridWidth && py >= 0 && py < MasterGridHeight))
        return -1;
    return MasterColumns * (int(py) / MasterSquare) + int(px) / MasterSquare;
}

void DrawMasterGrid(QImage &surface, const modKrelin &model, int outlined)
{
    FastCls(surface, 10000, 10000);
    const int width = std::min(surface.width(), MasterGridWidth);
    const int height = std::min(surface.height(), MasterGridHeight);
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(surface.scanLine(y));
        const int row = y / MasterSquare;
        for (int x = 0; x < width; ++x)
            line[x] = ToQRgb(MasterColor(model, MasterColumns * row + x / MasterSquare));
    }
    if (outlined >= 0)
        DrawMasterSquare(surface, model, outlined, true);
}

void DrawMasterSquare(QImage &surface, const modKrelin &model, int k, bool outlined)
{
    if (k < 0 || k >= MasterColumns * MasterRows)
        return;
    const int x = MasterSquare * (k % MasterColumns), y = MasterSquare * (k / MasterColumns);
    // The outline lies on the square's outer two rings of pixels; without it they take the
    // square's colour again.
    const QRgb color = ToQRgb(MasterColor(model, k));
    DrawRing(surface, x, y, x + MasterSquare - 1, y + MasterSquare - 1, 2, outlined ? ContrastingColor(color) : color);
}

void DrawMasterCursor(QImage &surface, int k)
{
    if (k < 0 || k >= MasterColumns * MasterRows)
        return;
    const int x = MasterSquare * (k % MasterColumns), y = MasterSquare * (k / MasterColumns);
    DrawRing(surface, x, y, x + MasterSquare - 1, y + MasterSquare - 1, 1, 0xFFFFFFFF);
    DrawRing(surface, x + 1, y + 1, x + MasterSquare - 2, y + MasterSquare - 2, 1, 0xFF000000);
}

} // namespace krelin
