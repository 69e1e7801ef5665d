#include "TileSheetView.h"

#include "TilePainter.h"
#include "core/modKrelin.h"

#include <cmath>

namespace krelin {

namespace {

// The outline: white, in a gap that stays dark.
constexpr QRgb OutlineColor = 0xFFFFFFFF;

int tileLeft(int t)
{
    return SheetMargin + SheetPitch * (t % 16);
}

int tileTop(int t)
{
    return SheetMargin + SheetPitch * (t / 16);
}

int cellOf(double position)
{
    const double pixel = std::nearbyint(position) - SheetMargin + 1; // the gap's first pixel before a tile counts to it
    if (!(pixel >= 0 && pixel < 16 * SheetPitch))
        return -1;
    return int(pixel) / SheetPitch;
}

} // namespace

int SheetTileAt(double x, double y)
{
    const int col = cellOf(x), row = cellOf(y);
    return col < 0 || row < 0 ? -1 : 16 * row + col;
}

void DrawTileSheet(QImage &surface, const modKrelin &model, const std::int32_t *colors, int outlined)
{
    FastCls(surface, 10000, 10000);
    const TileColors16 prepared = PrepareTileColors16(colors);
    for (int t = 0; t < TilesPerBank; ++t)
        RepaintSheetTile(surface, model, prepared, t);
    if (outlined >= 0)
        DrawSheetOutline(surface, outlined, true);
}

void RepaintSheetTile(QImage &surface, const modKrelin &model, const TileColors16 &colors, int t)
{
    // The fast painter writes whole tiles, unclipped.
    if (t < 0 || t >= TilesPerBank || surface.width() < SheetPictureSide || surface.height() < SheetPictureSide)
        return;
    if (const std::uint8_t *tile = model.bytesAt(TileOffset(model, t), TileBytes))
        PaintWholeTile16(surface, tile, colors, tileLeft(t), tileTop(t));
}

void RepaintSheetPixel(QImage &surface, const modKrelin &model, const std::int32_t *colors, int t, int j, int r)
{
    if (const std::uint8_t *tile = model.bytesAt(TileOffset(model, t), TileBytes))
        PaintTilePixel(surface, tile, colors, tileLeft(t), tileTop(t), SheetTileSize, j, r);
}

void DrawSheetOutline(QImage &surface, int t, bool shown)
{
    if (t < 0 || t >= TilesPerBank)
        return;
    const int x = tileLeft(t), y = tileTop(t);
    DrawRing(surface, x - 2, y - 2, x + SheetTileSize + 1, y + SheetTileSize + 1, 2, shown ? OutlineColor : ClearColor);
}

} // namespace krelin
