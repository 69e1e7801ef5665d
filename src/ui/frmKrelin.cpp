#include "frmKrelin.h"

#include "CompareCommands.h"
#include "EditTools.h"
#include "EmulatorCommands.h"
#include "ExportMenu.h"
#include "FileSession.h"
#include "GoToCommand.h"
#include "Links.h"
#include "MainStatusBar.h"
#include "Navigation.h"
#include "ConsoleColorsCommand.h"
#include "PatchCommands.h"
#include "RecoveryOffer.h"
#include "KeyboardShortcuts.h"
#include "PreferencesCommand.h"
#include "RecentFiles.h"
#include "ShowUses.h"
#include "TileSheetCommands.h"
#include "TiledCommands.h"
#include "ToolWindows.h"
#include "frmAbout.h"
#include "stagemap/StageMapCommands.h"
#include "stamps/StampCommands.h"
#include "core/JournalFile.h"
#include "core/MasterPalette.h"
#include "core/Preferences.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"
#include "playerwindow/PlayerTool.h"
#include "views/LevelEditor.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUndoStack>
#include <QWindow>

namespace krelin {

namespace {

QScrollBar *scrollBar(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setGeometry(geometry);
    bar->setRange(0, 0);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // The views follow the value once it is set, not every step of a dragged thumb.
    bar->setTracking(false);
    return bar;
}

} // namespace

frmKrelin::frmKrelin(modKrelin &model, Desktop &desktop, const QString &programFolder, QSettings *settings,
                     QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                              | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , model(model)
    , desktop(desktop)
    , programFolder(programFolder)
{
    setObjectName(QStringLiteral("frmKrelin"));
    setWindowIcon(AppIcon());
    editHistory = new EditHistory(model, this);
    editHistory->setObjectName(QStringLiteral("editHistory"));
    createControls();
    createParts(settings);
    createMenus();
    levelEditor->DrawEmptyMap(false);

    // Form load: the master palette first, then the caption and the tray icon.
    LoadMasterPalette();
    setWindowTitle(ProgramCaption());
    createTray();

    // Every action is made by now: the keys the user chose go on them.
    shortcuts->collect(this);
    if (settings) {
        const QString problem = UnreadableSettingsText(*settings, preferences->unreadable() + shortcuts->unreadable());
        if (!problem.isEmpty())
            pendingWarnings << problem;
    }
}

frmKrelin::~frmKrelin() = default;

bool frmKrelin::OpenRom(const QString &path)
{
    return files->OpenRom(path);
}

void frmKrelin::OpenAtStart(const QString &path)
{
    recovery->openAtStart(path);
}

void frmKrelin::QuitWithoutAsking()
{
    files->quitWithoutAsking();
}

void frmKrelin::createControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(645, 527);
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    picEditor = new PictureSurface(QStringLiteral("picEditor"), QSize(549, 517), client);
    picEditor->move(8, 0);
    hLevel_Frames = scrollBar(client, "hLevel_Frames", QRect(8, 512, 549, 13));
    // The map surface's lower border lies under the frame scroll bar; keep the bar on top.
    hLevel_Frames->raise();
    picTile = new PictureSurface(QStringLiteral("picTile"), QSize(73, 277), client);
    picTile->move(564, 84);
    hsTable = scrollBar(client, "hsTable", QRect(564, 360, 73, 13));
    picSelectedTile = new PictureSurface(QStringLiteral("picSelectedTile"), QSize(39, 39), client);
    picSelectedTile->move(580, 384);
    cmdEditTile = new QPushButton(QStringLiteral("Edit Tile"), client);
    cmdEditTile->setObjectName(QStringLiteral("cmdEditTile"));
    cmdEditTile->setGeometry(572, 428, 57, 21);
    cboRoomEditor = new QComboBox(client);
    cboRoomEditor->setObjectName(QStringLiteral("cboRoomEditor"));
    cboRoomEditor->setGeometry(564, 492, 81, 21);

    // The keyboard works in the map, the table and the room box, Tab going round them; the
    // scroll bars and the button have keys and menus of their own (Page Up / Page Down,
    // Edit > Tile Editor) and keep out of the way.
    picEditor->setFocusPolicy(Qt::StrongFocus);
    picTile->setFocusPolicy(Qt::StrongFocus);
    for (QWidget *control : std::initializer_list<QWidget *>{hLevel_Frames, hsTable, cmdEditTile})
        control->setFocusPolicy(Qt::NoFocus);
    setTabOrder(picEditor, picTile);
    setTabOrder(picTile, cboRoomEditor);
    setTabOrder(cboRoomEditor, picEditor);
}

void frmKrelin::createParts(QSettings *settings)
{
    levelEditor = new LevelEditor(model, *editHistory, picEditor->image(), picTile->image(), picSelectedTile->image(),
                                  this);
    levelEditor->setObjectName(QStringLiteral("levelEditor"));
    connect(levelEditor, &LevelEditor::refreshSurface, this, [this](Surface surface) {
        switch (surface) {
        case Surface::Editor: picEditor->Refresh(); break;
        case Surface::Table: picTile->Refresh(); break;
        case Surface::Selected: picSelectedTile->Refresh(); break;
        }
    });
    connect(levelEditor, &LevelEditor::busyChanged, this, &frmKrelin::showBusy);
    connect(picTile, &PictureSurface::mouseMoved, levelEditor, &LevelEditor::TableMouseMove);
    connect(picTile, &PictureSurface::clicked, levelEditor, &LevelEditor::TableClick);
    // What the pointer and the keys do on the map (place, paste, fill, pick) is the edit
    // tools' to say.

    preferences = new Preferences(settings, this);
    files = new FileSession(model, *editHistory, desktop, this, programFolder, settings, *preferences);
    // The unsaved work, kept on disk as it is done, and given back after a crash.
    auto *journal = new Journal(model, *editHistory, JournalFolder(), this);
    connect(files, &FileSession::opened, journal, &Journal::begin);
    connect(files, &FileSession::saved, journal, &Journal::begin);
    connect(files, &FileSession::changesDiscarded, journal, &Journal::discard);
    connect(files, &FileSession::leavingProgram, journal, &Journal::leave);
    recovery = new RecoveryOffer(model, *editHistory, desktop, *files, *journal, this, JournalFolder());
    auto *navigation =
        new Navigation(model, *levelEditor, desktop, {picEditor, picTile, hLevel_Frames, hsTable, cboRoomEditor}, this);
    auto *patches = new PatchCommands(model, *editHistory, desktop, *files, settings, this);
    shortcuts = new KeyboardShortcuts(settings, this);
    new PreferencesCommand(*preferences, *shortcuts, desktop, this);
    auto *emulator = new EmulatorCommands(model, desktop, *preferences, this);
    auto *player = new PlayerTool(model, desktop, *preferences, this);
    auto *tools = new ToolWindows(model, *editHistory, *levelEditor, desktop, *preferences, cmdEditTile, picEditor, this);
    auto *tileSheets = new TileSheetCommands(model, *editHistory, *levelEditor, desktop, this);
    auto *tiled = new TiledCommands(model, *editHistory, desktop, *preferences, this);
    connect(files, &FileSession::opened, tiled, &TiledCommands::imageOpened);
    new ShowUses(model, *levelEditor, cboRoomEditor, this);
    new ConsoleColorsCommand(model, *preferences, this);
    auto *exportMenu = new ExportMenu(model, desktop, this);
    connect(hLevel_Frames, &QScrollBar::valueChanged, exportMenu, &ExportMenu::setFrame);

    // Below the controls: the window grows by the status bar's height.
    auto *status = new MainStatusBar(this);
    setStatusBar(status);

    // The level map's tools, and the stage map.
    auto *editTools = new EditTools(model, *editHistory, *levelEditor, *navigation,
                                    {picEditor, picTile, hLevel_Frames, hsTable}, status, this);
    status->follow(model, *levelEditor, editTools->tools(), picEditor, picTile, hLevel_Frames, hsTable);
    auto *goTo = new GoToCommand(model, *levelEditor, editTools->tools(), *navigation, desktop,
                                 {hLevel_Frames, hsTable}, this);
    connect(goTo, &GoToCommand::warning, this, &frmKrelin::warn);
    // Once Go To's question is gone, and the activation it gives back with it: the palette
    // editor comes forward over the window.
    connect(goTo, &GoToCommand::paletteEntryWanted, tools, &ToolWindows::showPaletteEntry, Qt::QueuedConnection);
    auto *stageMap = new StageMapCommands(model, *levelEditor, editTools->tools(), *preferences, this);
    // The stamps the user keeps, and what could not be read of them is said at start.
    auto *stamps = new StampCommands(model, editTools->tools(), desktop, StampLibrary::defaultPath(), this);
    if (!stamps->problem().isEmpty())
        pendingWarnings << stamps->problem();
    connect(stamps, &StampCommands::warning, this, &frmKrelin::warn);
    stageMap->shareKeys({editTools->mnuSelectAll, editTools->mnuCopy, editTools->mnuPaste, editTools->mnuDeleteCells,
                         editTools->mnuToolPlace, editTools->mnuToolPaint, editTools->mnuToolFill, editTools->actEscape,
                         goTo->mnuGoTo, stamps->mnuKeepStamp});
    // Comparing with another image: marks on the map, the table and the stage map.
    auto *compare =
        new CompareCommands(model, *levelEditor, *navigation, desktop, *files, {hLevel_Frames, hsTable}, this);
    connect(compare, &CompareCommands::differencesChanged, stageMap, &StageMapCommands::setDifferences);
    connect(editTools, &EditTools::warning, this, &frmKrelin::warn);

    // What the parts have to tell the user.
    connect(files, &FileSession::warning, this, &frmKrelin::warn);
    connect(navigation, &Navigation::warning, this, &frmKrelin::warn);
    connect(patches, &PatchCommands::warning, this, &frmKrelin::warn);
    connect(compare, &CompareCommands::warning, this, &frmKrelin::warn);
    connect(emulator, &EmulatorCommands::warning, this, &frmKrelin::warn);
    connect(tiled, &TiledCommands::warning, this, &frmKrelin::warn);
    connect(journal, &Journal::warning, this, &frmKrelin::warn);
    connect(recovery, &RecoveryOffer::warning, this, &frmKrelin::warn);
    const auto note = [status](const QString &text) { status->showMessage(text, 5000); };
    connect(patches, &PatchCommands::statusMessage, status, note);
    connect(compare, &CompareCommands::statusMessage, status, note);
    connect(emulator, &EmulatorCommands::statusMessage, status, note);
    connect(recovery, &RecoveryOffer::statusMessage, status, note);
    connect(tileSheets, &TileSheetCommands::statusMessage, status, note);
    connect(goTo, &GoToCommand::statusMessage, status, note);
    connect(stamps, &StampCommands::statusMessage, status, note);
    connect(editTools, &EditTools::statusMessage, status, note);
    connect(tiled, &TiledCommands::statusMessage, status, note);
    connect(files, &FileSession::leavingProgram, tools, &ToolWindows::closeAll);
    connect(tools, &ToolWindows::toolWindowMade, shortcuts, &KeyboardShortcuts::follow);
    // The player ends with the program; its window goes and comes with this one.
    connect(player, &PlayerTool::warning, this, &frmKrelin::warn);
    connect(files, &FileSession::leavingProgram, player, &PlayerTool::closePlayer);
    connect(player, &PlayerTool::toolWindowMade, shortcuts, &KeyboardShortcuts::follow);
    connect(player, &PlayerTool::toolWindowMade, tools, &ToolWindows::adopt);
    // Said once: from then on the user knows the oldest steps go.
    connect(editHistory, &EditHistory::oldestStepsDropped, status, [status, told = false](int) mutable {
        if (std::exchange(told, true))
            return;
        status->showMessage(QStringLiteral("The undo history keeps at most %1 MiB: its oldest steps were let go.")
                                .arg(EditHistory::DefaultMemoryBudget >> 20),
                            10000);
    });
    // Back from another program: what it may have done to the open file is asked about now.
    connect(qApp, &QGuiApplication::applicationStateChanged, files, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            files->checkDisk();
    });
    // The Edit menu has something to edit once an image is open.
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        findChild<QMenu *>(QStringLiteral("mnuEdit"))->menuAction()->setEnabled(this->model.hasImage());
    });
}

