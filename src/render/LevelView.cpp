#include "LevelView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <algorithm>

namespace krelin {

namespace {

// Clears every pixel of the surface that the frame's 960 tiles will not cover: the
// one-pixel lines between tiles and the margin right of and below the map. With the
// tiles painted after it, the picture is the same as clearing the whole surface first,
// but each pixel is written once instead of twice.
void clearAroundTiles(QImage &surface)
{
    const int width = surface.width();
    for (int y = 0; y < surface.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(surface.scanLine(y));
        if (y >= LevelMapHeight || y % TileGrid == TileShownSize) {
            std::fill(line, line + width, ClearColor);
            continue;
        }
        for (int x = TileShownSize; x < std::min(LevelMapWidth, width); x += TileGrid)
            line[x] = ClearColor;
        if (LevelMapWidth < width)
            std::fill(line + LevelMapWidth, line + width, ClearColor);
    }
}

} // namespace

void DrawLevelFrame(QImage &surface, const modKrelin &model, int frame, FrameCache &cache)
{
    clearAroundTiles(surface);
    const SubPaletteColors prepared = PrepareSubPalettes(model);
    for (int i = 0; i < FrameRows; ++i) {
        for (int j = 0; j < FrameColumns; ++j) {
            const std::int64_t offset = LevelCellOffset(model, frame, j, i);
            if (!model.holds(offset, 1)) {
                cache[16 * i + j] = 0;
                PaintBlankTile(surface, CellPitch * j, CellPitch * i, CellPitch);
                continue;
            }
            const int m = model.byteAt(offset);
            cache[16 * i + j] = std::int16_t(m);
            DrawMetaTile(surface, model, 2 * j, 2 * i, m, &prepared);
        }
    }
}

} // namespace krelin
