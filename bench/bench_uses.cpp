// Timing of counting metatile uses, and of the edits and pointer moves that Show Uses
// accompanies, against drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "edit/LevelEditor.h"
#include "edit/MetaTileUses.h"
#include "render/LevelView.h"

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

// Stage 1A on the surfaces with Show Uses on, metatile 1 selected and placed once where
// it was not: what the two benchmarks below start from.
struct UsesShown
{
    modKrelin &model = Model();
    QImage map = LevelSurface(), table{69, 273, QImage::Format_RGB32}, selected{35, 35, QImage::Format_RGB32};
    EditHistory history{model};
    LevelEditor editor{model, history, map, table, selected};

    UsesShown()
    {
        QObject::connect(&history, &EditHistory::restored, &editor, [this](const std::vector<ByteRange> &ranges) {
            if (!editor.RepaintLevelCells(ranges))
                editor.Refresh();
        });
        editor.ResetStage();
        model.ApplyStage(StageTable[0]);
        editor.DrawTileTable();
        editor.DrawLevel();
        editor.SetShowUses(true);
        editor.TableMouseMove(40, 10);
        editor.TableClick();
        const int col = model.byteAt(LevelCellOffset(model, 0, 5, 5)) == 1 ? 6 : 5;
        editor.EditorMouseMove(col * 34 + 10, 5 * 34 + 10);
        editor.EditorClick();
    }
    ~UsesShown() { history.stack().setIndex(0); }
};

// Undoing and redoing that placement in turn: each writes a level byte, so the uses are
// counted afresh, the table's dimming checked and the cell repainted with its outline.
void BM_EditShowingUses(benchmark::State &state)
{
    UsesShown shown;
    bool undo = true;
    for (auto _ : state) {
        if (undo)
            shown.history.stack().undo();
        else
            shown.history.stack().redo();
        undo = !undo;
        benchmark::DoNotOptimize(shown.map.constBits());
    }
}
BENCHMARK(BM_EditShowingUses)->Unit(benchmark::kMicrosecond);

// A pointer move with Show Uses on: nothing is counted, the cell left keeps its outline.
void BM_PointerMoveShowingUses(benchmark::State &state)
{
    UsesShown shown;
    bool right = false;
    for (auto _ : state) {
        shown.editor.EditorMouseMove(right ? 4 * 34 + 10 : 3 * 34 + 10, 4 * 34 + 10);
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
