#include "Navigation.h"

#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "widgets/Desktop.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>
#include <QScrollBar>

namespace krelin {

namespace {

// A room as the room box says it: "Room 0A".
QString roomText(int room)
{
    return QStringLiteral("Room ") + QString::number(room, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

Navigation::Navigation(modKrelin &model, LevelEditor &editor, Desktop &desktop, const Controls &controls,
                       QWidget *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , desktop(desktop)
    , controls(controls)
    , window(window)
{
    setObjectName(QStringLiteral("navigation"));
    mnuEdit_Level = new QMenu(QStringLiteral("&Level"), window);
    mnuEdit_Level->setObjectName(QStringLiteral("mnuEdit_Level"));
    for (int i = 0; i < StageCount; ++i) {
        const Stage &stage = StageTable[i];
        QAction *action = mnuEdit_Level->addAction(stage.caption());
        action->setObjectName(QStringLiteral("mnuEdit_Level_") + QLatin1String(stage.name));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, i] { mnuEdit_Level_Click(i); });
        mnuEdit_Level_Stage[i] = action;
    }
    mnuRefresh = new QAction(QStringLiteral("&Refresh"), this);
    mnuRefresh->setObjectName(QStringLiteral("mnuRefresh"));
    mnuRefresh->setVisible(false);
    mnuRefresh->setEnabled(false);
    connect(mnuRefresh, &QAction::triggered, this, &Navigation::mnuRefresh_Click);

    connect(controls.hLevel_Frames, &QScrollBar::valueChanged, this, &Navigation::hLevel_Frames_Change);
    connect(controls.hsTable, &QScrollBar::valueChanged, this, &Navigation::hsTable_Change);
    connect(controls.cboRoomEditor, &QComboBox::activated, this, &Navigation::cboRoomEditor_Click);
    connect(&editor, &LevelEditor::levelDrawn, this, &Navigation::showRoomOfFrame);
    // An edit, an undo or a patch can change the current frame's room.
    connect(&model, &modKrelin::imageChanged, this, [this](qint64 offset, qint64 length) {
        if (ByteRange{offset, length}.contains(FrameRoomOffset(this->model, this->editor.frame())))
            showRoomOfFrame();
    });
    connect(&model, &modKrelin::imageReplaced, this, &Navigation::keepStageIfHeld);

    // The wheel steps frames over the map and pages over the table. The view is drawn
    // afresh under the pointer, so its cell is framed again (the map's by its tools).
    connect(controls.picEditor, &PictureSurface::wheelTurned, this, [this](int notches) { stepFrame(notches); });
    connect(controls.picTile, &PictureSurface::wheelTurned, this, [this](int notches) {
        stepPage(notches);
        if (const auto at = this->controls.picTile->pointerPosition())
            this->editor.TableMouseMove(at->x(), at->y());
    });

    // So do Page Up and Page Down, with Ctrl for pages: window-wide shortcuts, which come
    // before the focused control's own keys (the room box would choose a room with them).
    auto stepKey = [this](const char *name, const QString &caption, const QKeySequence &key, auto step) {
        auto *action = new QAction(caption, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, step);
        this->window->addAction(action);
    };
    stepKey("actPreviousFrame", QStringLiteral("Previous Frame"), Qt::Key_PageUp, [this] { stepFrame(-1); });
    stepKey("actNextFrame", QStringLiteral("Next Frame"), Qt::Key_PageDown, [this] { stepFrame(1); });
    stepKey("actPreviousPage", QStringLiteral("Previous Page"), Qt::CTRL | Qt::Key_PageUp, [this] { stepPage(-1); });
    stepKey("actNextPage", QStringLiteral("Next Page"), Qt::CTRL | Qt::Key_PageDown, [this] { stepPage(1); });
    controls.hLevel_Frames->setToolTip(QStringLiteral("Frame: the mouse wheel over the map, or Page Up / Page Down"));
    controls.hsTable->setToolTip(
        QStringLiteral("Page: the mouse wheel over the table, or Ctrl+Page Up / Ctrl+Page Down"));
}

// ---- stages ------------------------------------------------------------------------------------

void Navigation::ResetStage()
{
    mnuRefresh->setEnabled(true);
    for (QAction *action : mnuEdit_Level_Stage)
        action->setChecked(false);
    editor.ResetStage();
}

void Navigation::LoadFrameRooms()
{
    QComboBox *box = controls.cboRoomEditor;
    box->clear();
    for (int r = model.FirstRoom; r <= model.LastRoom; ++r)
        box->addItem(roomText(r));
    // No entry is chosen after filling.
    box->setCurrentIndex(-1);
}

bool Navigation::mnuEdit_Level_Click(int stageIndex)
{
    const Stage &stage = StageTable[stageIndex];
    const QString problem = StageFitProblem(stage, model.romSize());
    if (!problem.isEmpty()) {
        // The menu ticks a checkable command on its own: put the marks back as they were.
        for (int i = 0; i < StageCount; ++i)
            mnuEdit_Level_Stage[i]->setChecked(&StageTable[i] == model.currentStage());
        desktop.showMessage(window, ProgramCaption(), problem, Desktop::Icon::Warning);
        return false;
    }
    ResetStage();
    mnuEdit_Level_Stage[stageIndex]->setChecked(true);
    model.ApplyStage(stage);
    controls.hLevel_Frames->setMaximum(stage.Frames - 1);
    controls.hLevel_Frames->setValue(0);
    LoadFrameRooms();
    controls.hsTable->setMaximum(TablePages - 1);
    controls.hsTable->setValue(0);
    editor.DrawTileTable();
    editor.DrawLevel();
    // The map takes the keys from here, its cursor on the first cell of the frame shown.
    controls.picEditor->setFocus(Qt::OtherFocusReason);
    return true;
}

void Navigation::dropStage()
{
    for (QAction *action : mnuEdit_Level_Stage)
        action->setChecked(false);
    mnuRefresh->setEnabled(false);
    // First, so that the scroll bars' moves back to 0 draw nothing.
    model.clearStage();
    controls.hLevel_Frames->setMaximum(0);
    controls.hsTable->setMaximum(0);
    controls.cboRoomEditor->clear();
    controls.cboRoomEditor->setPlaceholderText({});
}

void Navigation::keepStageIfHeld()
{
    const Stage *stage = model.currentStage();
    if (!stage)
        return;
    const QString problem = StageFitProblem(*stage, model.romSize());
    if (problem.isEmpty())
        return;
    dropStage();
    emit warning(problem + QStringLiteral("\n\nChoose a stage that this image holds."));
}

void Navigation::mnuRefresh_Click()
{
    editor.Refresh();
}

// ---- frames, pages and rooms -------------------------------------------------------------------

void Navigation::hLevel_Frames_Change(int value)
{
    editor.FramesChanged(value);
}

void Navigation::hsTable_Change(int value)
{
    editor.TableChanged(value);
}

void Navigation::cboRoomEditor_Click(int index)
{
    editor.RoomChosen(controls.cboRoomEditor->itemText(index));
}

void Navigation::stepFrame(int steps)
{
    controls.hLevel_Frames->setValue(controls.hLevel_Frames->value() + steps);
}

void Navigation::stepPage(int steps)
{
    controls.hsTable->setValue(controls.hsTable->value() + steps);
}

void Navigation::showRoomOfFrame()
{
    // A room byte that is none of the stage's rooms is none of the box's entries: it shows
    // all the same, in the colour of text that is no entry, as the stage map shows it.
    const int entry = editor.RoomEntryOfFrame(), room = editor.RoomOfFrame();
    controls.cboRoomEditor->setPlaceholderText(entry < 0 && room >= 0 ? roomText(room) : QString());
    // Showing is not choosing: this raises no choice, so nothing is written.
    controls.cboRoomEditor->setCurrentIndex(entry);
}

} // namespace krelin
