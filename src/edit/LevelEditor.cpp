#include "LevelEditor.h"

#include "CellMapping.h"
#include "EditCommands.h"
#include "EditHistory.h"
#include "StatusText.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/MapHint.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"
#include "render/TilePainter.h"
#include "render/UseMarks.h"

#include <algorithm>

namespace krelin {

namespace {

constexpr QRgb FrameColor = qRgb(255, 255, 255);

// Draws the white frame around the cell at (col, row).
void drawCellFrame(QImage &surface, int col, int row)
{
    DrawBox(surface, CellPitch * col, CellPitch * row, CellPitch * col + MetaTileShownSize,
            CellPitch * row + MetaTileShownSize, FrameColor);
}

// Clears the whole 34 x 34 box of the cell at (col, row). Painting a metatile covers
// only its tiles; the white frame also runs over the one-pixel lines between them, and
// those must not stay behind when the frame moves on or a metatile is placed.
void clearCellBox(QImage &surface, int col, int row)
{
    PaintBlankTile(surface, CellPitch * col, CellPitch * row, CellPitch);
}

} // namespace

LevelEditor::LevelEditor(modKrelin &model, EditHistory &history, QImage &editorImage, QImage &tableImage,
                         QImage &selectedImage, QObject *parent)
    : QObject(parent)
    , model(model)
    , history(history)
    , editorImage(editorImage)
    , tableImage(tableImage)
    , selectedImage(selectedImage)
{
    connect(&model, &modKrelin::imageChanged, this, &LevelEditor::imageBytesChanged);
    connect(&model, &modKrelin::imageReplaced, this, [this] { uses.reset(); });
}

void LevelEditor::ResetStage()
{
    stageIsLoaded = true;
    roomArmed = false;
    redrawHeld = true;
    FastCls(selectedImage, 1000, 1000);
    selectedMetaTile = 0;
    uses.reset();
}

void LevelEditor::DrawTileTable()
{
    redrawHeld = false;
    emit busyChanged(true);
    ResolveBgColors(model);
    emit tableDrawn();
    DrawTablePage(tableImage, model, currentPage);
    if (usesShown)
        dimFreeTableCells();
    emit refreshSurface(Surface::Table);
    DrawSelectedMetaTile(selectedImage, model, selectedMetaTile);
    emit refreshSurface(Surface::Selected);
    emit busyChanged(false);
}

void LevelEditor::DrawLevel()
{
    emit busyChanged(true);
    DrawLevelFrame(editorImage, model, currentFrame, frameMetaTiles);
    if (usesShown)
        for (int cell = 0; cell < FrameBytes; ++cell)
            if (frameMetaTiles[std::size_t(cell)] == selectedMetaTile)
                DrawUseOutline(editorImage, cell % FrameColumns, cell / FrameColumns);
    emit refreshSurface(Surface::Editor);
    roomArmed = true;
    emit levelDrawn();
    emit busyChanged(false);
}

void LevelEditor::Refresh()
{
    if (!stageIsLoaded)
        return;
    emit busyChanged(true);
    roomArmed = false;
    DrawTileTable();
    DrawLevel();
    emit busyChanged(false);
}

bool LevelEditor::RepaintLevelCells(const std::vector<ByteRange> &ranges)
{
    if (!stageIsLoaded)
        return true; // nothing of the image is on screen
    const qint64 first = LevelCellOffset(model, currentFrame, 0, 0);
    for (const ByteRange &range : ranges)
        if (range.offset < first || range.offset + range.length > first + FrameBytes)
            return false;
    for (const ByteRange &range : ranges)
        for (qint64 offset = range.offset; offset < range.offset + range.length; ++offset) {
            const int cell = int(offset - first);
            const int col = cell % FrameColumns, row = cell / FrameColumns;
            const int n = model.byteAt(offset);
            paintEditorCell(col, row, n);
            frameMetaTiles[std::size_t(cell)] = std::int16_t(n);
        }
    emit refreshSurface(Surface::Editor);
    return true;
}

void LevelEditor::UnloadStage()
{
    stageIsLoaded = false;
    roomArmed = false;
    redrawHeld = false;
    selectedMetaTile = 0;
    currentFrame = 0;
    currentPage = 0;
    frameMetaTiles = {};
    uses.reset();
    FastCls(tableImage, 1000, 1000);
    emit refreshSurface(Surface::Table);
    FastCls(selectedImage, 1000, 1000);
    emit refreshSurface(Surface::Selected);
    DrawEmptyMap(true);
    emit stageUnloaded();
}

void LevelEditor::DrawEmptyMap(bool imageOpen)
{
    if (stageIsLoaded)
        return;
    DrawMapHint(editorImage, EmptyMapHint(imageOpen));
    emit refreshSurface(Surface::Editor);
}

int LevelEditor::RoomEntryOfFrame() const
{
    const qint64 offset = FrameRoomOffset(model, currentFrame);
    if (!stageIsLoaded || !model.holds(offset, 1))
        return -1;
    const int room = model.byteAt(offset);
    return room >= model.FirstRoom && room <= model.LastRoom ? room - model.FirstRoom : -1;
}

// Without a stage on the views (before the first choice, or after it was taken off)
// the scroll bars only move back to 0, and nothing is drawn.
void LevelEditor::FramesChanged(int value)
{
    currentFrame = value;
    roomArmed = false;
    if (stageIsLoaded && !redrawHeld)
        DrawLevel();
}

void LevelEditor::TableChanged(int value)
{
    currentPage = value;
    if (stageIsLoaded && !redrawHeld)
        DrawTileTable();
}

bool LevelEditor::RoomChosen(const QString &entry)
{
    if (!roomArmed)
        return false;
    // The room number is the entry's last two characters, read as hexadecimal.
    bool ok = false;
    const int room = entry.right(2).toInt(&ok, 16);
    if (!ok || entry.size() < 2)
        return false;
    const bool written = model.holds(FrameRoomOffset(model, currentFrame), 1);
    history.push(new SetRoomCommand(model, currentFrame, room));
    roomArmed = false;
    DrawLevel();
    return written;
}

template<typename Restore>
void LevelEditor::trackPointer(TrackedCell &cell, double x, double y, int columns, int rows, QImage &image,
                               Surface surface, Restore restore)
{
    if (!stageIsLoaded)
        return;
    const int col = CellFromPosition(x, CellPitch, columns - 1);
    const int row = CellFromPosition(y, CellPitch, rows - 1);
    if (col < 0 || row < 0)
        return;
    cell.col = col;
    cell.row = row;
    if (cell.col != cell.lastCol || cell.row != cell.lastRow) {
        restore(cell.lastCol, cell.lastRow);
        cell.lastCol = cell.col;
        cell.lastRow = cell.row;
    }
    drawCellFrame(image, cell.col, cell.row);
    emit refreshSurface(surface);
}

void LevelEditor::restoreTableCell(int col, int row)
{
    clearCellBox(tableImage, col, row);
    const int n = TableMetaTile(currentPage, col, row);
    DrawMetaTile(tableImage, model, 2 * col, 2 * row, n);
    if (usesShown && Uses().isFree(n))
        DimCell(tableImage, col, row);
}

void LevelEditor::TableMouseMove(double x, double y)
{
    trackPointer(tableCell, x, y, TableColumns, TableRows, tableImage, Surface::Table,
                 [this](int col, int row) { restoreTableCell(col, row); });
}

void LevelEditor::TableClick()
{
    if (!stageIsLoaded)
        return;
    const int before = selectedMetaTile;
    selectedMetaTile = TableMetaTile(currentPage, tableCell.col, tableCell.row);
    DrawSelectedMetaTile(selectedImage, model, selectedMetaTile);
    emit refreshSurface(Surface::Selected);
    if (usesShown && before != selectedMetaTile) {
        repaintCellsHolding(before, selectedMetaTile);
        emit usesChanged();
    }
}

void LevelEditor::paintEditorCell(int col, int row, int metaTile)
{
    clearCellBox(editorImage, col, row);
    DrawMetaTile(editorImage, model, 2 * col, 2 * row, metaTile);
    if (usesShown && metaTile == selectedMetaTile)
        DrawUseOutline(editorImage, col, row);
}

void LevelEditor::restoreEditorCell(int col, int row)
{
    paintEditorCell(col, row, frameMetaTiles[std::size_t(FrameColumns * row + col)]);
}

void LevelEditor::EditorMouseMove(double x, double y)
{
    trackPointer(editorCell, x, y, FrameColumns, FrameRows, editorImage, Surface::Editor,
                 [this](int col, int row) { restoreEditorCell(col, row); });
}

void LevelEditor::EditorClick()
{
    if (!stageIsLoaded)
        return;
    const int n = selectedMetaTile;
    const int col = editorCell.col, row = editorCell.row;
    // A cell whose byte lies outside the image (an image too short for the stage) is
    // left alone: nothing is written, and the picture keeps showing what is stored.
    if (!model.holds(LevelCellOffset(model, currentFrame, col, row), 1))
        return;
    history.push(new PlaceMetaTileCommand(model, currentFrame, col, row, n));
    paintEditorCell(col, row, n);
    frameMetaTiles[std::size_t(FrameColumns * row + col)] = std::int16_t(n);
    emit refreshSurface(Surface::Editor);
}

// ---- where metatiles are used ------------------------------------------------------------

const MetaTileUses &LevelEditor::Uses()
{
    static const MetaTileUses none;
    if (!stageIsLoaded || !model.CurrentStage)
        return none;
    if (!uses)
        uses = CountMetaTileUses(model, *model.CurrentStage);
    return *uses;
}

void LevelEditor::SetShowUses(bool on)
{
    if (usesShown == on)
        return;
    usesShown = on;
    if (stageIsLoaded && !redrawHeld) {
        repaintCellsHolding(selectedMetaTile, selectedMetaTile);
        DrawTablePage(tableImage, model, currentPage);
        if (usesShown)
            dimFreeTableCells();
        emit refreshSurface(Surface::Table);
    }
    emit usesChanged();
}

void LevelEditor::imageBytesChanged(qint64 offset, qint64 length)
{
    if (!uses)
        return;
    // Only the level maps of the stages counted are read; other edits (tiles, colours,
    // rooms) leave the counts as they are.
    const bool stale = std::any_of(uses->counted.begin(), uses->counted.end(), [&](const Stage *s) {
        return LevelRange(*s, s->Frames).overlaps({offset, length});
    });
    if (!stale)
        return;
    if (!usesShown) {
        uses.reset();
        return;
    }
    // Counted again at once: a metatile placed for the first time, or its last use
    // removed, changes how the table shows it.
    const MetaTileUses before = *uses;
    uses.reset();
    const MetaTileUses &now = Uses();
    if (stageIsLoaded && !redrawHeld) {
        bool repainted = false;
        for (int row = 0; row < TableRows; ++row)
            for (int col = 0; col < TableColumns; ++col) {
                const int n = TableMetaTile(currentPage, col, row);
                if (before.isFree(n) != now.isFree(n)) {
                    restoreTableCell(col, row);
                    repainted = true;
                }
            }
        if (repainted)
            emit refreshSurface(Surface::Table);
    }
    emit usesChanged();
}

void LevelEditor::repaintCellsHolding(int n, int m)
{
    if (!stageIsLoaded || redrawHeld)
        return;
    for (int cell = 0; cell < FrameBytes; ++cell) {
        const int held = frameMetaTiles[std::size_t(cell)];
        if (held == n || held == m)
            paintEditorCell(cell % FrameColumns, cell / FrameColumns, held);
    }
    emit refreshSurface(Surface::Editor);
}

void LevelEditor::dimFreeTableCells()
{
    const MetaTileUses &counts = Uses();
    for (int row = 0; row < TableRows; ++row)
        for (int col = 0; col < TableColumns; ++col)
            if (counts.isFree(TableMetaTile(currentPage, col, row)))
                DimCell(tableImage, col, row);
}

} // namespace krelin
