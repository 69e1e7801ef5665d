#include "LevelView.h"

#include "MetaTilePainter.h"
#include "TilePainter.h"
#include "core/ImageLayout.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"

#include <algorithm>
#include <bitset>
#include <cstring>

// Functions built twice, for every x86-64 processor and with 32-byte moves (AVX2), the
// second chosen at start where the processor has it.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define KRELIN_WIDE_MOVES __attribute__((target_clones("avx2", "default")))
#else
#define KRELIN_WIDE_MOVES
#endif

namespace krelin {

namespace {

// The four tiles (nullptr where a tile's bytes lie outside the image) and the sub-palette
// of the metatile a cell shows.
struct CellTiles
{
    const std::uint8_t *tile[4] = {};
    int subPalette = 0;
};

// What each metatile of the frame shows, read once per metatile rather than once per cell
// (a frame holds a few dozen metatiles in its 240 cells): entry n for metatile n, entry
// Outside for a cell whose byte lies outside the image (cleared).
constexpr int Outside = MetaTileCount;
struct FrameTiles
{
    std::array<std::uint16_t, FrameBytes> cell; // the entry each cell shows
    std::array<CellTiles, MetaTileCount + 1> shown;
};

// Paints the frame scanline by scanline: each tile row is decoded four pixels per table
// look-up into one surface line, the gaps between tiles are written on the way, and the
// line is copied whole to the next one. Every pixel of the surface is written once, so
// nothing needs clearing first. The surface holds the whole map.
//
// Nearly all of a frame's time is spent here, copying 32-byte look-ups into the surface:
// on processors that have them, a build of this function with 32-byte moves (AVX2) is
// chosen when the program starts.
KRELIN_WIDE_MOVES void paintByScanlines(QImage &surface, const FrameTiles &frame, const SubPaletteColors &colors)
{
    const int width = surface.width();
    uchar *const bits = surface.bits();
    const qsizetype stride = surface.bytesPerLine();
    auto line = [bits, stride](int y) { return reinterpret_cast<QRgb *>(bits + y * stride); };
    auto clearLine = [&](int y) { std::fill(line(y), line(y) + width, ClearColor); };

    for (int band = 0; band < 2 * FrameRows; ++band) { // one row of tiles
        const int top = TileGrid * band;
        const std::uint16_t *row = frame.cell.data() + FrameColumns * (band / 2);
        const int half = 2 * (band % 2); // quadrants 0, 1 on top, 2, 3 below
        for (int r = 0; r < 8; ++r) {
            QRgb *out = line(top + 2 * r);
            for (int j = 0; j < FrameColumns; ++j) {
                const CellTiles &cell = frame.shown[row[j]];
                const auto &quads = colors[cell.subPalette].quads;
                for (int t = 0; t < 2; ++t, out += TileGrid) {
                    if (const std::uint8_t *tile = cell.tile[half + t]) {
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
    FrameTiles tiles; // its 257 entries are filled only for the metatiles the frame holds
    tiles.shown[Outside] = {};
    std::bitset<MetaTileCount> read;
    const qint64 start = FrameOffset(model, frame);
    const std::uint8_t *whole = model.bytesAt(start, FrameBytes);
    for (int k = 0; k < FrameBytes; ++k) {
        if (!whole && !model.holds(start + k, 1)) {
            cache[k] = 0; // stays cleared
            tiles.cell[k] = Outside;
            continue;
        }
        const int m = whole ? whole[k] : model.byteAt(start + k);
        cache[k] = std::int16_t(m);
        tiles.cell[k] = std::uint16_t(m);
        if (read.test(std::size_t(m)))
            continue;
        read.set(std::size_t(m));
        const MetaTileParts parts = ReadMetaTile(model, m);
        CellTiles &shown = tiles.shown[std::size_t(m)];
        for (int q = 0; q < 4; ++q)
            shown.tile[q] = model.bytesAt(TileSlotOffset(parts.tileSlots[q]), TileBytes);
        shown.subPalette = parts.subPalette & 3;
    }

    if (surface.width() > LevelMapWidth && surface.height() > LevelMapHeight) {
        paintByScanlines(surface, tiles, PrepareSubPalettes(colors));
        return;
    }
    // A surface smaller than the map: clear it and paint tile by tile, clipped.
    FastCls(surface, 10000, 10000);
    for (int k = 0; k < FrameBytes; ++k) {
        const CellTiles &cell = tiles.shown[tiles.cell[k]];
        for (int q = 0; q < 4; ++q) {
            if (!cell.tile[q])
                continue;
            const int x = TileGrid * (2 * (k % FrameColumns) + (q & 1));
            const int y = TileGrid * (2 * (k / FrameColumns) + (q >> 1));
            Paint2BPPTile(surface, cell.tile[q], colors.data() + 4 * cell.subPalette, x, y, TileShownSize);
        }
    }
}

} // namespace krelin
