// Timings of the journal of unsaved work: a placement pushed through the history while the
// journal writes it to its file, and the same placement without a journal.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <optional>

using namespace krelin;
using namespace krelin::bench;

namespace {

// One placement in a cell of stage 1A, two metatiles taking turns so that each is a step of
// its own, pushed through the history; journaled, the journal writes each step at once (its
// flush to the disk, once a second, is left to the event loop and not timed). Every 1000
// placements the history and the journal start again, untimed, as opening a file does.
void placements(benchmark::State &state, bool journaled)
{
    NeedApplication();
    modKrelin model;
    model.replaceImage(Model().image());
    model.ApplyStage(StageTable[0]);
    EditHistory history(model);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("game.nes"));
    std::optional<Journal> journal;
    if (journaled) {
        journal.emplace(model, history, folder.path());
        journal->begin(file);
    }
    int placed = 0;
    for (auto _ : state) {
        history.push(new PlaceMetaTileCommand(model, 0, 5, 5, 1 + placed % 2));
        if (++placed % 1000 == 0) {
            state.PauseTiming();
            history.clear();
            if (journal)
                journal->begin(file);
            state.ResumeTiming();
        }
    }
}

void BM_PlacementJournaled(benchmark::State &state)
{
    placements(state, true);
}
BENCHMARK(BM_PlacementJournaled)->Unit(benchmark::kMicrosecond);

void BM_PlacementUnjournaled(benchmark::State &state)
{
    placements(state, false);
}
BENCHMARK(BM_PlacementUnjournaled)->Unit(benchmark::kMicrosecond);

const bool journaledRatio = RatioToDrawLevel("BM_PlacementJournaled", "placement through the history, journaled");
const bool unjournaledRatio = RatioToDrawLevel("BM_PlacementUnjournaled", "the same placement, no journal");

} // namespace
