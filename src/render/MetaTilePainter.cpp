#include "MetaTilePainter.h"

#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/modKrelin.h"

namespace krelin {

MetaTileParts ReadMetaTile(const modKrelin &model, int n)
{
    MetaTileParts parts;
    for (int i = 0; i < 4; ++i) {
        const int t = model.byteAt(QuadrantTileOffset(model, n, i));
        parts.tileSlots[i] = std::int32_t(TileOffset(model, t) / TileBytes);
    }
    parts.subPalette = model.byteAt(SubPaletteOffset(model, n));
    return parts;
}

const SubPaletteColors &PrepareSubPalettes(const BgColorSet &colors)
{
    // Kept with the very colours it was made from, and made afresh whenever they differ:
    // it cannot show old colours, and a redraw in unchanged colours (every frame or page
    // change) skips the work.
    thread_local SubPaletteColors prepared;
    thread_local BgColorSet madeFrom{};
    thread_local bool made = false;
    if (!made || madeFrom != colors) {
        for (int p = 0; p < 4; ++p)
            prepared[p] = PrepareTileColors16(colors.data() + 4 * p);
        madeFrom = colors;
        made = true;
    }
    return prepared;
}

void DrawMetaTile(QImage &surface, const modKrelin &model, int x, int y, const MetaTileParts &parts,
                  const BgColorSet &colors, const SubPaletteColors *prepared)
{
    const int p = parts.subPalette & 3;
    const std::int32_t *four = colors.data() + 4 * p;
    for (int i = 0; i < 4; ++i) {
        const int px = TileGrid * (x + (i & 1));
        const int py = TileGrid * (y + (i >> 1));
        const std::uint8_t *tile = model.bytesAt(TileSlotOffset(parts.tileSlots[i]), TileBytes);
        const bool whole = px + TileShownSize <= surface.width() && py + TileShownSize <= surface.height();
        if (tile && prepared && whole)
            PaintWholeTile16(surface, tile, (*prepared)[p], px, py);
        else if (tile)
            Paint2BPPTile(surface, tile, four, px, py, TileShownSize);
        else
            PaintBlankTile(surface, px, py, TileShownSize);
    }
}

void DrawMetaTile(QImage &surface, const modKrelin &model, int x, int y, int n, const BgColorSet &colors,
                  const SubPaletteColors *prepared)
{
    DrawMetaTile(surface, model, x, y, ReadMetaTile(model, n), colors, prepared);
}

} // namespace krelin
