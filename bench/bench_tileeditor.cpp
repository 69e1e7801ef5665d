// Timing of the tile editor: a pixel press, against drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "core/ImageLayout.h"
#include "core/TileCodec.h"
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

} // namespace
