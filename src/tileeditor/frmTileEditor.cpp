#include "frmTileEditor.h"

#include "EditGestures.h"
#include "LeavingNotice.h"
#include "core/ImageLayout.h"
#include "core/Preferences.h"
#include "core/StageTable.h"
#include "core/TileCodec.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/TileEdits.h"
#include "render/TileEditorView.h"
#include "render/TilePainter.h"
#include "render/TileSheetView.h"
#include "widgets/AppIcon.h"
#include "widgets/ColorSwatch.h"
#include "widgets/HexSpinBox.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace krelin {

namespace {

// A pointer coordinate rounded to the nearest whole pixel (halves to even), kept within
// a range that any cell arithmetic handles.
int pixelOf(double position)
{
    return int(std::clamp(std::nearbyint(position), -100000.0, 100000.0));
}

// The composite's half of a pointer coordinate: pixels 0..31 are the left or upper
// half, 32 and beyond (the gap included) the right or lower one. A captured pointer
// left of or above the composite counts as the left or upper half.
int quadrantHalf(double position)
{
    return std::clamp(pixelOf(position) / QuadrantSize, 0, 1);
}

} // namespace

frmTileEditor::frmTileEditor(EditHistory &history, Desktop &desktop, QWidget *parent, Preferences *preferences)
    // A tool window of its owner: it stays above it and goes and comes back with it.
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
    , history(history)
    , model(history.model())
    , desktop(desktop)
    , preferences(preferences)
    , sheetPrepared(std::make_unique<TileColors16>())
{
    setObjectName(QStringLiteral("frmTileEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Tile Editor"));
    setWindowIcon(AppIcon());
    gestures = new EditGestures(this);
    createMenus();
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("controls"));
    createControls(area);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setMenuBar(menuBar);
    layout->addWidget(area);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connectControls();

    leaving = new LeavingNotice(this, desktop, preferences);
    connect(leaving, &LeavingNotice::editingStarted, this, &frmTileEditor::editingStarted);
    connect(leaving, &LeavingNotice::refreshWanted, this, &frmTileEditor::refreshWanted);
    // What the window shows follows the image, the stage and the colours, whoever changes
    // them; another image or stage is shown at once, so that what the user clicks is what
    // changes.
    connect(&model, &modKrelin::imageChanged, this, &frmTileEditor::imageChanged);
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        sheetStale = true;
        cboTile_Click();
    });
    connect(&model, &modKrelin::bgColorsChanged, this, &frmTileEditor::cboTile_Click);
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

bool frmTileEditor::showsPixelGrid() const
{
    return mnuPixelGrid->isChecked();
}

void frmTileEditor::ShowMetaTile(int n)
{
    cboTile->setCurrentIndex(std::clamp(n, 0, 255));
    cboTile_Click();
}

const std::int32_t *frmTileEditor::shownColors() const
{
    return model.BgColors().data() + 4 * ShownSubPalette(model, editMetaTile);
}

// ---- the redraw and the edits ----------------------------------------------------------------

void frmTileEditor::cboTile_Click()
{
    const int n = CurrentMetaTile();
    // Loading the scroll bars and spin boxes raises their change handlers, which must not
    // write.
    loadingSelectors = true;
    for (int i = 0; i < 4; ++i) {
        const int tile = model.byteAt(QuadrantTileOffset(model, n, i));
        hsSelector[i]->setValue(tile);
        spnTile[i]->setValue(tile);
    }
    loadingSelectors = false;

    DrawMetaTileComposite(pic16x16->image(), model, n, model.BgColors(), editQuadrant);
    pic16x16->Refresh();
    DrawTileGrid(pic8x8Edit->image(), model, n, editQuadrant, model.BgColors(), showsPixelGrid());
    pic8x8Edit->Refresh();

    const int p = ShownSubPalette(model, n);
    for (int i = 0; i < 4; ++i)
        picColorSelector[i]->setColor(ToQRgb(model.BgColors()[std::size_t(4 * p + i)]));
    editMetaTile = n;
    redrawSheet();
    showSharing();
    // Selecting by program raises no click, so the stored byte stays as it is (also a
    // byte above 3, shown as its low two bits).
    optPal[p]->setChecked(true);
}

void frmTileEditor::redrawSheet()
{
    const std::int32_t *colors = shownColors();
    const qint64 tilesAt = TilesRange(model).offset;
    if (sheetStale || tilesAt != sheetTilesAt || !std::equal(sheetColors.begin(), sheetColors.end(), colors)) {
        std::copy_n(colors, 4, sheetColors.begin());
        *sheetPrepared = PrepareTileColors16(colors);
        sheetTilesAt = tilesAt;
        sheetStale = false;
        sheetOutlined = -1;
        DrawTileSheet(picTileSheet->image(), model, colors, -1);
        const std::uint8_t *tiles = model.bytesAt(tilesAt, TilesRange(model).length);
        drawnTiles.assign(tiles, tiles ? tiles + TilesRange(model).length : tiles);
    }
    const qint64 record = QuadrantTileOffset(model, editMetaTile, editQuadrant);
    const int outlined = model.holds(record, 1) ? model.byteAt(record) : -1;
    if (outlined != sheetOutlined) {
        DrawSheetOutline(picTileSheet->image(), sheetOutlined, false);
        DrawSheetOutline(picTileSheet->image(), outlined, true);
        sheetOutlined = outlined;
    }
    picTileSheet->Refresh();
}

