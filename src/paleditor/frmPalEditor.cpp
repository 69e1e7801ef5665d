#include "frmPalEditor.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/PaletteEdits.h"
#include "render/MasterGrid.h"
#include "render/Palette.h"
#include "render/TilePainter.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"

#include <algorithm>

namespace krelin {

namespace {

// Layout in pixels: swatches 33 pixels square, 40 apart, the first at (32, 4); the master
// colour grid's surface at (4, 164), 213 x 57 with its border. The window keeps the
// 4-pixel margin of the top left on the right and at the bottom as well.
constexpr int SwatchSide = 33;
constexpr int SwatchPitch = 40;
constexpr QPoint FirstSwatch(32, 4);
constexpr QRect SelectorGeometry(4, 164, 213, 57);
constexpr int Margin = 4;

} // namespace

frmPalEditor::frmPalEditor(EditHistory &history, Desktop &desktop, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , history(history)
    , model(history.model())
    , desktop(desktop)
{
    setObjectName(QStringLiteral("frmPalEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Palette Editor"));
    setWindowIcon(AppIcon());
    setFixedSize(SelectorGeometry.right() + 1 + Margin, SelectorGeometry.bottom() + 1 + Margin);

    for (int e = 0; e < SwatchCount; ++e) {
        auto *swatch = new ColorSwatch(QStringLiteral("picPal_%1").arg(e), this);
        swatch->setFixedSize(SwatchSide, SwatchSide);
        swatch->move(FirstSwatch + QPoint(SwatchPitch * (e % 4), SwatchPitch * (e / 4)));
        connect(swatch, &ColorSwatch::clicked, this, [this, e] { picPal_Click(e); });
        picPal[e] = swatch;
    }
    picPal[selected]->setBordered(true);

    picPalSelector = new PictureSurface(QStringLiteral("picPalSelector"), SelectorGeometry.size(), this);
    picPalSelector->move(SelectorGeometry.topLeft());
    connect(picPalSelector, &PictureSurface::mouseMoved, this, &frmPalEditor::picPalSelector_MouseMove);
    connect(picPalSelector, &PictureSurface::clicked, this, &frmPalEditor::picPalSelector_Click);

    // Form load: the swatches, then the grid.
    ShowBgColors();
    DrawMasterGrid(picPalSelector->image(), model);
    picPalSelector->Refresh();

    // The tool-tips name the bytes in the image, whoever changes them; the swatches follow
    // the colours the main window resolves.
    connect(&model, &modKrelin::imageChanged, this, &frmPalEditor::imageChanged);
    connect(&model, &modKrelin::imageReplaced, this, [this] { showStoredBytes(); });
    connect(&model, &modKrelin::bgColorsChanged, this, &frmPalEditor::ShowBgColors);
    connect(&model, &modKrelin::stageChanged, this, [this] { showStoredBytes(); });
}

void frmPalEditor::ShowBgColors()
{
    for (int e = 0; e < SwatchCount; ++e)
        picPal[e]->setColor(ToQRgb(model.BgColors()[std::size_t(e)]));
    showStoredBytes();
}

void frmPalEditor::showStoredBytes(int first, int last)
{
    for (int e = first; e <= last; ++e) {
        const qint64 offset = PaletteEntryOffset(model, e);
        // A byte beyond the end of a shorter image has no code to show.
        const QString code = QStringLiteral("$%1").arg(model.byteAt(offset), 2, 16, QChar(u'0')).toUpper();
        picPal[e]->setToolTip(model.holds(offset, 1) ? code : QString());
    }
}

void frmPalEditor::imageChanged(qint64 offset, qint64 length)
{
    const ByteRange changed = PaletteRange(model).intersected({offset, length});
    if (changed.isEmpty())
        return;
    const int first = int(changed.offset - model.PalOffset), last = int(changed.end() - 1 - model.PalOffset);
    for (int e = first; e <= last; ++e)
        picPal[e]->setColor(ToQRgb(MasterColor(model, model.byteAt(PaletteEntryOffset(model, e)))));
    showStoredBytes(first, last);
}

void frmPalEditor::picPal_Click(int Index)
{
    if (Index < 0 || Index >= SwatchCount)
        return;
    for (ColorSwatch *swatch : picPal)
        swatch->setBordered(false);
    picPal[Index]->setBordered(true);
    selected = Index;
}

void frmPalEditor::picPalSelector_MouseMove(double x, double y)
{
    pointer = QPointF(x, y);
}

void frmPalEditor::picPalSelector_Click()
{
    if (!pointer)
        return;
    const int k = MasterColourAt(pointer->x(), pointer->y());
    if (k < 0)
        return;
    // The swatch changes once the byte is in the image, through the model: a palette that
    // lies outside the image (a shorter image opened since the stage was chosen) is left
    // alone, and nothing is asked.
    emit questionPending(true);
    if (!SetPaletteByte(history, selected, k)) {
        emit questionPending(false);
        return;
    }
    const bool refresh =
        desktop.askYesNo(this, QStringLiteral("Refresh"), QStringLiteral("Do You Wish To Refresh The Editor?"));
    emit questionPending(false);
    if (refresh)
        emit refreshWanted();
}

} // namespace krelin
