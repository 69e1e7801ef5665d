#pragma once

#include "widgets/PictureSurface.h"

#include <QMainWindow>
#include <QPointF>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollBar;
class QSettings;
class QSystemTrayIcon;
class QToolBar;
class QUrl;

namespace krelin {

class Desktop;
class EditHistory;
class EmulatorDialog;
class EmulatorRun;
class LevelEditor;
class MainStatusBar;
class frmAbout;
class frmPalEditor;
class frmTileEditor;
class modKrelin;
struct Stage;
class ExportMenu;
class RecentFiles;

// The main window: menus, the level map, the metatile table with its preview, the frame
// and page scroll bars, the room box and the tray icon. Its handlers forward the editing
// work to LevelEditor and the file work to the model's file functions.
class frmKrelin : public QMainWindow
{
    Q_OBJECT

public:
    // The recent-files list is kept in settings; without them it lasts for the session only.
    frmKrelin(modKrelin &model, Desktop &desktop, const QString &programFolder, QSettings *settings = nullptr,
              QWidget *parent = nullptr);
    ~frmKrelin() override;

    // Opens a cartridge image as File > Open does once a file is chosen: first the
    // unsaved-changes question, then the file. Returns false, changing nothing, when the
    // user cancels or the file is refused (the user has been told why).
    bool OpenRom(const QString &path);

    // The one decision before the image is left behind (quitting by any way, opening
    // another image): with unsaved changes, asks whether to save them. True when the
    // program may go on: nothing unsaved, saved, or discarded; false when the user
    // cancelled or the save failed, and then everything stays as it was.
    bool maybeSave();

    LevelEditor &editor() { return *levelEditor; }
    EditHistory &history() { return *editHistory; }
    QString dialogStart() const { return lastChosenFile; }

    // ---- controls ------------------------------------------------------------------------
    PictureSurface *picEditor;
    QScrollBar *hLevel_Frames;
    PictureSurface *picTile;
    QScrollBar *hsTable;
    PictureSurface *picSelectedTile;
    QPushButton *cmdEditTile;
    QComboBox *cboRoomEditor;
    QSystemTrayIcon *TrayIcon;
    MainStatusBar *sbStatus;

    // ---- menus ---------------------------------------------------------------------------
    QMenu *mnuTrayIconRight;
    QAction *mnuTrayIconRight_Restore;
    QAction *mnuTrayIconRight_Filler1;
    QAction *mnuTrayIconRight_Quit;
    QMenu *mnuFile;
    QAction *mnuOpenRom;
    QAction *mnuSaveRom;
    QAction *mnuSaveRomAs;
    ExportMenu *mnuExport;
    RecentFiles *mnuRecentFiles;
    QAction *mnuCreatePatch;
    QAction *mnuApplyPatch;
    QAction *mnuFile_Quit;
    QMenu *mnuEdit;
    QAction *mnuUndo;
    QAction *mnuRedo;
    QAction *mnuHistory;
    QAction *mnuRefresh;
    QAction *mnuEditPalette;
    QMenu *mnuEdit_Level;
    std::array<QAction *, 12> mnuEdit_Level_Stage; // mnuEdit_Level_1A ... mnuEdit_Level_7
    QAction *mnuTileEditor;
    QAction *mnuShowUses;
    QMenu *mnuTools;
    QAction *mnuRunInEmulator;
    QAction *mnuEmulator;
    QMenu *mnuHelp;
    QAction *mnuAbout;
    QMenu *mnuWeb;
    QAction *mnuNavVelquin;
    QAction *mnuNavKrelinPage;
    QAction *mnuNavNesdevWiki;
    QAction *mnuNavEmailAuthor;

    // Keys that step through frames (Page Up / Page Down) and table pages (with Ctrl).
    QAction *actPreviousFrame;
    QAction *actNextFrame;
    QAction *actPreviousPage;
    QAction *actNextPage;

    QPointer<frmAbout> aboutBox;
    QPointer<frmPalEditor> palEditor; // made on first use, gone once closed
    QPointer<frmTileEditor> tileEditor; // created on first use, deleted when closed
    QPointer<QWidget> historyWindow;
    QPointer<EmulatorDialog> emulatorDialog; // open while it is on the screen

    // The line under the map that says where the selected metatile is used (Show Uses).
    QToolBar *tbUses;
    QLabel *lblUses;

