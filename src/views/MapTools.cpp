#include "MapTools.h"

#include "LevelEditor.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
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

MapTools::MapTools(modKrelin &model, EditHistory &history, LevelEditor &editor, QObject *parent)
    : QObject(parent)
    , model(model)
    , history(history)
    , editor(editor)
{
    setObjectName(QStringLiteral("mapTools"));
    // The selection and the cell name cells of the stage they were made on; a new stage
    // starts at the top left of its first frame.
    connect(&model, &modKrelin::stageChanged, this, [this] {
        drag = Drag::None;
        keyAnchor.reset();
        clearSelection();
        at = {};
        lastView = MapView::Main;
        emit cellChanged();
        if (held)
            emit ghostChanged();
    });
}

bool MapTools::stageShown() const
{
    return editor.stageLoaded();
}

int MapTools::frames() const
{
    return model.currentStage() ? model.currentStage()->Frames : 0;
}

QRect MapTools::reach(MapView view) const
{
    return view == MapView::Main ? FrameReach(editor.frame()) : StageReach(frames());
}

// ---- the cell worked on ------------------------------------------------------------------------

void MapTools::moveTo(MapView view, const StageCell &cell, bool shown)
{
    const bool moved = cell != at || view != lastView || shown != ghostShown;
    lastView = view;
    at = cell;
    ghostShown = shown;
    if (!moved)
        return;
    // The main window follows the frame worked in; its map then frames the cell.
    if (at.frame != editor.frame())
        emit frameWanted(at.frame);
    emit cellChanged();
    if (held)
        emit ghostChanged();
}

void MapTools::frameShown(int frame)
{
    // The pointer over the stage map keeps its cell; the main map's cell keeps its row
    // and column in the frame now shown.
    if ((pointerIn && *pointerIn == MapView::Stage) || at.frame == frame)
        return;
    at.frame = frame;
    emit cellChanged();
    if (held)
        emit ghostChanged();
}

void MapTools::setCell(MapView view, const StageCell &cell)
{
    keyAnchor.reset();
    moveTo(view, cell, true);
}

void MapTools::pointerMoved(MapView view, const StageCell &cell)
{
    if (!stageShown())
        return;
    pointerIn = view;
    if (cell != at)
        keyAnchor.reset();
    moveTo(view, cell, true);
    const QPoint place = StagePoint(cell);
    if (drag == Drag::Select)
        select(QRect(anchor, place).normalized().intersected(reach(view)));
    else if (drag == Drag::Paint)
        paintTo(place);
}

void MapTools::pointerLeft(MapView view)
{
    if (pointerIn == view)
        pointerIn.reset();
    if (view != lastView || !ghostShown)
        return;
    ghostShown = false;
    emit cellChanged();
    if (held)
        emit ghostChanged();
}

void MapTools::pressed(MapView view, const StageCell &cell, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    if (!stageShown())
        return;
    moveTo(view, cell, true);
    if (button == Qt::RightButton) {
        pick(cell);
        return;
    }
    if (button != Qt::LeftButton)
        return;
    const QPoint place = StagePoint(cell);
    if (modifiers & Qt::ShiftModifier) {
        drag = Drag::Select;
        anchor = place;
        select(QRect(anchor, anchor));
    } else if (current == MapTool::Paint) {
        drag = Drag::Paint;
        ++stroke;
        lastPainted = place;
        paintCell(place);
    } else {
        drag = Drag::Click;
    }
}

void MapTools::released(MapView view, Qt::MouseButton button, bool inside)
{
    if (button != Qt::LeftButton)
        return;
    // A click is a press and a release on the view; it acts on the cell last tracked, the
    // one under the pointer.
    if (std::exchange(drag, Drag::None) == Drag::Click && inside)
        click(view);
}

void MapTools::moveCursor(MapView view, int dx, int dy, bool extend)
{
    if (!stageShown())
        return;
    const QRect stage = StageReach(frames());
    const QPoint from = StagePoint(at);
    const QPoint to(std::clamp(from.x() + dx, stage.left(), stage.right()),
                    std::clamp(from.y() + dy, stage.top(), stage.bottom()));
    if (extend) {
        if (!keyAnchor)
            keyAnchor = from;
        select(QRect(*keyAnchor, to).normalized());
    } else {
        keyAnchor.reset();
    }
    moveTo(view, CellAtPoint(to), true);
}

