// One stage of any image drawn as the window and the export draw it, with no file, no
// undo and no edits, so that images are fuzzed at hundreds of inputs a second (the full
// fuzz_image goes through every stage and edits each). The input is read as
//   byte 0      the stage (modulo 12: 1A, 1B ... 7)
//   byte 1      the frame (modulo the stage's frames)
//   byte 2      the metatile table page (modulo 16)
//   byte 3      the metatile shown as the selection
//   the rest    the image
// Draws the frame, the page and the selection whether or not the image holds the
// stage's data (the window refuses such a stage before drawing; the drawings themselves
// must still never read outside the image), and checks that the frame shows the stored
// metatile number in every cell the image holds and nothing in the others.

#include "FuzzSupport.h"

#include "core/MasterPalette.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/LevelView.h"
#include "render/Palette.h"
#include "render/TableView.h"

#include <QImage>

using namespace krelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    // The window's surfaces, made once: the level map, a table page and the selection.
    static QImage level(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
    static QImage table(TablePageWidth + 2, TablePageHeight + 2, QImage::Format_RGB32);
    static QImage selected(35, 35, QImage::Format_RGB32);

    const Stage &stage = StageTable[data[0] % StageCount];
    const int frame = data[1] % stage.Frames;
    modKrelin model;
    UseStandardPalette(model);
    model.replaceImage(std::vector<std::uint8_t>(data + 4, data + size));
    model.ApplyStage(stage);
    const bool holds = StageFitProblem(stage, model.romSize()).isEmpty();
    FUZZ_CHECK(holds == model.holds(0, StageBytesNeeded(stage)), stage.caption());

    const BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
    FrameCache cache{};
    DrawLevelFrame(level, model, frame, colors, cache);
    for (int row = 0; row < FrameRows; ++row)
        for (int col = 0; col < FrameColumns; ++col) {
            const std::int64_t offset = LevelCellOffset(model, frame, col, row);
            const int shown = model.holds(offset, 1) ? model.byteAt(offset) : 0;
            FUZZ_CHECK(cache[std::size_t(FrameColumns * row + col)] == shown,
                       QStringLiteral("%1 frame %2 cell %3,%4").arg(stage.caption()).arg(frame).arg(col).arg(row));
            FUZZ_CHECK(!holds || model.holds(offset, 1), "a stage that fits holds every cell");
        }
    DrawTablePage(table, model, data[2] % TablePages, colors);
    DrawSelectedMetaTile(selected, model, data[3], colors);
    return 0;
}
