#pragma once

#include "MetaTilePainter.h"
#include "core/ImageLayout.h"

#include <QImage>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace krelin {

class modKrelin;

// The pictures of the metatiles as a cell of the level map shows them (34 x 34 pixels:
// the metatile and the one-pixel lines after it), painted once and then copied: a cell
// repainted is one copy of its picture, however many cells an edit changes. A picture is
// painted when it is first wanted and kept until forgotten: the owner forgets the
// metatiles whose bytes (record, sub-palette, tiles) changed, and everything when the
// stage or the image changes. A change of colours is noticed here.
class MetaTileSprites
{
public:
    static constexpr int Size = CellPitch; // 34

    void forgetAll();
    void forget(const std::bitset<MetaTileCount> &metaTiles);

    // Paints metatile n into cell (col, row) of a surface of 34-pixel cells, box and
    // lines included, clipped to the surface: the same pixels as clearing the cell's box
    // and painting the metatile there.
    void paint(QImage &surface, const modKrelin &model, int col, int row, int n, const BgColorSet &colors);

    // Paints one row of cells at once, scanline by scanline: metaTiles[col] into cell
    // (col, row), the cells with -1 left as they are. Many cells of a row cost little more
    // than one line of copies each. A cell whose bit in linesClean is set keeps the lines
    // after it (its 34th column and row) as they are: they show the cleared colour already.
    void paintRow(QImage &surface, const modKrelin &model, int row, const std::array<int, FrameColumns> &metaTiles,
                  const BgColorSet &colors, std::uint16_t linesClean = 0);

private:
    const QRgb *sprite(const modKrelin &model, int n, const BgColorSet &colors);
    // Forgets every picture when the colours are not those they were painted in.
    void useColors(const BgColorSet &colors);
    const QRgb *readySprite(const modKrelin &model, int n, const BgColorSet &colors);

    std::vector<QRgb> pixels;
    std::bitset<MetaTileCount> ready;
    BgColorSet madeWith{};
};

} // namespace krelin
