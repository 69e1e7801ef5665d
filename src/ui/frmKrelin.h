#pragma once

#include "widgets/PictureSurface.h"

#include <QMainWindow>
#include <QPointer>

#include <array>

class QAction;
class QComboBox;
class QMenu;
class QPushButton;
class QScrollBar;
class QSettings;
class QSystemTrayIcon;

namespace krelin {

class Desktop;
class LevelEditor;
class frmAbout;
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

    // Opens a cartridge image as File > Open does once a file is chosen. Returns false,
    // changing nothing, when the file is refused (the user has been told why).
    bool OpenRom(const QString &path);

    LevelEditor &editor() { return *levelEditor; }
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
    QAction *mnuFile_Quit;
    QMenu *mnuEdit;
    QAction *mnuRefresh;
    QAction *mnuEditPalette;
    QMenu *mnuEdit_Level;
    std::array<QAction *, 12> mnuEdit_Level_Stage; // mnuEdit_Level_1A ... mnuEdit_Level_7
    QAction *mnuTileEditor;
    QMenu *mnuHelp;
    QAction *mnuAbout;
    QMenu *mnuWeb;
    QAction *mnuNavVelquin;
    QAction *mnuNavKrelinPage;
    QAction *mnuNavNesdevWiki;
    QAction *mnuNavEmailAuthor;

    QPointer<frmAbout> aboutBox;

    // ---- handlers ------------------------------------------------------------------------
    void mnuOpenRom_Click();
    void mnuSaveRom_Click();
    void mnuSaveRomAs_Click();
    void mnuFile_Quit_Click();
    void mnuRefresh_Click();
    // Stage selection: index into the stage table (0 = 1A ... 11 = 7). Returns false,
    // changing nothing, when the open image is too short for the stage.
    bool mnuEdit_Level_Click(int stageIndex);
    void mnuAbout_Click();
    void mnuTrayIconRight_Restore_Click();
    void mnuTrayIconRight_Quit_Click();
    void TrayIcon_Activated();
    // Sets up the tray pop-up menu for the window's state, as right before it opens.
    void TrayIcon_PrepareMenu();
    void hLevel_Frames_Change(int value);
    void hsTable_Change(int value);
    void cboRoomEditor_Click(int index);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createMenus();
    void createControls();
    void createDesktopParts(QSettings *settings);
    void createTray();
    void LoadMasterPalette();
    void ResetStage();
    void LoadFrameRooms();
    bool SaveTo(const QString &path);
    void setCaptionFor(const QString &path);
    void showBusy(bool busy);
    bool isMinimisedToTray() const;

    modKrelin &model;
    Desktop &desktop;
    QString programFolder;
    QString lastChosenFile;
    LevelEditor *levelEditor;
    int currentStage = -1; // index into the stage table, -1 before the first choice
    bool restoring = false; // a restore from the tray is under way
};

} // namespace krelin
