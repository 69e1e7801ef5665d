#include "EditCommands.h"

#include "CellsEditCommand.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "core/TileCodec.h"

#include <QCoreApplication>

namespace krelin {

namespace {

// One byte of new content, or none (no step) when an argument lies outside its range.
std::vector<std::uint8_t> oneByte(int value, int highest, bool argumentsValid = true)
{
    if (!argumentsValid || value < 0 || value > highest)
        return {};
    return {std::uint8_t(value)};
}

bool isMetaTile(int n)
{
    return n >= 0 && n < MetaTileCount;
}

// The tile's 16 bytes with one pixel repainted; a tile outside the image stays empty and
// so makes no step.
std::vector<std::uint8_t> repaintedTile(const modKrelin &model, qint64 tileOffset, int col, int row, int color)
{
    const std::uint8_t *tile = model.bytesAt(tileOffset, TileBytes);
    if (!tile || col < 0 || col > 7 || row < 0 || row > 7 || color < 0 || color > 3)
        return {};
    std::vector<std::uint8_t> bytes(tile, tile + TileBytes);
    SetTilePixel(bytes.data(), col, row, color);
    return bytes;
}

QString tr(const char *text)
{
    return QCoreApplication::translate("EditCommands", text);
}

} // namespace

PlaceMetaTileCommand::PlaceMetaTileCommand(modKrelin &model, int frame, int col, int row, int metaTile)
    : ByteEditCommand(model, LevelCellOffset(model, frame, col, row),
                      oneByte(metaTile, 255, frame >= 0 && col >= 0 && col < FrameColumns && row >= 0 && row < FrameRows),
                      tr("Place Metatile %1 at frame %2, row %3, column %4")
                          .arg(HexByte(metaTile))
                          .arg(frame)
                          .arg(row)
                          .arg(col))
    , where{model.currentStage(), frame}
{
}

SetRoomCommand::SetRoomCommand(modKrelin &model, int frame, int room)
    : ByteEditCommand(model, FrameRoomOffset(model, frame), oneByte(room, 255, frame >= 0), tr("Set Room"))
{
}

PaintPixelCommand::PaintPixelCommand(modKrelin &model, qint64 tileOffset, int col, int row, int color)
    : ByteEditCommand(model, tileOffset, repaintedTile(model, tileOffset, col, row, color), tr("Paint Pixel"))
{
}

SetQuadrantTileCommand::SetQuadrantTileCommand(modKrelin &model, int metaTile, int quadrant, int tile)
    : ByteEditCommand(model, QuadrantTileOffset(model, metaTile, quadrant),
                      oneByte(tile, 255, isMetaTile(metaTile) && quadrant >= 0 && quadrant < 4),
                      tr("Set Tile Number"))
{
    setMergeId(MergeQuadrantTile);
}

SetSubPaletteCommand::SetSubPaletteCommand(modKrelin &model, int metaTile, int subPalette)
    : ByteEditCommand(model, SubPaletteOffset(model, metaTile), oneByte(subPalette, 3, isMetaTile(metaTile)), tr("Set Sub-palette"))
{
}

SetPaletteColorCommand::SetPaletteColorCommand(modKrelin &model, int entry, int color)
    : ByteEditCommand(model, PaletteEntryOffset(model, entry), oneByte(color, 63, entry >= 0 && entry < PaletteBytes), tr("Set Palette Colour"))
{
}

} // namespace krelin
