#pragma once

// The main window's controls and parts, found as a user finds them: by their names
// (objectName) and kinds, never through the window's members. A test writes
// Controls(window).picEditor, Controls(window).mnuEdit_Level_Click(3) and so on.

#include "paleditor/frmPalEditor.h"
#include "tileeditor/frmTileEditor.h"
#include "ui/EmulatorCommands.h"
#include "ui/EmulatorDialog.h"
#include "ui/ExportMenu.h"
#include "ui/FileSession.h"
#include "ui/MainStatusBar.h"
#include "ui/Navigation.h"
#include "ui/PatchCommands.h"
#include "ui/PatchPreviewDialog.h"
#include "ui/PreferencesDialog.h"
#include "ui/RecentFiles.h"
#include "ui/ShowUses.h"
#include "ui/TileSheetCommands.h"
#include "ui/ToolWindows.h"
#include "ui/frmAbout.h"
#include "ui/frmKrelin.h"
#include "core/Preferences.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QToolBar>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace krelin::testing {

// The child of parent named name, of kind T. A test that asks for a child that is not
// there stops at once with the name, instead of failing later on a null pointer.
template<class T>
T *NamedChild(const QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found) {
        std::fprintf(stderr, "the window has no %s\n", name);
        std::abort();
    }
    return found;
}

// The one child of parent of kind T (a part of the main window).
template<class T>
T &Part(const QObject *parent)
{
    T *found = parent->findChild<T *>();
    if (!found) {
        std::fprintf(stderr, "the window has no part %s\n", T::staticMetaObject.className());
        std::abort();
    }
    return *found;
}

