#include "frmKrelin.h"

#include "ExportMenu.h"
#include "FileDrop.h"
#include "RecentFiles.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"
#include "Links.h"
#include "frmAbout.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/LevelEditor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTimer>

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
    createMenus();
    createControls();
    createDesktopParts(settings);

    levelEditor = new LevelEditor(model, picEditor->image(), picTile->image(), picSelectedTile->image(), this);
    connect(levelEditor, &LevelEditor::refreshSurface, this, [this](Surface surface) {
        switch (surface) {
        case Surface::Editor: picEditor->Refresh(); break;
        case Surface::Table: picTile->Refresh(); break;
        case Surface::Selected: picSelectedTile->Refresh(); break;
        }
    });
    connect(levelEditor, &LevelEditor::busyChanged, this, &frmKrelin::showBusy);
    connect(levelEditor, &LevelEditor::tableDrawn, this, [this] { cmdEditTile->setEnabled(true); });

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
    mnuSaveRom->setEnabled(false);
    mnuSaveRomAs->setEnabled(false);
    connect(mnuOpenRom, &QAction::triggered, this, &frmKrelin::mnuOpenRom_Click);
    connect(mnuSaveRom, &QAction::triggered, this, &frmKrelin::mnuSaveRom_Click);
    connect(mnuSaveRomAs, &QAction::triggered, this, &frmKrelin::mnuSaveRomAs_Click);
    connect(mnuFile_Quit, &QAction::triggered, this, &frmKrelin::mnuFile_Quit_Click);

    mnuEdit = bar->addMenu(QStringLiteral("&Edit"));
    mnuEdit->setObjectName(QStringLiteral("mnuEdit"));
    mnuEdit->menuAction()->setEnabled(false);
    // Refresh is never shown: the editor windows call it once they have changed the image.
    mnuRefresh = addCommand(mnuEdit, "mnuRefresh", QStringLiteral("&Refresh"), QKeySequence(Qt::Key_F5));
    mnuRefresh->setVisible(false);
    mnuRefresh->setEnabled(false);
    mnuEditPalette =
        addCommand(mnuEdit, "mnuEditPalette", QStringLiteral("&Palette"), QKeySequence(Qt::CTRL | Qt::Key_P));
    mnuEditPalette->setEnabled(false);
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
    connect(mnuNavVelquin, &QAction::triggered, this, [this] { this->desktop.openUrl(VelquinUrl); });
    connect(mnuNavKrelinPage, &QAction::triggered, this, [this] { this->desktop.openUrl(KrelinPageUrl); });
    connect(mnuNavNesdevWiki, &QAction::triggered, this, [this] { this->desktop.openUrl(NesdevWikiUrl); });
    connect(mnuNavEmailAuthor, &QAction::triggered, this, [this] { this->desktop.openUrl(AuthorMailUrl()); });
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
    const QString problem = krelin::LoadMasterPalette(model, programFolder);
    if (!problem.isEmpty())
        desktop.showMessage(this, ProgramCaption(), problem, Desktop::Icon::Warning);
}

// ---- files ---------------------------------------------------------------------------------

void frmKrelin::setCaptionFor(const QString &path)
{
    setWindowTitle(ProgramCaption() + QStringLiteral(" - ") + QFileInfo(path).fileName().toUpper());
}

bool frmKrelin::OpenRom(const QString &path)
{
    RomReadResult result = ReadRomFile(path);
    if (!result.ok()) {
        desktop.showMessage(this, ProgramCaption(), result.error, Desktop::Icon::Warning);
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
    // The chosen stage stays chosen and its views keep the old picture until redrawn; say
    // so when the new image cannot hold that stage's data.
    if (currentStage >= 0) {
        const QString problem = StageFitProblem(StageTable[currentStage], model.romSize());
        if (!problem.isEmpty())
            desktop.showMessage(this, ProgramCaption(),
                                problem + QStringLiteral("\n\nChoose a stage that this image holds."),
                                Desktop::Icon::Warning);
    }
    return true;
}

void frmKrelin::mnuOpenRom_Click()
{
    const QString start = lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
    const QString path = desktop.getOpenFileName(this, QStringLiteral("Open"), start, RomFilter);
    if (path.isEmpty())
        return;
    OpenRom(path);
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
    model.markSaved();
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

void frmKrelin::mnuSaveRom_Click()
{
    const bool fixedUp = ApplySaveFixUp(model);
    if (SaveTo(model.RomFileName) && !fixedUp)
        desktop.showMessage(this, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
}

void frmKrelin::mnuSaveRomAs_Click()
{
    // The fix-up comes first: it stays in the image even if the dialog is cancelled.
    const bool fixedUp = ApplySaveFixUp(model);
    const QString start = lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
    const QString path = desktop.getSaveFileName(this, QStringLiteral("Save As"), start, RomFilter);
    if (path.isEmpty())
        return;
    lastChosenFile = path;
    if (!SaveTo(path))
        return;
    model.RomFileName = QFileInfo(path).absoluteFilePath();
    setCaptionFor(path);
    if (!fixedUp)
        desktop.showMessage(this, ProgramCaption(), noFixUpNotice(model.romSize()), Desktop::Icon::Information);
}

// ---- quitting, minimising and the tray -------------------------------------------------------

void frmKrelin::mnuFile_Quit_Click()
{
    desktop.quit();
}

void frmKrelin::mnuTrayIconRight_Quit_Click()
{
    desktop.quit();
}

void frmKrelin::closeEvent(QCloseEvent *event)
{
    event->accept();
    desktop.quit();
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
    aboutBox->show();
    aboutBox->raise();
    aboutBox->activateWindow();
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
    return true;
}

void frmKrelin::mnuRefresh_Click()
{
    levelEditor->Refresh();
}

void frmKrelin::hLevel_Frames_Change(int value)
{
    levelEditor->FramesChanged(value);
}

void frmKrelin::hsTable_Change(int value)
{
    levelEditor->TableChanged(value);
}

void frmKrelin::cboRoomEditor_Click(int index)
{
    levelEditor->RoomChosen(cboRoomEditor->itemText(index));
}

} // namespace krelin