void frmKrelin::LoadMasterPalette()
{
    // Read before the window is shown: the warning waits until it is on the screen.
    const QString problem = krelin::LoadMasterPalette(model, programFolder);
    if (!problem.isEmpty())
        pendingWarnings << problem;
}

// ---- messages ----------------------------------------------------------------------------------

void frmKrelin::warn(const QString &text)
{
    if (!onScreen && isVisible()) {
        pendingWarnings << text;
        return;
    }
    desktop.showMessage(this, ProgramCaption(), text, Desktop::Icon::Warning);
}

void frmKrelin::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!onScreen && windowHandle())
        windowHandle()->installEventFilter(this);
}

bool frmKrelin::eventFilter(QObject *watched, QEvent *event)
{
    if (!onScreen && event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
        onScreen = true;
        windowHandle()->removeEventFilter(this);
        // Shown from the event loop, not from inside the window system's expose.
        QTimer::singleShot(0, this, &frmKrelin::showPendingWarnings);
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmKrelin::showPendingWarnings()
{
    const QStringList warnings = std::exchange(pendingWarnings, {});
    for (const QString &text : warnings)
        desktop.showMessage(this, ProgramCaption(), text, Desktop::Icon::Warning);
}

void frmKrelin::openLink(const QUrl &url)
{
    QPointer<frmKrelin> self(this);
    desktop.openUrl(url, [self, url] {
        if (self)
            self->desktop.showMessage(self, ProgramCaption(), LinkFailedText(url), Desktop::Icon::Warning);
    });
}

void frmKrelin::showBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmKrelin::mnuAbout_Click()
{
    if (!aboutBox)
        aboutBox = new frmAbout(this, desktop, programFolder);
    // Minimised or behind another window, it comes back to the front as it was.
    aboutBox->setWindowState(aboutBox->windowState() & ~Qt::WindowMinimized);
    aboutBox->show();
    aboutBox->raise();
    aboutBox->activateWindow();
}

// ---- quitting, minimising and the tray -------------------------------------------------------

void frmKrelin::mnuTrayIconRight_Quit_Click()
{
    files->quitIfAllowed();
}

void frmKrelin::closeEvent(QCloseEvent *event)
{
    if (files->quitIfAllowed())
        event->accept();
    else
        event->ignore();
}

bool frmKrelin::isMinimisedToTray() const
{
    return isMinimized() || isHidden();
}

void frmKrelin::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Minimised, the window leaves the task bar and only the tray icon remains; without a
    // tray it stays an ordinary minimised window, or it could never come back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !restoring && desktop.hasSystemTray()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized() && !restoring)
                hide();
        });
    }
}

void frmKrelin::mnuTrayIconRight_Restore_Click()
{
    restoring = true;
    show();
    showNormal();
    raise();
    activateWindow();
    restoring = false;
}

void frmKrelin::TrayIcon_Activated()
{
    if (isMinimisedToTray())
        mnuTrayIconRight_Restore_Click();
    else
        activateWindow();
}

void frmKrelin::TrayIcon_PrepareMenu()
{
    const bool minimised = isMinimisedToTray();
    if (!minimised)
        activateWindow();
    mnuTrayIconRight_Restore->setVisible(minimised);
    mnuTrayIconRight_Filler1->setVisible(minimised);
}

} // namespace krelin
