#include "LevelMapView.h"

#include "CellMarks.h"
#include "core/modKrelin.h"
#include "render/MapHint.h"
#include "render/MetaTilePainter.h"
#include "render/TilePainter.h"
#include "render/UseMarks.h"

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
    DrawLevelFrame(image, model, frame, model.BgColors(), shown);
    if (outlined >= 0)
        for (int cell = 0; cell < FrameBytes; ++cell)
            if (shown[std::size_t(cell)] == outlined)
                DrawUseOutline(image, cell % FrameColumns, cell / FrameColumns);
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

void LevelMapView::paintCell(int cell)
{
    const int col = cell % FrameColumns, row = cell / FrameColumns;
    const int n = shown[std::size_t(cell)];
    ClearCellBox(image, col, row);
    DrawMetaTile(image, model, 2 * col, 2 * row, n, model.BgColors());
    if (n == outlined)
        DrawUseOutline(image, col, row);
}

void LevelMapView::repaintCells(const std::bitset<FrameBytes> &cells)
{
    if (cells.none())
        return;
    // Many cells (new tiles for the whole stage): the frame drawn whole costs less.
    if (cells.count() > FrameBytes / 16) {
        draw(shownFrame);
        return;
    }
    for (int cell = 0; cell < FrameBytes; ++cell) {
        if (!cells.test(std::size_t(cell)))
            continue;
        const qint64 offset = LevelCellOffset(model, shownFrame, cell % FrameColumns, cell / FrameColumns);
        if (model.holds(offset, 1)) // a cell outside a short image stays as drawn
            shown[std::size_t(cell)] = std::int16_t(model.byteAt(offset));
        paintCell(cell);
    }
    emit changed();
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
    const std::bitset<FrameBytes> cells = cellsShowing(touched);
    for (int cell = 0; cell < FrameBytes; ++cell)
        if (cells.test(std::size_t(cell)))
            paintCell(cell);
    emit changed();
}

void LevelMapView::frameCell(int col, int row)
{
    if (col != framedCol || row != framedRow) {
        paintCell(cellIndex(framedCol, framedRow));
        framedCol = col;
        framedRow = row;
    }
    DrawCellFrame(image, col, row);
    emit changed();
}

} // namespace krelin
