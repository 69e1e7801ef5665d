// Timing of the level map's many-cell edits, against drawing a level frame.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "core/MasterPalette.h"
#include "core/Stamp.h"
#include "edit/CellEdits.h"
#include "render/Palette.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// Stage 1A on the main window's surfaces, frame 1 on the map: what the user edits.
struct FrameOnScreen
{
    FrameOnScreen()
        : model(Model())
        , map(LevelSurface())
        , table(69, 273, QImage::Format_RGB32)
        , selected(35, 35, QImage::Format_RGB32)
        , history(model)
        , editor(model, history, map, table, selected)
        , saved(model.bytesAt(FrameOffset(StageTable[0], 1), FrameBytes),
                model.bytesAt(FrameOffset(StageTable[0], 1), FrameBytes) + FrameBytes)
    {
        editor.ResetStage();
        model.ApplyStage(StageTable[0]);
        editor.DrawTileTable();
        editor.FramesChanged(1);
        // Only the last steps are kept: a long run makes a great many.
        history.stack().setUndoLimit(8);
    }
    ~FrameOnScreen()
    {
        history.clear();
        model.writeBytes(FrameOffset(model, 1), saved);
    }
    Stamp frameStamp(int frame) const
    {
        const std::uint8_t *bytes = model.bytesAt(FrameOffset(model, frame), FrameBytes);
        return Stamp{FrameColumns, FrameRows, {bytes, bytes + FrameBytes}};
    }

    modKrelin &model;
    QImage map, table, selected;
    EditHistory history;
    LevelEditor editor;
    std::vector<std::uint8_t> saved;
};

// A paste of a whole frame's stamp onto the frame shown, as a click with the stamp does it:
// the step made and pushed (every byte written, in one write), the map repainting the
// cells whose metatile changed. The stamps of frames 0 and 2 in turn, so each is a paste
// that changes the frame.
void BM_PasteFullFrame(benchmark::State &state)
{
    FrameOnScreen screen;
    const Stamp stamps[2] = {screen.frameStamp(0), screen.frameStamp(2)};
    int next = 0;
    for (auto _ : state) {
        screen.history.push(MakePasteCommand(screen.model, 1, 0, 0, stamps[next]));
        next = 1 - next;
        benchmark::DoNotOptimize(screen.map.constBits());
    }
}
BENCHMARK(BM_PasteFullFrame)->Unit(benchmark::kMicrosecond);

// A fill whose region is the whole frame shown (every cell holds one metatile), with
// metatiles 1 and 2 in turn: 240 cells changed and repainted each time.
void BM_FillFrame(benchmark::State &state)
{
    FrameOnScreen screen;
    screen.model.writeBytes(FrameOffset(screen.model, 1), std::vector<std::uint8_t>(FrameBytes, 2));
    int with = 1;
    for (auto _ : state) {
        screen.history.push(MakeFillCommand(screen.model, 1, 7, 7, with));
        with = 3 - with;
        benchmark::DoNotOptimize(screen.map.constBits());
    }
}
BENCHMARK(BM_FillFrame)->Unit(benchmark::kMicrosecond);

const bool pasteRatio = RatioToDrawLevel("BM_PasteFullFrame", "pasting a full-frame stamp");
const bool fillRatio = RatioToDrawLevel("BM_FillFrame", "a fill of a whole frame");

} // namespace
