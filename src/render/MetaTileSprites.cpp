#include "MetaTileSprites.h"

#include "TilePainter.h"

#include <algorithm>
#include <cstring>

namespace krelin {

void MetaTileSprites::forgetAll()
{
    ready.reset();
}

void MetaTileSprites::forget(const std::bitset<MetaTileCount> &metaTiles)
{
    ready &= ~metaTiles;
}

const QRgb *MetaTileSprites::sprite(const modKrelin &model, int n, const BgColorSet &colors)
{
    if (colors != madeWith) {
        ready.reset();
        madeWith = colors;
    }
    if (pixels.empty())
        pixels.resize(std::size_t(MetaTileCount) * Size * Size);
    QRgb *p = pixels.data() + std::size_t(n) * Size * Size;
    if (!ready.test(std::size_t(n))) {
        QImage picture(reinterpret_cast<uchar *>(p), Size, Size, Size * int(sizeof(QRgb)), QImage::Format_RGB32);
        PaintBlankTile(picture, 0, 0, Size);
        DrawMetaTile(picture, model, 0, 0, n, colors, &PrepareSubPalettes(colors));
        ready.set(std::size_t(n));
    }
    return p;
}

void MetaTileSprites::paint(QImage &surface, const modKrelin &model, int col, int row, int n, const BgColorSet &colors)
{
    const QRgb *from = sprite(model, n & 0xFF, colors);
    const int x = Size * col, y = Size * row;
    const int width = std::min(Size, surface.width() - x), height = std::min(Size, surface.height() - y);
    if (width <= 0 || height <= 0 || x < 0 || y < 0)
        return;
    uchar *bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    for (int i = 0; i < height; ++i)
        std::memcpy(bits + (y + i) * stride + x * qsizetype(sizeof(QRgb)), from + i * Size,
                    std::size_t(width) * sizeof(QRgb));
}

} // namespace krelin