// A pointer event at position (widget coordinates, fractions and places outside it
// allowed) sent to a surface as the window system delivers it: the left button for a
// press or a release.
inline void SendPointer(QWidget *surface, QEvent::Type type, const QPointF &position)
{
    const QPointF inWindow = surface->mapTo(surface->window(), position);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, position, inWindow, surface->mapToGlobal(position), button, held, Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

struct Controls
{
    explicit Controls(const frmKrelin *window)
        : window(window)
    {
    }
    explicit Controls(const frmKrelin &window)
        : Controls(&window)
    {
    }
    explicit Controls(const std::unique_ptr<frmKrelin> &window)
        : Controls(window.get())
    {
    }

    const frmKrelin *window;

    template<class T>
    T *named(const char *name) const
    {
        return NamedChild<T>(window, name);
    }

    // ---- the client area and the status bar ----------------------------------------------
    PictureSurface *picEditor = named<PictureSurface>("picEditor");
    QScrollBar *hLevel_Frames = named<QScrollBar>("hLevel_Frames");
    PictureSurface *picTile = named<PictureSurface>("picTile");
    QScrollBar *hsTable = named<QScrollBar>("hsTable");
    PictureSurface *picSelectedTile = named<PictureSurface>("picSelectedTile");
    QPushButton *cmdEditTile = named<QPushButton>("cmdEditTile");
    QComboBox *cboRoomEditor = named<QComboBox>("cboRoomEditor");
    MainStatusBar *sbStatus = named<MainStatusBar>("statusBar");
    QSystemTrayIcon *TrayIcon = named<QSystemTrayIcon>("TrayIcon");
    QToolBar *tbUses = named<QToolBar>("tbUses");
    QLabel *lblUses = named<QLabel>("lblUses");

    // ---- menus ---------------------------------------------------------------------------
    QMenu *mnuTrayIconRight = named<QMenu>("mnuTrayIconRight");
    QAction *mnuTrayIconRight_Restore = named<QAction>("mnuTrayIconRight_Restore");
    QAction *mnuTrayIconRight_Quit = named<QAction>("mnuTrayIconRight_Quit");
    QMenu *mnuFile = named<QMenu>("mnuFile");
    QAction *mnuOpenRom = named<QAction>("mnuOpenRom");
    QAction *mnuSaveRom = named<QAction>("mnuSaveRom");
    QAction *mnuSaveRomAs = named<QAction>("mnuSaveRomAs");
    ExportMenu *mnuExport = named<ExportMenu>("mnuExport");
    RecentFiles *mnuRecentFiles = named<RecentFiles>("mnuRecentFiles");
    QAction *mnuCreatePatch = named<QAction>("mnuCreatePatch");
    QAction *mnuApplyPatch = named<QAction>("mnuApplyPatch");
    QAction *mnuExportTiles = named<QAction>("mnuExportTiles");
    QAction *mnuImportTiles = named<QAction>("mnuImportTiles");
    QAction *mnuFile_Quit = named<QAction>("mnuFile_Quit");
    QMenu *mnuEdit = named<QMenu>("mnuEdit");
    QAction *mnuUndo = named<QAction>("mnuUndo");
    QAction *mnuRedo = named<QAction>("mnuRedo");
    QAction *mnuHistory = named<QAction>("mnuHistory");
    QAction *mnuRefresh = named<QAction>("mnuRefresh");
    QAction *mnuEditPalette = named<QAction>("mnuEditPalette");
    QMenu *mnuEdit_Level = named<QMenu>("mnuEdit_Level");
    std::array<QAction *, 12> mnuEdit_Level_Stage = Part<Navigation>(window).mnuEdit_Level_Stage;
    QAction *mnuTileEditor = named<QAction>("mnuTileEditor");
    QAction *mnuShowUses = named<QAction>("mnuShowUses");
    QAction *mnuPreferences = named<QAction>("mnuPreferences");
    QMenu *mnuTools = named<QMenu>("mnuTools");
    QAction *mnuRunInEmulator = named<QAction>("mnuRunInEmulator");
    QAction *mnuEmulator = named<QAction>("mnuEmulator");
    QMenu *mnuHelp = named<QMenu>("mnuHelp");
    QAction *mnuAbout = named<QAction>("mnuAbout");
    QMenu *mnuWeb = named<QMenu>("mnuWeb");
    QAction *mnuNavVelquin = named<QAction>("mnuNavVelquin");
    QAction *mnuNavKrelinPage = named<QAction>("mnuNavKrelinPage");
    QAction *mnuNavNesdevWiki = named<QAction>("mnuNavNesdevWiki");
    QAction *mnuNavEmailAuthor = named<QAction>("mnuNavEmailAuthor");

    // ---- the windows it opens, while they are open (else nullptr) ---------------------------
    frmAbout *aboutBox = window->findChild<frmAbout *>();
    frmPalEditor *palEditor = window->findChild<frmPalEditor *>();
    frmTileEditor *tileEditor = window->findChild<frmTileEditor *>();
    QWidget *historyWindow = window->findChild<QWidget *>(QStringLiteral("frmHistory"));
    EmulatorDialog *emulatorDialog = window->findChild<EmulatorDialog *>();
    PreferencesDialog *preferencesDialog = window->findChild<PreferencesDialog *>();

    // The patch preview showing now (one closed earlier may wait to be deleted), or nullptr.
    PatchPreviewDialog *patchPreview() const
    {
        for (PatchPreviewDialog *dialog : window->findChildren<PatchPreviewDialog *>())
            if (dialog->isVisible())
                return dialog;
        return nullptr;
    }

    // ---- the parts and their handlers ------------------------------------------------------
    LevelEditor &editor() const { return Part<LevelEditor>(window); }
    MapTools &mapTools() const { return Part<MapTools>(window); }
    EditHistory &history() const { return Part<EditHistory>(window); }
    FileSession &files() const { return Part<FileSession>(window); }
    Navigation &navigation() const { return Part<Navigation>(window); }
    ToolWindows &tools() const { return Part<ToolWindows>(window); }
    Preferences &preferences() const { return Part<Preferences>(window); }

    QString dialogStart() const { return files().dialogStart(); }
    bool maybeSave() const { return files().maybeSave(); }
    void mnuOpenRom_Click() const { files().mnuOpenRom_Click(); }
    bool mnuSaveRom_Click() const { return files().mnuSaveRom_Click(); }
    bool mnuSaveRomAs_Click() const { return files().mnuSaveRomAs_Click(); }
    void mnuFile_Quit_Click() const { files().mnuFile_Quit_Click(); }
    bool mnuEdit_Level_Click(int stage) const { return navigation().mnuEdit_Level_Click(stage); }
    void mnuRefresh_Click() const { navigation().mnuRefresh_Click(); }
    void stepFrame(int steps) const { navigation().stepFrame(steps); }
    void stepPage(int steps) const { navigation().stepPage(steps); }
    bool mnuCreatePatch_Click() const { return Part<PatchCommands>(window).mnuCreatePatch_Click(); }
    // Apply Patch as a user who says Apply to what it shows; whether a step was made.
    bool mnuApplyPatch_Click() const
    {
        const int before = history().stack().index();
        if (Part<PatchCommands>(window).mnuApplyPatch_Click()) {
            PatchPreviewDialog *preview = patchPreview();
            if (preview && !preview->cmdApply->isHidden())
                preview->cmdApply->click();
            else if (preview)
                preview->reject();
        }
        return history().stack().index() > before;
    }
    void mnuRunInEmulator_Click() const { Part<EmulatorCommands>(window).mnuRunInEmulator_Click(); }
    void mnuEmulator_Click() const { Part<EmulatorCommands>(window).mnuEmulator_Click(); }
    void mnuShowUses_Click(bool on) const { Part<ShowUses>(window).mnuShowUses_Click(on); }
    void mnuEditPalette_Click() const { tools().mnuEditPalette_Click(); }
    void cmdEditTile_Click() const { tools().cmdEditTile_Click(); }
    void mnuTileEditor_Click() const { tools().mnuTileEditor_Click(); }
    void mnuHistory_Click() const { tools().mnuHistory_Click(); }
};

} // namespace krelin::testing
