// The tile editor's controls and menus: where each lies, and what it is connected to.
#include "frmTileEditor.h"

#include "TileEditorCommands.h"

#include "EditGestures.h"
#include "core/Preferences.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/TileEditorView.h"
#include "render/TileSheetView.h"
#include "widgets/ColorSwatch.h"
#include "widgets/HexSpinBox.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScrollBar>
#include <QToolButton>

#include <algorithm>

namespace krelin {

namespace {

// The controls of the first layout keep their places at the left. A column beside the
// composite holds the spin boxes, each pair in the row of its scroll bars, and the buttons
// that turn the tile; the grid and its swatches lie right of it, the sheet below.
constexpr int SpinWidth = 44;
constexpr int SpinHeight = 20;
constexpr int MiddleLeft = 76;
constexpr int GridLeft = MiddleLeft + 2 * SpinWidth + 8; // 172
constexpr int SheetTop = 176;
constexpr int SheetSide = SheetPictureSide + 2; // with its border
constexpr int AreaWidth = std::max(GridLeft + 132, SheetSide + 4) + 4;

const char *const QuadrantNames[4] = {"top-left", "top-right", "bottom-left", "bottom-right"};

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
    bar->setToolTip(QStringLiteral("The tile of the %1 quadrant").arg(QLatin1String(QuadrantNames[index])));
    return bar;
}

QAction *command(QWidget *window, QMenu *menu, const char *name, const QString &text, const QKeySequence &key)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    window->addAction(action); // its key works wherever the focus is in the window
    return action;
}

QToolButton *toolButton(QWidget *parent, QAction *action, const QString &text, const QRect &geometry)
{
    auto *button = new QToolButton(parent);
    action->setIconText(text); // the button's text; the menu keeps the action's own
    button->setDefaultAction(action);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setGeometry(geometry);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

void frmTileEditor::createControls(QWidget *area)
{
    const int barLeft[4] = {4, 40, 4, 40}, barTop[4] = {4, 4, 84, 84};
    for (int i = 0; i < 4; ++i) {
        hsSelector[i] = tileScrollBar(area, i, barLeft[i], barTop[i]);
        spnTile[i] = new HexSpinBox(QStringLiteral("spnTile(%1)").arg(i), area);
        spnTile[i]->setGeometry(MiddleLeft + (SpinWidth + 4) * (i & 1), barTop[i] - 3, SpinWidth, SpinHeight);
        spnTile[i]->setToolTip(hsSelector[i]->toolTip() + QStringLiteral(", in hexadecimal"));
        // Typed into only when clicked: the keys 1 to 4 choose colours elsewhere.
        spnTile[i]->setFocusPolicy(Qt::ClickFocus);
    }

    pic16x16 = new PictureSurface(QStringLiteral("pic16x16"), QSize(68, 68), area, PictureSurface::Border::SingleLine);
    pic16x16->move(4, 16);
    pic16x16->setToolTip(QStringLiteral("Click a quadrant to paint its tile in the grid"));

    optPalGroup = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        optPal[i] = new QRadioButton(area);
        optPal[i]->setObjectName(QStringLiteral("optPal(%1)").arg(i));
        optPal[i]->setGeometry(8 + 16 * i, 100, 13, 21);
        optPal[i]->setToolTip(QStringLiteral("Sub-palette %1").arg(i));
        optPalGroup->addButton(optPal[i], i);
    }
    optPal[0]->setChecked(true);

    cboTile = new QComboBox(area);
    cboTile->setObjectName(QStringLiteral("cboTile"));
    cboTile->setGeometry(4, 124, 77, 21);

    pic8x8Edit =
        new PictureSurface(QStringLiteral("pic8x8Edit"), QSize(132, 132), area, PictureSurface::Border::SingleLine);
    pic8x8Edit->move(GridLeft, 8);
    pic8x8Edit->setToolTip(QStringLiteral("Press or drag to paint; Ctrl+click picks a colour, Shift+click fills"));

    for (int i = 0; i < 4; ++i) {
        picColorSelector[i] = new ColorSwatch(QStringLiteral("picColorSelector(%1)").arg(i), area);
        picColorSelector[i]->setGeometry(GridLeft + 4 + 32 * i, 144, 25, 25);
        picColorSelector[i]->setText(QString::number(i + 1)); // the key that chooses it
        picColorSelector[i]->setToolTip(QStringLiteral("Colour %1 (key %2)").arg(i).arg(i + 1));
    }
    picColorSelector[0]->setBordered(true);

    // The turns and the clipboard, as buttons between the composite and the grid.
    toolButton(area, mnuFlipHorizontally, QStringLiteral("⇆"), QRect(MiddleLeft, 28, 28, 22));
    toolButton(area, mnuFlipVertically, QStringLiteral("⇅"), QRect(MiddleLeft + 30, 28, 28, 22));
    toolButton(area, mnuRotate, QStringLiteral("↻"), QRect(MiddleLeft + 60, 28, 28, 22));
    toolButton(area, mnuCopyTile, QStringLiteral("Copy"), QRect(MiddleLeft, 54, SpinWidth, 22));
    toolButton(area, mnuPasteTile, QStringLiteral("Paste"), QRect(MiddleLeft + SpinWidth + 4, 54, SpinWidth, 22));

    picTileSheet = new PictureSurface(QStringLiteral("picTileSheet"), QSize(SheetSide, SheetSide), area,
                                      PictureSurface::Border::SingleLine);
    picTileSheet->move(4, SheetTop);

    // The area grows below its controls, which keep their places, by as many lines as
    // the longest note takes at the window's width in the font in use.
    lblShared = new QLabel(area);
    lblShared->setObjectName(QStringLiteral("lblShared"));
    lblShared->setWordWrap(true);
    lblShared->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblShared->setToolTip(QStringLiteral("A painted pixel changes the tile in these stages too; a tile number or a "
                                         "sub-palette changes their metatile too."));
    int height = 0;
    for (const Stage &stage : StageTable) {
        lblShared->setText(sharingText(stage));
        height = std::max(height, lblShared->heightForWidth(AreaWidth - 8));
    }
    lblShared->clear();
    const int labelTop = SheetTop + SheetSide + 4;
    lblShared->setGeometry(4, labelTop, AreaWidth - 8, height);
    area->setFixedSize(AreaWidth, labelTop + height + 4);
}