void frmTileEditor::setQuadrantTile(int index, int value, int gesture)
{
    if (loadingSelectors)
        return;
    const int n = CurrentMetaTile();
    SetQuadrantTile(history, n, index, value, gesture);
    // A written byte comes back through the model. After a refused write, or with another
    // metatile shown than the one selected, the window is drawn from the image again.
    if (n != editMetaTile || model.byteAt(QuadrantTileOffset(model, n, index)) != value)
        cboTile_Click();
}

void frmTileEditor::hsSelector_Change(int index, int value)
{
    setQuadrantTile(index, value, gestures->current());
}

void frmTileEditor::spnTile_Change(int index, int value)
{
    setQuadrantTile(index, value, gestures->current());
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

void frmTileEditor::imageChanged(qint64 offset, qint64 length)
{
    const ByteRange changed{offset, length};
    const int n = editMetaTile;
    // Tiles: just the pixels that differ from those drawn.
    bool composite = false, grid = false, sheet = false;
    const ByteRange tiles = TilesRange(model).intersected(changed);
    if (!tiles.isEmpty() && !drawnTiles.empty()) {
        const int first = TileOfByte(model, tiles.offset), last = TileOfByte(model, tiles.end() - 1);
        if (first == last) {
            sheet = repaintTile(first, composite, grid);
        } else {
            // Many tiles at once (an import, an undone patch): each that differs repainted
            // whole, and the metatile drawn afresh when one of its tiles is among them.
            std::array<qint64, 4> quadrantTiles{};
            for (int q = 0; q < 4; ++q)
                quadrantTiles[std::size_t(q)] = QuadrantTileBytes(model, n, q);
            for (int t = first; t <= last; ++t) {
                const std::uint8_t *now = model.bytesAt(TileOffset(model, t), TileBytes);
                std::uint8_t *drawn = drawnTiles.data() + std::size_t(TileBytes) * t;
                if (!now || std::equal(now, now + TileBytes, drawn))
                    continue;
                RepaintSheetTile(picTileSheet->image(), model, *sheetPrepared, t);
                std::copy_n(now, TileBytes, drawn);
                sheet = true;
                composite |= std::find(quadrantTiles.begin(), quadrantTiles.end(), TileOffset(model, t)) != quadrantTiles.end();
            }
            if (sheet)
                DrawSheetOutline(picTileSheet->image(), sheetOutlined, true);
            if (composite) {
                DrawMetaTileComposite(pic16x16->image(), model, n, model.BgColors(), editQuadrant);
                DrawTileGrid(pic8x8Edit->image(), model, n, editQuadrant, model.BgColors(), showsPixelGrid());
                grid = true;
            }
        }
    }
    if (sheet)
        picTileSheet->Refresh();
    // The metatile's own record or sub-palette: its tiles, numbers or colours differ.
    if (changed.overlaps({QuadrantTileOffset(model, n, 0), MetaTileRecordBytes})
        || changed.contains(SubPaletteOffset(model, n))) {
        cboTile_Click();
        return;
    }
    if (composite)
        pic16x16->Refresh();
    if (grid)
        pic8x8Edit->Refresh();
}

bool frmTileEditor::repaintTile(int t, bool &composite, bool &grid)
{
    const std::uint8_t *now = model.bytesAt(TileOffset(model, t), TileBytes);
    std::uint8_t *drawn = drawnTiles.data() + std::size_t(TileBytes) * t;
    if (!now || std::equal(now, now + TileBytes, drawn))
        return false;
    // The quadrants showing the tile; -1 where the record lies outside the image.
    std::array<bool, 4> shows{};
    for (int q = 0; q < 4; ++q) {
        const qint64 record = QuadrantTileOffset(model, editMetaTile, q);
        shows[std::size_t(q)] = model.holds(record, 1) && model.byteAt(record) == t;
    }
    const bool lines = showsPixelGrid();
    for (int r = 0; r < 8; ++r) {
        const unsigned changed = ChangedColumns(now, drawn, r);
        for (int j = 0; j < 8 && changed; ++j) {
            if (!(changed & ColumnMask(j)))
                continue;
            RepaintSheetPixel(picTileSheet->image(), model, sheetColors.data(), t, j, r);
            for (int q = 0; q < 4; ++q) {
                if (!shows[std::size_t(q)])
                    continue;
                RepaintCompositePixel(pic16x16->image(), model, editMetaTile, q, j, r, model.BgColors(), editQuadrant);
                composite = true;
                if (q == editQuadrant) {
                    RepaintGridPixel(pic8x8Edit->image(), model, editMetaTile, q, j, r, model.BgColors(), lines);
                    grid = true;
                }
            }
        }
    }
    std::copy_n(now, TileBytes, drawn);
    return true;
}

// ---- leaving and closing ---------------------------------------------------------------------

void frmTileEditor::ActiveWindowChanged(QWindow *now)
{
    leaving->activeWindowChanged(now);
}

void frmTileEditor::awaitActivationOf(QWidget *window)
{
    leaving->awaitActivationOf(window);
}

void frmTileEditor::closeEvent(QCloseEvent *event)
{
    // Asked again while the notice is up: the first request closes.
    if (leaving->closing())
        event->accept();
    else
        event->ignore();
}

} // namespace krelin
