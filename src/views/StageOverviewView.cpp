#include "StageOverviewView.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/Palette.h"

#include <algorithm>
#include <iterator>

namespace krelin {

StageOverviewView::StageOverviewView(const modKrelin &model, QObject *parent)
    : QObject(parent)
    , model(model)
{
    connect(&model, &modKrelin::stageChanged, this, &StageOverviewView::redraw);
    connect(&model, &modKrelin::imageReplaced, this, &StageOverviewView::redraw);
    connect(&model, &modKrelin::imageChanged, this, &StageOverviewView::imageChanged);
    connect(&model, &modKrelin::bgColorsChanged, this, &StageOverviewView::colorsChanged);
    redraw();
}

int StageOverviewView::frames() const
{
    return drawn ? drawn->Frames : 0;
}

int StageOverviewView::frameAt(const QPoint &p) const
{
    return OverviewFrameAt(p, frames());
}

void StageOverviewView::redraw()
{
    const Stage *stage = model.currentStage();
    if (stage && !StageFitProblem(*stage, model.romSize()).isEmpty())
        stage = nullptr; // the window is about to take it off
    if (stage != drawn) {
        shown = -1;
        selectionFrame = -1;
        selection = {};
    }
    drawn = stage;
    picture = NewOverviewPicture(frames());
    picture.setColorTable(OverviewColorTable(ShownColors(model)));
    painter.forgetAll();
    cells.assign(std::size_t(frames()), {});
    for (int f = 0; f < frames(); ++f)
        painter.paintFrame(picture, model, f, cells[std::size_t(f)]);
    if (usesMarked >= 0 || selectionFrame >= 0)
        for (int f = 0; f < frames(); ++f)
            for (int k = 0; k < FrameBytes; ++k)
                if (cells[std::size_t(f)][std::size_t(k)] == usesMarked
                    || (f == selectionFrame && selection.contains(k % FrameColumns, k / FrameColumns)))
                    paintCell(f, k);
    if (shown >= 0 && shown < frames())
        DrawOverviewFrameOutline(picture, shown, OverviewShownFrame);
    for (const int f : differing)
        if (f < frames())
            DrawOverviewFrameEdges(picture, f, OverviewDifference);
    repainted = 0;
    emit redrawn();
}

void StageOverviewView::colorsChanged()
{
    picture.setColorTable(OverviewColorTable(ShownColors(model)));
    emit changed(picture.rect());
}

QRect StageOverviewView::cellPixels(int frame, int cell) const
{
    return QRect(OverviewCellOrigin(frame, cell % FrameColumns, cell / FrameColumns),
                 QSize(OverviewMetaTileSize, OverviewMetaTileSize));
}

void StageOverviewView::paintCell(int frame, int k)
{
    const int col = k % FrameColumns, row = k / FrameColumns;
    const int n = cells[std::size_t(frame)][std::size_t(k)];
    painter.paintCell(picture, model, frame, col, row, n);
    if (n >= 0 && n == usesMarked)
        DrawOverviewCellRing(picture, frame, col, row, OverviewUses);
    if (frame == selectionFrame && selection.contains(col, row))
        DrawOverviewRectEdges(picture, frame, col, row, selection, OverviewSelection);
    ++repainted;
}

void StageOverviewView::paintCells(int frame, const std::bitset<FrameBytes> &which)
{
    if (which.none())
        return;
    QRect touched;
    for (int k = 0; k < FrameBytes; ++k)
        if (which.test(std::size_t(k))) {
            paintCell(frame, k);
            touched |= cellPixels(frame, k);
        }
    if (!touched.isEmpty())
        emit changed(touched);
}

void StageOverviewView::imageChanged(qint64 offset, qint64 length)
{
    if (!drawn)
        return;
    const ByteRange range{offset, length};
    // Metatiles whose look changed: their record, sub-palette byte or one of their tiles.
    std::bitset<MetaTileCount> metaTiles;
    const bool records = range.overlaps(MetaTileRecordsRange(model)), subPalettes = range.overlaps(SubPalettesRange(model));
    const bool tiles = range.overlaps(TilesRange(model));
    if (records || subPalettes || tiles) {
        for (int n = 0; n < MetaTileCount; ++n) {
            bool hit = (records && range.overlaps({QuadrantTileOffset(model, n, 0), MetaTileRecordBytes}))
                || (subPalettes && range.contains(SubPaletteOffset(model, n)));
            for (int q = 0; q < 4 && tiles && !hit; ++q)
                hit = model.holds(QuadrantTileOffset(model, n, q), 1)
                    && range.overlaps({TileOffset(model, model.byteAt(QuadrantTileOffset(model, n, q))), TileBytes});
            if (hit)
                metaTiles.set(std::size_t(n));
        }
        painter.forget(metaTiles);
    }
    const ByteRange level = LevelRange(model, frames()).intersected(range);
    if (level.isEmpty() && metaTiles.none())
        return;
    for (int f = 0; f < frames(); ++f) {
        std::bitset<FrameBytes> which;
        const ByteRange frameBytes = ByteRange{FrameOffset(model, f), FrameBytes}.intersected(level);
        for (qint64 at = frameBytes.offset; at < frameBytes.end(); ++at) {
            const int k = int(at - FrameOffset(model, f));
            const auto n = std::int16_t(model.byteAt(at));
            if (cells[std::size_t(f)][std::size_t(k)] != n) {
                cells[std::size_t(f)][std::size_t(k)] = n;
                which.set(std::size_t(k));
            }
        }
        if (metaTiles.any())
            for (int k = 0; k < FrameBytes; ++k) {
                const int n = cells[std::size_t(f)][std::size_t(k)];
                if (n >= 0 && metaTiles.test(std::size_t(n)))
                    which.set(std::size_t(k));
            }
        paintCells(f, which);
    }
}

void StageOverviewView::markFrame(int frame, std::uint8_t color)
{
    if (frame < 0 || frame >= frames())
        return;
    DrawOverviewFrameOutline(picture, frame, color);
    emit changed(OverviewFrameRect(frame));
}

void StageOverviewView::setShownFrame(int frame)
{
    if (frame == shown)
        return;
    markFrame(shown, OverviewClear);
    shown = frame;
    markFrame(shown, OverviewShownFrame);
}

void StageOverviewView::setDiffFrames(const std::vector<int> &frames)
{
    if (frames == differing)
        return;
    std::vector<int> gone, come;
    std::set_difference(differing.begin(), differing.end(), frames.begin(), frames.end(), std::back_inserter(gone));
    std::set_difference(frames.begin(), frames.end(), differing.begin(), differing.end(), std::back_inserter(come));
    differing = frames;
    for (const auto &[list, color] : {std::pair{&gone, OverviewClear}, std::pair{&come, OverviewDifference}})
        for (const int f : *list)
            if (f >= 0 && f < this->frames()) {
                DrawOverviewFrameEdges(picture, f, color);
                emit changed(OverviewFrameRect(f));
            }
}

void StageOverviewView::setUsesMarked(int metaTile)
{
    if (metaTile == usesMarked)
        return;
    const int before = std::exchange(usesMarked, metaTile);
    for (int f = 0; f < frames(); ++f) {
        std::bitset<FrameBytes> which;
        for (int k = 0; k < FrameBytes; ++k) {
            const int n = cells[std::size_t(f)][std::size_t(k)];
            if (n >= 0 && (n == before || n == metaTile))
                which.set(std::size_t(k));
        }
        paintCells(f, which);
    }
}

void StageOverviewView::setSelection(int frame, const QRect &rect)
{
    const int beforeFrame = selectionFrame;
    const QRect before = selection;
    selectionFrame = rect.isEmpty() ? -1 : frame;
    selection = rect.isEmpty() ? QRect() : rect;
    if (beforeFrame == selectionFrame && before == selection)
        return;
    for (const auto &[f, r] : {std::pair{beforeFrame, before}, std::pair{selectionFrame, selection}}) {
        if (f < 0 || f >= frames())
            continue;
        std::bitset<FrameBytes> which;
        for (int k = 0; k < FrameBytes; ++k)
            if (r.contains(k % FrameColumns, k / FrameColumns))
                which.set(std::size_t(k));
        paintCells(f, which);
    }
}

} // namespace krelin
