#include "CompareCommands.h"

#include "Command.h"
#include "DifferencesWindow.h"
#include "FileSession.h"
#include "Navigation.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

namespace krelin {

namespace {

const QString RomFilter = QStringLiteral("NES Rom Files (*.NES *.nes);;All Files (*)");

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

int stageIndex(const Stage *stage)
{
    return stage ? int(stage - StageTable.data()) : -1;
}

} // namespace

CompareCommands::CompareCommands(modKrelin &model, LevelEditor &editor, Navigation &navigation, Desktop &desktop,
                                 const FileSession &files, const Controls &controls, QMainWindow *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , navigation(navigation)
    , desktop(desktop)
    , files(files)
    , controls(controls)
    , window(window)
{
    setObjectName(QStringLiteral("compareCommands"));
    placeAfterNote.setSingleShot(true);
    placeAfterNote.setInterval(2000);
    connect(&placeAfterNote, &QTimer::timeout, this, [this] { emit statusMessage(pendingPlace); });
    mnuCompareWith = NewCommand(this, "mnuCompareWith", QStringLiteral("Co&mpare With…"));
    mnuDifferences = NewCommand(this, "mnuDifferences", QStringLiteral("&Differences"));
    mnuNextDifference = NewCommand(this, "mnuNextDifference", QStringLiteral("&Next Difference"), Qt::Key_F7);
    mnuPreviousDifference =
        NewCommand(this, "mnuPreviousDifference", QStringLiteral("&Previous Difference"), Qt::SHIFT | Qt::Key_F7);
    mnuStopComparing = NewCommand(this, "mnuStopComparing", QStringLiteral("Stop &Comparing"));
    // The keys work from the Differences window too, where the user reads what they walk.
    for (QAction *action : {mnuNextDifference, mnuPreviousDifference})
        action->setShortcutContext(Qt::ApplicationShortcut);
    mnuCompareWith->setEnabled(false);
    for (QAction *action : {mnuDifferences, mnuNextDifference, mnuPreviousDifference, mnuStopComparing})
        action->setEnabled(false);

    connect(mnuCompareWith, &QAction::triggered, this, &CompareCommands::mnuCompareWith_Click);
    connect(mnuDifferences, &QAction::triggered, this, &CompareCommands::mnuDifferences_Click);
    connect(mnuNextDifference, &QAction::triggered, this, &CompareCommands::mnuNextDifference_Click);
    connect(mnuPreviousDifference, &QAction::triggered, this, &CompareCommands::mnuPreviousDifference_Click);
    connect(mnuStopComparing, &QAction::triggered, this, &CompareCommands::mnuStopComparing_Click);

    connect(&model, &modKrelin::imageChanged, this, &CompareCommands::imageChanged);
    connect(&model, &modKrelin::imageReplaced, this, &CompareCommands::imageReplaced);
    connect(&model, &modKrelin::imageReplaced, this, [this] { mnuCompareWith->setEnabled(this->model.hasImage()); });
    connect(&model, &modKrelin::stageChanged, this, &CompareCommands::stageChosen);
    connect(&editor, &LevelEditor::levelDrawn, this, &CompareCommands::showMarks);
    connect(&editor, &LevelEditor::stageUnloaded, this, &CompareCommands::showMarks);
    connect(&files, &FileSession::opened, this,
            [this] { stop(QStringLiteral("Comparison ended: another image was opened.")); });
}

// ---- starting and ending -----------------------------------------------------------------------

bool CompareCommands::mnuCompareWith_Click()
{
    if (!model.hasImage())
        return false;
    const QString path = desktop.getOpenFileName(window, QStringLiteral("Compare With"), files.dialogFolder(), RomFilter);
    return !path.isEmpty() && compareWith(path);
}

bool CompareCommands::compareWith(const QString &path)
{
    if (!model.hasImage())
        return false;
    RomReadResult read = ReadRomFile(path);
    if (!read.ok()) {
        emit warning(read.error);
        return false;
    }
    reference = std::move(read.bytes);
    referenceName = QFileInfo(path).fileName();
    active = true;
    current.reset();
    diff.compare(reference, model.image());
    for (QAction *action : {mnuDifferences, mnuNextDifference, mnuPreviousDifference, mnuStopComparing})
        action->setEnabled(true);
    showMarks();
    mnuDifferences_Click();
    emit statusMessage(diff.identical() ? QStringLiteral("The open image is the same as %1.").arg(referenceName)
                                        : QStringLiteral("Comparing with %1").arg(referenceName));
    return true;
}

void CompareCommands::mnuStopComparing_Click()
{
    stop(QStringLiteral("Comparison ended."));
}

void CompareCommands::stop(const QString &why)
{
    if (!active)
        return;
    active = false;
    reference = {};
    referenceName.clear();
    diff = ImageDiff();
    current.reset();
    listPending = false;
    placeAfterNote.stop();
    for (QAction *action : {mnuDifferences, mnuNextDifference, mnuPreviousDifference, mnuStopComparing})
        action->setEnabled(false);
    showMarks();
    if (listWindow)
        listWindow->close();
    emit statusMessage(why);
}

void CompareCommands::mnuDifferences_Click()
{
    if (!active)
        return;
    if (!listWindow) {
        listWindow = new DifferencesWindow(window);
        listWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(listWindow, &DifferencesWindow::placeChosen, this, &CompareCommands::goTo);
        // Beside the main window where the screen has room, else over its right part.
        const QRect screen = window->screen()->availableGeometry(), frame = window->frameGeometry();
        int x = frame.right() + 8;
        if (x + listWindow->width() > screen.right())
            x = std::max(screen.left(), screen.right() - listWindow->width() - 16);
        listWindow->move(x, frame.top());
        showList();
    }
    listWindow->show();
    listWindow->raise();
}

DifferencesWindow *CompareCommands::differencesWindow() const
{
    return listWindow;
}

// ---- following the image -------------------------------------------------------------------------

void CompareCommands::imageChanged(qint64 offset, qint64 length)
{
    if (!active)
        return;
    diff.update(reference, model.image(), {offset, length});
    showMarks();
    listLater();
}

void CompareCommands::imageReplaced()
{
    if (!active)
        return;
    diff.compare(reference, model.image());
    showMarks();
    listLater();
}

void CompareCommands::stageChosen()
{
    // The table is drawn whole right after a stage is chosen: its marks go with that draw.
    const StageDiff *d = active && model.currentStage() ? &diff.stage(stageIndex(model.currentStage())) : nullptr;
    std::bitset<MetaTileCount> metaTiles;
    if (d)
        for (const MetaTileDiff &m : d->metaTiles)
            metaTiles.set(std::size_t(m.metaTile));
    editor.tableView().setDifferences(metaTiles, false);
}

void CompareCommands::showMarks()
{
    const bool shown = editor.stageLoaded() && !editor.redrawHold();
    const StageDiff *d = active && model.currentStage() ? &diff.stage(stageIndex(model.currentStage())) : nullptr;
    std::bitset<FrameBytes> cells;
    std::bitset<MetaTileCount> metaTiles;
    QList<int> frames;
    std::vector<StageCell> stageCells;
    if (d) {
        stageCells.reserve(d->cells.size());
        for (const CellDiff &c : d->cells)
            stageCells.push_back({c.frame, c.row, c.column});
        for (const CellDiff &c : d->cellsOfFrame(editor.frame()))
            cells.set(std::size_t(c.row * FrameColumns + c.column));
        for (const MetaTileDiff &m : d->metaTiles)
            metaTiles.set(std::size_t(m.metaTile));
        for (const int f : d->frames())
            frames << f;
    }
    // Without a stage the map shows what to do next: nothing is painted over it.
    editor.mapView().setDifferences(shown ? editor.frame() : -1, cells, shown);
    editor.tableView().setDifferences(metaTiles, shown);
    if (frames != markedFrames || stageCells != markedCells) {
        markedFrames = frames;
        markedCells = std::move(stageCells);
        emit differencesChanged(frames, markedCells);
    }
}

void CompareCommands::listLater()
{
    if (!listWindow || listPending)
        return;
    listPending = true;
    QTimer::singleShot(0, this, [this] {
        if (std::exchange(listPending, false))
            showList();
    });
}

void CompareCommands::showList()
{
    if (listWindow && active)
        listWindow->showDifferences(diff, referenceName);
}

// ---- walking the differences --------------------------------------------------------------------

void CompareCommands::mnuNextDifference_Click()
{
    step(true);
}

void CompareCommands::mnuPreviousDifference_Click()
{
    step(false);
}

std::optional<DiffPlace> CompareCommands::here() const
{
    const int stage = stageIndex(editor.stageLoaded() ? model.currentStage() : nullptr);
    if (current && current->stage == stage) {
        const bool frameKind = current->kind == DiffKind::Cell || current->kind == DiffKind::Room;
        if (!frameKind || current->frame == editor.frame())
            return current;
    }
    if (stage < 0)
        return std::nullopt;
    // Before the first cell of the frame shown: forward finds the frame's first
    // difference, backward the last one before the frame.
    return DiffPlace{stage, DiffKind::Cell, editor.frame(), -1};
}

void CompareCommands::step(bool forward)
{
    if (!active)
        return;
    const std::optional<DiffPlace> from = here();
    std::optional<DiffPlace> to = from ? (forward ? diff.next(*from) : diff.previous(*from))
                                       : (forward ? diff.first() : diff.last());
    placeAfterNote.stop();
    if (!to) {
        to = forward ? diff.first() : diff.last();
        if (!to) {
            // Bytes no stage reads, or past the shorter image, may still differ.
            emit statusMessage(diff.identical()
                                   ? QStringLiteral("No differences: the open image is the same as %1.").arg(referenceName)
                                   : QStringLiteral("No differences in the stages: the Differences window lists the "
                                                    "other bytes."));
            return;
        }
        // Come round: said alone first, where it has the room to be read, then where F7
        // went.
        goTo(*to);
        emit statusMessage(forward ? QStringLiteral("No more differences: back to the first.")
                                   : QStringLiteral("No more differences: on to the last."));
        pendingPlace = placeText(*to);
        placeAfterNote.start();
        return;
    }
    goTo(*to);
    emit statusMessage(placeText(*to));
}

void CompareCommands::goTo(const DiffPlace &place)
{
    if (!active || place.stage < 0 || place.stage >= StageCount)
        return;
    if (stageIndex(model.currentStage()) != place.stage && !navigation.mnuEdit_Level_Click(place.stage))
        return;
    switch (place.kind) {
    case DiffKind::Cell:
    case DiffKind::Room: controls.hLevel_Frames->setValue(place.frame); break;
    case DiffKind::MetaTile: controls.hsTable->setValue(place.item / 16); break;
    case DiffKind::Tile:
    case DiffKind::PaletteEntry: break;
    }
    current = place;
    if (listWindow)
        listWindow->selectPlace(place);
}

QString CompareCommands::placeText(const DiffPlace &place) const
{
    const StageDiff &d = diff.stage(place.stage);
    const QString stage = d.stage->caption();
    switch (place.kind) {
    case DiffKind::Cell: {
        const int row = place.item / FrameColumns, col = place.item % FrameColumns;
        for (const CellDiff &c : d.cellsOfFrame(place.frame))
            if (c.row == row && c.column == col)
                return QStringLiteral("%1, frame %2: row %3, column %4: %5 → %6")
                    .arg(stage).arg(place.frame).arg(row).arg(col).arg(hex2(c.a), hex2(c.b));
        break;
    }
    case DiffKind::Room:
        for (const RoomDiff &r : d.rooms)
            if (r.frame == place.frame)
                return QStringLiteral("%1, frame %2: room %3 → %4").arg(stage).arg(place.frame).arg(hex2(r.a), hex2(r.b));
        break;
    case DiffKind::MetaTile: return QStringLiteral("%1: metatile %2").arg(stage, hex2(place.item));
    case DiffKind::Tile: return QStringLiteral("%1: tile %2").arg(stage, hex2(place.item));
    case DiffKind::PaletteEntry:
        for (const PaletteDiff &p : d.palette)
            if (p.entry == place.item)
                return QStringLiteral("%1: palette entry %2: $%3 → $%4")
                    .arg(stage).arg(place.item).arg(hex2(p.a), hex2(p.b));
        break;
    }
    return stage;
}

} // namespace krelin
