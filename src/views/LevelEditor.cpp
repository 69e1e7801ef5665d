#include "LevelEditor.h"

#include "CellMapping.h"
#include "StageChange.h"
#include "StatusText.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"

#include <algorithm>

namespace krelin {

LevelEditor::LevelEditor(modKrelin &model, EditHistory &history, QImage &editorImage, QImage &tableImage,
                         QImage &selectedImage, QObject *parent)
    : QObject(parent)
    , model(model)
    , history(history)
    , map(model, editorImage)
    , table(model, tableImage, selectedImage)
{
    connect(&map, &LevelMapView::changed, this, [this] { emit refreshSurface(Surface::Editor); });
    connect(&table, &MetaTileTableView::tableChanged, this, [this] { emit refreshSurface(Surface::Table); });
    connect(&table, &MetaTileTableView::previewChanged, this, [this] { emit refreshSurface(Surface::Selected); });
    connect(&model, &modKrelin::imageChanged, this, &LevelEditor::imageChanged);
    connect(&model, &modKrelin::imageReplaced, this, &LevelEditor::imageReplaced);
    connect(&model, &modKrelin::stageChanged, this, &LevelEditor::stageChanged);
    connect(&model, &modKrelin::consoleColorsChanged, this, &LevelEditor::consoleColorsChanged);
}

bool LevelEditor::stageLoaded() const
{
    return model.currentStage() != nullptr;
}

void LevelEditor::ResetStage()
{
    roomArmed = false;
    redrawHeld = true;
    table.clearPreview();
    selectedMetaTile = 0;
    table.setMarked(-1);
    uses.reset();
}

void LevelEditor::DrawTileTable()
{
    redrawHeld = false;
    emit busyChanged(true);
    if (const auto colors = ResolveBgColors(model))
        model.setBgColors(*colors);
    emit tableDrawn();
    table.setDimmed(dimmedMetaTiles(), false);
    table.setMarked(selectedMetaTile);
    table.draw(currentPage);
    table.drawPreview(selectedMetaTile);
    emit pageDrawn();
    emit busyChanged(false);
}

void LevelEditor::DrawLevel()
{
    emit busyChanged(true);
    map.setOutlined(outlinedMetaTile(), false);
    map.draw(currentFrame);
    roomArmed = true;
    emit levelDrawn();
    emit busyChanged(false);
}

void LevelEditor::Refresh()
{
    if (!stageLoaded())
        return;
    emit busyChanged(true);
    roomArmed = false;
    DrawTileTable();
    DrawLevel();
    emit busyChanged(false);
}

void LevelEditor::DrawEmptyMap(bool imageOpen)
{
    if (stageLoaded())
        return;
    map.drawHint(EmptyMapHint(imageOpen));
}

int LevelEditor::RoomEntryOfFrame() const
{
    const int room = RoomOfFrame();
    return room >= 0 && room >= model.FirstRoom && room <= model.LastRoom ? room - model.FirstRoom : -1;
}

int LevelEditor::RoomOfFrame() const
{
    const qint64 offset = FrameRoomOffset(model, currentFrame);
    return stageLoaded() && model.holds(offset, 1) ? model.byteAt(offset) : -1;
}

// ---- following the model ---------------------------------------------------------------------

void LevelEditor::imageChanged(qint64 offset, qint64 length)
{
    // The room box follows the model like every view: the frame's room byte written, it
    // takes the next choice.
    if (stageLoaded() && ByteRange{offset, length}.contains(FrameRoomOffset(model, currentFrame)))
        roomArmed = true;
    if (tileEditorWait.active) {
        tileEditorWait.kept.push_back({offset, length});
        return;
    }
    show({offset, length});
}

// Console Colours turned on or off: the table, the preview and the map again in the colours
// now shown, from the palette as last resolved (a palette the editor was told not to show
// yet stays unshown).
void LevelEditor::consoleColorsChanged()
{
    if (!stageLoaded() || redrawHeld)
        return;
    table.draw(currentPage);
    table.drawPreview(selectedMetaTile);
    map.draw(currentFrame);
}

void LevelEditor::show(const ByteRange &range)
{
    recountUses(range);
    if (!stageLoaded() || redrawHeld)
        return;
    const StageChange change = ChangedParts(model, map.frame(), range);
    // New palette bytes are new colours everywhere: the table resolves them afresh and
    // the map follows, unless the palette editor is still asking whether it should.
    if (change.palette && !paletteQuestionPending) {
        Refresh();
        return;
    }
    map.showChange(change.cells, change.metaTiles);
    table.repaintMetaTiles(change.metaTiles);
}

void LevelEditor::imageReplaced()
{
    uses.reset();
    if (tileEditorWait.active) {
        tileEditorWait.replaced = true;
        return;
    }
    if (!stageLoaded()) {
        DrawEmptyMap(model.hasImage());
        return;
    }
    // An image too short for the stage is for the window to take the stage off.
    if (StageFitProblem(*model.currentStage(), model.romSize()).isEmpty())
        Refresh();
}

void LevelEditor::stageChanged()
{
    if (!stageLoaded())
        unloadStage();
}

void LevelEditor::beginTileEditorWait()
{
    tileEditorWait.active = true;
}

void LevelEditor::endTileEditorWait()
{
    if (!tileEditorWait.active)
        return;
    TileEditorWait ended = std::exchange(tileEditorWait, {});
    if (ended.replaced)
        imageReplaced();
    else
        for (const ByteRange &range : ended.kept)
            show(range);
}

void LevelEditor::unloadStage()
{
    roomArmed = false;
    redrawHeld = false;
    selectedMetaTile = 0;
    currentFrame = 0;
    currentPage = 0;
    uses.reset();
    map.forget();
    table.clear();
    table.clearPreview();
    DrawEmptyMap(true);
    emit stageUnloaded();
}

// ---- control events ---------------------------------------------------------------------------

// Without a stage on the views (before the first choice, or after it was taken off)
// the scroll bars only move back to 0, and nothing is drawn.
void LevelEditor::FramesChanged(int value)
{
    currentFrame = value;
    roomArmed = false;
    if (stageLoaded() && !redrawHeld)
        DrawLevel();
}

void LevelEditor::TableChanged(int value)
{
    currentPage = value;
    if (stageLoaded() && !redrawHeld)
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
    // Disarmed until the model announces the new room byte (imageChanged re-arms it); a
    // choice of the room in place changes nothing, and the box stays armed.
    roomArmed = false;
    if (!history.push(new SetRoomCommand(model, currentFrame, room)))
        roomArmed = true;
    return written;
}

// ---- the pointer ------------------------------------------------------------------------------

bool LevelEditor::cellAt(double x, double y, int columns, int rows, TrackedCell &cell) const
{
    if (!stageLoaded())
        return false;
    const int col = CellFromPosition(x, CellPitch, columns - 1);
    const int row = CellFromPosition(y, CellPitch, rows - 1);
    if (col < 0 || row < 0)
        return false;
    cell = {col, row};
    return true;
}

void LevelEditor::TableMouseMove(double x, double y)
{
    TrackedCell cell;
    if (cellAt(x, y, TableColumns, TableRows, cell))
        frameTableCell(cell.col, cell.row);
}

void LevelEditor::frameTableCell(int col, int row)
{
    if (!stageLoaded() || col < 0 || col >= TableColumns || row < 0 || row >= TableRows)
        return;
    const bool moved = col != tableCell.col || row != tableCell.row;
    tableCell = {col, row};
    table.frameCell(col, row);
    if (moved)
        emit tableCellChanged();
}

void LevelEditor::TableClick()
{
    if (!stageLoaded())
        return;
    SelectMetaTile(TableMetaTile(currentPage, tableCell.col, tableCell.row));
}

void LevelEditor::SelectMetaTile(int n)
{
    if (!stageLoaded() || n < 0 || n >= MetaTileCount)
        return;
    const int before = selectedMetaTile;
    selectedMetaTile = n;
    table.drawPreview(selectedMetaTile);
    table.setMarked(selectedMetaTile);
    if (usesShown && before != selectedMetaTile) {
        map.setOutlined(outlinedMetaTile(), !redrawHeld);
        emit usesChanged();
    }
    if (before != selectedMetaTile)
        emit metaTileSelected(selectedMetaTile);
}

// ---- where metatiles are used ------------------------------------------------------------

const MetaTileUses &LevelEditor::Uses()
{
    static const MetaTileUses none;
    if (!stageLoaded())
        return none;
    if (!uses)
        uses = CountMetaTileUses(model, *model.currentStage());
    return *uses;
}

std::bitset<MetaTileCount> LevelEditor::dimmedMetaTiles()
{
    std::bitset<MetaTileCount> free;
    if (!usesShown || !stageLoaded())
        return free;
    const MetaTileUses &counts = Uses();
    for (int n = 0; n < MetaTileCount; ++n)
        if (counts.isFree(n))
            free.set(std::size_t(n));
    return free;
}

void LevelEditor::SetShowUses(bool on)
{
    if (usesShown == on)
        return;
    usesShown = on;
    const bool shown = stageLoaded() && !redrawHeld;
    map.setOutlined(outlinedMetaTile(), shown);
    table.setDimmed(dimmedMetaTiles(), shown);
    emit usesChanged();
}

void LevelEditor::recountUses(const ByteRange &range)
{
    if (!uses)
        return;
    // Only the level maps of the stages counted are read; other edits (tiles, colours,
    // rooms) leave the counts as they are.
    const bool stale = std::any_of(uses->counted.begin(), uses->counted.end(),
                                   [&](const Stage *s) { return LevelRange(*s, s->Frames).overlaps(range); });
    if (!stale)
        return;
    uses.reset();
    if (!usesShown)
        return;
    // Counted again at once: a metatile placed for the first time, or its last use
    // removed, changes how the table shows it.
    table.setDimmed(dimmedMetaTiles(), stageLoaded() && !redrawHeld);
    emit usesChanged();
}

} // namespace krelin
