#pragma once

#include "core/ImageLayout.h"

#include <QList>
#include <QRgb>

#include <array>
#include <bitset>
#include <cstdint>

namespace krelin {

class modKrelin;

// Metatiles as colour indices rather than colours, for pictures kept as indexed images
// (the Tiled tileset): index 4p + c is colour c of sub-palette p, and MetaTileClearIndex
// the cleared colour of a tile that lies outside the image. New colours are a new colour
// table; the indices stay.
inline constexpr int MetaTileIndicesSide = 16;
inline constexpr std::uint8_t MetaTileClearIndex = PaletteBytes; // 16

// The colour table for those indices: the sixteen background colours, then the cleared
// colour.
QList<QRgb> MetaTileIndexColors(const BgColorSet &colors);

// The 16 x 16 indices of each metatile of the current stage (at the model's offsets), made
// once for each metatile and kept: forget them when the metatiles' bytes change.
class MetaTileIndices
{
public:
    void forgetAll() { ready.reset(); }

    // The indices of metatile n (low eight bits), row by row.
    const std::uint8_t *of(const modKrelin &model, int n);

private:
    std::array<std::uint8_t, MetaTileCount * MetaTileIndicesSide * MetaTileIndicesSide> pixels{};
    std::bitset<MetaTileCount> ready;
};

} // namespace krelin
