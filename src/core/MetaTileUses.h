#pragma once

#include "core/StageTable.h"

#include <QString>

#include <array>
#include <vector>

namespace krelin {

class modKrelin;

// How often the level maps place each of a metatile table's 256 metatiles: in the frames
// of one stage, and in the frames of every stage that reads the same metatile table
// (stages 1A to 2C share one, 3 to 4B another, 5 to 7 a third).
struct MetaTileUses
{
    std::array<int, MetaTileCount> inStage{};
    std::array<int, MetaTileCount> inShared{}; // the stage itself included
    std::vector<const Stage *> counted; // the stages whose frames were read, in table order
    std::vector<const Stage *> skipped; // stages of the table whose data the image does not hold

    // No frame of any counted stage places the metatile: a slot free for new graphics.
    bool isFree(int metaTile) const { return inShared[std::size_t(metaTile)] == 0; }
};

// Reads every frame of the stage and of each stage sharing its metatile table through
// the model's bounds-checked reads. A stage whose data does not fit the image is skipped
// (and listed as such), so its bytes are never read.
MetaTileUses CountMetaTileUses(const modKrelin &model, const Stage &stage);

// The cells (16 row + column) of the stage's frame f that place metaTile; none when the
// frame lies outside the stage or the image.
std::vector<int> CellsPlacing(const modKrelin &model, const Stage &stage, int frame, int metaTile);

// One line for the status bar, e.g. "Metatile 4F: 12 uses in stage 1A, 40 in stages 1A,
// 1B, 1C, 2A, 2B, 2C".
QString UsesText(const MetaTileUses &uses, const Stage &stage, int metaTile);

} // namespace krelin
