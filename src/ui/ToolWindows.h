#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QMainWindow;
class QPushButton;
class QWidget;

namespace krelin {

class Desktop;
class EditHistory;
class LevelEditor;
class frmPalEditor;
class frmTileEditor;
class modKrelin;

// The main window's tool windows: the palette editor (Edit > Palette), the tile editor
// (Edit > Tile Editor and the Edit Tile button) and the history (Edit > History). Each is
// made on first use and gone once closed. The tool windows follow the model on their own;
// this part places them, tells them which metatile to show, and connects what they
// announce to the main window's two waits.
class ToolWindows : public QObject
{
    Q_OBJECT

public:
    ToolWindows(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop,
                QPushButton *cmdEditTile, QWidget *mapSurface, QMainWindow *window);

    QAction *mnuEditPalette;
    QAction *mnuTileEditor;
    QAction *mnuHistory;

    void mnuEditPalette_Click();
    void cmdEditTile_Click();
    void mnuTileEditor_Click();
    void mnuHistory_Click();

    // The program is leaving, or the stage was taken off: the tool windows go without
    // their own close handling (the tile editor's notice would hold the way out).
    void closeAll();

signals:
    // The tile editor is to show this metatile.
    void metaTileToEdit(int metaTile);

private:
    frmTileEditor &tileEditorWindow();

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;
    Desktop &desktop;
    QPushButton *cmdEditTile;
    QWidget *mapSurface;
    QMainWindow *window;
    QPointer<frmPalEditor> palEditor;
    QPointer<frmTileEditor> tileEditor;
    QPointer<QWidget> historyWindow;
};

} // namespace krelin
