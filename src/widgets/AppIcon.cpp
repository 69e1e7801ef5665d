#include "AppIcon.h"

#include <QPixmap>

namespace krelin {

QImage AppIconImage()
{
    const QRgb outline = qRgb(0x20, 0x18, 0x10);
    const QRgb grassLight = qRgb(0x7C, 0xD8, 0x4C);
    const QRgb grass = qRgb(0x30, 0xA0, 0x38);
    const QRgb brick = qRgb(0xC8, 0x5C, 0x24);
    const QRgb brickShade = qRgb(0x98, 0x40, 0x18);
    const QRgb mortar = qRgb(0xF0, 0xD8, 0xA8);

    QImage icon(32, 32, QImage::Format_ARGB32);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            QRgb c;
            // Grass hangs over the bricks in a zig-zag edge.
            const int grassDepth = 8 + ((x / 3) % 2) * 2;
            if (x == 0 || x == 31 || y == 0 || y == 31)
                c = outline;
            else if (y < 3)
                c = grassLight;
            else if (y < grassDepth)
                c = grass;
            else {
                const int course = (y - 10 + 6) / 6; // rows of bricks, 6 pixels high
                const int inCourse = (y - 10 + 6) % 6;
                const int shifted = x + (course % 2) * 8;
                if (inCourse == 5 || shifted % 16 == 15)
                    c = mortar;
                else if (inCourse == 4 || shifted % 16 == 14)
                    c = brickShade;
                else
                    c = brick;
            }
            icon.setPixel(x, y, c);
        }
    }
    return icon;
}

QIcon AppIcon()
{
    return QIcon(QPixmap::fromImage(AppIconImage()));
}

} // namespace krelin
