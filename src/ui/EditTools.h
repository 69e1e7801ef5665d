#pragma once

#include "views/MapTools.h"

#include <QObject>
#include <QPointer>

class QAction;
class QActionGroup;
class QLabel;
class QMainWindow;
class QMenu;
class QScrollBar;
class QToolBar;

namespace krelin {

class EditHistory;
class LevelEditor;
class MainStatusBar;
class Navigation;
class PictureSurface;
class ReplaceDialog;
class modKrelin;

// The main window's part for editing many cells at once: the level map's tools (Place,
// Paint, Fill) in the tool bar above the client area, in Edit > Tools and in the status
// bar; Select All, Copy, Paste and Delete; Replace Metatile; Escape. It also shows the
// frame (and stage) that an undo or a redo changed, so the user sees what came back, and
// says how many stages it changed when there were several.
class EditTools : public QObject
{
    Q_OBJECT

public:
    struct Controls
    {
        PictureSurface *picEditor;
        PictureSurface *picTile;
        QScrollBar *hLevel_Frames;
        QScrollBar *hsTable;
    };
    EditTools(modKrelin &model, EditHistory &history, LevelEditor &editor, Navigation &navigation,
              const Controls &controls, MainStatusBar *status, QMainWindow *window);

    MapTools &tools() { return *mapTools; }

    QAction *mnuSelectAll;
    QAction *mnuCopy;
    QAction *mnuPaste;
    QAction *mnuDeleteCells;
    QAction *mnuReplaceMetaTile;
    QAction *mnuToolPlace;
    QAction *mnuToolPaint;
    QAction *mnuToolFill;
    QAction *actEscape;
    QMenu *mnuEdit_Tools;
    QToolBar *tbTools;
    QLabel *lblTool;

    void mnuSelectAll_Click();
    void mnuCopy_Click();
    void mnuPaste_Click();
    void mnuDeleteCells_Click();
    // Opens the Replace Metatile dialog (or brings it forward), the selected metatile as
    // the one to replace.
    void mnuReplaceMetaTile_Click();
    void actEscape_Click();

signals:
    void warning(const QString &text);
    // A moment's note for the status bar: an undo or a redo that changed several stages.
    void statusMessage(const QString &text);

private:
    void showTool();
    void updateEnabled();
    void showStep(const EditPlace &place, bool undone);

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;
    Navigation &navigation;
    Controls controls;
    QMainWindow *window;
    MapTools *mapTools;
    QActionGroup *toolGroup;
    QPointer<ReplaceDialog> replaceDialog;
};

} // namespace krelin
