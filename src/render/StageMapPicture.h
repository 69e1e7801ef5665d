#pragma once

#include "core/ImageLayout.h"

#include <QImage>
#include <QList>
#include <QPoint>
#include <QRect>

#include <array>
#include <bitset>
#include <cstdint>

namespace krelin {

class modKrelin;

// The stage map's picture: every frame of the stage side by side at the console's own
// size, one pixel for each pixel of the tiles. A metatile is 16 x 16 pixels and the next
// one starts right after it; a frame is 256 x 240 pixels and the next frame starts right
// after it. Whatever is drawn over it (marks, lines, the white frame) is the window's.
//
// The picture is an 8-bit indexed image: entries 0..15 are the stage's sixteen background
// colours (sub-palette p, colour c at 4p + c), entry 16 the cleared colour where a byte
// lies outside the image. New colours are a new colour table; only the pixels of what
// changed are painted again.
inline constexpr int StageMapMetaTile = 16;
inline constexpr int StageMapFrameWidth = FrameColumns * StageMapMetaTile;  // 256
inline constexpr int StageMapFrameHeight = FrameRows * StageMapMetaTile;    // 240
inline constexpr std::uint8_t StageMapClear = 16;
inline constexpr int StageMapColorCount = 17;

// The colour table for the background colours given.
QList<QRgb> StageMapColorTable(const BgColorSet &colors);

// A cleared picture for frames frames.
QImage NewStageMapPicture(int frames);

// The pixels cell (col, row) of frame f covers.
QRect StageMapCellRect(int frame, int col, int row);

// Paints the metatiles of the current stage (at the model's offsets) into the picture.
// It keeps each metatile's 16 x 16 picture once painted, so that a frame is 240 copies:
// forget the metatiles whose bytes change, and everything for a new stage or image.
class StageMapPainter
{
public:
    void forgetAll() { ready.reset(); }
    void forget(const std::bitset<MetaTileCount> &metaTiles) { ready &= ~metaTiles; }

    // Metatile n's 16 x 16 picture, row by row, as colour-table indices.
    const std::uint8_t *sprite(const modKrelin &model, int n);
    // Paints metatile n into cell (col, row) of frame f; -1 clears the cell.
    void paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n);
    // Paints frame f whole from the image; cells[k] gets the metatile of cell k (-1 where
    // the byte lies outside the image: that cell is cleared).
    void paintFrame(QImage &picture, const modKrelin &model, int frame, std::array<std::int16_t, FrameBytes> &cells);

private:
    std::array<std::uint8_t, MetaTileCount * StageMapMetaTile * StageMapMetaTile> pixels{};
    std::bitset<MetaTileCount> ready;
};

} // namespace krelin
