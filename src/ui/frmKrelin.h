#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class QComboBox;
class QMenu;
class QPushButton;
class QScrollBar;
class QSettings;
class QSystemTrayIcon;
class QUrl;

namespace krelin {

class Desktop;
class EditHistory;
class FileSession;
class KeyboardShortcuts;
class Preferences;
class RecoveryOffer;
class LevelEditor;
class PictureSurface;
class frmAbout;
class modKrelin;

// The main window: the level map, the metatile table with its preview, the frame and page
// scroll bars, the room box, the menus, the status bar and the tray icon. It is built of
// small parts, each a QObject with its own actions that talks through signals: the file
// session, patches, the emulator, export, navigation, Show Uses, the tool windows and the
// status bar. This class lays out the controls and connects the parts.
//
// Every control carries its name as its objectName (picEditor, hLevel_Frames, mnuOpenRom
// ...): tests and the parts find them with findChild.
class frmKrelin : public QMainWindow
{
    Q_OBJECT

public:
    // The recent files and the emulator command are kept in settings; without them they
    // last for the session only.
    frmKrelin(modKrelin &model, Desktop &desktop, const QString &programFolder, QSettings *settings = nullptr,
              QWidget *parent = nullptr);
    ~frmKrelin() override;

    // Opens a cartridge image as File > Open does once a file is chosen: first the
    // unsaved-changes question, then the file. Returns false, changing nothing, when the
    // user cancels or the file is refused (the user has been told why).
    bool OpenRom(const QString &path);
    // On start: offers back the unsaved work of sessions that ended unexpectedly, then opens
    // path (a file named on the command line, or nothing) unless work was recovered.
    void OpenAtStart(const QString &path);
    // Ends the program at once, asking nothing: the system asked it to end. Unsaved changes
    // stay in the journal, offered back on the next start.
    void QuitWithoutAsking();

    // ---- the window's own handlers ---------------------------------------------------------
    void mnuAbout_Click();
    void mnuTrayIconRight_Restore_Click();
    void mnuTrayIconRight_Quit_Click();
    void TrayIcon_Activated();
    // Sets up the tray pop-up menu for the window's state, as right before it opens.
    void TrayIcon_PrepareMenu();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createParts(QSettings *settings);
    void createMenus();
    void createTray();
    void LoadMasterPalette();
    void openLink(const QUrl &url);
    // A warning box over this window. One raised while the window is on its way to the
    // screen waits until it is there, so that it opens over it, not in a corner.
    void warn(const QString &text);
    void showPendingWarnings();
    void showBusy(bool busy);
    bool isMinimisedToTray() const;

    modKrelin &model;
    Desktop &desktop;
    QString programFolder;
    EditHistory *editHistory;
    LevelEditor *levelEditor = nullptr;
    FileSession *files = nullptr;
    RecoveryOffer *recovery = nullptr;

    // The client area's controls.
    PictureSurface *picEditor;
    QScrollBar *hLevel_Frames;
    PictureSurface *picTile;
    QScrollBar *hsTable;
    PictureSurface *picSelectedTile;
    QPushButton *cmdEditTile;
    QComboBox *cboRoomEditor;

    QMenu *mnuTrayIconRight;
    QAction *mnuTrayIconRight_Restore;
    QAction *mnuTrayIconRight_Filler1;
    QSystemTrayIcon *TrayIcon;
    QPointer<frmAbout> aboutBox;

    bool restoring = false; // a restore from the tray is under way
    bool onScreen = false;  // the window has been on the screen
    QStringList pendingWarnings;
    Preferences *preferences = nullptr;
    KeyboardShortcuts *shortcuts = nullptr;
};

} // namespace krelin
