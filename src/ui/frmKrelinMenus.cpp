// The main window's menus and its tray icon: the commands of its parts, each part's own
// actions, put in the order the user finds them.
#include "frmKrelin.h"

#include "CompareCommands.h"
#include "EditTools.h"
#include "EmulatorCommands.h"
#include "ExportMenu.h"
#include "FileSession.h"
#include "GoToCommand.h"
#include "Links.h"
#include "Navigation.h"
#include "ConsoleColorsCommand.h"
#include "PatchCommands.h"
#include "PreferencesCommand.h"
#include "RecentFiles.h"
#include "ShowUses.h"
#include "TileSheetCommands.h"
#include "TiledCommands.h"
#include "ToolWindows.h"
#include "playerwindow/PlayerTool.h"
#include "core/Version.h"
#include "stagemap/StageMapCommands.h"
#include "stamps/StampCommands.h"
#include "edit/EditHistory.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSystemTrayIcon>
#include <QUndoStack>

namespace krelin {

namespace {

QAction *addCommand(QMenu *menu, const char *name, const QString &caption, const QKeySequence &shortcut = {})
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    return action;
}

QAction *addFiller(QMenu *menu, const char *name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
}

QMenu *addMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QLatin1String(name));
    return menu;
}

} // namespace

void frmKrelin::createMenus()
{
    auto *files = findChild<FileSession *>();
    auto *navigation = findChild<Navigation *>();
    auto *patches = findChild<PatchCommands *>();
    auto *emulator = findChild<EmulatorCommands *>();
    auto *tools = findChild<ToolWindows *>();
    QMenuBar *bar = menuBar();

    QMenu *mnuFile = addMenu(bar, "mnuFile", QStringLiteral("&File"));
    mnuFile->addAction(files->mnuOpenRom);
    mnuFile->addMenu(files->mnuRecentFiles);
    mnuFile->addAction(files->mnuOpenBackup);
    addFiller(mnuFile, "mnuFileFiller1");
    mnuFile->addActions({files->mnuSaveRom, files->mnuSaveRomAs});
    auto *exportMenu = findChild<ExportMenu *>();
    auto *tiled = findChild<TiledCommands *>();
    exportMenu->addSeparator();
    exportMenu->addAction(tiled->mnuExportTiled);
    mnuFile->addMenu(exportMenu);
    mnuFile->addMenu(tiled->mnuImport);
    auto *tileSheets = findChild<TileSheetCommands *>();
    mnuFile->addActions({tileSheets->mnuExportTiles, tileSheets->mnuImportTiles});
    addFiller(mnuFile, "mnuFileFillerPatches");
    mnuFile->addActions({patches->mnuCreatePatch, patches->mnuApplyPatch});
    auto *compare = findChild<CompareCommands *>();
    mnuFile->addAction(compare->mnuCompareWith);
    addFiller(mnuFile, "mnuFileFiller2");
    mnuFile->addAction(files->mnuFile_Quit);

    QMenu *mnuEdit = addMenu(bar, "mnuEdit", QStringLiteral("&Edit"));
    mnuEdit->menuAction()->setEnabled(false);
    // Undo and redo name the step they undo ("Undo Place Metatile") and are disabled when
    // there is none. Their keys work in the tool windows too.
    QUndoStack &stack = editHistory->stack();
    QAction *mnuUndo = stack.createUndoAction(this, QStringLiteral("&Undo"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction *mnuRedo = stack.createRedoAction(this, QStringLiteral("&Redo"));
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction *action : {mnuUndo, mnuRedo}) {
        action->setShortcutContext(Qt::ApplicationShortcut);
        mnuEdit->addAction(action);
    }
    mnuEdit->addAction(tools->mnuHistory);
    addFiller(mnuEdit, "mnuEditFiller1");
    mnuEdit->addActions({navigation->mnuRefresh, tools->mnuEditPalette});
    mnuEdit->addMenu(navigation->mnuEdit_Level);
    mnuEdit->addAction(findChild<GoToCommand *>()->mnuGoTo);
    mnuEdit->addAction(tools->mnuTileEditor);
    addFiller(mnuEdit, "mnuEditFillerUses");
    mnuEdit->addAction(findChild<ShowUses *>()->mnuShowUses);
    auto *editTools = findChild<EditTools *>();
    addFiller(mnuEdit, "mnuEditFillerCells");
    auto *stamps = findChild<StampCommands *>();
    mnuEdit->addActions({editTools->mnuSelectAll, editTools->mnuCopy, stamps->mnuKeepStamp, editTools->mnuPaste,
                         editTools->mnuDeleteCells});
    mnuEdit->addMenu(editTools->mnuEdit_Tools);
    mnuEdit->addAction(editTools->mnuReplaceMetaTile);

    QMenu *mnuView = addMenu(bar, "mnuView", QStringLiteral("&View"));
    auto *stageMap = findChild<StageMapCommands *>();
    mnuView->addActions({stageMap->mnuStageMap, stageMap->mnuFrameLines, stamps->mnuStamps});
    mnuView->addAction(findChild<ConsoleColorsCommand *>()->mnuConsoleColours);
    addFiller(mnuView, "mnuViewFillerZoom");
    mnuView->addActions({stageMap->mnuZoomIn, stageMap->mnuZoomOut, stageMap->mnuZoomStage});
    addFiller(mnuView, "mnuViewFillerCompare");
    mnuView->addActions({compare->mnuDifferences, compare->mnuNextDifference, compare->mnuPreviousDifference,
                         compare->mnuStopComparing});
    addFiller(mnuEdit, "mnuEditFillerPreferences");
    mnuEdit->addAction(findChild<PreferencesCommand *>()->mnuPreferences);

    QMenu *mnuTools = addMenu(bar, "mnuTools", QStringLiteral("&Tools"));
    mnuTools->addAction(findChild<PlayerTool *>()->mnuPlay);
    addFiller(mnuTools, "mnuToolsFillerEmulator");
    mnuTools->addActions({emulator->mnuRunInEmulator, emulator->mnuEmulator});
    addFiller(mnuTools, "mnuToolsFillerTiled");
    mnuTools->addAction(tiled->mnuEditInTiled);

    QMenu *mnuHelp = addMenu(bar, "mnuHelp", QStringLiteral("&Help"));
    QAction *mnuAbout = addCommand(mnuHelp, "mnuAbout", QStringLiteral("&About"), QKeySequence(Qt::Key_F1));
    addFiller(mnuHelp, "mnuAboutFiller1");
    QMenu *mnuWeb = mnuHelp->addMenu(QStringLiteral("&Web"));
    mnuWeb->setObjectName(QStringLiteral("mnuWeb"));
    QAction *velquin = addCommand(mnuWeb, "mnuNavVelquin", QStringLiteral("&Velquin"));
    QAction *krelinPage = addCommand(mnuWeb, "mnuNavKrelinPage", QStringLiteral("&Krelin Page"));
    QAction *nesdevWiki = addCommand(mnuWeb, "mnuNavNesdevWiki", QStringLiteral("&NESdev Wiki"));
    addFiller(mnuWeb, "mnuNavFiller1");
    QAction *mail = addCommand(mnuWeb, "mnuNavEmailAuthor", QStringLiteral("&Email Author"));
    connect(mnuAbout, &QAction::triggered, this, &frmKrelin::mnuAbout_Click);
    connect(velquin, &QAction::triggered, this, [this] { openLink(VelquinUrl); });
    connect(krelinPage, &QAction::triggered, this, [this] { openLink(KrelinPageUrl); });
    connect(nesdevWiki, &QAction::triggered, this, [this] { openLink(NesdevWikiUrl); });
    connect(mail, &QAction::triggered, this, [this] { openLink(AuthorMailUrl()); });
}

void frmKrelin::createTray()
{
    // The tray icon's pop-up menu: never on the menu bar.
    mnuTrayIconRight = new QMenu(QStringLiteral("TrayIconRight"), this);
    mnuTrayIconRight->setObjectName(QStringLiteral("mnuTrayIconRight"));
    mnuTrayIconRight_Restore = addCommand(mnuTrayIconRight, "mnuTrayIconRight_Restore", QStringLiteral("Restore"));
    mnuTrayIconRight_Filler1 = addFiller(mnuTrayIconRight, "mnuTrayIconRight_Filler1");
    QAction *quit = addCommand(mnuTrayIconRight, "mnuTrayIconRight_Quit", QStringLiteral("Quit"));
    mnuTrayIconRight_Restore->setVisible(false);
    mnuTrayIconRight_Filler1->setVisible(false);
    connect(mnuTrayIconRight_Restore, &QAction::triggered, this, &frmKrelin::mnuTrayIconRight_Restore_Click);
    connect(quit, &QAction::triggered, this, &frmKrelin::mnuTrayIconRight_Quit_Click);
    connect(mnuTrayIconRight, &QMenu::aboutToShow, this, &frmKrelin::TrayIcon_PrepareMenu);

    TrayIcon = new QSystemTrayIcon(AppIcon(), this);
    TrayIcon->setObjectName(QStringLiteral("TrayIcon"));
    TrayIcon->setToolTip(ProgramCaption());
    TrayIcon->setContextMenu(mnuTrayIconRight);
    connect(TrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            TrayIcon_Activated();
    });
    if (desktop.hasSystemTray())
        TrayIcon->show();
}

} // namespace krelin
