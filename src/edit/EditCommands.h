#pragma once

#include "ByteEditCommand.h"

namespace krelin {

// The kinds of edit the program makes, one class each. Every one works out, when it is
// made, which bytes of the current stage it changes; undoing it later restores exactly
// those bytes, whichever stage is shown by then.

// Places metatile n into cell (col, row) of frame f of the level map: one byte. Named
// "Place Metatile 2F at frame 3, row 4, column 3".
class PlaceMetaTileCommand : public ByteEditCommand
{
public:
    PlaceMetaTileCommand(modKrelin &model, int frame, int col, int row, int metaTile);

    EditPlace place() const override { return where; }

private:
    EditPlace where;
};

// Gives frame f the room r: one byte of the frame-to-room table.
class SetRoomCommand : public ByteEditCommand
{
public:
    SetRoomCommand(modKrelin &model, int frame, int room);
};

// Paints pixel (col, row) of the tile at tileOffset in colour index 0..3. Records the
// whole tile; only the column's bit of its two plane bytes changes.
class PaintPixelCommand : public ByteEditCommand
{
public:
    PaintPixelCommand(modKrelin &model, qint64 tileOffset, int col, int row, int color);
};

// Makes quadrant q (0..3) of metatile n use tile t. Steps of the same quadrant in quick
// succession (a scroll arrow held) merge into one.
class SetQuadrantTileCommand : public ByteEditCommand
{
public:
    SetQuadrantTileCommand(modKrelin &model, int metaTile, int quadrant, int tile);
};

// Makes metatile n use sub-palette p.
class SetSubPaletteCommand : public ByteEditCommand
{
public:
    SetSubPaletteCommand(modKrelin &model, int metaTile, int subPalette);
};

// Sets background palette entry e (0..15) to master colour k.
class SetPaletteColorCommand : public ByteEditCommand
{
public:
    SetPaletteColorCommand(modKrelin &model, int entry, int color);
};

} // namespace krelin
