#pragma once

#include "ByteEditCommand.h"
#include "core/TileTransforms.h"

namespace krelin {

// The kinds of edit the program makes, one class each. Every one works out, when it is
// made, which bytes of the current stage it changes; undoing it later restores exactly
// those bytes, whichever stage is shown by then.

// Places metatile n into cell (col, row) of frame f of the level map: one byte. Named
// "Place Metatile 2F in 4A, frame 3, row 4, column 3".
class PlaceMetaTileCommand : public ByteEditCommand
{
public:
    PlaceMetaTileCommand(modKrelin &model, int frame, int col, int row, int metaTile);

    EditPlace place() const override { return where; }

private:
    EditPlace where;
};

// Gives frame f the room r: one byte of the frame-to-room table. "Set Room 03 for 2B,
// frame 7".
class SetRoomCommand : public ByteEditCommand
{
public:
    SetRoomCommand(modKrelin &model, int frame, int room);

    EditPlace place() const override { return where; }

private:
    EditPlace where;
};

// Paints pixel (col, row) of the tile at tileOffset in colour index 0..3. Records the
// whole tile; only the column's bit of its two plane bytes changes. The pixels one
// stroke of the pointer paints (the same non-zero stroke number) are one step, named by
// the pixels it changed: "Paint 6 Pixels of tile 21".
class PaintPixelCommand : public ByteEditCommand
{
public:
    PaintPixelCommand(modKrelin &model, qint64 tileOffset, int col, int row, int color, int stroke = 0);

    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    int tile;
    int stroke;
};

// Makes quadrant q (0..3) of metatile n use tile t: "Set Tile Number 21 for Metatile 2F,
// quadrant 1". The changes one gesture makes (the same non-zero gesture number: an arrow
// held down, a key repeating) are one step, named by the tile it ends on.
class SetQuadrantTileCommand : public ByteEditCommand
{
public:
    SetQuadrantTileCommand(modKrelin &model, int metaTile, int quadrant, int tile, int gesture = 0);

    int id() const override;
    bool mergeWith(const QUndoCommand *other) override;

private:
    void nameStep();

    int metaTile;
    int quadrant;
    int gesture;
};

// What a change of a tile's pixels was, which names its step.
enum class TileChange { FlipHorizontally, FlipVertically, Rotate, Fill, Paste, Paint };

// Gives the tile at tileOffset new pixels: all 16 bytes. Named by the change and the tile:
// "Flip Tile 21 Horizontally", "Fill 12 Pixels of tile 21".
class SetTilePixelsCommand : public ByteEditCommand
{
public:
    SetTilePixelsCommand(modKrelin &model, qint64 tileOffset, const TileData &tile, TileChange change);
};

// Replaces the current stage's 256 tiles with tiles (4096 bytes) read from the sheet
// named sheetName.
class ImportTilesCommand : public ByteEditCommand
{
public:
    ImportTilesCommand(modKrelin &model, std::vector<std::uint8_t> tiles, const QString &sheetName);
};

// Makes metatile n use sub-palette p: "Set Sub-palette 2 for Metatile 2F".
class SetSubPaletteCommand : public ByteEditCommand
{
public:
    SetSubPaletteCommand(modKrelin &model, int metaTile, int subPalette);
};

// Sets background palette entry e (0..15) to master colour k: "Set Palette Entry 5 of 3 to
// $17", the stage shown named.
class SetPaletteColorCommand : public ByteEditCommand
{
public:
    SetPaletteColorCommand(modKrelin &model, int entry, int color);
};

} // namespace krelin
