#include "EditCommands.h"

#include "CellsEditCommand.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "core/TileCodec.h"

#include <QCoreApplication>
#include <QHash>

#include <bit>

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

// How many pixels of a tile differ between its bytes before and after (both 16 bytes, or
// empty for an edit refused).
int pixelsChanged(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after)
{
    if (before.size() != std::size_t(TileBytes) || after.size() != std::size_t(TileBytes))
        return 0;
    int count = 0;
    for (int r = 0; r < 8; ++r)
        count += std::popcount(unsigned((before[r] ^ after[r]) | (before[r + 8] ^ after[r + 8])));
    return count;
}

// The texts of steps that come many to a second (the pixels of a stroke, each of which
// names the stroke afresh; colour clicks) are made once for each key and kept: a few
// thousand at the very most.
template <typename Make>
QString keptText(quint64 key, Make make)
{
    static QHash<quint64, QString> made;
    if (const auto found = made.constFind(key); found != made.constEnd())
        return *found;
    return *made.insert(key, make());
}

// "Paint 6 Pixels of tile 21", "Fill 1 Pixel of tile 21".
QString pixelsText(TileChange change, int pixels, int tile)
{
    return keptText(quint64(change) << 16 | quint64(pixels) << 8 | quint64(tile & 0xFF), [=] {
        return (pixels == 1 ? tr("%1 1 Pixel of tile %2") : tr("%1 %3 Pixels of tile %2"))
            .arg(change == TileChange::Fill ? tr("Fill") : tr("Paint"), HexByte(tile))
            .arg(pixels);
    });
}

QString tileChangeText(TileChange change, int tile, int pixels)
{
    const QString t = HexByte(tile);
    switch (change) {
    case TileChange::FlipHorizontally: return tr("Flip Tile %1 Horizontally").arg(t);
    case TileChange::FlipVertically: return tr("Flip Tile %1 Vertically").arg(t);
    case TileChange::Rotate: return tr("Rotate Tile %1").arg(t);
    case TileChange::Fill:
    case TileChange::Paint: return pixelsText(change, pixels, tile);
    case TileChange::Paste: return tr("Paste Tile %1").arg(t);
    }
    return {};
}

// "Set Palette Entry 5 of 3 to $17": the entry, the stage shown, the colour code.
QString paletteText(const modKrelin &model, int entry, int color)
{
    const Stage *stage = model.currentStage();
    const quint64 key = quint64(stage ? stage - StageTable.data() + 1 : 0) << 16 | quint64(entry & 0xFF) << 8
        | quint64(color & 0xFF);
    return keptText(key, [&] {
        const QString code = QStringLiteral("$") + HexByte(color);
        return stage ? tr("Set Palette Entry %1 of %2 to %3").arg(QString::number(entry), QLatin1String(stage->name), code)
                     : tr("Set Palette Entry %1 to %2").arg(entry).arg(code);
    });
}

} // namespace

PlaceMetaTileCommand::PlaceMetaTileCommand(modKrelin &model, int frame, int col, int row, int metaTile)
    : ByteEditCommand(model, LevelCellOffset(model, frame, col, row),
                      oneByte(metaTile, 255, frame >= 0 && col >= 0 && col < FrameColumns && row >= 0 && row < FrameRows),
                      tr("Place Metatile %1 in %2, row %3, column %4")
                          .arg(HexByte(metaTile), LevelPlaceText(model, frame))
                          .arg(row)
                          .arg(col))
    , where(EditPlace::In(model.currentStage(), frame))
{
}

SetRoomCommand::SetRoomCommand(modKrelin &model, int frame, int room)
    : ByteEditCommand(model, FrameRoomOffset(model, frame), oneByte(room, 255, frame >= 0),
                      tr("Set Room %1 for %2").arg(HexByte(room), LevelPlaceText(model, frame)))
    , where(EditPlace::In(model.currentStage(), frame))
{
}

PaintPixelCommand::PaintPixelCommand(modKrelin &model, qint64 tileOffset, int col, int row, int color, int stroke)
    : ByteEditCommand(model, tileOffset, repaintedTile(model, tileOffset, col, row, color), QString())
    , tile(TileOfByte(model, tileOffset))
    , stroke(stroke)
{
    setText(pixelsText(TileChange::Paint, pixelsChanged(oldBytes(), newBytes()), tile));
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
    setText(pixelsText(TileChange::Paint, pixelsChanged(oldBytes(), newBytes()), tile));
    return true;
}

SetQuadrantTileCommand::SetQuadrantTileCommand(modKrelin &model, int metaTile, int quadrant, int tile, int gesture)
    : ByteEditCommand(model, QuadrantTileOffset(model, metaTile, quadrant),
                      oneByte(tile, 255, isMetaTile(metaTile) && quadrant >= 0 && quadrant < 4), QString())
    , metaTile(metaTile)
    , quadrant(quadrant)
    , gesture(gesture)
{
    nameStep();
}

void SetQuadrantTileCommand::nameStep()
{
    const int tile = newBytes().empty() ? 0 : newBytes().front();
    setText(tr("Set Tile Number %1 for Metatile %2, quadrant %3").arg(HexByte(tile), HexByte(metaTile)).arg(quadrant));
}

int SetQuadrantTileCommand::id() const
{
    return gesture != 0 ? MergeQuadrantGesture : -1;
}

bool SetQuadrantTileCommand::mergeWith(const QUndoCommand *other)
{
    const auto *later = static_cast<const SetQuadrantTileCommand *>(other);
    if (later->gesture != gesture || !takeBytesOf(*later))
        return false;
    nameStep();
    return true;
}

SetTilePixelsCommand::SetTilePixelsCommand(modKrelin &model, qint64 tileOffset, const TileData &tile,
                                           TileChange change)
    : ByteEditCommand(model, tileOffset, std::vector<std::uint8_t>(tile.begin(), tile.end()), QString())
{
    setText(tileChangeText(change, TileOfByte(model, tileOffset), pixelsChanged(oldBytes(), newBytes())));
}

ImportTilesCommand::ImportTilesCommand(modKrelin &model, std::vector<std::uint8_t> tiles, const QString &sheetName)
    : ByteEditCommand(model, TilesRange(model).offset,
                      tiles.size() == std::size_t(TilesRange(model).length) ? std::move(tiles) : std::vector<std::uint8_t>{},
                      tr("Import Tiles %1").arg(sheetName))
{
}

SetSubPaletteCommand::SetSubPaletteCommand(modKrelin &model, int metaTile, int subPalette)
    : ByteEditCommand(model, SubPaletteOffset(model, metaTile), oneByte(subPalette, 3, isMetaTile(metaTile)),
                      tr("Set Sub-palette %1 for Metatile %2").arg(subPalette).arg(HexByte(metaTile)))
{
}

SetPaletteColorCommand::SetPaletteColorCommand(modKrelin &model, int entry, int color)
    : ByteEditCommand(model, PaletteEntryOffset(model, entry), oneByte(color, 63, entry >= 0 && entry < PaletteBytes),
                      paletteText(model, entry, color))
{
}

} // namespace krelin
