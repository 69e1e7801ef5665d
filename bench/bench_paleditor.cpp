// Timings of the palette editor: a colour click, and the refresh it asks for.
#include "BenchSupport.h"

#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "paleditor/frmPalEditor.h"
#include "render/Palette.h"
#include "widgets/ColorSwatch.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

using namespace krelin;
using namespace krelin::bench;

namespace {

// A click on the master colour grid: the palette byte written (alternately two colours,
// so that every click changes it), the swatch given its new colour from the model's
// signal and its repaint asked for. The paint itself is Qt's, done once per pass of the
// event loop however many swatches changed, and timed on its own below.
void BM_ColourClick(benchmark::State &state)
{
    modKrelin &model = Model();
    NeedApplication();
    const std::uint8_t kept = model.byteAt(PaletteEntryOffset(model, 1));
    QuietDesktop desktop;
    EditHistory history(model);
    history.stack().setUndoLimit(100); // every click is a step; keep the history small
    frmPalEditor editor(history, desktop);
    editor.show();
    QCoreApplication::processEvents();
    bool second = false;
    for (auto _ : state) {
        editor.picPalSelector_MouseMove(second ? 19 : 6, 6);
        second = !second;
        editor.picPalSelector_Click();
        benchmark::DoNotOptimize(editor.picPal[1]->color());
    }
    model.writeByte(PaletteEntryOffset(model, 1), kept);
}
BENCHMARK(BM_ColourClick)->Unit(benchmark::kMicrosecond);

// What the event loop then does for a swatch whose colour changed: Qt paints it.
void BM_SwatchPaint(benchmark::State &state)
{
    NeedApplication();
    ColorSwatch swatch(QStringLiteral("picPal_1"));
    swatch.resize(33, 33);
    swatch.show();
    QCoreApplication::processEvents();
    bool second = false;
    for (auto _ : state) {
        swatch.setColor(second ? 0xFF102030 : 0xFF304050);
        second = !second;
        swatch.repaint();
    }
}
BENCHMARK(BM_SwatchPaint)->Unit(benchmark::kMicrosecond);

// A palette byte changed where nobody asks first (an undo, a patch): the main window's
// views follow the model's signal with a refresh, the table (the colours resolved afresh,
// the palette editor's swatches following them) and the level map redrawn into their
// surfaces.
void BM_PaletteRefresh(benchmark::State &state)
{
    modKrelin &model = Model();
    NeedApplication();
    const std::uint8_t kept = model.byteAt(PaletteEntryOffset(model, 1));
    QImage map = LevelSurface(), table(69, 273, QImage::Format_RGB32), selected(35, 35, QImage::Format_RGB32);
    EditHistory history(model);
    LevelEditor level(model, history, map, table, selected);
    level.ResetStage();
    model.ApplyStage(StageTable[0]);
    level.DrawTileTable();
    level.DrawLevel();
    QuietDesktop desktop;
    frmPalEditor editor(history, desktop);
    editor.show();
    QCoreApplication::processEvents();
    bool second = false;
    for (auto _ : state) {
        model.writeByte(PaletteEntryOffset(model, 1), second ? 0x21 : 0x16);
        second = !second;
        benchmark::DoNotOptimize(map.constBits());
    }
    model.writeByte(PaletteEntryOffset(model, 1), kept);
    model.setBgColors(ResolveBgColors(model).value_or(BgColorSet{}));
}
BENCHMARK(BM_PaletteRefresh)->Unit(benchmark::kMicrosecond);

const bool colourClickRatio = RatioToDrawLevel("BM_ColourClick", "colour click");
const bool paletteRefreshRatio = RatioToDrawLevel("BM_PaletteRefresh", "palette refresh");

} // namespace
