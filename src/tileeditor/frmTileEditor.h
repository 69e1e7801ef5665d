#pragma once

#include "core/TileTransforms.h"
#include "edit/EditCommands.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QButtonGroup;
class QComboBox;
class QLabel;
class QMenuBar;
class QRadioButton;
class QScrollBar;
class QSpinBox;
class QWindow;

namespace krelin {

class ColorSwatch;
class Desktop;
class EditGestures;
class HexSpinBox;
class LeavingNotice;
class PictureSurface;
class EditHistory;
class Preferences;
struct TileColors16;
class modKrelin;
struct Stage;

// The tile editor: one metatile of the current stage at a time, its 2x2 composite with a
// scroll bar and a hexadecimal spin box per quadrant for the quadrant's tile number, one
// of its tiles enlarged as a grid of pixels to paint, the four colours of its sub-palette
// to paint with, an option per sub-palette, and the stage's 256 tiles as a sheet to pick
// a quadrant's tile from. Every change is written into the image at once, as a step of
// history.
//
// The window follows the model: whoever changes the image (this window, an undo, a patch,
// another window), the change reaches it through the model's signals, and it repaints what
// the change touches (a painted pixel: that pixel's blocks). It follows the stage chosen
// and the colours the main window resolves.
//
// The window tells the main window of its use with signals: editingStarted() when it
// becomes the program's active window, and refreshWanted() when the user leaves it for
// another window of the program, or closes it, after a notice. Its owner connects them.
class frmTileEditor : public QWidget
{
    Q_OBJECT

public:
    // Edits become steps of history, on the image of its model. Without preferences the
    // notice is always shown and the pixel lines are on.
    frmTileEditor(EditHistory &history, Desktop &desktop, QWidget *parent = nullptr,
                  Preferences *preferences = nullptr);
    ~frmTileEditor() override;

    // "Tile 00" ... "Tile FF": the selector's entry for metatile n.
    static QString MetaTileEntry(int n);

    // ---- controls ------------------------------------------------------------------------
    std::array<QScrollBar *, 4> hsSelector;
    std::array<HexSpinBox *, 4> spnTile; // the quadrants' tile numbers, typed in hexadecimal
    PictureSurface *pic16x16;
    std::array<QRadioButton *, 4> optPal;
    QComboBox *cboTile;
    PictureSurface *pic8x8Edit;
    std::array<ColorSwatch *, 4> picColorSelector;
    PictureSurface *picTileSheet;
    // Below the controls: the stages that share the tiles and the metatile table this
    // window edits, which its edits change too.
    QLabel *lblShared;

    QMenuBar *menuBar;
    QAction *mnuCopyTile;
    QAction *mnuPasteTile;
    QAction *mnuFlipHorizontally;
    QAction *mnuFlipVertically;
    QAction *mnuRotate;
    std::array<QAction *, 4> mnuColor; // keys 1 to 4
    QAction *mnuPixelGrid;

