// Timing of a stage as a Tiled map, against drawing a level frame: stage 3 (24 frames)
// exported (the map's text and its tileset picture, encoded in memory), and a map of it
// imported (read, checked, compared for the question, and pushed as one step).
#include "BenchSupport.h"

#include "core/MasterPalette.h"
#include "core/StageTable.h"
#include "edit/CellsEditCommand.h"
#include "render/Palette.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledImport.h"
#include "tiled/TiledMapFile.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// A model of its own on stage 3, with the standard palette.
modKrelin &stageThree()
{
    static modKrelin *model = [] {
        auto *m = new modKrelin;
        m->replaceImage(Model().image());
        UseStandardPalette(*m);
        m->ApplyStage(StageTable[6]);
        return m;
    }();
    return *model;
}

void BM_TiledExportStage3(benchmark::State &state)
{
    modKrelin &model = stageThree();
    const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
    for (auto _ : state) {
        const TiledStageFiles files = EncodeTiledStage(model, TiledFormat::Tmx, QStringLiteral("s-metatiles.png"), colors);
        benchmark::DoNotOptimize(files.map.constData());
        benchmark::DoNotOptimize(files.tileset.constData());
    }
    state.SetLabel(std::to_string(EncodeTiledStage(model, TiledFormat::Tmx, QStringLiteral("s.png"), colors).map.size())
                   + " bytes of map");
}
BENCHMARK(BM_TiledExportStage3)->Unit(benchmark::kMicrosecond);

// Two maps of stage 3 imported in turn, one with every cell of frame 5 changed: each
// import changes 240 cells, read from the map's text as the window reads a file.
void BM_TiledImportStage3(benchmark::State &state)
{
    modKrelin &model = stageThree();
    EditHistory history(model);
    history.stack().setUndoLimit(8);
    const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
    const QByteArray original = EncodeTiledStage(model, TiledFormat::Tmx, QStringLiteral("s.png"), colors).map;
    const std::vector<std::uint8_t> saved = model.image();
    model.writeBytes(FrameOffset(model, 5), std::vector<std::uint8_t>(FrameBytes, 0x2F));
    const QByteArray changed = EncodeTiledStage(model, TiledFormat::Tmx, QStringLiteral("s.png"), colors).map;
    model.replaceImage(saved);
    const QByteArray *maps[2] = {&changed, &original};
    int next = 0;
    for (auto _ : state) {
        const TiledMapRead read = ReadTiledMapBytes(*maps[next], QString(), QStringLiteral("s.tmx"));
        const TiledStageImport import = CheckTiledStageMap(read.map, QStringLiteral("s.tmx"), model, StageTable[6]);
        const bool same = MadeFromThisImage(import, model);
        const QStringList summary = TiledImportSummary(model, import, QStringLiteral("a"), QStringLiteral("b"));
        history.push(MakeTiledImportCommand(model, import, QStringLiteral("Import Tiled Map")));
        benchmark::DoNotOptimize(same);
        benchmark::DoNotOptimize(summary.size());
        next = 1 - next;
    }
    history.clear();
    model.replaceImage(saved);
}
BENCHMARK(BM_TiledImportStage3)->Unit(benchmark::kMicrosecond);

// A hostile map: stage 3's, its <map> tag carrying 200,000 attributes more, read and
// refused at the last one, which repeats the first. Each attribute was compared with every
// one before it (43 s); now the time follows the map's length.
void BM_TiledManyAttributes(benchmark::State &state)
{
    modKrelin &model = stageThree();
    const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
    QByteArray extra;
    for (int i = 0; i < 200000; ++i)
        extra += " a" + QByteArray::number(i) + "=\"1\"";
    const QByteArray map = EncodeTiledStage(model, TiledFormat::Tmx, QStringLiteral("s.png"), colors)
                               .map.replace("<map ", "<map" + extra + " a0=\"2\" ");
    for (auto _ : state) {
        const TiledMapRead read = ReadTiledMapBytes(map, QString(), QStringLiteral("s.tmx"));
        benchmark::DoNotOptimize(read.error.size());
    }
    state.SetLabel(std::to_string(map.size()) + " bytes of map");
}
BENCHMARK(BM_TiledManyAttributes)->Unit(benchmark::kMillisecond);

const bool exportRatio = RatioToDrawLevel("BM_TiledExportStage3", "exporting stage 3 as a Tiled map");
const bool hostileRatio = RatioToDrawLevel("BM_TiledManyAttributes", "reading a map whose tag has 200,000 attributes");
const bool importRatio = RatioToDrawLevel("BM_TiledImportStage3", "importing a Tiled map of stage 3");

} // namespace
