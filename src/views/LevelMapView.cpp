#include "LevelMapView.h"

#include "CellMarks.h"
#include "core/modKrelin.h"
#include "render/MapHint.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TilePainter.h"
#include "render/UseMarks.h"

#include <utility>

namespace krelin {

namespace {

int cellIndex(int col, int row)
{
    return FrameColumns * row + col;
}

} // namespace

LevelMapView::LevelMapView(const modKrelin &model, QImage &image, QObject *parent)
    : QObject(parent)
    , model(model)
    , image(image)
{
}

void LevelMapView::draw(int frame)
{
    shownFrame = frame;
    // A whole redraw follows a new stage, image or palette: the pictures are painted anew.
    sprites.forgetAll();
    DrawLevelFrame(image, model, frame, ShownColors(model), shown);
    linesMarked.reset();
    linesMarked.set(std::size_t(cellIndex(framedCol, framedRow))); // the white frame may come back there
    framed = false;
    std::bitset<FrameBytes> marked;
    if (outlined >= 0)
        for (int cell = 0; cell < FrameBytes; ++cell)
            if (shown[std::size_t(cell)] == outlined) {
                DrawUseOutline(image, cell % FrameColumns, cell / FrameColumns);
                linesMarked.set(std::size_t(cell));
            }
    marked |= cellsOf(selectionRect());
    if (diffFrame == frame)
        marked |= diffCells;
    marked |= cellsOf(ghostRect());
    for (int cell = 0; cell < FrameBytes; ++cell)
        if (marked.test(std::size_t(cell)))
            paintCell(cell);
    emit changed();
}

void LevelMapView::drawHint(const QString &text)
{
    DrawMapHint(image, text);
    emit changed();
}

void LevelMapView::forget()
{
    shown = {};
    shownFrame = 0;
}

int LevelMapView::metaTileShown(int cell) const
{
    const int col = cell % FrameColumns, row = cell / FrameColumns;
    const QRect stamp = ghostRect();
    if (ghost && stamp.contains(col, row))
        return ghost->at(col - stamp.left(), row - stamp.top());
    return shown[std::size_t(cell)];
}

void LevelMapView::markCell(int cell)
{
    const int col = cell % FrameColumns, row = cell / FrameColumns;
    const QRect stamp = ghostRect();
    if (stamp.contains(col, row)) {
        DrawGhostEdges(image, col, row, stamp);
        linesMarked.set(std::size_t(cell));
    } else {
        if (shown[std::size_t(cell)] == outlined) {
            DrawUseOutline(image, col, row);
            linesMarked.set(std::size_t(cell));
        }
        if (diffFrame == shownFrame && diffCells.test(std::size_t(cell)))
            DrawDiffMark(image, col, row);
        if (const QRect local = selectionRect(); local.contains(col, row)) {
            DrawSelectionEdges(image, col, row, local);
            linesMarked.set(std::size_t(cell));
        }
    }
    // The white frame stays on its cell when the cell is painted again (a metatile placed
    // there from the keyboard, an undo).
    if (framed && col == framedCol && row == framedRow) {
        DrawCellFrame(image, col, row);
        linesMarked.set(std::size_t(cell));
    }
}

void LevelMapView::paintCell(int cell)
{
    linesMarked.reset(std::size_t(cell));
    sprites.paint(image, model, cell % FrameColumns, cell / FrameColumns, metaTileShown(cell), ShownColors(model));
    markCell(cell);
}

void LevelMapView::paintCells(const std::bitset<FrameBytes> &cells)
{
    if (cells.none())
        return;
    const bool marks =
        framed || ghost || outlined >= 0 || !selected.isEmpty() || (diffFrame == shownFrame && diffCells.any());
    // Row by row, scanline by scanline: many cells cost about what their pixels cost.
    for (int row = 0; row < FrameRows; ++row) {
        std::array<int, FrameColumns> metaTiles;
        metaTiles.fill(-1);
        bool any = false;
        std::uint16_t clean = 0; // cells whose lines show nothing but the cleared colour
        for (int col = 0; col < FrameColumns; ++col) {
            const int cell = FrameColumns * row + col;
            if (!cells.test(std::size_t(cell)))
                continue;
            metaTiles[std::size_t(col)] = metaTileShown(cell);
            any = true;
            if (!linesMarked.test(std::size_t(cell)))
                clean |= std::uint16_t(1u << col);
            linesMarked.reset(std::size_t(cell));
        }
        if (!any)
            continue;
        sprites.paintRow(image, model, row, metaTiles, ShownColors(model), clean);
        if (marks)
            for (int col = 0; col < FrameColumns; ++col)
                if (metaTiles[std::size_t(col)] >= 0)
                    markCell(FrameColumns * row + col);
    }
    emit changed();
}

void LevelMapView::repaintCells(const std::bitset<FrameBytes> &cells)
{
    for (int cell = 0; cell < FrameBytes; ++cell) {
        if (!cells.test(std::size_t(cell)))
            continue;
        const qint64 offset = LevelCellOffset(model, shownFrame, cell % FrameColumns, cell / FrameColumns);
        if (model.holds(offset, 1)) // a cell outside a short image stays as drawn
            shown[std::size_t(cell)] = std::int16_t(model.byteAt(offset));
    }
    paintCells(cells);
}

void LevelMapView::showChange(const std::bitset<FrameBytes> &cells, const std::bitset<MetaTileCount> &metaTiles)
{
    sprites.forget(metaTiles);
    std::bitset<FrameBytes> repaint = cellsShowing(metaTiles);
    for (int cell = 0; cell < FrameBytes; ++cell) {
        if (!cells.test(std::size_t(cell)))
            continue;
        const qint64 offset = LevelCellOffset(model, shownFrame, cell % FrameColumns, cell / FrameColumns);
        if (!model.holds(offset, 1)) // a cell outside a short image stays as drawn
            continue;
        const auto now = std::int16_t(model.byteAt(offset));
        if (shown[std::size_t(cell)] != now) {
            shown[std::size_t(cell)] = now;
            repaint.set(std::size_t(cell));
        }
    }
    // Every cell, most of them showing metatiles whose pictures are gone (new tiles for
    // the whole sheet): one pass over the frame costs less than making each picture anew
    // and copying it. A fill or a paste keeps the pictures, and copying them is cheaper.
    if (repaint.all() && metaTiles.count() > MetaTileCount / 4) {
        draw(shownFrame);
        return;
    }
    paintCells(repaint);
}

std::bitset<FrameBytes> LevelMapView::cellsOf(const QRect &rect)
{
    std::bitset<FrameBytes> cells;
    const QRect on = rect.intersected(QRect(0, 0, FrameColumns, FrameRows));
    for (int row = on.top(); row <= on.bottom() && !on.isEmpty(); ++row)
        for (int col = on.left(); col <= on.right(); ++col)
            cells.set(std::size_t(cellIndex(col, row)));
    return cells;
}

QRect LevelMapView::ghostRect() const
{
    if (!ghost)
        return {};
    return QRect(ghostPlace - QPoint(FrameColumns * shownFrame, 0), QSize(ghost->columns, ghost->rows));
}

QRect LevelMapView::selectionRect() const
{
    return selected.translated(-FrameColumns * shownFrame, 0);
}

void LevelMapView::setSelection(const QRect &cells)
{
    std::bitset<FrameBytes> touched = cellsOf(selectionRect());
    selected = cells;
    touched |= cellsOf(selectionRect());
    paintCells(touched);
}

void LevelMapView::setDifferences(int frame, const std::bitset<FrameBytes> &cells, bool repaint)
{
    const std::bitset<FrameBytes> before = differingCells();
    diffFrame = cells.any() ? frame : -1;
    diffCells = cells.any() ? cells : std::bitset<FrameBytes>();
    if (repaint)
        paintCells(before ^ differingCells());
}

void LevelMapView::setGhost(const Stamp *stamp, const QPoint &place)
{
    if (!stamp && !ghost)
        return;
    if (stamp && ghost && *stamp == *ghost && place == ghostPlace)
        return;
    std::bitset<FrameBytes> touched = cellsOf(ghostRect());
    if (stamp) {
        ghost = *stamp;
        ghostPlace = place;
    } else {
        ghost.reset();
    }
    touched |= cellsOf(ghostRect());
    paintCells(touched);
}

std::bitset<FrameBytes> LevelMapView::cellsShowing(const std::bitset<MetaTileCount> &metaTiles) const
{
    std::bitset<FrameBytes> cells;
    for (int cell = 0; cell < FrameBytes; ++cell)
        if (metaTiles.test(std::size_t(shown[std::size_t(cell)])))
            cells.set(std::size_t(cell));
    return cells;
}

void LevelMapView::showPlaced(int col, int row, int metaTile)
{
    shown[std::size_t(cellIndex(col, row))] = std::int16_t(metaTile);
    paintCell(cellIndex(col, row));
    emit changed();
}

void LevelMapView::setOutlined(int metaTile, bool repaint)
{
    if (outlined == metaTile)
        return;
    if (!repaint) {
        outlined = metaTile;
        return;
    }
    std::bitset<MetaTileCount> touched;
    for (int n : {outlined, metaTile})
        if (n >= 0)
            touched.set(std::size_t(n));
    outlined = metaTile;
    paintCells(cellsShowing(touched));
}

void LevelMapView::frameCell(int col, int row)
{
    if (framed && (col != framedCol || row != framedRow)) {
        framed = false;
        paintCell(cellIndex(framedCol, framedRow));
    }
    framedCol = col;
    framedRow = row;
    framed = true;
    DrawCellFrame(image, col, row);
    linesMarked.set(std::size_t(cellIndex(col, row)));
    emit changed();
}

void LevelMapView::unframeCell()
{
    if (!std::exchange(framed, false))
        return;
    paintCell(cellIndex(framedCol, framedRow));
    emit changed();
}

} // namespace krelin
