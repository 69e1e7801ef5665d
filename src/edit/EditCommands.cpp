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

QString tileChangeText(TileChange change)
{
    switch (change) {
    case TileChange::FlipHorizontally: return tr("Flip Tile Horizontally");
    case TileChange::FlipVertically: return tr("Flip Tile Vertically");
    case TileChange::Rotate: return tr("Rotate Tile");
    case TileChange::Fill: return tr("Fill");
    case TileChange::Paste: return tr("Paste Tile");
    }
    return {};
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

PaintPixelCommand::PaintPixelCommand(modKrelin &model, qint64 tileOffset, int col, int row, int color, int stroke)
    // Named once: a stroke makes a step for every pixel it crosses.
    : ByteEditCommand(model, tileOffset, repaintedTile(model, tileOffset, col, row, color),
                      [] { static const QString text = tr("Paint Pixel"); return text; }())
    , stroke(stroke)
{
}

int PaintPixelCommand::id() const
{
    return stroke != 0 ? MergePixelStroke : -1;
}

bool PaintPixelCommand::mergeWith(const QUndoCommand *other)
{
    const auto *later = static_cast<const PaintPixelCommand *>(other);
    if (later->stroke != stroke || !takeBytesOf(*later))
        return false;
    static const QString text = tr("Paint Pixels");
    setText(text);
    return true;
}

SetQuadrantTileCommand::SetQuadrantTileCommand(modKrelin &model, int metaTile, int quadrant, int tile, int gesture)
    : ByteEditCommand(model, QuadrantTileOffset(model, metaTile, quadrant),
                      oneByte(tile, 255, isMetaTile(metaTile) && quadrant >= 0 && quadrant < 4),
                      tr("Set Tile Number"))
    , gesture(gesture)
{
}

int SetQuadrantTileCommand::id() const
{
    return gesture != 0 ? MergeQuadrantGesture : -1;
}

bool SetQuadrantTileCommand::mergeWith(const QUndoCommand *other)
{
    const auto *later = static_cast<const SetQuadrantTileCommand *>(other);
    return later->gesture == gesture && takeBytesOf(*later);
}

SetTilePixelsCommand::SetTilePixelsCommand(modKrelin &model, qint64 tileOffset, const TileData &tile,
                                           TileChange change)
    : ByteEditCommand(model, tileOffset, std::vector<std::uint8_t>(tile.begin(), tile.end()), tileChangeText(change))
{
}

ImportTilesCommand::ImportTilesCommand(modKrelin &model, std::vector<std::uint8_t> tiles, const QString &sheetName)
    : ByteEditCommand(model, TilesRange(model).offset,
                      tiles.size() == std::size_t(TilesRange(model).length) ? std::move(tiles) : std::vector<std::uint8_t>{},
                      tr("Import Tiles %1").arg(sheetName))
{
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
