#include "EditTools.h"

#include "Command.h"
#include "MainStatusBar.h"
#include "Navigation.h"
#include "ReplaceDialog.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "views/MainMapInput.h"
#include "views/TableInput.h"
#include "widgets/PictureSurface.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QScrollBar>
#include <QToolBar>

#include <algorithm>

namespace krelin {

namespace {

QString toolName(MapTool tool)
{
    switch (tool) {
    case MapTool::Paint: return QStringLiteral("Paint");
    case MapTool::Fill: return QStringLiteral("Fill");
    case MapTool::Place: break;
    }
    return QStringLiteral("Place");
}

} // namespace

EditTools::EditTools(modKrelin &model, EditHistory &history, LevelEditor &editor, Navigation &navigation,
                     const Controls &controls, MainStatusBar *status, QMainWindow *window)
    : QObject(window)
    , model(model)
    , history(history)
    , editor(editor)
    , navigation(navigation)
    , controls(controls)
    , window(window)
{
    setObjectName(QStringLiteral("editTools"));
    // One set of tools for every view of the level map; the main window's map and table
    // turn the pointer and the keys into what the tools work on.
    mapTools = new MapTools(model, history, editor, this);
    new MainMapInput(editor, *mapTools, controls.picEditor, this);
    new TableInput(editor, *mapTools, controls.picTile, this);

    mnuSelectAll = NewCommand(this, "mnuSelectAll", QStringLiteral("Select &All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    mnuCopy = NewCommand(this, "mnuCopy", QStringLiteral("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    mnuPaste = NewCommand(this, "mnuPaste", QStringLiteral("Pa&ste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    mnuDeleteCells = NewCommand(this, "mnuDeleteCells", QStringLiteral("&Delete"), QKeySequence(Qt::Key_Delete));
    mnuReplaceMetaTile = NewCommand(this, "mnuReplaceMetaTile", QStringLiteral("Replace &Metatile\u2026"));
    mnuToolPlace = NewCommand(this, "mnuToolPlace", QStringLiteral("&Place"));
    mnuToolPaint = NewCommand(this, "mnuToolPaint", QStringLiteral("Pa&int"), QKeySequence(Qt::Key_B));
    mnuToolFill = NewCommand(this, "mnuToolFill", QStringLiteral("&Fill"), QKeySequence(Qt::Key_F));
    actEscape = NewCommand(this, "actEscape", QStringLiteral("Drop Selection and Stamp"), QKeySequence(Qt::Key_Escape));
    mnuCopy->setIcon(ToolIcon(ToolIconKind::Copy));
    mnuPaste->setIcon(ToolIcon(ToolIconKind::Paste));
    mnuSelectAll->setIcon(ToolIcon(ToolIconKind::Select));
    mnuReplaceMetaTile->setIcon(ToolIcon(ToolIconKind::Replace));
    mnuDeleteCells->setToolTip(QStringLiteral("Fill the selected cells with the selected metatile (Delete)"));

    toolGroup = new QActionGroup(this);
    const struct
    {
        QAction *action;
        MapTool tool;
        ToolIconKind icon;
        const char *tip;
    } tools[] = {
        {mnuToolPlace, MapTool::Place, ToolIconKind::Place,
         "Place: a click places the selected metatile, or the stamp (Escape)"},
        {mnuToolPaint, MapTool::Paint, ToolIconKind::Paint,
         "Paint: a drag places the selected metatile, or the stamp, into every cell it crosses (B)"},
        {mnuToolFill, MapTool::Fill, ToolIconKind::Fill,
         "Fill: a click fills the connected cells holding the same metatile (F)"},
    };
    for (const auto &t : tools) {
        t.action->setCheckable(true);
        t.action->setIcon(ToolIcon(t.icon));
        t.action->setToolTip(QLatin1String(t.tip));
        toolGroup->addAction(t.action);
        connect(t.action, &QAction::triggered, this, [this, tool = t.tool] { mapTools->setTool(tool); });
    }
    mnuToolPlace->setChecked(true);

    mnuEdit_Tools = new QMenu(QStringLiteral("T&ools"), window);
    mnuEdit_Tools->setObjectName(QStringLiteral("mnuEdit_Tools"));
    mnuEdit_Tools->addActions({mnuToolPlace, mnuToolPaint, mnuToolFill});

    // Above the client area, which keeps its size.
    tbTools = new QToolBar(QStringLiteral("Tools"), window);
    tbTools->setObjectName(QStringLiteral("tbTools"));
    tbTools->setMovable(false);
    tbTools->setFloatable(false);
    tbTools->setIconSize(QSize(24, 24));
    tbTools->setContextMenuPolicy(Qt::PreventContextMenu);
    tbTools->addActions({mnuToolPlace, mnuToolPaint, mnuToolFill});
    tbTools->addSeparator();
    tbTools->addActions({mnuSelectAll, mnuCopy, mnuPaste});
    tbTools->addSeparator();
    tbTools->addAction(mnuReplaceMetaTile);
    window->addToolBar(Qt::TopToolBarArea, tbTools);

    lblTool = new QLabel(status);
    lblTool->setObjectName(QStringLiteral("lblTool"));
    lblTool->setAlignment(Qt::AlignCenter);
    // As wide as a tool's name: the pointer's text beside it needs the room. A stamp's size
    // widens it while there is one.
    lblTool->setMinimumWidth(lblTool->fontMetrics().horizontalAdvance(QStringLiteral("Paint")) + 4);
    status->addPermanentWidget(lblTool);

    // The map's keys belong to the main window alone: its tool windows (the tile editor
    // copies and pastes tiles with the same keys) share its window shortcuts otherwise.
    for (QAction *action : {mnuSelectAll, mnuCopy, mnuPaste, mnuDeleteCells, mnuToolPaint, mnuToolFill, actEscape}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        window->addAction(action);
    }
    connect(mnuSelectAll, &QAction::triggered, this, &EditTools::mnuSelectAll_Click);
    connect(mnuCopy, &QAction::triggered, this, &EditTools::mnuCopy_Click);
    connect(mnuPaste, &QAction::triggered, this, &EditTools::mnuPaste_Click);
    connect(mnuDeleteCells, &QAction::triggered, this, &EditTools::mnuDeleteCells_Click);
    connect(mnuReplaceMetaTile, &QAction::triggered, this, &EditTools::mnuReplaceMetaTile_Click);
    connect(actEscape, &QAction::triggered, this, &EditTools::actEscape_Click);

    connect(mapTools, &MapTools::toolChanged, this, &EditTools::showTool);
    connect(mapTools, &MapTools::stampChanged, this, &EditTools::showTool);
    connect(mapTools, &MapTools::selectionChanged, this, &EditTools::updateEnabled);
    connect(&model, &modKrelin::stageChanged, this, &EditTools::updateEnabled);
    connect(mapTools, &MapTools::pageWanted, controls.hsTable, &QScrollBar::setValue);
    connect(mapTools, &MapTools::frameWanted, controls.hLevel_Frames, &QScrollBar::setValue);
    connect(&history, &EditHistory::stepRevisited, this, &EditTools::showStep);
    showTool();
    updateEnabled();
}

void EditTools::showTool()
{
    const MapTool tool = mapTools->tool();
    for (QAction *action : toolGroup->actions())
        action->setChecked(false);
    (tool == MapTool::Paint ? mnuToolPaint : tool == MapTool::Fill ? mnuToolFill : mnuToolPlace)->setChecked(true);
    QString text = toolName(tool);
    if (const auto &stamp = mapTools->stamp(); stamp && tool != MapTool::Fill)
        text += QStringLiteral(" %1 \u00D7 %2").arg(stamp->columns).arg(stamp->rows);
    lblTool->setText(text);
    lblTool->setToolTip(mapTools->stamp() ? QStringLiteral("The tool, with the stamp it places (Escape drops it)")
                                          : QStringLiteral("The tool of the level map"));
}

void EditTools::updateEnabled()
{
    const bool stage = model.currentStage() != nullptr;
    const bool selection = stage && !mapTools->selection().isEmpty();
    for (QAction *action : {mnuSelectAll, mnuPaste, mnuReplaceMetaTile})
        action->setEnabled(stage);
    mnuCopy->setEnabled(selection);
    mnuDeleteCells->setEnabled(selection);
}

void EditTools::mnuSelectAll_Click()
{
    mapTools->selectAll();
}

void EditTools::mnuCopy_Click()
{
    mapTools->copy();
}

void EditTools::mnuPaste_Click()
{
    QString why;
    if (!mapTools->paste(&why))
        emit warning(why);
}

void EditTools::mnuDeleteCells_Click()
{
    mapTools->deleteSelection();
}

void EditTools::actEscape_Click()
{
    mapTools->escape();
}

void EditTools::mnuReplaceMetaTile_Click()
{
    const Stage *stage = model.currentStage();
    if (!stage)
        return;
    if (replaceDialog) {
        replaceDialog->raise();
        replaceDialog->activateWindow();
        return;
    }
    // The stages sharing the metatile table, the stage itself among them, in table order.
    const std::vector<const Stage *> others = StagesSharingMetaTiles(*stage);
    QStringList shared;
    for (const Stage &each : StageTable)
        if (&each == stage || std::find(others.begin(), others.end(), &each) != others.end())
            shared << QLatin1String(each.name);
    const int from = editor.SelectedMetaTile();
    const int frame = editor.frame();
    replaceDialog = new ReplaceDialog(
        from, from, stage->caption(), shared.join(QStringLiteral(", ")),
        [this, frame](ReplaceScope scope, int n) { return FindReplaceTargets(model, frame, scope, n); }, window);
    replaceDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(replaceDialog, &QDialog::accepted, this, [this, frame] {
        // The stage may have changed while the dialog was open: it replaces in the stage
        // shown now, in the frame it was opened on when that still lies inside.
        if (!model.currentStage())
            return;
        const int f = frame < model.currentStage()->Frames ? frame : editor.frame();
        CellsEditCommand *step =
            MakeReplaceCommand(model, f, replaceDialog->scope(), replaceDialog->from(), replaceDialog->to());
        if (step)
            history.push(step);
    });
    // Modal to this window, without blocking: the answer arrives through accepted().
    replaceDialog->open();
}

void EditTools::showStep(const EditPlace &place, bool undone)
{
    if (!place.isValid())
        return;
    if (place.stage != model.currentStage()) {
        const int index = int(place.stage - StageTable.data());
        if (index < 0 || index >= StageCount || !navigation.mnuEdit_Level_Click(index))
            return;
    }
    controls.hLevel_Frames->setValue(place.frame);
    // Only one of them is on screen (the first named): the others changed as much.
    if (place.stages.size() > 1) {
        QStringList names;
        for (const Stage *stage : place.stages)
            names << QLatin1String(stage->name);
        emit statusMessage(QStringLiteral("%1 in %2 stages: %3.")
                               .arg(undone ? QStringLiteral("Undone") : QStringLiteral("Redone"))
                               .arg(place.stages.size())
                               .arg(names.join(QStringLiteral(", "))));
    }
}

} // namespace krelin
