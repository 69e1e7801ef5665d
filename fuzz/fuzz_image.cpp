// Any bytes as the cartridge image: opened from a file as the window opens it (which
// refuses a file without the cartridge signature), then, whatever the header, every
// stage that the image holds is chosen and shown as the window shows it (all table pages,
// the first, a middle and the last frame) and edited a little. Checks that a stage is
// offered exactly when the image holds its data, that each view shows the stored bytes,
// and that each edit changes exactly the byte it names.

#include "FuzzSupport.h"

#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "views/CellMapping.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "render/LevelView.h"

#include <QImage>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace krelin;

namespace {

// The window's surfaces inside their borders.
constexpr QSize TableSurface(69, 273);
constexpr QSize SelectedSurface(35, 35);

// Positions for the pointer, taken from the image's first bytes (its header, which no
// view reads), reaching a little past each surface on both sides.
double pointer(const std::vector<std::uint8_t> &bytes, std::size_t i, int span)
{
    const int b = i < bytes.size() ? bytes[i] : 0;
    return double(b) * (span + 40) / 255.0 - 20.0 + (b & 1) * 0.5;
}

// True when after differs from before at most in the byte at offset.
bool onlyByteChanged(const std::vector<std::uint8_t> &before, const std::vector<std::uint8_t> &after, qint64 offset)
{
    const std::size_t at = std::size_t(offset), size = before.size();
    return after.size() == size && at < size && std::memcmp(before.data(), after.data(), at) == 0
        && std::memcmp(before.data() + at + 1, after.data() + at + 1, size - at - 1) == 0;
}

void checkFrameShown(const LevelEditor &editor, const modKrelin &model)
{
    for (int row = 0; row < FrameRows; ++row)
        for (int col = 0; col < FrameColumns; ++col)
            FUZZ_CHECK(editor.FrameMetaTiles()[std::size_t(FrameColumns * row + col)]
                           == model.byteAt(LevelCellOffset(model, editor.frame(), col, row)),
                       QStringLiteral("frame %1 cell %2,%3").arg(editor.frame()).arg(col).arg(row));
}

void showAndEditStage(modKrelin &model, const Stage &stage, const std::vector<std::uint8_t> &input)
{
    QImage editorImage(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
    QImage tableImage(TableSurface, QImage::Format_RGB32);
    QImage selectedImage(SelectedSurface, QImage::Format_RGB32);
    EditHistory history(model);
    LevelEditor editor(model, history, editorImage, tableImage, selectedImage);
    MapTools tools(model, history, editor);

    // Stage selection as the window makes it: state reset, offsets, then both views.
    editor.ResetStage();
    model.ApplyStage(stage);
    editor.FramesChanged(0);
    editor.TableChanged(0);
    editor.DrawTileTable();
    editor.DrawLevel();
    checkFrameShown(editor, model);
    for (int page = 1; page < TablePages; ++page)
        editor.TableChanged(page);

    // The first, a middle and the last frame, each once (a short stage has fewer).
    std::vector<int> frames{0};
    for (const int frame : {stage.Frames / 2, stage.Frames - 1})
        if (frame != frames.back())
            frames.push_back(frame);
    for (const int frame : frames) {
        if (frame != editor.frame()) {
            editor.FramesChanged(frame);
            tools.frameShown(frame);
            checkFrameShown(editor, model);
        }

        // Pick a metatile from the table, place it in the map: one byte changes, the one
        // under the pointer, to the picked number.
        editor.TableMouseMove(pointer(input, 0, TableSurface.width()), pointer(input, 1, TableSurface.height()));
        editor.TableClick();
        const int picked = editor.SelectedMetaTile();
        FUZZ_CHECK(picked == 16 * editor.page() + 2 * editor.TableRow() + editor.TableCol(), "picked metatile");
        // The map's cell under the pointer, as the main window's map finds it; a position
        // left of or above the map names none and leaves the cell where it was.
        const int col = CellFromPosition(pointer(input, 2, LevelSurfaceWidth), CellPitch, FrameColumns - 1);
        const int row = CellFromPosition(pointer(input, 3, LevelSurfaceHeight), CellPitch, FrameRows - 1);
        if (col >= 0 && row >= 0)
            tools.pointerMoved(MapView::Main, {frame, row, col});
        const std::vector<std::uint8_t> before = model.image();
        const int steps = history.stack().count();
        tools.pressed(MapView::Main, tools.cell(), Qt::LeftButton, {});
        tools.released(MapView::Main, Qt::LeftButton, true);
        FUZZ_CHECK(tools.cell().frame == frame, "the cell lies in the frame shown");
        const qint64 cell = LevelCellOffset(model, frame, tools.cell().col, tools.cell().row);
        FUZZ_CHECK(model.byteAt(cell) == picked, "placed metatile");
        FUZZ_CHECK(onlyByteChanged(before, model.image(), cell), "a placement changes one byte");
        // A placement that changed the byte is one step; undoing it gives the image back.
        FUZZ_CHECK(history.stack().count() == steps + (before[std::size_t(cell)] != picked ? 1 : 0), "one step");
        if (history.stack().count() > steps) {
            const std::vector<std::uint8_t> placed = model.image();
            history.stack().undo();
            FUZZ_CHECK(model.image() == before, "undo of a placement");
            history.stack().redo();
            FUZZ_CHECK(model.image() == placed, "redo of a placement");
        }
        checkFrameShown(editor, model);

        // Choose a room: only the frame's room byte changes.
        const int room = stage.FirstRoom + (input.size() > 4 ? input[4] : 0) % (stage.LastRoom - stage.FirstRoom + 1);
        const std::vector<std::uint8_t> beforeRoom = model.image();
        const bool written = editor.RoomChosen(QStringLiteral("Room %1").arg(room, 2, 16, QLatin1Char('0')).toUpper());
        FUZZ_CHECK(written, "room written");
        const qint64 roomByte = FrameRoomOffset(model, frame);
        FUZZ_CHECK(model.byteAt(roomByte) == room, "room byte");
        FUZZ_CHECK(onlyByteChanged(beforeRoom, model.image(), roomByte), "a room choice changes one byte");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzz::WorkFile(QStringLiteral("image.nes"));
    if (!fuzz::WriteWorkFile(path, data, size))
        return 0;
    RomReadResult rom = ReadRomFile(path);
    // Opening refuses an empty file and one without the cartridge signature; the views
    // below are still given the bytes, as nothing in them may trust the header.
    if (size == 0 || !HasCartridgeHeader({data, size})) {
        FUZZ_CHECK(!rom.ok() && rom.bytes.empty() && rom.error.contains(path), rom.error);
        if (size == 0)
            return 0;
    } else {
        FUZZ_CHECK(rom.ok(), rom.error);
        FUZZ_CHECK(rom.bytes.size() == size && std::equal(rom.bytes.begin(), rom.bytes.end(), data),
                   "the image read is the file");
    }

    modKrelin model;
    UseStandardPalette(model);
    // An image of exactly the file's length, so that any read past its end is caught.
    model.replaceImage(std::vector<std::uint8_t>(data, data + size));
    const std::vector<std::uint8_t> input = model.image();

    for (const Stage &stage : StageTable) {
        const QString problem = StageFitProblem(stage, model.romSize());
        const bool holds = model.holds(0, StageBytesNeeded(stage));
        FUZZ_CHECK(problem.isEmpty() == holds, stage.caption());
        if (!holds) {
            FUZZ_CHECK(problem.contains(stage.caption()) && problem.contains(QString::number(size)), problem);
            continue;
        }
        showAndEditStage(model, stage, input);
    }
    return 0;
}
