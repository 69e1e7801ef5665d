#include "frmTileEditor.h"

#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/TileEdits.h"
#include "core/ImageLayout.h"
#include "render/TileEditorView.h"
#include "core/TileCodec.h"
#include "render/TilePainter.h"
#include "widgets/AppIcon.h"
#include "widgets/ColorSwatch.h"
#include "widgets/Desktop.h"
#include "widgets/PictureSurface.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace krelin {

namespace {

const QString NoticeText = QStringLiteral("Editor Must Refresh!");

// A pointer coordinate rounded to the nearest whole pixel (halves to even), kept within
// a range that any cell arithmetic handles.
int pixelOf(double position)
{
    return int(std::clamp(std::nearbyint(position), -100000.0, 100000.0));
}

// The grid cell of a pointer coordinate; -1 left of or above the grid (the border, or a
// pointer captured outside), 8 and beyond right of or below it.
int gridCell(double position)
{
    const int pixel = pixelOf(position);
    return pixel < 0 ? -1 : pixel / GridCellSize;
}

// The composite's half of a pointer coordinate: pixels 0..31 are the left or upper
// half, 32 and beyond (the gap included) the right or lower one. A captured pointer
// left of or above the composite counts as the left or upper half.
int quadrantHalf(double position)
{
    return std::clamp(pixelOf(position) / QuadrantSize, 0, 1);
}

// The controls' area; the note of what is shared lies below it.
constexpr int ControlsWidth = 223;
constexpr int ControlsHeight = 176;

// What the window's edits reach beyond the stage: a line for the tiles (what a pixel
// press changes) and one for the metatile table (tile numbers and sub-palettes).
QString sharingText(const Stage &stage)
{
    const auto line = [](const QString &what, const std::vector<const Stage *> &stages) {
        return what + (stages.empty() ? QStringLiteral("this stage only") : SharedWithText(stages));
    };
    return line(QStringLiteral("Tiles: "), StagesSharingTiles(stage)) + u'\n'
        + line(QStringLiteral("Metatiles: "), StagesSharingMetaTiles(stage));
}

QScrollBar *tileScrollBar(QWidget *parent, int index, int left, int top)
{
    auto *bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(QStringLiteral("hsSelector(%1)").arg(index));
    bar->setGeometry(left, top, 29, 13);
    bar->setRange(0, TilesPerBank - 1);
    bar->setSingleStep(1);
    bar->setPageStep(1);
    // One write when a dragged thumb is let go, not one for every step of the drag.
    bar->setTracking(false);
    return bar;
}

} // namespace

frmTileEditor::frmTileEditor(EditHistory &history, Desktop &desktop, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , history(history)
    , model(history.model())
    , desktop(desktop)
{
    setObjectName(QStringLiteral("frmTileEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tile Editor"));
    setWindowIcon(AppIcon());
    createControls();

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmTileEditor::ActiveWindowChanged);
    // What the window shows follows the image, the stage and the colours, whoever changes
    // them; another image or stage is shown at once, so that what the user clicks is what
    // changes.
    connect(&model, &modKrelin::imageChanged, this, &frmTileEditor::imageChanged);
    for (auto redraw : {&modKrelin::imageReplaced, &modKrelin::bgColorsChanged})
        connect(&model, redraw, this, &frmTileEditor::cboTile_Click);
    // Without a stage (one taken off the main window) there is nothing to show; its
    // owner closes the window then.
    connect(&model, &modKrelin::stageChanged, this, [this] {
        if (model.currentStage())
            cboTile_Click();
    });

    Form_Load();
}

frmTileEditor::~frmTileEditor() = default;

QString frmTileEditor::MetaTileEntry(int n)
{
    return QStringLiteral("Tile ") + QString::number(n, 16).toUpper().rightJustified(2, u'0');
}

