#include "MetaTileSprites.h"

#include "TilePainter.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

// One row of a cell's picture (34 pixels, 136 bytes), in 16-byte moves: a plain memcpy of
// this size becomes a string move whose start-up costs more than the copy.
inline void copyRow(QRgb *to, const QRgb *from)
{
    static_assert(MetaTileSprites::Size * sizeof(QRgb) == 8 * 16 + 8);
    auto *d = reinterpret_cast<unsigned char *>(to);
    auto *s = reinterpret_cast<const unsigned char *>(from);
    for (int k = 0; k < 8; ++k)
        std::memcpy(d + 16 * k, s + 16 * k, 16);
    std::memcpy(d + 128, s + 128, 8);
}

// The metatile's part of a row (33 pixels), leaving the line after it.
inline void copyMetaTileRow(QRgb *to, const QRgb *from)
{
    auto *d = reinterpret_cast<unsigned char *>(to);
    auto *s = reinterpret_cast<const unsigned char *>(from);
    for (int k = 0; k < 8; ++k)
        std::memcpy(d + 16 * k, s + 16 * k, 16);
    std::memcpy(d + 128, s + 128, 4);
}

} // namespace

void MetaTileSprites::forgetAll()
{
    ready.reset();
}

void MetaTileSprites::forget(const std::bitset<MetaTileCount> &metaTiles)
{
    ready &= ~metaTiles;
}

void MetaTileSprites::useColors(const BgColorSet &colors)
{
    if (colors != madeWith) {
        ready.reset();
        madeWith = colors;
    }
    if (pixels.empty())
        pixels.resize(std::size_t(MetaTileCount) * Size * Size);
}

const QRgb *MetaTileSprites::sprite(const modKrelin &model, int n, const BgColorSet &colors)
{
    useColors(colors);
    return readySprite(model, n, colors);
}

const QRgb *MetaTileSprites::readySprite(const modKrelin &model, int n, const BgColorSet &colors)
{
    QRgb *p = pixels.data() + std::size_t(n) * Size * Size;
    if (!ready.test(std::size_t(n))) {
        QImage picture(reinterpret_cast<uchar *>(p), Size, Size, Size * int(sizeof(QRgb)), QImage::Format_RGB32);
        // The four tiles cover all of the picture but the lines between and after them,
        // so only those are cleared (a missing tile is painted blank by DrawMetaTile).
        for (const int line : {TileShownSize, Size - 1}) {
            std::fill_n(p + line * Size, Size, ClearColor);
            for (int i = 0; i < Size; ++i)
                p[i * Size + line] = ClearColor;
        }
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
    if (width == Size && height == Size) { // the usual case: rows of one known size, copied fast
        uchar *to = bits + y * stride + x * qsizetype(sizeof(QRgb));
        for (int i = 0; i < Size; ++i, to += stride, from += Size)
            copyRow(reinterpret_cast<QRgb *>(to), from);
        return;
    }
    for (int i = 0; i < height; ++i)
        std::memcpy(bits + (y + i) * stride + x * qsizetype(sizeof(QRgb)), from + i * Size,
                    std::size_t(width) * sizeof(QRgb));
}

void MetaTileSprites::paintRow(QImage &surface, const modKrelin &model, int row,
                               const std::array<int, FrameColumns> &metaTiles, const BgColorSet &colors,
                               std::uint16_t linesClean)
{
    const int y = Size * row;
    if (y < 0 || y + Size > surface.height() || Size * FrameColumns > surface.width()) {
        for (int col = 0; col < FrameColumns; ++col)
            if (metaTiles[std::size_t(col)] >= 0)
                paint(surface, model, col, row, metaTiles[std::size_t(col)], colors);
        return;
    }
    useColors(colors);
    std::array<const QRgb *, FrameColumns> from{};
    for (int col = 0; col < FrameColumns; ++col)
        if (metaTiles[std::size_t(col)] >= 0)
            from[std::size_t(col)] = readySprite(model, metaTiles[std::size_t(col)] & 0xFF, colors);
    uchar *bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    for (int i = 0; i < Size; ++i) {
        auto *line = reinterpret_cast<QRgb *>(bits + (y + i) * stride);
        const bool lastLine = i == Size - 1;
        for (int col = 0; col < FrameColumns; ++col) {
            const QRgb *p = from[std::size_t(col)];
            if (!p)
                continue;
            if (!(linesClean & (1u << col)))
                copyRow(line + Size * col, p + Size * i);
            else if (!lastLine)
                copyMetaTileRow(line + Size * col, p + Size * i);
        }
    }
}

} // namespace krelin
