// Timing of counting metatile uses, and of the edits and pointer moves that Show Uses
// accompanies, against drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "core/MetaTileUses.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// Counting every metatile's uses over all frames of the stages sharing 1A's metatile table
// (1A to 2C, 34 frames, the largest such group).
void BM_CountUses(benchmark::State &state)
{
    const modKrelin &model = Model();
    for (auto _ : state) {
        MetaTileUses uses = CountMetaTileUses(model, StageTable[0]);
        benchmark::DoNotOptimize(uses);
    }
}
BENCHMARK(BM_CountUses)->Unit(benchmark::kMicrosecond);

// Undoing and redoing a placement in turn with Show Uses on: each writes a level byte, so
// the uses are counted afresh, the table's dimming checked and the cell repainted with its
// outline.
void BM_EditShowingUses(benchmark::State &state)
{
    PlacedMetaTile shown(true);
    for (auto _ : state) {
        shown.undoOrRedo();
        benchmark::DoNotOptimize(shown.map.constBits());
    }
}
BENCHMARK(BM_EditShowingUses)->Unit(benchmark::kMicrosecond);

// A pointer move with Show Uses on: nothing is counted, the cell left keeps its outline.
void BM_PointerMoveShowingUses(benchmark::State &state)
{
    PlacedMetaTile shown(true);
    bool right = false;
    for (auto _ : state) {
        shown.pointAt(right ? 4 : 3, 4);
        right = !right;
        benchmark::DoNotOptimize(shown.map.constBits());
    }
}
BENCHMARK(BM_PointerMoveShowingUses)->Unit(benchmark::kMicrosecond);

const bool countUsesRatio = RatioToDrawLevel("BM_CountUses", "counting uses");
const bool editShowingUsesRatio = RatioToDrawLevel("BM_EditShowingUses", "an edit with Show Uses on");
const bool pointerMoveShowingUsesRatio =
    RatioToDrawLevel("BM_PointerMoveShowingUses", "pointer move with Show Uses on");

} // namespace
