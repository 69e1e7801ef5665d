#include "AppIcon.h"

#include <QPixmap>

#include <algorithm>
#include <cmath>

namespace krelin {

namespace {

// A length of the 32-pixel design, in pixels of an icon `scale` times as large.
int scaled(double designPixels, double scale)
{
    return int(std::lround(designPixels * scale));
}

} // namespace

QImage AppIconImage(int size)
{
    const QRgb outline = qRgb(0x20, 0x18, 0x10);
    const QRgb grassLight = qRgb(0x7C, 0xD8, 0x4C);
    const QRgb grass = qRgb(0x30, 0xA0, 0x38);
    const QRgb brick = qRgb(0xC8, 0x5C, 0x24);
    const QRgb brickShade = qRgb(0x98, 0x40, 0x18);
    const QRgb mortar = qRgb(0xF0, 0xD8, 0xA8);

    size = std::max(size, 1);
    const double k = size / 32.0;
    // Lines of the design are one pixel at 32; they never vanish at smaller sizes, and the
    // shading beside them gives way first.
    const int line = std::max(1, scaled(1, k));
    const int shade = int(std::floor(k));
    const int grassLightDepth = scaled(3, k);
    const int zigWidth = std::max(1, scaled(3, k)); // grass hangs over the bricks in a zig-zag edge
    const int grassDepth = scaled(8, k);
    const int zigDrop = scaled(2, k);
    const int bricksTop = scaled(4, k);
    const int course = std::max(line + 1, scaled(6, k)); // rows of bricks
    const int brickWidth = std::max(line + 1, scaled(16, k));

    QImage icon(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        auto *out = reinterpret_cast<QRgb *>(icon.scanLine(y));
        for (int x = 0; x < size; ++x) {
            QRgb c;
            if (x < line || y < line || x >= size - line || y >= size - line)
                c = outline;
            else if (y < grassLightDepth)
                c = grassLight;
            else if (y < grassDepth + ((x / zigWidth) % 2) * zigDrop)
                c = grass;
            else {
                const int row = (y - bricksTop) / course;
                const int inRow = (y - bricksTop) % course;
                const int inBrick = (x + (row % 2) * (brickWidth / 2)) % brickWidth;
                if (inRow >= course - line || inBrick >= brickWidth - line)
                    c = mortar;
                else if (inRow >= course - line - shade || inBrick >= brickWidth - line - shade)
                    c = brickShade;
                else
                    c = brick;
            }
            out[x] = c;
        }
    }
    return icon;
}

QIcon AppIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(AppIconImage(size)));
    return icon;
}

} // namespace krelin
