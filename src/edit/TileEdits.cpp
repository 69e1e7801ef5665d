#include "TileEdits.h"

#include "EditHistory.h"
#include "core/ImageLayout.h"
#include "core/modKrelin.h"

namespace krelin {

namespace {

bool inRange(int value, int last)
{
    return value >= 0 && value <= last;
}

} // namespace

qint64 QuadrantTileBytes(const modKrelin &model, int n, int q)
{
    if (!inRange(n, MetaTileCount - 1) || !inRange(q, 3))
        return -1;
    const qint64 record = QuadrantTileOffset(model, n, q);
    // The tile number must be read from the image, not taken as 0 for a short image.
    if (!model.holds(record, 1))
        return -1;
    const qint64 tile = TileOffset(model, model.byteAt(record));
    return model.holds(tile, TileBytes) ? tile : -1;
}

bool SetQuadrantTile(EditHistory &history, int n, int q, int t, int gesture)
{
    return PushEdit(history, new SetQuadrantTileCommand(history.model(), n, q, t, gesture));
}

bool PaintTilePixel(EditHistory &history, int n, int q, int col, int row, int colorIndex, int stroke)
{
    const qint64 tile = QuadrantTileBytes(history.model(), n, q);
    if (tile < 0)
        return false;
    return PushEdit(history, new PaintPixelCommand(history.model(), tile, col, row, colorIndex, stroke));
}

bool TransformTile(EditHistory &history, int n, int q, TileChange change)
{
    const qint64 at = QuadrantTileBytes(history.model(), n, q);
    if (at < 0)
        return false;
    const TileData tile = ReadTile(history.model().bytesAt(at, TileBytes));
    TileData changed;
    switch (change) {
    case TileChange::FlipHorizontally: changed = FlippedHorizontally(tile); break;
    case TileChange::FlipVertically: changed = FlippedVertically(tile); break;
    case TileChange::Rotate: changed = RotatedQuarterTurn(tile); break;
    default: return false;
    }
    return PushEdit(history, new SetTilePixelsCommand(history.model(), at, changed, change));
}

bool FillTileArea(EditHistory &history, int n, int q, int col, int row, int colorIndex)
{
    const qint64 at = QuadrantTileBytes(history.model(), n, q);
    if (at < 0 || !inRange(col, 7) || !inRange(row, 7) || !inRange(colorIndex, 3))
        return false;
    const TileData filled = Filled(ReadTile(history.model().bytesAt(at, TileBytes)), col, row, colorIndex);
    return PushEdit(history, new SetTilePixelsCommand(history.model(), at, filled, TileChange::Fill));
}

bool PasteTile(EditHistory &history, int n, int q, const TileData &tile)
{
    const qint64 at = QuadrantTileBytes(history.model(), n, q);
    if (at < 0)
        return false;
    return PushEdit(history, new SetTilePixelsCommand(history.model(), at, tile, TileChange::Paste));
}

bool SetMetaTileSubPalette(EditHistory &history, int n, int p)
{
    return PushEdit(history, new SetSubPaletteCommand(history.model(), n, p));
}

bool ImportTiles(EditHistory &history, std::vector<std::uint8_t> tiles, const QString &sheetName)
{
    return PushEdit(history, new ImportTilesCommand(history.model(), std::move(tiles), sheetName));
}

} // namespace krelin