void MapTools::activate(MapView view)
{
    if (!stageShown())
        return;
    moveTo(view, at, true);
    if (current == MapTool::Paint) {
        ++stroke; // one cell: a stroke of its own
        paintCell(StagePoint(at));
        return;
    }
    click(view);
}

void MapTools::click(MapView view)
{
    if (current == MapTool::Fill)
        fill(view, at);
    else if (held)
        placeStamp(view, at);
    else // a cell whose byte lies outside the image makes no step
        history.push(new PlaceMetaTileCommand(model, at.frame, at.col, at.row, editor.SelectedMetaTile()));
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

void MapTools::select(const QRect &cells)
{
    const QRect on = cells.normalized().intersected(StageReach(frames()));
    if (on == selected)
        return;
    selected = on;
    emit selectionChanged();
}

void MapTools::selectAll()
{
    if (stageShown())
        select(reach(lastView));
}

void MapTools::clearSelection()
{
    keyAnchor.reset();
    select(QRect());
}

void MapTools::setStamp(const Stamp &stamp)
{
    held = stamp;
    emit ghostChanged();
    emit stampChanged();
}

void MapTools::dropStamp()
{
    if (!held)
        return;
    held.reset();
    emit ghostChanged();
    emit stampChanged();
}

// ---- commands ---------------------------------------------------------------------------------

bool MapTools::copy()
{
    if (selected.isEmpty() || !stageShown())
        return false;
    Stamp stamp{selected.width(), selected.height(), {}};
    for (int y = selected.top(); y <= selected.bottom(); ++y)
        for (int x = selected.left(); x <= selected.right(); ++x) {
            const qint64 offset = StageCellOffset(model, {x, y});
            stamp.cells.push_back(model.holds(offset, 1) ? model.byteAt(offset) : 0);
        }
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
    if (selected.isEmpty() || !stageShown())
        return false;
    return pushStep(history, MakeFillRectCommand(model, selected, editor.SelectedMetaTile()));
}

void MapTools::escape()
{
    drag = Drag::None;
    dropStamp();
    clearSelection();
    setTool(MapTool::Place);
}

void MapTools::pick(const StageCell &cell)
{
    if (!stageShown())
        return;
    const qint64 offset = LevelCellOffset(model, cell.frame, cell.col, cell.row);
    if (model.holds(offset, 1))
        chooseMetaTile(model.byteAt(offset));
}

void MapTools::chooseMetaTile(int n)
{
    if (!stageShown() || n < 0 || n >= MetaTileCount)
        return;
    dropStamp();
    editor.SelectMetaTile(n);
    emit pageWanted(n / 16);
}

bool MapTools::placeStamp(MapView view, const StageCell &cell)
{
    if (!held || !stageShown())
        return false;
    return pushStep(history, MakePasteCommand(model, reach(view), StagePoint(cell), *held));
}

bool MapTools::fill(MapView view, const StageCell &cell)
{
    if (!stageShown())
        return false;
    return pushStep(history, MakeFillCommand(model, reach(view), StagePoint(cell), editor.SelectedMetaTile()));
}

// ---- Paint --------------------------------------------------------------------------------------

void MapTools::paintCell(const QPoint &place)
{
    pushStep(history, MakePaintCommand(model, reach(lastView), place, editor.SelectedMetaTile(),
                                       held ? &*held : nullptr, stroke));
}

void MapTools::paintTo(const QPoint &place)
{
    // Every cell on the line from the last one painted, so that a quick drag leaves no gaps.
    const int dx = place.x() - lastPainted.x(), dy = place.y() - lastPainted.y();
    const int steps = std::max(std::abs(dx), std::abs(dy));
    for (int i = 1; i <= steps; ++i) {
        const QPoint next(lastPainted.x() + (dx * i + (dx >= 0 ? steps / 2 : -steps / 2)) / steps,
                          lastPainted.y() + (dy * i + (dy >= 0 ? steps / 2 : -steps / 2)) / steps);
        paintCell(next);
    }
    lastPainted = place;
}

} // namespace krelin
