#include "MapTools.h"

#include "CellMapping.h"
#include "LevelEditor.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "render/MetaTilePainter.h"
#include "render/TableView.h"
#include "widgets/PictureSurface.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>

#include <cstdlib>
#include <utility>

namespace krelin {

namespace {

// A step made here, pushed; false when there is none or it changes nothing.
bool pushStep(EditHistory &history, CellsEditCommand *command)
{
    return command && history.push(command);
}

} // namespace

MapTools::MapTools(modKrelin &model, EditHistory &history, LevelEditor &editor, PictureSurface *map,
                   PictureSurface *table, QObject *parent)
    : QObject(parent)
    , model(model)
    , history(history)
    , editor(editor)
    , mapSurface(map)
    , tableSurface(table)
{
    setObjectName(QStringLiteral("mapTools"));
    map->installEventFilter(this);
    table->installEventFilter(this);
    // After the level editor's own handler has chosen the metatile clicked.
    connect(table, &PictureSurface::clicked, this, &MapTools::tableClicked);
    // The selection names cells of a frame of the stage it was made on.
    connect(&model, &modKrelin::stageChanged, this, [this] {
        drag = Drag::None;
        clearSelection();
    });
}

// ---- tools, selection, stamp ------------------------------------------------------------------

void MapTools::setTool(MapTool tool)
{
    if (tool == current)
        return;
    current = tool;
    drag = Drag::None;
    emit toolChanged(tool);
}

void MapTools::select(const QRect &cells, int frame)
{
    const QRect on = cells.intersected(QRect(0, 0, FrameColumns, FrameRows));
    const int onFrame = on.isEmpty() ? -1 : frame;
    if (on == selected && onFrame == selectedFrame)
        return;
    selected = on;
    selectedFrame = onFrame;
    editor.mapView().setSelection(selected, selectedFrame);
    emit selectionChanged();
}

void MapTools::selectAll()
{
    if (editor.stageLoaded())
        select(QRect(0, 0, FrameColumns, FrameRows), editor.frame());
}

void MapTools::clearSelection()
{
    select(QRect(), -1);
}

void MapTools::setStamp(const Stamp &stamp)
{
    held = stamp;
    showGhost();
    emit stampChanged();
}

void MapTools::dropStamp()
{
    if (!held)
        return;
    held.reset();
    editor.mapView().setGhost(nullptr);
    emit stampChanged();
}

void MapTools::showGhost()
{
    if (held && pointerCell && editor.stageLoaded())
        editor.mapView().setGhost(&*held, pointerCell->x(), pointerCell->y());
    else
        editor.mapView().setGhost(nullptr);
}

// ---- commands ---------------------------------------------------------------------------------

bool MapTools::copy()
{
    if (selected.isEmpty() || !editor.stageLoaded())
        return false;
    Stamp stamp{selected.width(), selected.height(), {}};
    for (int row = selected.top(); row <= selected.bottom(); ++row)
        for (int col = selected.left(); col <= selected.right(); ++col)
            stamp.cells.push_back(model.byteAt(LevelCellOffset(model, selectedFrame, col, row)));
    clipboard = stamp;
    if (QClipboard *system = QGuiApplication::clipboard())
        system->setText(StampToText(stamp));
    return true;
}

bool MapTools::paste(QString *why)
{
    const QClipboard *system = QGuiApplication::clipboard();
    const QString text = system ? system->text() : QString();
    if (text.isEmpty()) {
        if (clipboard) {
            setStamp(*clipboard);
            return true;
        }
        if (why)
            *why = tr("There is nothing to paste: select cells of the map and copy them (Ctrl+C) first.");
        return false;
    }
    QString reason;
    const std::optional<Stamp> stamp = StampFromText(text, &reason);
    if (!stamp) {
        if (why)
            *why = tr("The clipboard does not hold metatiles to paste: %1.\n\nThe map pastes rows of two-digit "
                      "hexadecimal metatile numbers separated by spaces, as Copy puts them there.")
                       .arg(reason);
        return false;
    }
    setStamp(*stamp);
    return true;
}

bool MapTools::deleteSelection()
{
    if (selected.isEmpty() || !editor.stageLoaded())
        return false;
    return pushStep(history, MakeFillRectCommand(model, selectedFrame, selected, editor.SelectedMetaTile()));
}

void MapTools::escape()
{
    drag = Drag::None;
    dropStamp();
    clearSelection();
    setTool(MapTool::Place);
}

void MapTools::pick(int col, int row)
{
    if (!editor.stageLoaded())
        return;
    const qint64 offset = LevelCellOffset(model, editor.frame(), col, row);
    const int n = model.holds(offset, 1) ? model.byteAt(offset) : editor.FrameMetaTiles()[std::size_t(16 * row + col)];
    dropStamp();
    editor.SelectMetaTile(n);
    emit pageWanted(n / 16);
}

bool MapTools::placeStamp(int col, int row)
{
    if (!held || !editor.stageLoaded())
        return false;
    return pushStep(history, MakePasteCommand(model, editor.frame(), col, row, *held));
}

bool MapTools::fill(int col, int row)
{
    if (!editor.stageLoaded())
        return false;
    return pushStep(history, MakeFillCommand(model, editor.frame(), col, row, editor.SelectedMetaTile()));
}

// ---- the pointer --------------------------------------------------------------------------------

std::optional<QPoint> MapTools::mapCell(const QPointF &position, const QPointF &windowPosition) const
{
    if (!editor.stageLoaded())
        return std::nullopt;
    const QPointF p = mapSurface->imagePosition(position, windowPosition);
    const int col = CellFromPosition(p.x(), CellPitch, FrameColumns - 1);
    const int row = CellFromPosition(p.y(), CellPitch, FrameRows - 1);
    if (col < 0 || row < 0)
        return std::nullopt;
    return QPoint(col, row);
}

std::optional<QPoint> MapTools::tableCell(const QPointF &position, const QPointF &windowPosition) const
{
    if (!editor.stageLoaded())
        return std::nullopt;
    const QPointF p = tableSurface->imagePosition(position, windowPosition);
    const int col = CellFromPosition(p.x(), CellPitch, TableColumns - 1);
    const int row = CellFromPosition(p.y(), CellPitch, TableRows - 1);
    if (col < 0 || row < 0)
        return std::nullopt;
    return QPoint(col, row);
}

bool MapTools::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == mapSurface)
        mapEvent(event);
    else if (watched == tableSurface)
        tableEvent(event);
    return false; // the surfaces see every event as before
}