    // ---- state ---------------------------------------------------------------------------
    // The metatile the selector shows.
    int CurrentMetaTile() const;
    // The metatile of the last redraw: the one a sub-palette option writes to.
    int EditMetaTile() const { return editMetaTile; }
    // The quadrant the grid shows and a pixel press edits.
    int EditQuadrant() const { return editQuadrant; }
    // The drawing colour: the index of the swatch with the border.
    int DrawingColor() const;
    // The grid cell of the last pointer move, -1 where the pointer was off the grid.
    int PixelCol() const { return pixelCol; }
    int PixelRow() const { return pixelRow; }
    // The tile the sheet outlines: the one the quadrant in the grid uses; -1 when none.
    int OutlinedSheetTile() const { return sheetOutlined; }
    bool showsPixelGrid() const;

public slots:
    // Selects metatile n (0..255) and redraws, even when it is already selected.
    void ShowMetaTile(int n);
    // The program moves the activation to window (bringing windows back): the activations
    // until then are not the user's leaving or entering this window.
    void awaitActivationOf(QWidget *window);

public:
    // ---- handlers ------------------------------------------------------------------------
    // The redraw: the scroll bars and spin boxes, the composite, the grid, the swatches,
    // the option and the sheet's outline, all from the image as it now is. Writes nothing.
    void cboTile_Click();
    void hsSelector_Change(int index, int value);
    void spnTile_Change(int index, int value);
    void pic16x16_MouseMove(double x, double y);
    void pic16x16_Click();
    void pic8x8Edit_MouseMove(double x, double y);
    // A press paints the pixel of the last pointer move and starts a stroke: every pixel
    // the pointer crosses until the buttons are up is painted, all one step. With Ctrl it
    // picks the pixel's colour instead; with Shift it fills the pixel's area.
    void pic8x8Edit_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift = {});
    void pic8x8Edit_MouseUp();
    void picColorSelector_Click(int index);
    void optPal_Click(int index);
    void picTileSheet_MouseMove(double x, double y);
    // Puts the sheet's tile under the last pointer move into the quadrant in the grid.
    void picTileSheet_Click();
    void mnuCopyTile_Click();
    void mnuPasteTile_Click();
    void mnuTransform_Click(TileChange change);
    // The program's active window became now; nullptr when another application became
    // active. Leaving this window for another of the program's windows shows the notice
    // and asks for the refresh; leaving it for another application does not.
    void ActiveWindowChanged(QWindow *now);

signals:
    // The window became the program's active window: the user works in it from now on.
    void editingStarted();
    // The user left the window and dismissed its notice: the main window should show
    // what changed meanwhile.
    void refreshWanted();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls(QWidget *area);
    void createMenus();
    void connectControls();
    void showSharing();
    void Form_Load();
    // Writes a quadrant's tile number chosen with a scroll bar or a spin box.
    void setQuadrantTile(int index, int value, int gesture);
    // Repaints what a change of the image touches of the metatile shown and the sheet.
    void imageChanged(qint64 offset, qint64 length);
    // Repaints the pixels of tile t that differ from those drawn.
    bool repaintTile(int t, bool &composite, bool &grid);
    // Draws the sheet afresh when its colours, its stage or the image changed, and moves
    // its outline to the tile the grid shows.
    void redrawSheet();
    // Paints the stroke's pixels on the straight line of cells to (col, row).
    void continueStroke(int col, int row);
    const std::int32_t *shownColors() const;

    EditHistory &history;
    modKrelin &model;
    Desktop &desktop;
    Preferences *preferences;
    LeavingNotice *leaving;
    EditGestures *gestures;
    QButtonGroup *optPalGroup;

    const Stage *sharingShownFor = nullptr; // the stage lblShared names the sharers of
    int editMetaTile = 0;
    int editQuadrant = 0;
    int quadCol = 0, quadRow = 0;
    int pixelCol = -1, pixelRow = -1; // no press paints before the pointer was on the grid
    bool loadingSelectors = false;    // the redraw is setting the scroll bars and spin boxes

    // The stroke under way: its number for the history, and the cell it last reached
    // (which may lie off the grid, the pointer being held by the surface).
    bool stroking = false;
    int strokeSerial = 0;
    int strokeCol = 0, strokeRow = 0;

    // The sheet as drawn: the tiles' bytes (to repaint just the pixels a change alters;
    // empty while the tiles lie outside the image), the colours, the stage's tiles and
    // the outlined tile.
    std::vector<std::uint8_t> drawnTiles;
    std::array<std::int32_t, 4> sheetColors{};
    std::unique_ptr<TileColors16> sheetPrepared; // the same, ready for whole tiles
    qint64 sheetTilesAt = -1;
    bool sheetStale = true;
    int sheetOutlined = -1;
    int sheetPointer = -1; // the sheet's tile under the last pointer move
};

} // namespace krelin
