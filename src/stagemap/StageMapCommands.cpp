#include "StageMapCommands.h"

#include "StageMapCanvas.h"
#include "frmStageMap.h"
#include "core/Preferences.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QMainWindow>
#include <QScreen>

namespace krelin {

namespace {

QAction *command(QObject *parent, const char *name, const QString &caption, const QList<QKeySequence> &keys = {})
{
    auto *action = new QAction(caption, parent);
    action->setObjectName(QLatin1String(name));
    action->setShortcuts(keys);
    return action;
}

} // namespace

StageMapCommands::StageMapCommands(const modKrelin &model, LevelEditor &editor, MapTools &tools,
                                   Preferences &preferences, QMainWindow *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , tools(tools)
    , preferences(preferences)
    , window(window)
{
    setObjectName(QStringLiteral("stageMapCommands"));
    // Named as the overview it grew from, so that a key the user gave it stays.
    mnuStageMap = command(this, "mnuStageOverview", QStringLiteral("Stage &Map"), {QKeySequence(Qt::Key_F3)});
    mnuStageMap->setIcon(ToolIcon(ToolIconKind::Overview));
    mnuStageMap->setToolTip(QStringLiteral("Every frame of the stage side by side, to edit across frame edges (F3)"));
    mnuFrameLines = command(this, "mnuFrameLines", QStringLiteral("&Frame Lines"));
    mnuFrameLines->setCheckable(true);
    mnuFrameLines->setChecked(preferences.frameLines());
    mnuFrameLines->setToolTip(QStringLiteral("A line between the frames of the stage map"));
    mnuZoomIn = command(this, "mnuZoomIn", QStringLiteral("Zoom &In"),
                        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    mnuZoomOut = command(this, "mnuZoomOut", QStringLiteral("Zoom &Out"), {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    mnuZoomStage = command(this, "mnuZoomStage", QStringLiteral("&Whole Stage"), {QKeySequence(Qt::CTRL | Qt::Key_0)});
    mnuZoomIn->setToolTip(QStringLiteral("Zoom in (Ctrl++, or Ctrl + wheel over the map)"));
    mnuZoomOut->setToolTip(QStringLiteral("Zoom out (Ctrl+-, or Ctrl + wheel over the map)"));
    mnuZoomStage->setToolTip(QStringLiteral("The whole stage in the window (Ctrl+0)"));
    // The zoom's keys are the stage map's: the main window has none of its own to zoom.
    for (QAction *action : {mnuZoomIn, mnuZoomOut, mnuZoomStage})
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);

    connect(mnuStageMap, &QAction::triggered, this, &StageMapCommands::mnuStageMap_Click);
    connect(mnuFrameLines, &QAction::toggled, &preferences, &Preferences::setFrameLines);
    connect(&preferences, &Preferences::frameLinesChanged, this, [this](bool shown) {
        mnuFrameLines->setChecked(shown);
        if (mapWindow)
            mapWindow->canvas().setFrameLines(shown);
    });
    connect(mnuZoomIn, &QAction::triggered, this, [this] {
        if (mapWindow)
            mapWindow->canvas().zoomIn();
    });
    connect(mnuZoomOut, &QAction::triggered, this, [this] {
        if (mapWindow)
            mapWindow->canvas().zoomOut();
    });
    connect(mnuZoomStage, &QAction::triggered, this, [this] {
        if (mapWindow)
            mapWindow->canvas().zoomToStage();
    });

    connect(&editor, &LevelEditor::levelDrawn, this, [this] { emit shownFrameChanged(this->editor.frame()); });
    const auto uses = [this] { emit usesMarkChanged(this->editor.showsUses() ? this->editor.SelectedMetaTile() : -1); };
    connect(&editor, &LevelEditor::usesChanged, this, uses);
    connect(&editor, &LevelEditor::metaTileSelected, this, uses);
    updateEnabled();
}

void StageMapCommands::shareKeys(const QList<QAction *> &actions)
{
    sharedKeys = actions;
    if (mapWindow)
        mapWindow->addActions(actions);
}

void StageMapCommands::updateEnabled()
{
    for (QAction *action : {mnuZoomIn, mnuZoomOut, mnuZoomStage})
        action->setEnabled(mapWindow != nullptr);
}

void StageMapCommands::mnuStageMap_Click()
{
    if (!mapWindow) {
        mapWindow = new frmStageMap(model, tools, {mnuZoomOut, mnuZoomIn, mnuZoomStage, nullptr, mnuFrameLines},
                                    window);
        mapWindow->setAttribute(Qt::WA_DeleteOnClose);
        mapWindow->addActions(sharedKeys);
        mapWindow->addActions({mnuZoomIn, mnuZoomOut, mnuZoomStage, mnuStageMap});
        StageMapCanvas &canvas = mapWindow->canvas();
        canvas.setFrameLines(preferences.frameLines());
        canvas.setScale(StageMapGeometry::scaleOf(preferences.stageMapZoom()));
        connect(&canvas, &StageMapCanvas::scaleChanged, &preferences,
                [this](int scale) { preferences.setStageMapZoom(StageMapGeometry::percentOf(scale)); });
        connect(this, &StageMapCommands::shownFrameChanged, &canvas, &StageMapCanvas::setShownFrame);
        connect(this, &StageMapCommands::usesMarkChanged, &canvas, &StageMapCanvas::setUsesMarked);
        connect(this, &StageMapCommands::differencesChanged, &canvas, &StageMapCanvas::setDifferences);
        connect(mapWindow, &QObject::destroyed, this, [this] {
            // Closed under the pointer: no leave comes, and the pointer is over it no more.
            this->tools.pointerLeft(MapView::Stage);
            updateEnabled();
        });
        // Below the main window where the screen has room, else over its lower part; as
        // wide as the main window, three frames high at the zoom kept.
        const QRect screen = window->screen()->availableGeometry(), frame = window->frameGeometry();
        const StageMapGeometry &layout = canvas.layout();
        mapWindow->resize(std::max(frame.width(), 640), std::min(layout.height() + 64, screen.height() / 2));
        int y = frame.bottom() + 8;
        if (y + mapWindow->height() > screen.bottom())
            y = std::max(screen.top(), screen.bottom() - mapWindow->height() - 32);
        mapWindow->move(frame.left(), y);
        updateEnabled();
        // Laid out at its size first, so that the frame shown is brought into sight there.
        mapWindow->show();
        tellAll();
    }
    mapWindow->setWindowState(mapWindow->windowState() & ~Qt::WindowMinimized);
    mapWindow->show();
    mapWindow->raise();
    mapWindow->activateWindow();
}

frmStageMap *StageMapCommands::stageMap() const
{
    return mapWindow;
}

void StageMapCommands::tellAll()
{
    if (model.currentStage())
        emit shownFrameChanged(editor.frame());
    emit usesMarkChanged(editor.showsUses() ? editor.SelectedMetaTile() : -1);
    emit differencesChanged(diffFrames, diffCells);
}

void StageMapCommands::setDifferences(const QList<int> &frames, const std::vector<StageCell> &cells)
{
    std::vector<int> list(frames.begin(), frames.end());
    if (list == diffFrames && cells == diffCells)
        return;
    diffFrames = std::move(list);
    diffCells = cells;
    emit differencesChanged(diffFrames, diffCells);
}

} // namespace krelin