    // ---- handlers ------------------------------------------------------------------------
    void mnuOpenRom_Click();
    // Both return whether the image was written.
    bool mnuSaveRom_Click();
    bool mnuSaveRomAs_Click();
    void mnuFile_Quit_Click();
    void mnuHistory_Click();
    void mnuRefresh_Click();
    // Stage selection: index into the stage table (0 = 1A ... 11 = 7). Returns false,
    // changing nothing, when the open image is too short for the stage.
    bool mnuEdit_Level_Click(int stageIndex);
    void mnuAbout_Click();
    void mnuEditPalette_Click();
    void cmdEditTile_Click();
    void mnuTileEditor_Click();
    // Patches (frmKrelinPatches.cpp). Create Patch returns whether a patch was written,
    // Apply Patch whether the image changed.
    bool mnuCreatePatch_Click();
    bool mnuApplyPatch_Click();
    // Test runs in an emulator (frmKrelinTools.cpp). Run in Emulator without a command
    // set opens the Emulator dialog first and runs once it is accepted.
    void mnuRunInEmulator_Click();
    void mnuEmulator_Click();
    // Edit > Show Uses (frmKrelinSharing.cpp).
    void mnuShowUses_Click(bool on);
    void mnuTrayIconRight_Restore_Click();
    void mnuTrayIconRight_Quit_Click();
    void TrayIcon_Activated();
    // Sets up the tray pop-up menu for the window's state, as right before it opens.
    void TrayIcon_PrepareMenu();
    void hLevel_Frames_Change(int value);
    void hsTable_Change(int value);
    void cboRoomEditor_Click(int index);
    // Move the frame or the table page by steps (negative: back), as far as they go.
    void stepFrame(int steps);
    void stepPage(int steps);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    void createEditHistoryCommands();
    // Opens the file without asking about unsaved changes.
    bool openFile(const QString &path);
    // Quits when maybeSave() allows it.
    void quitIfAllowed();
    // Ends the program once leaving has been decided.
    void leaveProgram();
    void createControls();
    void createDesktopParts(QSettings *settings);
    void createTray();
    // The status bar, the wheel and the stepping keys, and the room box's following of
    // the frame on screen (frmKrelinNavigation.cpp).
    void connectNavigation();
    // File > Create Patch and Apply Patch (frmKrelinPatches.cpp), the Tools menu
    // (frmKrelinTools.cpp), Edit > Show Uses and the room box's note of the stages that
    // share its byte (frmKrelinSharing.cpp).
    void createPatchCommands();
    // The emulator command is kept in settings; without them it lasts for the session only.
    void createToolsMenu(QSettings *settings);
    QString emulatorCommand() const;
    void setEmulatorCommand(const QString &command);
    void connectSharing();
    // After a step that rewrote the whole image: when the image no longer holds the
    // stage shown, takes the stage off the window as opening such an image does and
    // returns false.
    bool keepStageIfHeld();
    void showUses();
    void showRoomSharing();
    // Starts the emulator on the image as a save would write it.
    void runInEmulator(const QString &command);
    // Opens the Emulator dialog; then() runs once it is accepted with the command kept.
    void editEmulatorCommand(const std::function<void()> &then);
    void LoadMasterPalette();
    void ResetStage();
    void LoadFrameRooms();
    frmTileEditor &TileEditorWindow();
    void wireTileEditor();
    // Takes the chosen stage off the window when the open image cannot hold it.
    void dropStage();
    // Selects the room box entry of the room that the image gives the current frame.
    void showRoomOfFrame();
    void updateStatus();
    void openLink(const QUrl &url);
    // A warning box over this window. One raised while the window is on its way to the
    // screen waits until it is there, so that it opens over it, not in a corner.
    void warn(const QString &text);
    void showPendingWarnings();
    bool SaveTo(const QString &path);
    void setCaptionFor(const QString &path);
    void showBusy(bool busy);
    bool isMinimisedToTray() const;

    modKrelin &model;
    Desktop &desktop;
    QString programFolder;
    QString lastChosenFile;
    EditHistory *editHistory;
    LevelEditor *levelEditor;
    int currentStage = -1; // index into the stage table, -1 while no stage is shown
    bool restoring = false; // a restore from the tray is under way
    bool leaving = false;   // quitting has been decided: the close that follows asks nothing

    // Which surface the pointer is over, for the status bar, and where on it it was
    // last seen, to frame its cell again after the view was drawn afresh under it.
    enum class Pointer { None, Map, Table };
    Pointer pointerOver = Pointer::None;
    QPointF lastPoint;

    bool onScreen = false; // the window has been on the screen
    std::unique_ptr<EmulatorRun> emulatorRun; // made on the first run
    QSettings *emulatorSettings = nullptr;
    QString sessionEmulatorCommand; // the command while there are no settings to keep it in
    QStringList pendingWarnings;
};

} // namespace krelin
