// Timings of clearing, tile painting, the level map, the metatile table and choosing a
// stage, on the sample cartridge when it holds real data, else on a synthetic image.
//
//   krelin_bench [--image=PATH] [benchmark flags]
//   krelin_bench --ratio     runs FastCls, DrawLevel, a pointer move over the map and an
//                            undo of a placement only, and prints DrawLevel / FastCls and
//                            the others / DrawLevel

#include "SyntheticImage.h"

#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "edit/EditHistory.h"
#include "edit/LevelEditor.h"
#include "render/LevelView.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"
#include "render/TilePainter.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

using namespace krelin;

namespace {

std::string ImagePath = KRELIN_SAMPLE;
const char *ImageSource = "";

// The model every benchmark draws from: stage 1A of the chosen image.
modKrelin &Model()
{
    static modKrelin *model = [] {
        auto *m = new modKrelin;
        RomReadResult read = ReadRomFile(QString::fromStdString(ImagePath));
        qint64 needed = 0;
        for (const Stage &stage : StageTable)
            needed = std::max(needed, StageBytesNeeded(stage));
        const bool real = read.ok() && qint64(read.bytes.size()) >= needed
            && std::any_of(read.bytes.begin(), read.bytes.end(), [](std::uint8_t b) { return b != 0; });
        ImageSource = real ? "sample image" : "synthetic image";
        m->replaceImage(real ? std::move(read.bytes) : testing::MakeNoiseImage());
        UseStandardPalette(*m);
        testing::UseStageOffsets(*m, StageTable[0]);
        ResolveBgColors(*m);
        return m;
    }();
    return *model;
}

QImage LevelSurface()
{
    return QImage(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
}

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
        DrawLevelFrame(surface, model, 0, cache);
        benchmark::DoNotOptimize(surface.constBits());
    }
    state.SetLabel(ImageSource);
}
BENCHMARK(BM_DrawLevel)->Unit(benchmark::kMicrosecond);

void BM_TablePage(benchmark::State &state)
{
    modKrelin &model = Model();
    QImage page(TablePageWidth, TablePageHeight, QImage::Format_RGB32);
    QImage selected(MetaTileShownSize, MetaTileShownSize, QImage::Format_RGB32);
    for (auto _ : state) {
        ResolveBgColors(model);
        DrawTablePage(page, model, 0);
        DrawSelectedMetaTile(selected, model, 0);
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
        ResolveBgColors(model);
        DrawTablePage(page, model, 0);
        DrawSelectedMetaTile(selected, model, 0);
        DrawLevelFrame(level, model, 0, cache);
        benchmark::DoNotOptimize(level.constBits());
    }
    testing::UseStageOffsets(model, StageTable[0]);
    ResolveBgColors(model);
}
BENCHMARK(BM_StageSelection)->Unit(benchmark::kMicrosecond);

void BM_Paint2BPPTile(benchmark::State &state)
{
    const int size = int(state.range(0));
    const modKrelin &model = Model();
    QImage surface(size, size, QImage::Format_RGB32);
    const std::uint8_t *tile = model.bytesAt(model.ChrOffset + 16 * 0x41, TileBytes);
    for (auto _ : state) {
        Paint2BPPTile(surface, tile, model.BgColors.data(), 0, 0, size);
        benchmark::DoNotOptimize(surface.constBits());
    }
}
BENCHMARK(BM_Paint2BPPTile)->Arg(16)->Arg(32)->Arg(128);

// A pointer move over the level map into another cell: the old cell is repainted from the
// cache and the white frame drawn, with no redraw of the frame.
void BM_PointerMove(benchmark::State &state)
{
    modKrelin &model = Model();
    QImage map = LevelSurface(), table(69, 273, QImage::Format_RGB32), selected(35, 35, QImage::Format_RGB32);
    EditHistory history(model);
    LevelEditor editor(model, history, map, table, selected);
    editor.ResetStage();
    model.ApplyStage(StageTable[0]);
    editor.DrawTileTable();
    editor.DrawLevel();
    bool right = false;
    for (auto _ : state) {
        editor.EditorMouseMove(right ? 4 * 34 + 10 : 3 * 34 + 10, 4 * 34 + 10);
        right = !right;
        benchmark::DoNotOptimize(map.constBits());
    }
}
BENCHMARK(BM_PointerMove)->Unit(benchmark::kMicrosecond);

