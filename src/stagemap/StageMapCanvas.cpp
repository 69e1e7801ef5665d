#include "StageMapCanvas.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/MapTools.h"
#include "views/StageMapView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>
#include <utility>

namespace krelin {

StageMapCanvas::StageMapCanvas(const modKrelin &model, StageMapView &view, MapTools &tools, QWidget *parent)
    : QAbstractScrollArea(parent)
    , model(model)
    , view(view)
    , tools(tools)
    , keys(tools, MapView::Stage)
{
    setObjectName(QStringLiteral("picStageMap"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::CrossCursor);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    connect(&view, &StageMapView::redrawn, this, &StageMapCanvas::stageDrawn);
    connect(&view, &StageMapView::changed, this, &StageMapCanvas::pictureChanged);
    connect(&view, &StageMapView::colorsChanged, this, [this] {
        useColors();
        viewport()->update();
    });
    connect(&tools, &MapTools::cellChanged, this, &StageMapCanvas::cellChanged);
    connect(&tools, &MapTools::ghostChanged, this, &StageMapCanvas::ghostChanged);
    connect(&tools, &MapTools::selectionChanged, this, &StageMapCanvas::selectionChanged);
    // A frame's room is written above it.
    connect(&model, &modKrelin::imageChanged, this, [this](qint64 offset, qint64 length) {
        const Stage *stage = this->view.stage();
        if (stage && FrameTableRange(*stage, stage->Frames).overlaps({offset, length}))
            viewport()->update(0, 0, viewport()->width(), StageMapGeometry::LabelHeight - scrolled().y());
    });
    stageDrawn();
}

QPoint StageMapCanvas::scrolled() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

QRect StageMapCanvas::onViewport(const QRect &content) const
{
    return content.translated(-scrolled());
}

QPoint StageMapCanvas::cellCentre(const StageCell &cell) const
{
    return onViewport(geo.cellRect(cell)).center();
}

std::optional<StageCell> StageMapCanvas::cellAt(const QPoint &viewportPosition) const
{
    if (!view.stage())
        return std::nullopt;
    return geo.cellAt(viewportPosition + scrolled());
}

// ---- the layout ---------------------------------------------------------------------------------

void StageMapCanvas::stageDrawn()
{
    useColors();
    geo.frames = view.frames();
    labels.clear();
    layOut();
    // Another stage starts at its first frame; the same stage from another image stays
    // where it was.
    if (std::exchange(laidOut, view.stage()) != view.stage())
        horizontalScrollBar()->setValue(0);
    drawnGhost = drawnSelection = {};
    viewport()->update();
}

void StageMapCanvas::layOut()
{
    const QSize page = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, geo.width() - page.width()));
    horizontalScrollBar()->setPageStep(page.width());
    horizontalScrollBar()->setSingleStep(geo.edge(1));
    verticalScrollBar()->setRange(0, std::max(0, geo.height() - page.height()));
    verticalScrollBar()->setPageStep(page.height());
    verticalScrollBar()->setSingleStep(geo.edge(1));
}

void StageMapCanvas::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    layOut();
}

void StageMapCanvas::setScale(int scale, std::optional<QPoint> about)
{
    scale = std::clamp(scale, StageMapGeometry::MinScale, StageMapGeometry::MaxScale);
    if (scale == geo.scale)
        return;
    const QPoint fixed = about.value_or(viewport()->rect().center());
    const QPointF picture = geo.toPicture(QPointF(fixed + scrolled()));
    geo.scale = scale;
    layOut();
    const QPointF now = geo.fromPicture(picture) - QPointF(fixed);
    horizontalScrollBar()->setValue(int(std::lround(now.x())));
    verticalScrollBar()->setValue(int(std::lround(now.y())));
    drawnGhost = drawnSelection = {};
    viewport()->update();
    emit scaleChanged(scale);
}

void StageMapCanvas::zoomIn()
{
    setScale(StageMapGeometry::step(geo.scale, true));
}

void StageMapCanvas::zoomOut()
{
    setScale(StageMapGeometry::step(geo.scale, false));
}

void StageMapCanvas::zoomToStage()
{
    // The viewport without the vertical scroll bar, which a stage that fits does not need
    // (the horizontal one is always there, and left out already).
    const QSize room = maximumViewportSize();
    const int line = geo.lines ? 1 : 0;
    // The widest frames that fit side by side, and the tallest map that fits under the
    // labels (its height is the 15 rows' edge, rounded up).
    const int across = geo.frames > 0 ? (room.width() + line) / geo.frames - line : StageMapGeometry::MaxScale;
    const int down = (room.height() - StageMapGeometry::LabelHeight) * 16 / FrameRows;
    setScale(std::min(across, down), QPoint(0, 0));
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
}

void StageMapCanvas::setFrameLines(bool shown)
{
    if (geo.lines == shown)
        return;
    const QPointF picture = geo.toPicture(QPointF(scrolled()));
    geo.lines = shown;
    layOut();
    horizontalScrollBar()->setValue(int(std::lround(geo.fromPicture(picture).x())));
    drawnGhost = drawnSelection = {};
    viewport()->update();
}

void StageMapCanvas::bringIntoView(const QRect &content)
{
    const QRect seen(scrolled(), viewport()->size());
    QScrollBar *h = horizontalScrollBar(), *v = verticalScrollBar();
    if (content.left() < seen.left() || content.width() > seen.width())
        h->setValue(content.left());
    else if (content.right() > seen.right())
        h->setValue(content.right() - seen.width() + 1);
    if (content.top() < seen.top() || content.height() > seen.height())
        v->setValue(content.top());
    else if (content.bottom() > seen.bottom())
        v->setValue(content.bottom() - seen.height() + 1);
}

