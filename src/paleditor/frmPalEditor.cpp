#include "frmPalEditor.h"

#include "core/Preferences.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/PaletteEdits.h"
#include "render/MasterGrid.h"
#include "render/Palette.h"
#include "render/TilePainter.h"
#include "widgets/AppIcon.h"
#include "widgets/Desktop.h"

#include <QKeyEvent>

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

frmPalEditor::frmPalEditor(EditHistory &history, Desktop &desktop, QWidget *parent, Preferences *preferences)
    // A tool window of its owner: it stays above it and goes and comes back with it.
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , history(history)
    , model(history.model())
    , desktop(desktop)
    , preferences(preferences)
{
    setObjectName(QStringLiteral("frmPalEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Palette Editor"));
    setWindowIcon(AppIcon());
    setFixedSize(SelectorGeometry.right() + 1 + Margin, SelectorGeometry.bottom() + 1 + Margin);
    setFocusPolicy(Qt::StrongFocus);

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

    // Form load: the grid, then the swatches with the outline of the selected one's colour.
    DrawMasterGrid(picPalSelector->image(), model);
    showStoredBytes();
    picPalSelector->Refresh();

    // The swatches show the bytes in the image, whoever changes them: the colours the
    // main window resolved may be older (a colour answered No), but a swatch that showed
    // them would hide the edit.
    connect(&model, &modKrelin::imageChanged, this, &frmPalEditor::imageChanged);
    connect(&model, &modKrelin::imageReplaced, this, [this] { showStoredBytes(); });
    connect(&model, &modKrelin::stageChanged, this, [this] { showStoredBytes(); });
}

void frmPalEditor::showStoredBytes(int first, int last)
{
    for (int e = first; e <= last; ++e) {
        const qint64 offset = PaletteEntryOffset(model, e);
        // A byte beyond the end of a shorter image has no code to show, nor a colour of
        // its own.
        if (!model.holds(offset, 1)) {
            picPal[e]->setColor(ToQRgb(model.BgColors()[std::size_t(e)]));
            picPal[e]->setText({});
            picPal[e]->setToolTip({});
            continue;
        }
        const int code = model.byteAt(offset);
        const QString text = QStringLiteral("$%1").arg(code, 2, 16, QChar(u'0')).toUpper();
        picPal[e]->setColor(ToQRgb(MasterColor(model, code)));
        picPal[e]->setText(text);
        picPal[e]->setToolTip(text);
    }
    if (selected >= first && selected <= last)
        outlineSelectedColour();
}

void frmPalEditor::outlineSelectedColour()
{
    const qint64 offset = PaletteEntryOffset(model, selected);
    const int colour = model.holds(offset, 1) ? model.byteAt(offset) & 0x3F : -1;
    if (colour == outlined)
        return;
    DrawMasterSquare(picPalSelector->image(), model, outlined, false);
    DrawMasterSquare(picPalSelector->image(), model, colour, true);
    outlined = colour;
    if (cursorAt >= SwatchCount && hasFocus())
        DrawMasterCursor(picPalSelector->image(), cursorAt - SwatchCount);
    picPalSelector->Refresh();
}

void frmPalEditor::imageChanged(qint64 offset, qint64 length)
{
    const ByteRange changed = PaletteRange(model).intersected({offset, length});
    if (changed.isEmpty())
        return;
    showStoredBytes(int(changed.offset - model.PalOffset), int(changed.end() - 1 - model.PalOffset));
}

void frmPalEditor::picPal_Click(int Index)
{
    selectEntry(Index);
}

void frmPalEditor::showEntry(int entry)
{
    selectEntry(entry);
}

void frmPalEditor::selectEntry(int entry)
{
    if (entry < 0 || entry >= SwatchCount)
        return;
    for (ColorSwatch *swatch : picPal)
        swatch->setBordered(false);
    picPal[entry]->setBordered(true);
    selected = entry;
    moveCursor(entry); // the keys go on from the swatch chosen
    outlineSelectedColour();
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
    if (k >= 0)
        moveCursor(SwatchCount + k);
    chooseColour(k);
}

void frmPalEditor::chooseColour(int k)
{
    if (k < 0 || k >= MasterColumns * MasterRows)
        return;
    // Not asked, the main window shows the colour at once from the model's signal, as
    // after Yes.
    if (preferences && !preferences->paletteQuestion()) {
        SetPaletteByte(history, selected, k);
        return;
    }
    // The swatch changes once the byte is in the image, through the model: a palette that
    // lies outside the image (a shorter image opened since the stage was chosen) is left
    // alone, and nothing is asked.
    emit questionPending(true);
    if (!SetPaletteByte(history, selected, k)) {
        emit questionPending(false);
        return;
    }
    bool refresh = false;
    const QString title = QStringLiteral("Refresh"), text = QStringLiteral("Do You Wish To Refresh The Editor?");
    if (preferences) {
        bool dontAsk = false;
        refresh = desktop.askYesNoWithCheck(this, title, text, QStringLiteral("Don't ask again"), &dontAsk);
        if (dontAsk)
            preferences->setPaletteQuestion(false);
    } else {
        refresh = desktop.askYesNo(this, title, text);
    }
    emit questionPending(false);
    if (refresh)
        emit refreshWanted();
}

// ---- the keyboard ----------------------------------------------------------------------------

void frmPalEditor::showCursor(bool shown)
{
    for (int e = 0; e < SwatchCount; ++e)
        picPal[e]->setCursorShown(shown && e == cursorAt);
    if (cursorAt >= SwatchCount) {
        const int k = cursorAt - SwatchCount;
        if (shown)
            DrawMasterCursor(picPalSelector->image(), k);
        else
            DrawMasterSquare(picPalSelector->image(), model, k, k == outlined);
        picPalSelector->Refresh();
    }
}

void frmPalEditor::moveCursor(int to)
{
    if (to == cursorAt)
        return;
    showCursor(false);
    cursorAt = to;
    showCursor(hasFocus());
}

void frmPalEditor::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    showCursor(true);
}

void frmPalEditor::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    showCursor(false);
}

void frmPalEditor::keyPressEvent(QKeyEvent *event)
{
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const bool onSwatch = cursorAt < SwatchCount;
    // Swatches 4 to a row; master colours 16 to a row, a swatch above every fourth.
    const int columns = onSwatch ? 4 : MasterColumns;
    const int index = onSwatch ? cursorAt : cursorAt - SwatchCount;
    const int col = index % columns, row = index / columns, rows = onSwatch ? 4 : MasterRows;
    switch (event->key()) {
    case Qt::Key_Left:
        moveCursor(cursorAt - (col > 0 ? 1 : 0));
        return;
    case Qt::Key_Right:
        moveCursor(cursorAt + (col < columns - 1 ? 1 : 0));
        return;
    case Qt::Key_Up:
        if (row > 0)
            moveCursor(cursorAt - columns);
        else if (!onSwatch)
            moveCursor(12 + col / 4);
        return;
    case Qt::Key_Down:
        if (row < rows - 1)
            moveCursor(cursorAt + columns);
        else if (onSwatch)
            moveCursor(SwatchCount + 4 * col);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (onSwatch)
            picPal_Click(cursorAt);
        else
            chooseColour(cursorAt - SwatchCount);
        return;
    default: QWidget::keyPressEvent(event);
    }
}

} // namespace krelin