bool MapTools::mapEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *e = static_cast<QMouseEvent *>(event);
        pointerCell = mapCell(e->position(), e->scenePosition());
        if (!pointerCell)
            break;
        if (drag == Drag::Select)
            select(QRect(anchor, *pointerCell).normalized(), editor.frame());
        else if (drag == Drag::Paint)
            paintTo(*pointerCell);
        showGhost();
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto *e = static_cast<QMouseEvent *>(event);
        const std::optional<QPoint> cell = mapCell(e->position(), e->scenePosition());
        if (e->button() == Qt::RightButton) {
            if (cell)
                pick(cell->x(), cell->y());
            break;
        }
        if (e->button() != Qt::LeftButton)
            break;
        if (cell && (e->modifiers() & Qt::ShiftModifier)) {
            drag = Drag::Select;
            anchor = *cell;
            select(QRect(anchor, anchor), editor.frame());
        } else if (cell && current == MapTool::Paint) {
            drag = Drag::Paint;
            ++stroke;
            lastPainted = *cell;
            paintCell(*cell);
        } else {
            drag = Drag::Click;
        }
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton)
            break;
        // A click is a press and a release on the surface; it acts on the cell last
        // tracked, the one under the pointer.
        if (std::exchange(drag, Drag::None) != Drag::Click || !mapSurface->rect().contains(e->position().toPoint()))
            break;
        if (current == MapTool::Fill)
            fill(editor.EditorCol(), editor.EditorRow());
        else if (held)
            placeStamp(editor.EditorCol(), editor.EditorRow());
        else
            editor.EditorClick();
        break;
    }
    case QEvent::Leave:
        pointerCell.reset();
        showGhost();
        break;
    default: break;
    }
    return false;
}

void MapTools::paintCell(const QPoint &cell)
{
    pushStep(history, MakePaintCommand(model, editor.frame(), cell.x(), cell.y(), editor.SelectedMetaTile(),
                                       held ? &*held : nullptr, stroke));
}

void MapTools::paintTo(const QPoint &cell)
{
    // Every cell on the line from the last one painted, so that a quick drag leaves no gaps.
    const int dx = cell.x() - lastPainted.x(), dy = cell.y() - lastPainted.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 1; i <= steps; ++i) {
        const QPoint next(lastPainted.x() + (dx * i + (dx >= 0 ? steps / 2 : -steps / 2)) / steps,
                          lastPainted.y() + (dy * i + (dy >= 0 ? steps / 2 : -steps / 2)) / steps);
        paintCell(next);
    }
    lastPainted = cell;
}

void MapTools::tableEvent(QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return;
    const auto *e = static_cast<QMouseEvent *>(event);
    if (e->button() != Qt::LeftButton)
        return;
    const std::optional<QPoint> cell = tableCell(e->position(), e->scenePosition());
    if (event->type() == QEvent::MouseButtonPress) {
        tablePressCell = cell;
        tableReleaseCell.reset();
    } else {
        tableReleaseCell = cell;
    }
}

void MapTools::tableClicked()
{
    const auto from = std::exchange(tablePressCell, std::nullopt), to = std::exchange(tableReleaseCell, std::nullopt);
    if (!editor.stageLoaded())
        return;
    if (!from || !to || *from == *to) {
        dropStamp(); // one metatile chosen: it is what the tools place from now on
        return;
    }
    // A block of the table dragged over: the stamp, its top-left metatile the selection.
    const QRect block = QRect(*from, *to).normalized();
    Stamp stamp{block.width(), block.height(), {}};
    for (int row = block.top(); row <= block.bottom(); ++row)
        for (int col = block.left(); col <= block.right(); ++col)
            stamp.cells.push_back(std::uint8_t(TableMetaTile(editor.page(), col, row)));
    editor.SelectMetaTile(stamp.cells.front());
    setStamp(stamp);
}

} // namespace krelin
