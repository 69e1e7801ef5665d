#include "frmKrelin.h"

#include "ExportMenu.h"
#include "FileDrop.h"
#include "RecentFiles.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"
#include "Links.h"
#include "MainStatusBar.h"
#include "frmAbout.h"
#include "core/EmulatorRun.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/LevelEditor.h"
#include "paleditor/frmPalEditor.h"
#include "tileeditor/frmTileEditor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSessionManager>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUndoStack>
#include <QUndoView>
#include <QWindow>

namespace krelin {

namespace {

const QString RomFilter = QStringLiteral("NES Rom Files (*.NES *.nes)");

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
    createMenus();
    createControls();
    createDesktopParts(settings);

    levelEditor = new LevelEditor(model, *editHistory, picEditor->image(), picTile->image(),
                                  picSelectedTile->image(), this);
    connect(levelEditor, &LevelEditor::refreshSurface, this, [this](Surface surface) {
        switch (surface) {
        case Surface::Editor: picEditor->Refresh(); break;
        case Surface::Table: picTile->Refresh(); break;
        case Surface::Selected: picSelectedTile->Refresh(); break;
        }
    });
    connect(levelEditor, &LevelEditor::busyChanged, this, &frmKrelin::showBusy);
    connect(levelEditor, &LevelEditor::tableDrawn, this, [this] { cmdEditTile->setEnabled(true); });
    // The palette editor's swatches follow every redraw of the table, which resolves the
    // background colours afresh.
    connect(levelEditor, &LevelEditor::tableDrawn, this, [this] {
        if (palEditor)
            palEditor->ShowBgColors();
    });
    connect(mnuEditPalette, &QAction::triggered, this, &frmKrelin::mnuEditPalette_Click);
    wireTileEditor();
    // After an undo or redo every view shows the image as it now is: a placement on the
    // frame on screen repaints its cell, anything else refreshes the whole main window
    // (and with it the tool windows, which follow every redraw of the table).
    connect(editHistory, &EditHistory::restored, this, [this](const std::vector<ByteRange> &ranges) {
        if (!keepStageIfHeld()) // an undone or redone patch may have cut the image short
            return;
        if (!levelEditor->RepaintLevelCells(ranges))
            mnuRefresh_Click();
    });
    connect(&model, &modKrelin::modifiedChanged, this, &QWidget::setWindowModified);
    // A decision to leave covers the changes it was made on; a new step needs a new one
    // (the desktop session's end may have been called off meanwhile).
    connect(&editHistory->stack(), &QUndoStack::indexChanged, this, [this] { leaving = false; });
    // The desktop session is ending: the same question as every other way out.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
        if (manager.allowsInteraction()) {
            const bool mayEnd = maybeSave();
            manager.release();
            if (!mayEnd)
                manager.cancel();
            else
                leaving = true;
        }
    });
    connectNavigation();
    createPatchCommands();
    createToolsMenu(settings);
    connectSharing();
    levelEditor->DrawEmptyMap(false);

    // Form load: the master palette first, then the caption and the tray icon.
    LoadMasterPalette();
    setWindowTitle(ProgramCaption());
    createTray();
}

frmKrelin::~frmKrelin() = default;

void frmKrelin::createDesktopParts(QSettings *settings)
{
    // File > Recent Files beside Open, File > Export after the saves. A recent file and a
    // dropped one open through OpenRom, as a file chosen in File > Open does, so whatever
    // OpenRom checks first covers every way of opening.
    mnuRecentFiles = new RecentFiles(desktop, settings, this);
    mnuFile->insertMenu(mnuFile->actions().at(1), mnuRecentFiles);
    connect(mnuRecentFiles, &RecentFiles::openRequested, this, &frmKrelin::OpenRom);
    mnuExport = new ExportMenu(model, desktop, this);
    mnuFile->insertMenu(mnuFile->actions().at(mnuFile->actions().indexOf(mnuSaveRomAs) + 1), mnuExport);
    connect(hLevel_Frames, &QScrollBar::valueChanged, mnuExport, &ExportMenu::setFrame);
    auto *drop = new FileDrop(this);
    connect(drop, &FileDrop::fileDropped, this, &frmKrelin::OpenRom);
}

