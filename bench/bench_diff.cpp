// Timing of comparing two images, and of a comparison following an edit, against drawing
// a level frame.
#include "BenchSupport.h"

#include "core/ImageDiff.h"
#include "core/StageTable.h"

#include <benchmark/benchmark.h>

using namespace krelin;
using namespace krelin::bench;

namespace {

// The image with what a small hack changes: a few cells and a room of stage 1A, a tile
// of its bank, two palette colours and a byte no stage reads.
std::vector<std::uint8_t> EditedCopy(const std::vector<std::uint8_t> &image)
{
    std::vector<std::uint8_t> copy = image;
    const Stage &stage = StageTable[0];
    for (const qint64 offset : {LevelCellOffset(stage, 1, 3, 4), LevelCellOffset(stage, 1, 4, 4),
                                LevelCellOffset(stage, 5, 0, 14), FrameRoomOffset(stage, 2), TileOffset(stage, 0x1C) + 3,
                                PaletteEntryOffset(stage, 5), PaletteEntryOffset(stage, 6), qint64(0x100)})
        copy[std::size_t(offset)] ^= 0x11;
    return copy;
}

// Comparing the image with an edited copy of the same size from scratch.
void BM_CompareImages(benchmark::State &state)
{
    const std::vector<std::uint8_t> &a = Model().image();
    const std::vector<std::uint8_t> b = EditedCopy(a);
    for (auto _ : state) {
        ImageDiff diff(a, b);
        benchmark::DoNotOptimize(diff);
    }
}
BENCHMARK(BM_CompareImages)->Unit(benchmark::kMicrosecond);

// During that comparison, a placement in the image: one level byte written through the
// model, whose change signal brings the comparison up to date.
void BM_FollowEdit(benchmark::State &state)
{
    modKrelin model;
    model.replaceImage(Model().image());
    const std::vector<std::uint8_t> other = EditedCopy(model.image());
    ImageDiff diff(model.image(), other);
    QObject::connect(&model, &modKrelin::imageChanged, [&](qint64 offset, qint64 length) {
        diff.update(model.image(), other, {offset, length});
    });
    const qint64 cell = LevelCellOffset(StageTable[0], 1, 5, 4);
    const std::uint8_t original = model.byteAt(cell);
    bool changed = false;
    for (auto _ : state) {
        changed = !changed;
        model.writeByte(cell, changed ? std::uint8_t(original + 1) : original);
        benchmark::DoNotOptimize(diff.stage(0).cells.data());
    }
}
BENCHMARK(BM_FollowEdit)->Unit(benchmark::kMicrosecond);

const bool compareRatio = RatioToDrawLevel("BM_CompareImages", "comparing two images");
const bool followRatio = RatioToDrawLevel("BM_FollowEdit", "following an edit during a comparison");

} // namespace
