#pragma once

#include "core/ImageLayout.h"

#include <bitset>

namespace krelin {

class modKrelin;

// What a change of image bytes touches of the current stage, in the terms the views show:
// cells of the frame on screen, metatiles (their record, their sub-palette byte or one of
// their tiles), the background palette and the frame's room byte. A view maps a changed
// range through this and repaints just what it shows of it.
struct StageChange
{
    std::bitset<FrameBytes> cells;       // cells (16 row + column) of the frame whose byte changed
    std::bitset<MetaTileCount> metaTiles; // metatiles that look different now
    bool palette = false;                // a background palette byte
    bool room = false;                   // the frame's room byte

    bool touchesPictures() const { return cells.any() || metaTiles.any() || palette; }
};

// The parts of frame f of the current stage (at the model's offsets) that the bytes
// [range.offset, range.end()) hold. Tiles are traced to the metatiles that use them, as
// the records now say; a record byte names its own metatile.
StageChange ChangedParts(const modKrelin &model, int frame, const ByteRange &range);

} // namespace krelin
