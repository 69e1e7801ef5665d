#pragma once

#include <QList>
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
class Preferences;
class frmPalEditor;
class frmTileEditor;
class modKrelin;

// The main window's tool windows: the palette editor (Edit > Palette), the tile editor
// (Edit > Tile Editor and the Edit Tile button) and the history (Edit > History). Each is
// made on first use and gone once closed. They belong to the main window: they stay above
// it, go when it is minimised (or hides in the tray) and come back with it. The tool
// windows follow the model on their own; this part places them, tells them which metatile
// to show, and connects what they announce to the main window's two waits, which the
// preferences may turn off.
class ToolWindows : public QObject
{
    Q_OBJECT

public:
    ToolWindows(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop,
                Preferences &preferences, QPushButton *cmdEditTile, QWidget *mapSurface, QMainWindow *window);

    QAction *mnuEditPalette;
    QAction *mnuTileEditor;
    QAction *mnuHistory;

    void mnuEditPalette_Click();
    // Opens the palette editor and asks it to show palette entry e (0..15).
    void showPaletteEntry(int entry);
    void cmdEditTile_Click();
    void mnuTileEditor_Click();
    void mnuHistory_Click();

    // Another part's tool window (the player): it goes and comes with the main window too.
    void adopt(QWidget *toolWindow);

    // The program is leaving, or the stage was taken off: the tool windows go without
    // their own close handling (the tile editor's notice would hold the way out).
    void closeAll();

signals:
    // The tile editor is to show this metatile.
    void metaTileToEdit(int metaTile);
    // The palette editor is to show this palette entry.
    void paletteEntryToShow(int entry);
    // The tool windows come back with the main window, which then gets the activation.
    void restoring(QWidget *mainWindow);
    // A tool window was made (the tile editor, each time it opens): its keys go on it.
    void toolWindowMade(QWidget *window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    frmTileEditor &tileEditorWindow();
    QList<QWidget *> toolWindows() const;
    // The main window was minimised: its tool windows go with it.
    void hideWithWindow();
    // The main window is back: so are the tool windows that went with it.
    void showWithWindow();

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;
    Desktop &desktop;
    Preferences &preferences;
    QPushButton *cmdEditTile;
    QWidget *mapSurface;
    QMainWindow *window;
    QPointer<frmPalEditor> palEditor;
    QPointer<frmTileEditor> tileEditor;
    QPointer<QWidget> historyWindow;
    QList<QPointer<QWidget>> hiddenWithWindow;
    QList<QPointer<QWidget>> adopted;
};

} // namespace krelin
