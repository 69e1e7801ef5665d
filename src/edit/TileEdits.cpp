#include "TileEdits.h"

#include "EditCommands.h"
#include "EditHistory.h"
#include "core/ImageLayout.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

namespace krelin {

namespace {

bool inRange(int value, int last)
{
    return value >= 0 && value <= last;
}

} // namespace

bool SetQuadrantTile(EditHistory &history, int n, int q, int t)
{
    return PushEdit(history, new SetQuadrantTileCommand(history.model(), n, q, t));
}

bool PaintTilePixel(EditHistory &history, int n, int q, int col, int row, int colorIndex)
{
    const modKrelin &model = history.model();
    if (!inRange(n, MetaTileCount - 1) || !inRange(q, 3))
        return false;
    const qint64 record = QuadrantTileOffset(model, n, q);
    // The tile number must be read from the image, not taken as 0 for a short image.
    if (!model.holds(record, 1))
        return false;
    return PushEdit(history,
                    new PaintPixelCommand(history.model(), TileOffset(model, model.byteAt(record)), col, row, colorIndex));
}

bool SetMetaTileSubPalette(EditHistory &history, int n, int p)
{
    return PushEdit(history, new SetSubPaletteCommand(history.model(), n, p));
}

} // namespace krelin
