#pragma once

#include "core/ImageLayout.h"

#include <QImage>
#include <QRect>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace krelin {

class modKrelin;

// The stage map's picture: every frame of the stage side by side at the console's own
// size, one pixel for each pixel of the tiles. A metatile is 16 x 16 pixels and the next
// one starts right after it; a frame is 256 x 240 pixels and the next frame starts right
// after it. Whatever is drawn over it (marks, lines, the white frame) is the window's.
inline constexpr int StageMapMetaTile = 16;
inline constexpr int StageMapFrameWidth = FrameColumns * StageMapMetaTile; // 256
inline constexpr int StageMapFrameHeight = FrameRows * StageMapMetaTile;   // 240

// A picture for frames frames (RGB32), not yet painted.
QImage NewStageMapPicture(int frames);

// The pixels cell (col, row) of frame f covers.
QRect StageMapCellRect(int frame, int col, int row);

// Paints the metatiles of the current stage (at the model's offsets) into the picture, in
// the colours given. It keeps each metatile's 16 x 16 picture once painted, so that a frame
// is 240 copies: forget the metatiles whose bytes change, and everything for a new stage
// or image. New colours are noticed here.
class StageMapPainter
{
public:
    void forgetAll() { ready.reset(); }
    void forget(const std::bitset<MetaTileCount> &metaTiles) { ready &= ~metaTiles; }

    // Metatile n's 16 x 16 picture, row by row.
    const QRgb *sprite(const modKrelin &model, int n, const BgColorSet &colors);
    // Paints metatile n into cell (col, row) of frame f (of a picture of any size: a row
    // of cells goes on past 16 columns); -1 clears the cell.
    void paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n,
                   const BgColorSet &colors);
    // Paints frame f whole from the image; cells[k] gets the metatile of cell k (-1 where
    // the byte lies outside the image: that cell is cleared).
    void paintFrame(QImage &picture, const modKrelin &model, int frame, const BgColorSet &colors,
                    std::array<std::int16_t, FrameBytes> &cells);

private:
    std::vector<QRgb> pixels = std::vector<QRgb>(std::size_t(MetaTileCount) * StageMapMetaTile * StageMapMetaTile);
    std::bitset<MetaTileCount> ready;
    BgColorSet madeWith{};
};

} // namespace krelin
