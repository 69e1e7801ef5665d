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

// An indexed picture of every frame of the stage side by side at half the level map's
// size; the Tiled export paints its tileset with the painter below. A metatile is 16 x 16 pixels (a tile pixel is one pixel), 17 pixels apart;
// a frame is 271 x 254 pixels, framed by a margin that carries its outline.
//
// The picture is an 8-bit indexed image: entries 0..15 are the stage's sixteen background
// colours (sub-palette p, colour c at 4p + c), the others the marks' colours below. New
// colours are a new colour table; only the pixels of what changed are painted again.
inline constexpr int OverviewCellPitch = 17;
inline constexpr int OverviewMetaTileSize = 16;
inline constexpr int OverviewFrameWidth = FrameColumns * OverviewCellPitch - 1;  // 271
inline constexpr int OverviewFrameHeight = FrameRows * OverviewCellPitch - 1;    // 254
inline constexpr int OverviewMargin = 4;
inline constexpr int OverviewFramePitch = OverviewFrameWidth + 2 * OverviewMargin; // 279
inline constexpr int OverviewHeight = OverviewFrameHeight + 2 * OverviewMargin;    // 262

enum OverviewColor : std::uint8_t {
    OverviewClear = 16,      // the lines between metatiles and the margins
    OverviewShownFrame = 17, // the outline of the frame the main window shows
    OverviewUses = 18,       // Show Uses: cells holding the selected metatile
    OverviewSelection = 19,  // the selected cells
    OverviewDifference = 20, // while comparing: frames that differ from the other image
    OverviewColorCount = 21,
};

// The colour table for the background colours given.
QList<QRgb> OverviewColorTable(const BgColorSet &colors);

// A cleared picture for frames frames.
QImage NewOverviewPicture(int frames);

// The top-left pixel of frame f's map, and of cell (col, row) in it.
QPoint OverviewFrameOrigin(int frame);
QPoint OverviewCellOrigin(int frame, int col, int row);
// The pixels frame f covers, its margin included.
QRect OverviewFrameRect(int frame);
// The frame at pixel position p, or -1.
int OverviewFrameAt(const QPoint &p, int frames);

// Paints the metatiles of the current stage (at the model's offsets) into the overview.
// It keeps each metatile's 16 x 16 picture once painted, so that a frame is 240 copies:
// forget the metatiles whose bytes change, and everything for a new stage or image.
class OverviewPainter
{
public:
    void forgetAll() { ready.reset(); }
    void forget(const std::bitset<MetaTileCount> &metaTiles) { ready &= ~metaTiles; }

    // Paints metatile n into cell (col, row) of frame f.
    void paintCell(QImage &picture, const modKrelin &model, int frame, int col, int row, int n);
    // Paints frame f whole from the image; cells[k] gets the metatile of cell k (-1 where
    // the byte lies outside the image: that cell is cleared).
    void paintFrame(QImage &picture, const modKrelin &model, int frame, std::array<std::int16_t, FrameBytes> &cells);
    // The 16 x 16 colour indices (4p + c, row by row) of metatile n, as the cells show it.
    const std::uint8_t *metaTilePixels(const modKrelin &model, int n) { return sprite(model, n & 0xFF); }

private:
    const std::uint8_t *sprite(const modKrelin &model, int n);

    std::array<std::uint8_t, MetaTileCount * OverviewMetaTileSize * OverviewMetaTileSize> pixels{};
    std::bitset<MetaTileCount> ready;
};

// A two-pixel outline in the margin around frame f.
void DrawOverviewFrameOutline(QImage &picture, int frame, std::uint8_t color);
// One-pixel lines on both sides of that outline (the margin's outermost and innermost
// lines), so that a frame can carry both.
void DrawOverviewFrameEdges(QImage &picture, int frame, std::uint8_t color);
// A one-pixel ring inside cell (col, row) of frame f.
void DrawOverviewCellRing(QImage &picture, int frame, int col, int row, std::uint8_t color);
// The sides of cell (col, row) of frame f that lie on the rectangle's edge (in cells).
void DrawOverviewRectEdges(QImage &picture, int frame, int col, int row, const QRect &rect, std::uint8_t color);

} // namespace krelin