void frmTileEditor::createMenus()
{
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    QMenu *edit = menuBar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuTileEdit"));
    QMenu *view = menuBar->addMenu(QStringLiteral("&View"));
    view->setObjectName(QStringLiteral("mnuTileView"));
    for (const TileEditorCommand &c : TileEditorCommands()) {
        QMenu *menu = qstrcmp(c.menu, "View") == 0 ? view : edit;
        // The clipboard, the turns and the colours each a group of their own.
        if (menu == edit && !edit->isEmpty()
            && (qstrcmp(c.objectName, "mnuFlipHorizontally") == 0 || qstrcmp(c.objectName, "mnuColor(0)") == 0))
            edit->addSeparator();
        command(this, menu, c.objectName, QString::fromUtf8(c.text), c.key);
    }
    const auto named = [this](const QString &name) { return findChild<QAction *>(name); };
    mnuCopyTile = named(QStringLiteral("mnuCopyTile"));
    mnuPasteTile = named(QStringLiteral("mnuPasteTile"));
    mnuFlipHorizontally = named(QStringLiteral("mnuFlipHorizontally"));
    mnuFlipVertically = named(QStringLiteral("mnuFlipVertically"));
    mnuRotate = named(QStringLiteral("mnuRotate"));
    for (int i = 0; i < 4; ++i)
        mnuColor[i] = named(QStringLiteral("mnuColor(%1)").arg(i));
    mnuPixelGrid = named(QStringLiteral("mnuPixelGrid"));
    mnuCopyTile->setToolTip(QStringLiteral("Copy the tile's pixels"));
    mnuPasteTile->setToolTip(QStringLiteral("Give the tile the pixels copied"));
    mnuPixelGrid->setCheckable(true);
    mnuPixelGrid->setChecked(!preferences || preferences->pixelGrid());
}

void frmTileEditor::connectControls()
{
    for (int i = 0; i < 4; ++i) {
        connect(hsSelector[i], &QScrollBar::valueChanged, this, [this, i](int value) { hsSelector_Change(i, value); });
        connect(spnTile[i], &QSpinBox::valueChanged, this, [this, i](int value) { spnTile_Change(i, value); });
        // Typing done, the keys go back to the window's commands.
        connect(spnTile[i], &QAbstractSpinBox::editingFinished, spnTile[i], [this, i] { spnTile[i]->clearFocus(); });
        gestures->watch(hsSelector[i]);
        gestures->watch(spnTile[i]);
        connect(picColorSelector[i], &ColorSwatch::clicked, this, [this, i] { picColorSelector_Click(i); });
        connect(mnuColor[i], &QAction::triggered, this, [this, i] { picColorSelector_Click(i); });
    }
    connect(pic16x16, &PictureSurface::mouseMoved, this, &frmTileEditor::pic16x16_MouseMove);
    connect(pic16x16, &PictureSurface::clicked, this, &frmTileEditor::pic16x16_Click);
    // Only a click writes: the redraw selects the stored sub-palette's option without one.
    connect(optPalGroup, &QButtonGroup::idClicked, this, &frmTileEditor::optPal_Click);
    // Choosing an entry redraws, even when it is the entry already shown.
    connect(cboTile, &QComboBox::activated, this, &frmTileEditor::cboTile_Click);
    connect(pic8x8Edit, &PictureSurface::mouseMoved, this, &frmTileEditor::pic8x8Edit_MouseMove);
    connect(pic8x8Edit, &PictureSurface::mousePressed, this, &frmTileEditor::pic8x8Edit_MouseDown);
    connect(pic8x8Edit, &PictureSurface::mouseReleased, this, &frmTileEditor::pic8x8Edit_MouseUp);
    connect(picTileSheet, &PictureSurface::mouseMoved, this, &frmTileEditor::picTileSheet_MouseMove);
    connect(picTileSheet, &PictureSurface::clicked, this, &frmTileEditor::picTileSheet_Click);

    connect(mnuCopyTile, &QAction::triggered, this, &frmTileEditor::mnuCopyTile_Click);
    connect(mnuPasteTile, &QAction::triggered, this, &frmTileEditor::mnuPasteTile_Click);
    connect(mnuFlipHorizontally, &QAction::triggered, this, [this] { mnuTransform_Click(TileChange::FlipHorizontally); });
    connect(mnuFlipVertically, &QAction::triggered, this, [this] { mnuTransform_Click(TileChange::FlipVertically); });
    connect(mnuRotate, &QAction::triggered, this, [this] { mnuTransform_Click(TileChange::Rotate); });
    connect(mnuPixelGrid, &QAction::toggled, this, [this](bool on) {
        if (preferences)
            preferences->setPixelGrid(on);
        cboTile_Click();
    });
    if (preferences)
        connect(preferences, &Preferences::pixelGridChanged, mnuPixelGrid, &QAction::setChecked);
}

void frmTileEditor::showSharing()
{
    // Worked out once per stage, not for every pixel pressed.
    if (sharingShownFor == model.currentStage())
        return;
    sharingShownFor = model.currentStage();
    lblShared->setText(sharingShownFor ? sharingText(*sharingShownFor) : QString());
}

} // namespace krelin