// Undoing a placement on the frame on screen, as the main window shows it: the byte is
// written back and its cell repainted. Undo and redo take turns; each is one step back or
// forth and costs the same.
void BM_UndoPlacement(benchmark::State &state)
{
    modKrelin &model = Model();
    QImage map = LevelSurface(), table(69, 273, QImage::Format_RGB32), selected(35, 35, QImage::Format_RGB32);
    EditHistory history(model);
    LevelEditor editor(model, history, map, table, selected);
    QObject::connect(&history, &EditHistory::restored, &editor, [&](const std::vector<ByteRange> &ranges) {
        if (!editor.RepaintLevelCells(ranges))
            editor.Refresh();
    });
    editor.ResetStage();
    model.ApplyStage(StageTable[0]);
    editor.DrawTileTable();
    editor.DrawLevel();
    editor.TableMouseMove(40, 10); // select metatile 1 ...
    editor.TableClick();
    const int placed = model.byteAt(LevelCellOffset(model, 0, 5, 5)) == 1 ? 6 : 5;
    editor.EditorMouseMove(placed * 34 + 10, 5 * 34 + 10); // ... and place it where it is not yet
    editor.EditorClick();
    bool undo = true;
    for (auto _ : state) {
        if (undo)
            history.stack().undo();
        else
            history.stack().redo();
        undo = !undo;
        benchmark::DoNotOptimize(map.constBits());
    }
    history.stack().setIndex(0);
}
BENCHMARK(BM_UndoPlacement)->Unit(benchmark::kMicrosecond);

// Keeps the normal console output and remembers the fastest CPU time of each benchmark
// over its repetitions, the figure least disturbed by other work on the machine.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {} // no colours: the ratio line stays clean
    std::map<std::string, double> fastest;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const double t = run.GetAdjustedCPUTime();
            auto it = fastest.find(name);
            if (it == fastest.end() || t < it->second)
                fastest[name] = t;
        }
    }
};

} // namespace

int main(int argc, char **argv)
{
    bool ratio = false;
    std::vector<char *> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--ratio") == 0)
            ratio = true;
        else if (i > 0 && std::strncmp(argv[i], "--image=", 8) == 0)
            ImagePath = argv[i] + 8;
        else
            args.push_back(argv[i]);
    }
    static char repetitions[] = "--benchmark_repetitions=5";
    if (ratio)
        args.insert(args.begin() + 1, repetitions);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    Model();
    std::printf("Drawing from the %s (%s)\n", ImageSource, ImagePath.c_str());

    if (!ratio) {
        benchmark::RunSpecifiedBenchmarks();
        benchmark::Shutdown();
        return 0;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter, "^BM_(FastCls|DrawLevel|PointerMove|UndoPlacement)$");
    benchmark::Shutdown();
    const double cls = reporter.fastest["BM_FastCls"], draw = reporter.fastest["BM_DrawLevel"];
    if (cls <= 0 || draw <= 0) {
        std::fprintf(stderr, "FastCls or DrawLevel did not run\n");
        return 1;
    }
    std::printf("DrawLevel / FastCls ratio: %.2f\n", draw / cls);
    const double move = reporter.fastest["BM_PointerMove"];
    if (move > 0)
        std::printf("pointer move / DrawLevel ratio: %.3f\n", move / draw);
    const double undo = reporter.fastest["BM_UndoPlacement"];
    if (undo > 0)
        std::printf("undo of a placement / DrawLevel ratio: %.3f\n", undo / draw);
    return 0;
}
