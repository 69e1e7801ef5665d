#pragma once

#include "StageCells.h"

#include <QString>

#include <optional>
#include <vector>

namespace krelin {

class modKrelin;
struct Stage;

// Edit > Go To: what the user typed, and the places of the image it names.

// One of the four things Go To takes:
//   "12"      frame 12 of the stage shown
//   "3:12"    stage 3, frame 12
//   "M2F"     the next cell of the stage shown that holds metatile 2F
//   "0x9929"  whatever lies at that offset of the image ("$9929" too)
struct GoToRequest
{
    enum class Kind { Frame, StageFrame, MetaTile, Offset };
    Kind kind = Kind::Frame;
    const Stage *stage = nullptr; // StageFrame
    int frame = -1;               // Frame, StageFrame
    int metaTile = -1;            // MetaTile
    qint64 offset = -1;           // Offset
};

// What text asks for; nothing, and *why set to what is wrong, for text that asks for none.
std::optional<GoToRequest> ParseGoTo(const QString &text, QString *why);

// What the byte at an offset of the image is to a stage that reads it.
struct ImagePlace
{
    enum class Kind { None, Cell, Room, MetaTile, Tile, PaletteEntry };
    Kind kind = Kind::None;
    const Stage *stage = nullptr;
    StageCell cell;    // Cell; Room (its frame)
    int metaTile = -1; // MetaTile (its record or its sub-palette byte)
    int tile = -1;     // Tile
    int entry = -1;    // PaletteEntry
};

// The place the byte at offset holds, for the stage shown when it reads that byte, else
// for the first stage in the table's order that does; stages whose data the image does not
// hold are left out. None for a byte no stage reads, and outside the image.
ImagePlace PlaceOfOffset(const modKrelin &model, const Stage *shown, qint64 offset);
// "stage 3, frame 0, row 11, column 2 (metatile 2F)" and the like.
QString PlaceText(const modKrelin &model, const ImagePlace &place);

// The cells of the stage that hold metatile n, in the order of the stage's strip: frame
// by frame, row by row.
std::vector<StageCell> CellsHolding(const modKrelin &model, const Stage &stage, int metaTile);

// The first of cells after cell (in that order), round to the first again after the last;
// -1 when there are none.
int NextCellIndex(const std::vector<StageCell> &cells, const StageCell &after);

} // namespace krelin
