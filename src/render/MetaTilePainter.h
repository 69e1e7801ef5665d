#pragma once

#include "TilePainter.h"
#include "core/ImageLayout.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace krelin {

class modKrelin;

// Each 8x8 tile is shown 16x16 pixels on a 17-pixel grid; metatiles sit at even grid
// positions, so neighbouring metatiles are 34 pixels apart.
inline constexpr int TileGrid = 17;
inline constexpr int TileShownSize = 16;
inline constexpr int CellPitch = 2 * TileGrid; // 34
inline constexpr int MetaTileShownSize = CellPitch - 1; // 33

// What painting one metatile needs: its four tiles as tile tileSlots (file offset / 16:
// top-left, top-right, bottom-left, bottom-right) and its sub-palette number.
struct MetaTileParts
{
    std::array<std::int32_t, 4> tileSlots{};
    std::int16_t subPalette = 0;
};

// The file offset of the tile in tile slot s.
inline qint64 TileSlotOffset(std::int32_t slot)
{
    return qint64(slot) * TileBytes;
}

// Reads metatile n's record of the current stage: tile numbers at MetaTileOffset + 4n,
// sub-palette at MetaPalOffset + n. Bytes outside the image read as 0 (the views check
// a stage fits the image before they draw it).
MetaTileParts ReadMetaTile(const modKrelin &model, int n);

// The four sub-palettes of sixteen background colours prepared for whole-tile painting: a
// drawing of many metatiles prepares them once. The preparation is kept (per thread) with
// the colours it was made from and reused while they are the same; the reference is good
// until the next call.
using SubPaletteColors = std::array<TileColors16, 4>;
const SubPaletteColors &PrepareSubPalettes(const BgColorSet &colors);

// Paints a metatile at grid position (x, y): its four tiles at (17x, 17y), (17(x+1),
// 17y), (17x, 17(y+1)) and (17(x+1), 17(y+1)), each 16x16, in colours 4p..4p+3. A
// sub-palette above 3 uses its low two bits; a tile slot whose bytes lie outside the
// image shows as a cleared square.
void DrawMetaTile(QImage &surface, const modKrelin &model, int x, int y, const MetaTileParts &parts,
                  const BgColorSet &colors, const SubPaletteColors *prepared = nullptr);

// Reads and paints metatile n at grid position (x, y).
void DrawMetaTile(QImage &surface, const modKrelin &model, int x, int y, int n, const BgColorSet &colors,
                  const SubPaletteColors *prepared = nullptr);

} // namespace krelin
