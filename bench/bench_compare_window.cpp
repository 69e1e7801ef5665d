// Timing of an edit in the main window while it compares the image with another: the
// step, the map's repaint, the comparison brought up to date and its marks; against
// drawing a level frame.
#include "BenchSupport.h"

#include "core/MasterPalette.h"
#include "core/StageTable.h"
#include "edit/EditCommands.h"
#include "ui/CompareCommands.h"
#include "ui/Navigation.h"
#include "ui/frmKrelin.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUndoStack>

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// The main window on a copy of the image, stage 1A on its first frame, comparing with a
// copy that differs in a few cells of that frame, a tile and a palette colour.
struct ComparingWindow
{
    explicit ComparingWindow(bool comparing = true)
    {
        NeedApplication();
        model.replaceImage(Model().image());
        UseStandardPalette(model);
        window = std::make_unique<frmKrelin>(model, desktop, dir.path());
        std::vector<std::uint8_t> other = model.image();
        const Stage &stage = StageTable[0];
        for (const qint64 offset : {LevelCellOffset(stage, 0, 3, 4), LevelCellOffset(stage, 0, 4, 4),
                                    LevelCellOffset(stage, 0, 9, 10), TileOffset(stage, 0x1C) + 3,
                                    PaletteEntryOffset(stage, 5)})
            other[std::size_t(offset)] ^= 0x11;
        const QString path = dir.filePath(QStringLiteral("other.nes"));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(reinterpret_cast<const char *>(other.data()), qint64(other.size()));
        file.close();
        window->findChild<Navigation *>()->mnuEdit_Level_Click(0);
        compare = window->findChild<CompareCommands *>();
        if (comparing)
            compare->compareWith(path);
        history = window->findChild<EditHistory *>();
        history->stack().setUndoLimit(8);
    }

    QTemporaryDir dir;
    modKrelin model;
    QuietDesktop desktop;
    std::unique_ptr<frmKrelin> window;
    CompareCommands *compare = nullptr;
    EditHistory *history = nullptr;
};

// A placement in the frame shown, alternately making a cell differ and equal again: the
// edit as the window follows it, its map cell, its comparison and its mark.
void EditInWindow(benchmark::State &state, bool comparing)
{
    ComparingWindow w(comparing);
    const int original = w.model.byteAt(LevelCellOffset(StageTable[0], 0, 6, 6));
    bool changed = false;
    for (auto _ : state) {
        changed = !changed;
        w.history->push(new PlaceMetaTileCommand(w.model, 0, 6, 6, changed ? (original + 1) & 0xFF : original));
        benchmark::DoNotOptimize(w.compare->differences().stage(0).cells.data());
    }
    if (w.compare->comparing() != comparing)
        state.SkipWithError("the window does not compare as it should");
}

void BM_EditWhileComparing(benchmark::State &state)
{
    EditInWindow(state, true);
}
BENCHMARK(BM_EditWhileComparing)->Unit(benchmark::kMicrosecond);

// The same edit in the same window, not comparing: what the comparison adds is the
// difference between the two.
void BM_EditNotComparing(benchmark::State &state)
{
    EditInWindow(state, false);
}
BENCHMARK(BM_EditNotComparing)->Unit(benchmark::kMicrosecond);

const bool editRatio = RatioToDrawLevel("BM_EditWhileComparing", "an edit in the window while comparing");
const bool plainEditRatio = RatioToDrawLevel("BM_EditNotComparing", "the same edit, not comparing");

} // namespace