// ---- marks --------------------------------------------------------------------------------------

void StageMapCanvas::repaintContent(const QRect &content)
{
    if (!content.isEmpty())
        viewport()->update(onViewport(content.adjusted(-2, -2, 2, 2)));
}

void StageMapCanvas::pictureChanged(const QRect &pixels)
{
    // Picture pixels to the canvas: whole cells, so the zoom's rounding never leaves a seam.
    const int first = pixels.left() / StageMapMetaTile, last = pixels.right() / StageMapMetaTile;
    const QRect places(first, pixels.top() / StageMapMetaTile, last - first + 1,
                       pixels.bottom() / StageMapMetaTile - pixels.top() / StageMapMetaTile + 1);
    repaintContent(geo.placesRect(places));
}

void StageMapCanvas::cellChanged()
{
    repaintContent(geo.cellRect(drawnCell));
    drawnCell = tools.cell();
    repaintContent(geo.cellRect(drawnCell));
    // The keys (or Go To) moved the cell: it stays in sight.
    if (!tools.pointerView() && tools.inSight() && view.stage())
        bringIntoView(geo.cellRect(drawnCell));
}

QRect StageMapCanvas::ghostContent() const
{
    const std::optional<QPoint> place = tools.ghostPlace();
    if (!place || !tools.stamp())
        return {};
    const QRect places = QRect(*place, QSize(tools.stamp()->columns, tools.stamp()->rows)).intersected(tools.ghostReach());
    return geo.placesRect(places);
}

void StageMapCanvas::ghostChanged()
{
    repaintContent(drawnGhost);
    drawnGhost = ghostContent();
    repaintContent(drawnGhost);
}

void StageMapCanvas::selectionChanged()
{
    repaintContent(drawnSelection);
    drawnSelection = geo.placesRect(tools.selection());
    repaintContent(drawnSelection);
}

void StageMapCanvas::setShownFrame(int frame)
{
    if (frame == shown)
        return;
    const int before = std::exchange(shown, frame);
    for (const int f : {before, frame})
        if (f >= 0)
            repaintContent(geo.labelRect(f));
    // The frame shown in the main window comes into sight when none of it is.
    if (frame >= 0 && frame < geo.frames && !QRect(scrolled(), viewport()->size()).intersects(geo.frameRect(frame)))
        bringIntoView(geo.frameRect(frame));
}

void StageMapCanvas::setUsesMarked(int metaTile)
{
    if (metaTile == usesMarked)
        return;
    usesMarked = metaTile;
    viewport()->update();
}

void StageMapCanvas::setDifferences(const std::vector<int> &frames, const std::vector<StageCell> &cells)
{
    if (frames == differingFrames && cells == differingCells)
        return;
    differingFrames = frames;
    differingCells = cells;
    viewport()->update();
}

// ---- the pointer and the keys -----------------------------------------------------------------

bool StageMapCanvas::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && keys.shortcutOverride(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void StageMapCanvas::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (dragFrom) {
        horizontalScrollBar()->setValue(dragScroll.x() - (p.x() - dragFrom->x()));
        verticalScrollBar()->setValue(dragScroll.y() - (p.y() - dragFrom->y()));
        return;
    }
    if (const std::optional<StageCell> cell = cellAt(p))
        tools.pointerMoved(MapView::Stage, *cell);
    else
        tools.pointerLeft(MapView::Stage);
}

void StageMapCanvas::mousePressEvent(QMouseEvent *event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        dragFrom = p;
        dragScroll = scrolled();
        viewport()->setCursor(Qt::ClosedHandCursor);
        return;
    }
    if (const std::optional<StageCell> cell = cellAt(p))
        tools.pressed(MapView::Stage, *cell, event->button(), event->modifiers());
}

void StageMapCanvas::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton && dragFrom) {
        dragFrom.reset();
        viewport()->setCursor(Qt::CrossCursor);
        return;
    }
    const QPoint p = event->position().toPoint();
    tools.released(MapView::Stage, event->button(), viewport()->rect().contains(p) && cellAt(p));
}

void StageMapCanvas::leaveEvent(QEvent *event)
{
    QAbstractScrollArea::leaveEvent(event);
    tools.pointerLeft(MapView::Stage);
}

void StageMapCanvas::wheelEvent(QWheelEvent *event)
{
    const QPoint angle = event->angleDelta();
    const int turn = std::abs(angle.y()) >= std::abs(angle.x()) ? angle.y() : angle.x();
    if (event->modifiers() & Qt::ControlModifier) {
        // Ctrl + wheel zooms, a notch a step, about the point under the pointer.
        const int notches = turn / QWheelEvent::DefaultDeltasPerStep;
        int scale = geo.scale;
        for (int i = 0; i < std::abs(notches); ++i)
            scale = StageMapGeometry::step(scale, notches > 0);
        setScale(scale, event->position().toPoint());
        event->accept();
        return;
    }
    // The stage is wide: the wheel scrolls along it unless there is height to scroll.
    const bool across = angle.x() != 0 || (event->modifiers() & Qt::ShiftModifier) || verticalScrollBar()->maximum() == 0;
    QScrollBar *bar = across ? horizontalScrollBar() : verticalScrollBar();
    bar->setValue(bar->value() - turn * 3 * geo.edge(1) / QWheelEvent::DefaultDeltasPerStep);
    event->accept();
}

void StageMapCanvas::keyPressEvent(QKeyEvent *event)
{
    if (view.stage() && keys.keyPressed(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void StageMapCanvas::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void StageMapCanvas::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

} // namespace krelin