void frmTileEditor::createControls()
{
    const int barLeft[4] = {4, 40, 4, 40}, barTop[4] = {4, 4, 84, 84};
    for (int i = 0; i < 4; ++i) {
        hsSelector[i] = tileScrollBar(this, i, barLeft[i], barTop[i]);
        connect(hsSelector[i], &QScrollBar::valueChanged, this, [this, i](int value) { hsSelector_Change(i, value); });
    }

    pic16x16 = new PictureSurface(QStringLiteral("pic16x16"), QSize(68, 68), this, PictureSurface::Border::SingleLine);
    pic16x16->move(4, 16);
    connect(pic16x16, &PictureSurface::mouseMoved, this, &frmTileEditor::pic16x16_MouseMove);
    connect(pic16x16, &PictureSurface::clicked, this, &frmTileEditor::pic16x16_Click);

    optPalGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        optPal[i] = new QRadioButton(this);
        optPal[i]->setObjectName(QStringLiteral("optPal(%1)").arg(i));
        optPal[i]->setGeometry(8 + 16 * i, 100, 13, 21);
        optPal[i]->setToolTip(QStringLiteral("Sub-palette %1").arg(i));
        optPalGroup->addButton(optPal[i], i);
    }
    optPal[0]->setChecked(true);
    // Only a click writes: the redraw selects the stored sub-palette's option without one.
    connect(optPalGroup, &QButtonGroup::idClicked, this, &frmTileEditor::optPal_Click);

    cboTile = new QComboBox(this);
    cboTile->setObjectName(QStringLiteral("cboTile"));
    cboTile->setGeometry(4, 124, 77, 21);
    // Choosing an entry redraws, even when it is the entry already shown.
    connect(cboTile, &QComboBox::activated, this, &frmTileEditor::cboTile_Click);

    pic8x8Edit =
        new PictureSurface(QStringLiteral("pic8x8Edit"), QSize(132, 132), this, PictureSurface::Border::SingleLine);
    pic8x8Edit->move(88, 8);
    connect(pic8x8Edit, &PictureSurface::mouseMoved, this, &frmTileEditor::pic8x8Edit_MouseMove);
    connect(pic8x8Edit, &PictureSurface::mousePressed, this, &frmTileEditor::pic8x8Edit_MouseDown);

    for (int i = 0; i < 4; ++i) {
        picColorSelector[i] = new ColorSwatch(QStringLiteral("picColorSelector(%1)").arg(i), this);
        picColorSelector[i]->setGeometry(92 + 32 * i, 144, 25, 25);
        connect(picColorSelector[i], &ColorSwatch::clicked, this, [this, i] { picColorSelector_Click(i); });
    }
    picColorSelector[0]->setBordered(true);

    // The window grows below its controls, which keep their places, by as many lines as
    // the longest note takes at the window's width in the font in use.
    lblShared = new QLabel(this);
    lblShared->setObjectName(QStringLiteral("lblShared"));
    lblShared->setWordWrap(true);
    lblShared->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblShared->setToolTip(QStringLiteral("A painted pixel changes the tile in these stages too; a tile number or a "
                                         "sub-palette changes their metatile too."));
    int height = 0;
    for (const Stage &stage : StageTable) {
        lblShared->setText(sharingText(stage));
        height = std::max(height, lblShared->heightForWidth(ControlsWidth - 8));
    }
    lblShared->clear();
    lblShared->setGeometry(4, ControlsHeight, ControlsWidth - 8, height);
    setFixedSize(ControlsWidth, ControlsHeight + height + 4);
}

void frmTileEditor::showSharing()
{
    // Worked out once per stage, not for every pixel pressed.
    if (sharingShownFor == model.currentStage())
        return;
    sharingShownFor = model.currentStage();
    lblShared->setText(sharingShownFor ? sharingText(*sharingShownFor) : QString());
}

void frmTileEditor::Form_Load()
{
    cboTile->clear();
    for (int n = 0; n < 256; ++n)
        cboTile->addItem(MetaTileEntry(n));
    ShowMetaTile(0);
}

int frmTileEditor::CurrentMetaTile() const
{
    return std::max(cboTile->currentIndex(), 0);
}

