// Timing of the tile editor: a pixel press, a stroke, and a tile sheet imported, against
// drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "core/ImageLayout.h"
#include "core/TileCodec.h"
#include "edit/TileEdits.h"
#include "render/TileSheet.h"
#include "tileeditor/frmTileEditor.h"
#include "widgets/PictureSurface.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// A press on the tile editor's pixel grid: the pixel written through the model, then the
// window's whole redraw (scroll bars, composite, grid, swatches, option). The tile's
// bytes are put back before every press, so every press writes.
void BM_PixelPress(benchmark::State &state)
{
    NeedApplication();
    modKrelin &model = Model();
    const int n = 0x21;
    const qint64 tile = TileOffset(model, model.byteAt(QuadrantTileOffset(model, n, 0)));
    const std::vector<std::uint8_t> kept(model.bytesAt(tile, TileBytes), model.bytesAt(tile, TileBytes) + TileBytes);
    QuietDesktop desktop;
    {
        EditHistory history(model);
        history.stack().setUndoLimit(100); // every press is a step; keep the history small
        frmTileEditor editor(history, desktop);
        editor.ShowMetaTile(n);
        const int col = 3, row = 5;
        editor.pic8x8Edit_MouseMove(col * 16 + 8, row * 16 + 8);
        editor.picColorSelector_Click((GetTilePixel(kept.data(), col, row) + 1) % 4);
        for (auto _ : state) {
            model.writeBytes(tile, kept);
            editor.pic8x8Edit_MouseDown(Qt::LeftButton);
            benchmark::DoNotOptimize(editor.pic8x8Edit->image().constBits());
        }
    }
    model.writeBytes(tile, kept);
}
BENCHMARK(BM_PixelPress)->Unit(benchmark::kMicrosecond);

const bool pixelPressRatio = RatioToDrawLevel("BM_PixelPress", "pixel press");

// A stroke across a row of the grid: the press and seven moves, each a pixel painted and
// merged into the stroke's one step, the window repainting the pixel's blocks in the
// grid, the composite and the sheet. The row is put back to colour 0 before every stroke,
// which paints it in colour 3.
void BM_Stroke8(benchmark::State &state)
{
    NeedApplication();
    modKrelin &model = Model();
    const int n = 0x21, row = 5;
    const qint64 tile = TileOffset(model, model.byteAt(QuadrantTileOffset(model, n, 0)));
    const std::vector<std::uint8_t> kept(model.bytesAt(tile, TileBytes), model.bytesAt(tile, TileBytes) + TileBytes);
    std::vector<std::uint8_t> blank = kept;
    for (int j = 0; j < 8; ++j)
        SetTilePixel(blank.data(), j, row, 0);
    QuietDesktop desktop;
    {
        EditHistory history(model);
        history.stack().setUndoLimit(100);
        frmTileEditor editor(history, desktop);
        editor.ShowMetaTile(n);
        editor.picColorSelector_Click(3);
        for (auto _ : state) {
            model.writeBytes(tile, blank);
            editor.pic8x8Edit_MouseMove(8, row * 16 + 8);
            editor.pic8x8Edit_MouseDown(Qt::LeftButton);
            for (int j = 1; j < 8; ++j)
                editor.pic8x8Edit_MouseMove(j * 16 + 8, row * 16 + 8);
            editor.pic8x8Edit_MouseUp();
            benchmark::DoNotOptimize(editor.pic8x8Edit->image().constBits());
        }
    }
    model.writeBytes(tile, kept);
}
BENCHMARK(BM_Stroke8)->Unit(benchmark::kMicrosecond);

const bool strokeRatio = RatioToDrawLevel("BM_Stroke8", "stroke of 8 pixels");

// A whole tile sheet imported while the tile editor and the main window's views are open:
// the sheet (a picture read by index) decoded, its 4096 bytes made one step, and every view
// following: the main window's table and map repaint what the new tiles touch, the tile
// editor the pixels that differ. Two sheets in turn, each different in every tile.
void BM_ImportSheet(benchmark::State &state)
{
    NeedApplication();
    PlacedMetaTile views(false);
    modKrelin &model = views.model;
    const ByteRange tiles = TilesRange(model);
    const std::vector<std::uint8_t> kept(model.bytesAt(tiles.offset, tiles.length),
                                         model.bytesAt(tiles.offset, tiles.length) + tiles.length);
    std::vector<std::uint8_t> inverted = kept;
    for (std::uint8_t &b : inverted)
        b = std::uint8_t(~b);
    const SheetColors colors = SheetColorsOf(model.BgColors(), 0);
    const QImage sheets[2] = {EncodeTileSheet(inverted.data(), colors), EncodeTileSheet(kept.data(), colors)};
    QuietDesktop desktop;
    frmTileEditor editor(views.history, desktop);
    editor.ShowMetaTile(0x21);
    int next = 0;
    for (auto _ : state) {
        const DecodedTileSheet decoded = DecodeTileSheet(sheets[next], colors);
        ImportTiles(views.history, decoded.tiles, QStringLiteral("tiles.png"));
        next = 1 - next;
        benchmark::DoNotOptimize(views.map.constBits());
    }
    model.writeBytes(tiles.offset, kept);
}
BENCHMARK(BM_ImportSheet)->Unit(benchmark::kMicrosecond);

const bool importRatio = RatioToDrawLevel("BM_ImportSheet", "tile sheet import");

} // namespace
