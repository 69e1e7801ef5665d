#include "MainMapInput.h"

#include "CellMapping.h"
#include "LevelEditor.h"
#include "MapTools.h"
#include "widgets/PictureSurface.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace krelin {

MainMapInput::MainMapInput(LevelEditor &editor, MapTools &tools, PictureSurface *map, QObject *parent)
    : QObject(parent)
    , editor(editor)
    , tools(tools)
    , map(map)
    , keys(tools, MapView::Main)
{
    map->setFocusPolicy(Qt::StrongFocus);
    map->installEventFilter(this);
    connect(&tools, &MapTools::cellChanged, this, &MainMapInput::showCell);
    connect(&tools, &MapTools::ghostChanged, this, &MainMapInput::showGhost);
    connect(&tools, &MapTools::selectionChanged, this,
            [this] { this->editor.mapView().setSelection(this->tools.selection()); });
    // A frame drawn afresh: the tools' cell moves to it, and its white frame comes back.
    connect(&editor, &LevelEditor::levelDrawn, this, [this] {
        this->tools.frameShown(this->editor.frame());
        showCell();
    });
}

bool MainMapInput::cellShown() const
{
    return map->hasFocus() || pointerOver || tools.pointerView() || tools.view() == MapView::Stage;
}

void MainMapInput::showCell()
{
    if (!editor.stageLoaded())
        return;
    const StageCell cell = tools.cell();
    if (cell.frame != editor.frame())
        editor.mapView().unframeCell();
    else if (cellShown())
        editor.mapView().frameCell(cell.col, cell.row);
}

void MainMapInput::showGhost()
{
    const std::optional<QPoint> place = tools.ghostPlace();
    if (place && editor.stageLoaded())
        editor.mapView().setGhost(&*tools.stamp(), *place);
    else
        editor.mapView().setGhost(nullptr);
}

std::optional<StageCell> MainMapInput::cellAt(const QPointF &position, const QPointF &windowPosition) const
{
    if (!editor.stageLoaded())
        return std::nullopt;
    const std::optional<QPoint> cell = SurfaceCell(*map, position, windowPosition, FrameColumns, FrameRows);
    if (!cell)
        return std::nullopt;
    return StageCell{editor.frame(), cell->y(), cell->x()};
}

bool MainMapInput::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove: {
        const auto *e = static_cast<QMouseEvent *>(event);
        pointerOver = true;
        if (const std::optional<StageCell> cell = cellAt(e->position(), e->scenePosition())) {
            tools.pointerMoved(MapView::Main, *cell);
            showCell(); // on every move, also within the cell
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        const auto *e = static_cast<QMouseEvent *>(event);
        const std::optional<StageCell> cell = cellAt(e->position(), e->scenePosition());
        tools.pressed(MapView::Main, cell.value_or(tools.cell()), e->button(),
                      cell ? e->modifiers() : Qt::KeyboardModifiers());
        break;
    }
    case QEvent::MouseButtonRelease: {
        const auto *e = static_cast<QMouseEvent *>(event);
        tools.released(MapView::Main, e->button(), map->rect().contains(e->position().toPoint()));
        break;
    }
    case QEvent::Leave:
        pointerOver = false;
        tools.pointerLeft(MapView::Main);
        break;
    case QEvent::FocusIn:
        showCell();
        break;
    case QEvent::ShortcutOverride:
        if (keys.shortcutOverride(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (keys.keyPressed(static_cast<QKeyEvent *>(event)))
            return true; // the map's: the window's controls do not see it
        break;
    default: break;
    }
    return false;
}

} // namespace krelin