void frmKrelin::createMenus()
{
    // The tray icon's pop-up menu: never on the menu bar.
    mnuTrayIconRight = new QMenu(QStringLiteral("TrayIconRight"), this);
    mnuTrayIconRight->setObjectName(QStringLiteral("mnuTrayIconRight"));
    mnuTrayIconRight_Restore = addCommand(mnuTrayIconRight, "mnuTrayIconRight_Restore", QStringLiteral("Restore"));
    mnuTrayIconRight_Filler1 = addFiller(mnuTrayIconRight, "mnuTrayIconRight_Filler1");
    mnuTrayIconRight_Quit = addCommand(mnuTrayIconRight, "mnuTrayIconRight_Quit", QStringLiteral("Quit"));
    mnuTrayIconRight_Restore->setVisible(false);
    mnuTrayIconRight_Filler1->setVisible(false);
    connect(mnuTrayIconRight_Restore, &QAction::triggered, this, &frmKrelin::mnuTrayIconRight_Restore_Click);
    connect(mnuTrayIconRight_Quit, &QAction::triggered, this, &frmKrelin::mnuTrayIconRight_Quit_Click);
    connect(mnuTrayIconRight, &QMenu::aboutToShow, this, &frmKrelin::TrayIcon_PrepareMenu);

    QMenuBar *bar = menuBar();
    mnuFile = bar->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpenRom = addCommand(mnuFile, "mnuOpenRom", QStringLiteral("&Open"), QKeySequence(Qt::CTRL | Qt::Key_O));
    addFiller(mnuFile, "mnuFileFiller1");
    mnuSaveRom = addCommand(mnuFile, "mnuSaveRom", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuSaveRomAs = addCommand(mnuFile, "mnuSaveRomAs", QStringLiteral("S&ave As"), QKeySequence(Qt::Key_F12));
    addFiller(mnuFile, "mnuFileFiller2");
    mnuFile_Quit = addCommand(mnuFile, "mnuFile_Quit", QStringLiteral("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    // Saving and quitting are the program's, not this window's: their keys work from the
    // tool windows too.
    for (QAction *action : {mnuSaveRom, mnuSaveRomAs, mnuFile_Quit})
        action->setShortcutContext(Qt::ApplicationShortcut);
    mnuSaveRom->setEnabled(false);
    mnuSaveRomAs->setEnabled(false);
    connect(mnuOpenRom, &QAction::triggered, this, &frmKrelin::mnuOpenRom_Click);
    connect(mnuSaveRom, &QAction::triggered, this, &frmKrelin::mnuSaveRom_Click);
    connect(mnuSaveRomAs, &QAction::triggered, this, &frmKrelin::mnuSaveRomAs_Click);
    connect(mnuFile_Quit, &QAction::triggered, this, &frmKrelin::mnuFile_Quit_Click);

    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->menuAction()->setEnabled(false);
    createEditHistoryCommands();
    // Refresh is never shown and has no key: the editor windows call it once they have
    // changed the image. (F5 runs the image in the emulator.)
    mnuRefresh = addCommand(mnuEdit, "mnuRefresh", QStringLiteral("&Refresh"));
    mnuRefresh->setVisible(false);
    mnuRefresh->setEnabled(false);
    mnuEditPalette =
        addCommand(mnuEdit, "mnuEditPalette", QStringLiteral("&Palette"), QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuEditPalette->setEnabled(false);
    // The palette is wanted while editing tiles too: its key works from the tool windows.
    mnuEditPalette->setShortcutContext(Qt::ApplicationShortcut);
    mnuEdit_Level = mnuEdit->addMenu(QStringLiteral("&Level"));
    mnuEdit_Level->setObjectName(QStringLiteral("mnuEdit_Level"));
    for (int i = 0; i < StageCount; ++i) {
        const Stage &stage = StageTable[i];
        QAction *action = mnuEdit_Level->addAction(stage.caption());
        action->setObjectName(QStringLiteral("mnuEdit_Level_") + QLatin1String(stage.name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] { mnuEdit_Level_Click(i); });
        mnuEdit_Level_Stage[i] = action;
    }
    mnuTileEditor = addCommand(mnuEdit, "mnuTileEditor", QStringLiteral("&Tile Editor"));
    mnuTileEditor->setEnabled(false);
    connect(mnuRefresh, &QAction::triggered, this, &frmKrelin::mnuRefresh_Click);

    mnuHelp = bar->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = addCommand(mnuHelp, "mnuAbout", QStringLiteral("&About"), QKeySequence(Qt::Key_F1));
    addFiller(mnuHelp, "mnuAboutFiller1");
    mnuWeb = mnuHelp->addMenu(QStringLiteral("&Web"));
    mnuWeb->setObjectName(QStringLiteral("mnuWeb"));
    mnuNavVelquin = addCommand(mnuWeb, "mnuNavVelquin", QStringLiteral("&Velquin"));
    mnuNavKrelinPage = addCommand(mnuWeb, "mnuNavKrelinPage", QStringLiteral("&Krelin Page"));
    mnuNavNesdevWiki = addCommand(mnuWeb, "mnuNavNesdevWiki", QStringLiteral("&NESdev Wiki"));
    addFiller(mnuWeb, "mnuNavFiller1");
    mnuNavEmailAuthor = addCommand(mnuWeb, "mnuNavEmailAuthor", QStringLiteral("&Email Author"));
    connect(mnuAbout, &QAction::triggered, this, &frmKrelin::mnuAbout_Click);
    connect(mnuNavVelquin, &QAction::triggered, this, [this] { openLink(VelquinUrl); });
    connect(mnuNavKrelinPage, &QAction::triggered, this, [this] { openLink(KrelinPageUrl); });
    connect(mnuNavNesdevWiki, &QAction::triggered, this, [this] { openLink(NesdevWikiUrl); });
    connect(mnuNavEmailAuthor, &QAction::triggered, this, [this] { openLink(AuthorMailUrl()); });
}

void frmKrelin::createEditHistoryCommands()
{
    // Undo and redo name the step they undo ("Undo Place Metatile") and are disabled when
    // there is none. Their shortcuts work in the tool windows too.
    QUndoStack &stack = editHistory->stack();
    mnuUndo = stack.createUndoAction(this, QStringLiteral("&Undo"));
    mnuUndo->setObjectName(QStringLiteral("mnuUndo"));
    mnuUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    mnuRedo = stack.createRedoAction(this, QStringLiteral("&Redo"));
    mnuRedo->setObjectName(QStringLiteral("mnuRedo"));
    mnuRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    for (QAction *action : {mnuUndo, mnuRedo}) {
        action->setShortcutContext(Qt::ApplicationShortcut);
        mnuEdit->addAction(action);
    }
    mnuHistory = addCommand(mnuEdit, "mnuHistory", QStringLiteral("&History"));
    connect(mnuHistory, &QAction::triggered, this, &frmKrelin::mnuHistory_Click);
    addFiller(mnuEdit, "mnuEditFiller1");
}

void frmKrelin::mnuHistory_Click()
{
    if (!historyWindow) {
        auto *view = new QUndoView(&editHistory->stack(), this);
        view->setObjectName(QStringLiteral("frmHistory"));
        view->setWindowFlags(Qt::Tool);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->setWindowTitle(QStringLiteral("History"));
        view->setEmptyLabel(QStringLiteral("Image as opened"));
        view->resize(240, 320);
        historyWindow = view;
    }
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
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
    cmdEditTile->setEnabled(false);
    cboRoomEditor = new QComboBox(client);
    cboRoomEditor->setObjectName(QStringLiteral("cboRoomEditor"));
    cboRoomEditor->setGeometry(564, 492, 81, 21);
    // Below the controls: the window grows by the status bar's height.
    sbStatus = new MainStatusBar(this);
    setStatusBar(sbStatus);

    connect(hLevel_Frames, &QScrollBar::valueChanged, this, &frmKrelin::hLevel_Frames_Change);
    connect(hsTable, &QScrollBar::valueChanged, this, &frmKrelin::hsTable_Change);
    connect(cboRoomEditor, &QComboBox::activated, this, &frmKrelin::cboRoomEditor_Click);
    connect(picTile, &PictureSurface::mouseMoved, this, [this](double x, double y) { levelEditor->TableMouseMove(x, y); });
    connect(picTile, &PictureSurface::clicked, this, [this] { levelEditor->TableClick(); });
    connect(picEditor, &PictureSurface::mouseMoved, this, [this](double x, double y) { levelEditor->EditorMouseMove(x, y); });
    connect(picEditor, &PictureSurface::clicked, this, [this] { levelEditor->EditorClick(); });
}

void frmKrelin::createTray()
{
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

void frmKrelin::LoadMasterPalette()
{
    // Read before the window is shown: the warning waits until it is on the screen.
    const QString problem = krelin::LoadMasterPalette(model, programFolder);
    if (!problem.isEmpty())
        pendingWarnings << problem;
}

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

// ---- files ---------------------------------------------------------------------------------

void frmKrelin::setCaptionFor(const QString &path)
{
    // "[*]" shows as "*" while the image has unsaved changes.
    setWindowTitle(ProgramCaption() + QStringLiteral(" - ") + QFileInfo(path).fileName().toUpper()
                   + QStringLiteral("[*]"));
}

bool frmKrelin::OpenRom(const QString &path)
{
    return maybeSave() && openFile(path);
}

bool frmKrelin::openFile(const QString &path)
{
    RomReadResult result = ReadRomFile(path);
    if (!result.ok()) {
        warn(result.error);
        return false;
    }
    lastChosenFile = path;
    model.replaceImage(std::move(result.bytes));
    model.RomFileName = QFileInfo(path).absoluteFilePath();
    mnuRecentFiles->add(path);
    setCaptionFor(path);
    mnuEdit->menuAction()->setEnabled(true);
    mnuSaveRom->setEnabled(true);
    mnuSaveRomAs->setEnabled(true);
    // The chosen stage stays chosen and is drawn from the new image at once, at the same
    // frame and page; an image that cannot hold it takes it off the window.
    if (currentStage >= 0) {
        const QString problem = StageFitProblem(StageTable[currentStage], model.romSize());
        if (problem.isEmpty()) {
            mnuRefresh_Click();
        } else {
            dropStage();
            warn(problem + QStringLiteral("\n\nChoose a stage that this image holds."));
        }
    } else {
        levelEditor->DrawEmptyMap(true);
    }
    updateStatus();
    return true;
}

void frmKrelin::mnuOpenRom_Click()
{
    if (!maybeSave())
        return;
    const QString start = lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
    const QString path = desktop.getOpenFileName(this, QStringLiteral("Open"), start, RomFilter);
    if (path.isEmpty())
        return;
    openFile(path);
}

bool frmKrelin::SaveTo(const QString &path)
{
    const QString error = WriteRomFile(path, model.image());
    if (error.isEmpty()) // a written file joins the recent list; a failed write says why below
        mnuRecentFiles->add(path);
    if (!error.isEmpty()) {
        desktop.showMessage(this, ProgramCaption(), error, Desktop::Icon::Warning);
        return false;
    }
    editHistory->markSaved();
    return true;
}

namespace {

QString noFixUpNotice(qint64 size)
{
    return QStringLiteral("The image is only %1 bytes long, too short to hold the bytes at 0x1C997..0x1C998, so "
                          "they were not copied to 0x12008..0x12009. Everything else was saved as it is.")
        .arg(size);
}

} // namespace

bool frmKrelin::mnuSaveRom_Click()
{
    const bool fixedUp = ApplySaveFixUp(model);
    if (!SaveTo(model.RomFileName))
        return false;
    if (!fixedUp)
        desktop.showMessage(this, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
    return true;
}

bool frmKrelin::mnuSaveRomAs_Click()
{
    // The fix-up comes first: it stays in the image even if the dialog is cancelled.
    const bool fixedUp = ApplySaveFixUp(model);
    const QString start = lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
    QString path = desktop.getSaveFileName(this, QStringLiteral("Save As"), start, RomFilter);
    if (path.isEmpty())
        return false;
    // A name typed without an extension gets the cartridge's; the dialog asked about
    // replacing the name as typed, so ask again about the one written.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += path.endsWith(u'.') ? QStringLiteral("nes") : QStringLiteral(".nes");
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(this, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path))))
            return false;
    }
    lastChosenFile = path;
    if (!SaveTo(path))
        return false;
    model.RomFileName = QFileInfo(path).absoluteFilePath();
    setCaptionFor(path);
    if (!fixedUp)
        desktop.showMessage(this, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
    return true;
}

// ---- quitting, minimising and the tray -------------------------------------------------------

bool frmKrelin::maybeSave()
{
    if (leaving || !model.isModified())
        return true;
    const QString name = QFileInfo(model.RomFileName).fileName().toUpper();
    switch (desktop.askSaveChanges(this, ProgramCaption(), QStringLiteral("Save changes to %1?").arg(name))) {
    case Desktop::SaveAnswer::Save: return mnuSaveRom_Click();
    case Desktop::SaveAnswer::Discard: return true;
    case Desktop::SaveAnswer::Cancel: break;
    }
    return false;
}

void frmKrelin::quitIfAllowed()
{
    if (!maybeSave())
        return;
    leaveProgram();
}

void frmKrelin::leaveProgram()
{
    // Closing the windows on the way out asks nothing more, and the tool windows go
    // without their own close handling (the tile editor's notice would hold the way out).
    leaving = true;
    delete tileEditor;
    delete palEditor;
    desktop.quit();
}

void frmKrelin::mnuFile_Quit_Click()
{
    quitIfAllowed();
}

void frmKrelin::mnuTrayIconRight_Quit_Click()
{
    quitIfAllowed();
}

void frmKrelin::closeEvent(QCloseEvent *event)
{
    if (!leaving && !maybeSave()) {
        event->ignore();
        return;
    }
    event->accept();
    leaveProgram();
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

void frmKrelin::mnuEditPalette_Click()
{
    if (!palEditor) {
        palEditor = new frmPalEditor(*editHistory, desktop, this);
        connect(palEditor, &frmPalEditor::refreshWanted, this, &frmKrelin::mnuRefresh_Click);
    }
    // 500 twips right of and below the main window's top-left corner, frames included.
    palEditor->move(frameGeometry().topLeft() + QPoint(33, 33));
    palEditor->show();
    palEditor->raise();
    palEditor->activateWindow();
}

// ---- the tile editor ------------------------------------------------------------------------

void frmKrelin::wireTileEditor()
{
    connect(cmdEditTile, &QPushButton::clicked, this, &frmKrelin::cmdEditTile_Click);
    connect(mnuTileEditor, &QAction::triggered, this, &frmKrelin::mnuTileEditor_Click);
    // An open tile editor follows every redraw of the table (a stage chosen, a refresh,
    // the colours resolved afresh), keeping its metatile; a redraw writes nothing.
    connect(levelEditor, &LevelEditor::tableDrawn, this, [this] {
        if (tileEditor)
            tileEditor->cboTile_Click();
    });
    // With the stage taken off the window (an image opened that cannot hold it) the tool
    // windows have nothing left to edit: they go, without the tile editor's notice, so
    // that no edit lands in bytes of a stage no longer shown.
    connect(levelEditor, &LevelEditor::stageUnloaded, this, [this] {
        delete tileEditor;
        delete palEditor;
    });
}

frmTileEditor &frmKrelin::TileEditorWindow()
{
    if (!tileEditor) {
        tileEditor = new frmTileEditor(*editHistory, desktop, this);
        connect(tileEditor, &frmTileEditor::refreshWanted, this, &frmKrelin::mnuRefresh_Click);
        // Beside the main window where the screen has room; else over the level map's
        // right end, so the metatile table stays in sight.
        const QRect screen = this->screen()->availableGeometry(), frame = frameGeometry();
        const int width = tileEditor->width() + 8; // with a guess at its frame
        int x = frame.right() + 8;
        if (x + width > screen.right())
            x = frame.left() - 8 - width;
        if (x < screen.left())
            x = picEditor->mapToGlobal(QPoint(picEditor->width(), 0)).x() - width;
        tileEditor->move(x, frame.top());
    }
    return *tileEditor;
}

void frmKrelin::cmdEditTile_Click()
{
    frmTileEditor &editor = TileEditorWindow();
    editor.ShowMetaTile(levelEditor->SelectedMetaTile());
    editor.show();
    editor.raise();
    editor.activateWindow();
}

void frmKrelin::mnuTileEditor_Click()
{
    frmTileEditor &editor = TileEditorWindow();
    editor.show();
    editor.raise();
    editor.activateWindow();
}

// ---- stages and views --------------------------------------------------------------------------

void frmKrelin::showBusy(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void frmKrelin::ResetStage()
{
    mnuRefresh->setEnabled(true);
    mnuTileEditor->setEnabled(true);
    mnuEditPalette->setEnabled(true);
    for (QAction *action : mnuEdit_Level_Stage)
        action->setChecked(false);
    levelEditor->ResetStage();
    picSelectedTile->Refresh();
}

void frmKrelin::LoadFrameRooms()
{
    cboRoomEditor->clear();
    for (int r = model.FirstRoom; r <= model.LastRoom; ++r)
        cboRoomEditor->addItem(QStringLiteral("Room ") + QString::number(r, 16).toUpper().rightJustified(2, u'0'));
    // No entry is chosen after filling.
    cboRoomEditor->setCurrentIndex(-1);
}

bool frmKrelin::mnuEdit_Level_Click(int stageIndex)
{
    const Stage &stage = StageTable[stageIndex];
    const QString problem = StageFitProblem(stage, model.romSize());
    if (!problem.isEmpty()) {
        // The menu ticks a checkable command on its own: put the marks back as they were.
        for (int i = 0; i < StageCount; ++i)
            mnuEdit_Level_Stage[i]->setChecked(i == currentStage);
        desktop.showMessage(this, ProgramCaption(), problem, Desktop::Icon::Warning);
        return false;
    }
    ResetStage();
    mnuEdit_Level_Stage[stageIndex]->setChecked(true);
    model.ApplyStage(stage);
    currentStage = stageIndex;
    mnuExport->setStage(&stage);
    hLevel_Frames->setMaximum(stage.Frames - 1);
    hLevel_Frames->setValue(0);
    LoadFrameRooms();
    hsTable->setMaximum(TablePages - 1);
    hsTable->setValue(0);
    levelEditor->DrawTileTable();
    levelEditor->DrawLevel();
    updateStatus();
    return true;
}

void frmKrelin::dropStage()
{
    currentStage = -1;
    for (QAction *action : mnuEdit_Level_Stage)
        action->setChecked(false);
    for (QAction *action : {mnuRefresh, mnuTileEditor, mnuEditPalette})
        action->setEnabled(false);
    cmdEditTile->setEnabled(false);
    // First, so that the scroll bars' moves back to 0 draw nothing.
    levelEditor->UnloadStage();
    hLevel_Frames->setMaximum(0);
    hsTable->setMaximum(0);
    cboRoomEditor->clear();
}

void frmKrelin::mnuRefresh_Click()
{
    levelEditor->Refresh();
}

void frmKrelin::hLevel_Frames_Change(int value)
{
    levelEditor->FramesChanged(value);
    updateStatus();
}

void frmKrelin::hsTable_Change(int value)
{
    levelEditor->TableChanged(value);
    updateStatus();
}

void frmKrelin::cboRoomEditor_Click(int index)
{
    levelEditor->RoomChosen(cboRoomEditor->itemText(index));
}

} // namespace krelin
