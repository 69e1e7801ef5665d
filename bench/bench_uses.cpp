// Timing of counting metatile uses, against drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/MetaTileUses.h"

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
const bool countUsesRatio = RatioToDrawLevel("BM_CountUses", "counting uses");

} // namespace