int frmTileEditor::DrawingColor() const
{
    for (int i = 0; i < 4; ++i)
        if (picColorSelector[i]->isBordered())
            return i;
    return 0;
}

void frmTileEditor::ShowMetaTile(int n)
{
    cboTile->setCurrentIndex(std::clamp(n, 0, 255));
    cboTile_Click();
}

// ---- the redraw and the edits ----------------------------------------------------------------

void frmTileEditor::cboTile_Click()
{
    const int n = CurrentMetaTile();
    // Loading the scroll bars raises their change handler, which must not write.
    loadingSelectors = true;
    for (int i = 0; i < 4; ++i)
        hsSelector[i]->setValue(model.byteAt(QuadrantTileOffset(model, n, i)));
    loadingSelectors = false;

    DrawMetaTileComposite(pic16x16->image(), model, n, model.BgColors());
    pic16x16->Refresh();
    DrawTileGrid(pic8x8Edit->image(), model, n, editQuadrant, model.BgColors());
    pic8x8Edit->Refresh();

    const int p = ShownSubPalette(model, n);
    for (int i = 0; i < 4; ++i)
        picColorSelector[i]->setColor(ToQRgb(model.BgColors()[std::size_t(4 * p + i)]));
    editMetaTile = n;
    rememberTiles();
    showSharing();
    // Selecting by program raises no click, so the stored byte stays as it is (also a
    // byte above 3, shown as its low two bits).
    optPal[p]->setChecked(true);
}

void frmTileEditor::hsSelector_Change(int index, int value)
{
    if (loadingSelectors)
        return;
    const int n = CurrentMetaTile();
    SetQuadrantTile(history, n, index, value);
    // A written byte comes back through the model. After a refused write, or with another
    // metatile shown than the one selected, the window is drawn from the image again.
    if (n != editMetaTile || model.byteAt(QuadrantTileOffset(model, n, index)) != value)
        cboTile_Click();
}

void frmTileEditor::pic16x16_MouseMove(double x, double y)
{
    quadCol = quadrantHalf(x);
    quadRow = quadrantHalf(y);
}

void frmTileEditor::pic16x16_Click()
{
    // The quadrant of the last pointer move, not of the click's own position.
    editQuadrant = quadCol + 2 * quadRow;
    cboTile_Click();
}

void frmTileEditor::pic8x8Edit_MouseMove(double x, double y)
{
    pixelCol = gridCell(x);
    pixelRow = gridCell(y);
}

void frmTileEditor::pic8x8Edit_MouseDown(Qt::MouseButton)
{
    // Any button paints the cell of the last pointer move; a cell off the grid paints
    // nothing, so no byte beside the shown pixel's two can change.
    if (pixelCol >= 0 && pixelCol < 8 && pixelRow >= 0 && pixelRow < 8)
        PaintTilePixel(history, CurrentMetaTile(), editQuadrant, pixelCol, pixelRow, DrawingColor());
    // The painted pixel comes back through the model. With another metatile selected than
    // the one shown, the window shows the one edited.
    if (CurrentMetaTile() != editMetaTile)
        cboTile_Click();
}

void frmTileEditor::picColorSelector_Click(int index)
{
    for (ColorSwatch *swatch : picColorSelector)
        swatch->setBordered(false);
    picColorSelector[index]->setBordered(true);
}

void frmTileEditor::optPal_Click(int index)
{
    SetMetaTileSubPalette(history, editMetaTile, index);
    // A written byte comes back through the model; a refused one leaves the option
    // showing the stored sub-palette again.
    if (ShownSubPalette(model, editMetaTile) != index)
        cboTile_Click();
}

// ---- following the image -------------------------------------------------------------------

void frmTileEditor::rememberTiles()
{
    for (int q = 0; q < 4; ++q) {
        const qint64 record = QuadrantTileOffset(model, editMetaTile, q);
        const qint64 tile = model.holds(record, 1) ? TileOffset(model, model.byteAt(record)) : -1;
        const std::uint8_t *bytes = model.bytesAt(tile, TileBytes);
        shownTileOffsets[std::size_t(q)] = bytes ? tile : -1;
        if (bytes)
            std::copy(bytes, bytes + TileBytes, shownTiles[std::size_t(q)].begin());
    }
}

