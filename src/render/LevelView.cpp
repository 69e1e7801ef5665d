#include "LevelView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

// The four tiles (nullptr where a tile's bytes lie outside the image) and the sub-palette
// of the metatile a cell shows.
struct CellTiles
{
    const std::uint8_t *tile[4] = {};
    int subPalette = 0;
};

// Paints the frame scanline by scanline: each tile row is decoded four pixels per table
// look-up into one surface line, the gaps between tiles are written on the way, and the
// line is copied whole to the next one. Every pixel of the surface is written once, so
// nothing needs clearing first. The surface holds the whole map.
void paintByScanlines(QImage &surface, const std::array<CellTiles, 240> &cells, const SubPaletteColors &colors)
{
    const int width = surface.width();
    uchar *const bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    auto line = [bits, stride](int y) { return reinterpret_cast<QRgb *>(bits + y * stride); };
    auto clearLine = [&](int y) { std::fill(line(y), line(y) + width, ClearColor); };

    for (int band = 0; band < 2 * FrameRows; ++band) { // one row of tiles
        const int top = TileGrid * band;
        const CellTiles *row = cells.data() + FrameColumns * (band / 2);
        const int half = 2 * (band % 2); // quadrants 0, 1 on top, 2, 3 below
        for (int r = 0; r < 8; ++r) {
            QRgb *out = line(top + 2 * r);
            for (int j = 0; j < FrameColumns; ++j) {
                const auto &quads = colors[row[j].subPalette].quads;
                for (int t = 0; t < 2; ++t, out += TileGrid) {
                    if (const std::uint8_t *tile = row[j].tile[half + t]) {
                        const TileRow planes = TileRowPlanes(tile, r);
                        std::memcpy(out, quads[(planes.low >> 4) | (planes.high & 0xF0)], 32);
                        std::memcpy(out + 8, quads[(planes.low & 0x0F) | ((planes.high & 0x0F) << 4)], 32);
                    } else {
                        std::fill(out, out + TileShownSize, ClearColor);
                    }
                    out[TileShownSize] = ClearColor; // the line between this tile and the next
                }
            }
            std::fill(line(top + 2 * r) + LevelMapWidth, line(top + 2 * r) + width, ClearColor);
            std::memcpy(line(top + 2 * r + 1), line(top + 2 * r), std::size_t(width) * sizeof(QRgb));
        }
        clearLine(top + TileShownSize); // the line between this row of tiles and the next
    }
    for (int y = LevelMapHeight; y < surface.height(); ++y)
        clearLine(y);
}

} // namespace

void DrawLevelFrame(QImage &surface, const modKrelin &model, int frame, const BgColorSet &colors, FrameCache &cache)
{
    std::array<CellTiles, 240> cells;
    for (int k = 0; k < FrameBytes; ++k) {
        const qint64 offset = LevelCellOffset(model, frame, k % FrameColumns, k / FrameColumns);
        if (!model.holds(offset, 1)) {
            cache[k] = 0; // stays cleared
            continue;
        }
        const int m = model.byteAt(offset);
        cache[k] = std::int16_t(m);
        const MetaTileParts parts = ReadMetaTile(model, m);
        for (int q = 0; q < 4; ++q)
            cells[k].tile[q] = model.bytesAt(TileSlotOffset(parts.tileSlots[q]), TileBytes);
        cells[k].subPalette = parts.subPalette & 3;
    }

    if (surface.width() > LevelMapWidth && surface.height() > LevelMapHeight) {
        paintByScanlines(surface, cells, PrepareSubPalettes(colors));
        return;
    }
    // A surface smaller than the map: clear it and paint tile by tile, clipped.
    FastCls(surface, 10000, 10000);
    for (int k = 0; k < FrameBytes; ++k) {
        for (int q = 0; q < 4; ++q) {
            if (!cells[k].tile[q])
                continue;
            const int x = TileGrid * (2 * (k % FrameColumns) + (q & 1));
            const int y = TileGrid * (2 * (k / FrameColumns) + (q >> 1));
            Paint2BPPTile(surface, cells[k].tile[q], colors.data() + 4 * cells[k].subPalette, x, y,
                          TileShownSize);
        }
    }
}

} // namespace krelin
