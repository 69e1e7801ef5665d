// Timings of the drawing code: clearing, tile painting, the level map, the metatile table,
// choosing a stage and a pointer move over the map.
#include "BenchSupport.h"

#include "SyntheticImage.h"

#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "render/LevelView.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"
#include "render/TilePainter.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

void BM_FastCls(benchmark::State &state)
{
    QImage surface = LevelSurface();
    for (auto _ : state) {
        FastCls(surface, 10000, 10000);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_FastCls)->Unit(benchmark::kMicrosecond);

void BM_DrawLevel(benchmark::State &state)
{
    const modKrelin &model = Model();
    QImage surface = LevelSurface();
    FrameCache cache{};
    for (auto _ : state) {
        DrawLevelFrame(surface, model, 0, model.BgColors(), cache);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetLabel(ImageSource());
}
BENCHMARK(BM_DrawLevel)->Unit(benchmark::kMicrosecond);

void BM_TablePage(benchmark::State &state)
{
    modKrelin &model = Model();
    QImage page(TablePageWidth, TablePageHeight, QImage::Format_RGB32);
    QImage selected(MetaTileShownSize, MetaTileShownSize, QImage::Format_RGB32);
    for (auto _ : state) {
        const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
        DrawTablePage(page, model, 0, colors);
        DrawSelectedMetaTile(selected, model, 0, colors);
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(BM_TablePage)->Unit(benchmark::kMicrosecond);

// Everything choosing a stage redraws, going through the twelve stages in turn.
void BM_StageSelection(benchmark::State &state)
{
    modKrelin &model = Model();
    QImage level = LevelSurface();
    QImage page(TablePageWidth, TablePageHeight, QImage::Format_RGB32);
    QImage selected(MetaTileShownSize, MetaTileShownSize, QImage::Format_RGB32);
    FrameCache cache{};
    std::size_t next = 0;
    for (auto _ : state) {
        testing::UseStageOffsets(model, StageTable[next]);
        next = (next + 1) % StageTable.size();
        const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
        DrawTablePage(page, model, 0, colors);
        DrawSelectedMetaTile(selected, model, 0, colors);
        DrawLevelFrame(level, model, 0, colors, cache);
        benchmark::DoNotOptimize(level.constBits());
    }
    testing::UseStageOffsets(model, StageTable[0]);
}
BENCHMARK(BM_StageSelection)->Unit(benchmark::kMicrosecond);

void BM_Paint2BPPTile(benchmark::State &state)
{
    const int size = int(state.range(0));
    const modKrelin &model = Model();
    QImage surface(size, size, QImage::Format_RGB32);
    const std::uint8_t *tile = model.bytesAt(TileOffset(model, 0x41), TileBytes);
    for (auto _ : state) {
        Paint2BPPTile(surface, tile, model.BgColors().data(), 0, 0, size);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_Paint2BPPTile)->Arg(16)->Arg(32)->Arg(128);

// A pointer move over the level map into another cell: the old cell is repainted from the
// cache and the white frame drawn, with no redraw of the frame.
void BM_PointerMove(benchmark::State &state)
{
    PlacedMetaTile screen(false);
    bool right = false;
    for (auto _ : state) {
        screen.pointAt(right ? 4 : 3, 4);
        right = !right;
        benchmark::DoNotOptimize(screen.map.constBits());
    }
}
BENCHMARK(BM_PointerMove)->Unit(benchmark::kMicrosecond);

// Undoing a placement on the frame on screen, as the main window shows it: the byte is
// written back and its cell repainted. Undo and redo take turns; each is one step back or
// forth and costs the same.
void BM_UndoPlacement(benchmark::State &state)
{
    PlacedMetaTile placed(false);
    for (auto _ : state) {
        placed.undoOrRedo();
        benchmark::DoNotOptimize(placed.map.constBits());
    }
}
BENCHMARK(BM_UndoPlacement)->Unit(benchmark::kMicrosecond);

const bool pointerMoveRatio = RatioToDrawLevel("BM_PointerMove", "pointer move");
const bool undoPlacementRatio = RatioToDrawLevel("BM_UndoPlacement", "undo of a placement");

} // namespace
