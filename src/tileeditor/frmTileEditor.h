#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>

class QButtonGroup;
class QComboBox;
class QLabel;
class QRadioButton;
class QScrollBar;
class QWindow;

namespace krelin {

class ColorSwatch;
class Desktop;
class PictureSurface;
class EditHistory;
class modKrelin;
struct Stage;

// The tile editor: one metatile of the current stage at a time, its 2x2 composite with a
// scroll bar per quadrant for the quadrant's tile number, one of its tiles enlarged as a
// grid of pixels to paint, the four colours of its sub-palette to paint with, and an
// option per sub-palette. Every change is written into the image at once.
//
// The window follows the model: whoever changes the image (this window, an undo, a patch,
// another window), the change reaches it through the model's signals, and it repaints what
// the change touches (a painted pixel: that pixel's block). It follows the stage chosen
// and the colours the main window resolves.
//
// The window tells the main window of its use with signals: editingStarted() when it
// becomes the program's active window, and refreshWanted() when the user leaves it for
// another window of the program, or closes it, after a notice. Its owner connects them.
class frmTileEditor : public QWidget
{
    Q_OBJECT

public:
    // Edits become steps of history, on the image of its model.
    frmTileEditor(EditHistory &history, Desktop &desktop, QWidget *parent = nullptr);
    ~frmTileEditor() override;

    // "Tile 00" ... "Tile FF": the selector's entry for metatile n.
    static QString MetaTileEntry(int n);

    // ---- controls ------------------------------------------------------------------------
    std::array<QScrollBar *, 4> hsSelector;
    PictureSurface *pic16x16;
    std::array<QRadioButton *, 4> optPal;
    QComboBox *cboTile;
    PictureSurface *pic8x8Edit;
    std::array<ColorSwatch *, 4> picColorSelector;
    // Below the controls: the stages that share the tiles and the metatile table this
    // window edits, which its edits change too.
    QLabel *lblShared;

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

public slots:
    // Selects metatile n (0..255) and redraws, even when it is already selected.
    void ShowMetaTile(int n);

public:
    // ---- handlers ------------------------------------------------------------------------
    // The redraw: the scroll bars, the composite, the grid, the swatches and the option,
    // all from the image as it now is. Writes nothing.
    void cboTile_Click();
    void hsSelector_Change(int index, int value);
    void pic16x16_MouseMove(double x, double y);
    void pic16x16_Click();
    void pic8x8Edit_MouseMove(double x, double y);
    void pic8x8Edit_MouseDown(Qt::MouseButton button);
    void picColorSelector_Click(int index);
    void optPal_Click(int index);
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
    void createControls();
    void showSharing();
    void Form_Load();
    void Form_Deactivate();
    void showNotice(QWidget *over);
    // Repaints what a change of the image touches of the metatile shown.
    void imageChanged(qint64 offset, qint64 length);
    // Remembers the bytes of the tiles the quadrants show, as drawn.
    void rememberTiles();

    EditHistory &history;
    modKrelin &model;
    Desktop &desktop;
    QButtonGroup *optPalGroup;

    const Stage *sharingShownFor = nullptr; // the stage lblShared names the sharers of
    int editMetaTile = 0;
    // The sixteen bytes of each quadrant's tile as last drawn, to repaint just the pixels
    // a change alters; empty where the tile lies outside the image.
    std::array<std::array<std::uint8_t, 16>, 4> shownTiles{};
    std::array<qint64, 4> shownTileOffsets{-1, -1, -1, -1};
    int editQuadrant = 0;
    int quadCol = 0, quadRow = 0;
    int pixelCol = -1, pixelRow = -1; // no press paints before the pointer was on the grid
    bool loadingSelectors = false;    // the redraw is setting the scroll bars

    bool activeInProgram = false;     // this window was the program's last active window
    bool noticeUnderWay = false;      // a notice is pending or shown
    bool closing = false;
};

} // namespace krelin
