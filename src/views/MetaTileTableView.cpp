#include "MetaTileTableView.h"

#include "CellMarks.h"
#include "core/modKrelin.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"
#include "render/TilePainter.h"
#include "render/UseMarks.h"

#include <utility>

namespace krelin {

MetaTileTableView::MetaTileTableView(const modKrelin &model, QImage &tableImage, QImage &previewImage,
                                     QObject *parent)
    : QObject(parent)
    , model(model)
    , tableImage(tableImage)
    , previewImage(previewImage)
{
}

void MetaTileTableView::draw(int page)
{
    shownPage = page;
    DrawTablePage(tableImage, model, page, ShownColors(model));
    for (int row = 0; row < TableRows; ++row)
        for (int col = 0; col < TableColumns; ++col) {
            const auto n = std::size_t(TableMetaTile(page, col, row));
            if (dimmed.test(n))
                DimCell(tableImage, col, row);
            if (differing.test(n))
                DrawDiffMark(tableImage, col, row);
        }
    if (marked >= 0 && marked / 16 == page)
        DrawSelectedMark(tableImage, marked % 2, marked % 16 / 2);
    emit tableChanged();
}

void MetaTileTableView::drawPreview(int metaTile)
{
    previewed = metaTile;
    DrawSelectedMetaTile(previewImage, model, metaTile, ShownColors(model));
    emit previewChanged();
}

void MetaTileTableView::clearPreview()
{
    previewed = -1;
    FastCls(previewImage, 1000, 1000);
    emit previewChanged();
}

void MetaTileTableView::clear()
{
    FastCls(tableImage, 1000, 1000);
    emit tableChanged();
}

void MetaTileTableView::paintCell(int col, int row)
{
    const int n = TableMetaTile(shownPage, col, row);
    ClearCellBox(tableImage, col, row);
    DrawMetaTile(tableImage, model, 2 * col, 2 * row, n, ShownColors(model));
    if (dimmed.test(std::size_t(n)))
        DimCell(tableImage, col, row);
    if (differing.test(std::size_t(n)))
        DrawDiffMark(tableImage, col, row);
    // The mark lies on the lines around its cell, which the neighbours' boxes cover too.
    if (marked >= 0 && marked / 16 == shownPage)
        DrawSelectedMark(tableImage, marked % 2, marked % 16 / 2);
}

void MetaTileTableView::setMarked(int metaTile)
{
    const int before = std::exchange(marked, metaTile);
    if (before == metaTile)
        return;
    if (before >= 0 && before / 16 == shownPage) {
        // The old mark's cell and the neighbours whose boxes hold its lines.
        const int col = before % 2, row = before % 16 / 2;
        for (const auto &[c, r] : {std::pair{col, row}, std::pair{col - 1, row}, std::pair{col, row - 1},
                                   std::pair{col - 1, row - 1}})
            if (c >= 0 && r >= 0)
                paintCell(c, r);
    } else if (metaTile >= 0 && metaTile / 16 == shownPage) {
        DrawSelectedMark(tableImage, metaTile % 2, metaTile % 16 / 2);
    } else {
        return;
    }
    emit tableChanged();
}

void MetaTileTableView::repaintMetaTiles(const std::bitset<MetaTileCount> &metaTiles)
{
    int cells = 0;
    for (int i = 0; i < TableRows * TableColumns; ++i)
        cells += metaTiles.test(std::size_t(TableMetaTile(shownPage, i % TableColumns, i / TableColumns)));
    // Most of the page (new tiles for the whole stage): the page drawn whole costs less.
    if (cells > 4) {
        draw(shownPage);
        if (previewed >= 0 && metaTiles.test(std::size_t(previewed)))
            drawPreview(previewed);
        return;
    }
    bool table = false;
    for (int row = 0; row < TableRows; ++row)
        for (int col = 0; col < TableColumns; ++col)
            if (metaTiles.test(std::size_t(TableMetaTile(shownPage, col, row)))) {
                paintCell(col, row);
                table = true;
            }
    if (table)
        emit tableChanged();
    if (previewed >= 0 && metaTiles.test(std::size_t(previewed)))
        drawPreview(previewed);
}

void MetaTileTableView::setDimmed(const std::bitset<MetaTileCount> &metaTiles, bool repaint)
{
    const std::bitset<MetaTileCount> changed = dimmed ^ metaTiles;
    dimmed = metaTiles;
    if (repaint)
        repaintCells(changed);
}

void MetaTileTableView::setDifferences(const std::bitset<MetaTileCount> &metaTiles, bool repaint)
{
    const std::bitset<MetaTileCount> changed = differing ^ metaTiles;
    differing = metaTiles;
    if (repaint)
        repaintCells(changed);
}

void MetaTileTableView::repaintCells(const std::bitset<MetaTileCount> &changed)
{
    if (changed.none())
        return;
    bool table = false;
    for (int row = 0; row < TableRows; ++row)
        for (int col = 0; col < TableColumns; ++col)
            if (changed.test(std::size_t(TableMetaTile(shownPage, col, row)))) {
                paintCell(col, row);
                table = true;
            }
    if (table)
        emit tableChanged();
}

void MetaTileTableView::frameCell(int col, int row)
{
    if (col != framedCol || row != framedRow) {
        paintCell(framedCol, framedRow);
        framedCol = col;
        framedRow = row;
    }
    DrawCellFrame(tableImage, col, row);
    emit tableChanged();
}

} // namespace krelin
