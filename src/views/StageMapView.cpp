#include "StageMapView.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/Palette.h"

#include <algorithm>

namespace krelin {

StageMapView::StageMapView(const modKrelin &model, QObject *parent)
    : QObject(parent)
    , model(model)
{
    connect(&model, &modKrelin::stageChanged, this, &StageMapView::redraw);
    connect(&model, &modKrelin::imageReplaced, this, &StageMapView::redraw);
    connect(&model, &modKrelin::imageChanged, this, &StageMapView::imageChanged);
    connect(&model, &modKrelin::bgColorsChanged, this, &StageMapView::useColors);
    redraw();
}

int StageMapView::frames() const
{
    return drawn ? drawn->Frames : 0;
}

const QRgb *StageMapView::metaTilePicture(int n)
{
    return painter.sprite(model, n & 0xFF, ShownColors(model));
}

void StageMapView::redraw()
{
    const Stage *stage = model.currentStage();
    if (stage && !StageFitProblem(*stage, model.romSize()).isEmpty())
        stage = nullptr; // the window is about to take it off
    drawn = stage;
    picture = NewStageMapPicture(frames());
    painter.forgetAll();
    cells.assign(std::size_t(frames()), {});
    painted.assign(std::size_t(frames()), false);
    for (int f = 0; f < frames(); ++f) {
        const qint64 start = FrameOffset(model, f);
        for (int k = 0; k < FrameBytes; ++k)
            cells[std::size_t(f)][std::size_t(k)] = std::int16_t(model.holds(start + k, 1) ? model.byteAt(start + k) : -1);
    }
    repainted = 0;
    emit redrawn();
}

void StageMapView::paintFrames(int first, int last)
{
    for (int f = std::max(0, first); f <= std::min(last, frames() - 1); ++f)
        if (!painted[std::size_t(f)]) {
            painter.paintFrame(picture, model, f, ShownColors(model), cells[std::size_t(f)]);
            painted[std::size_t(f)] = true;
        }
}

void StageMapView::useColors()
{
    painted.assign(std::size_t(frames()), false);
    emit colorsChanged();
}

void StageMapView::paintCells(int frame, const std::bitset<FrameBytes> &which)
{
    if (which.none())
        return;
    if (!painted[std::size_t(frame)])
        return; // painted as it is when it comes into sight
    QRect touched;
    for (int k = 0; k < FrameBytes; ++k)
        if (which.test(std::size_t(k))) {
            const int col = k % FrameColumns, row = k / FrameColumns;
            painter.paintCell(picture, model, frame, col, row, cells[std::size_t(frame)][std::size_t(k)],
                              ShownColors(model));
            touched |= StageMapCellRect(frame, col, row);
            ++repainted;
        }
    emit changed(touched);
}

void StageMapView::imageChanged(qint64 offset, qint64 length)
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

} // namespace krelin