void frmTileEditor::imageChanged(qint64 offset, qint64 length)
{
    const ByteRange changed{offset, length};
    const int n = editMetaTile;
    // The metatile's own record or sub-palette: its tiles, scroll bars or colours differ.
    if (changed.overlaps({QuadrantTileOffset(model, n, 0), MetaTileRecordBytes})
        || changed.contains(SubPaletteOffset(model, n))) {
        cboTile_Click();
        return;
    }
    // One of its tiles: just the pixels that differ from those drawn.
    bool composite = false, grid = false;
    for (int q = 0; q < 4; ++q) {
        const qint64 at = shownTileOffsets[std::size_t(q)];
        if (at < 0 || !changed.overlaps({at, TileBytes}))
            continue;
        const std::uint8_t *now = model.bytesAt(at, TileBytes);
        std::array<std::uint8_t, 16> &drawn = shownTiles[std::size_t(q)];
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j) {
                if (GetTilePixel(now, j, r) == GetTilePixel(drawn.data(), j, r))
                    continue;
                RepaintCompositePixel(pic16x16->image(), model, n, q, j, r, model.BgColors());
                composite = true;
                if (q == editQuadrant) {
                    RepaintGridPixel(pic8x8Edit->image(), model, n, q, j, r, model.BgColors());
                    grid = true;
                }
            }
    }
    // A tile used by several quadrants was repainted in each; remember what is shown now.
    for (int q = 0; q < 4; ++q)
        if (const qint64 at = shownTileOffsets[std::size_t(q)]; at >= 0 && changed.overlaps({at, TileBytes}))
            std::copy_n(model.bytesAt(at, TileBytes), TileBytes, shownTiles[std::size_t(q)].begin());
    if (composite)
        pic16x16->Refresh();
    if (grid)
        pic8x8Edit->Refresh();
}

// ---- leaving and closing ---------------------------------------------------------------------

void frmTileEditor::ActiveWindowChanged(QWindow *now)
{
    // Another application came to the front: the program's active window stays as it
    // was, and coming back to this window is no change. While a notice is up (closing
    // shows one too), the activations it causes start no further notice.
    if (!now || noticeUnderWay || QCoreApplication::closingDown())
        return;
    // Drop-down lists, menus and tips belong to the window they drop from.
    if (now->type() == Qt::Popup || now->type() == Qt::ToolTip)
        return;
    if (now == windowHandle()) {
        if (!activeInProgram) {
            activeInProgram = true;
            emit editingStarted();
        }
        return;
    }
    if (!activeInProgram)
        return;
    activeInProgram = false;
    // The notice waits until the activation has been handled in full; until it has been
    // dismissed, the windows it activates itself start no further notice.
    noticeUnderWay = true;
    QMetaObject::invokeMethod(this, &frmTileEditor::Form_Deactivate, Qt::QueuedConnection);
}

void frmTileEditor::Form_Deactivate()
{
    if (closing) // the close shows its own notice
        return;
    QWidget *over = QApplication::activeWindow();
    showNotice(over && over != this ? over : this);
    noticeUnderWay = false;
    // The desktop may have given the activation back to this window with the notice gone.
    activeInProgram = QGuiApplication::focusWindow() && QGuiApplication::focusWindow() == windowHandle();
    emit refreshWanted();
    if (activeInProgram)
        emit editingStarted();
}

void frmTileEditor::closeEvent(QCloseEvent *event)
{
    if (closing) { // asked again while the notice is up: the first request closes
        event->ignore();
        return;
    }
    closing = true;
    noticeUnderWay = true;
    showNotice(this);
    emit refreshWanted();
    event->accept();
}

void frmTileEditor::showNotice(QWidget *over)
{
    desktop.showMessage(over, ShortCaption(), NoticeText, Desktop::Icon::None);
}

} // namespace krelin
