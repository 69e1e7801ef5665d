// The main window's part in showing what an edit reaches beyond the stage shown: Edit >
// Show Uses (the outlines, the dimmed table entries and the line that counts the
// selected metatile's uses) and the room box's note of the stages that read its byte.
#include "frmKrelin.h"

#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "edit/LevelEditor.h"
#include "edit/MetaTileUses.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

namespace krelin {

void frmKrelin::connectSharing()
{
    mnuEdit->addSeparator()->setObjectName(QStringLiteral("mnuEditFillerUses"));
    mnuShowUses = mnuEdit->addAction(QStringLiteral("&Show Uses")); // "&Undo" has the U
    mnuShowUses->setObjectName(QStringLiteral("mnuShowUses"));
    mnuShowUses->setCheckable(true);
    mnuShowUses->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(mnuShowUses, &QAction::toggled, this, &frmKrelin::mnuShowUses_Click);

    // A line of its own between the map and the status bar, shown with the marks: the
    // counts and the stages they cover need the window's whole width. The fixed-size
    // window grows by its height while it is shown.
    tbUses = new QToolBar(QStringLiteral("Uses"), this);
    tbUses->setObjectName(QStringLiteral("tbUses"));
    tbUses->setMovable(false);
    tbUses->setFloatable(false);
    tbUses->setContextMenuPolicy(Qt::PreventContextMenu); // shown and hidden by Show Uses alone
    lblUses = new QLabel(tbUses);
    lblUses->setObjectName(QStringLiteral("lblUses"));
    lblUses->setContentsMargins(4, 0, 4, 0);
    tbUses->addWidget(lblUses);
    addToolBar(Qt::BottomToolBarArea, tbUses);
    tbUses->hide();

    connect(levelEditor, &LevelEditor::usesChanged, this, &frmKrelin::showUses);
    for (auto drawn : {&LevelEditor::levelDrawn, &LevelEditor::stageUnloaded})
        connect(levelEditor, drawn, this, [this] {
            showUses();
            showRoomSharing();
        });
}

void frmKrelin::mnuShowUses_Click(bool on)
{
    // Called from code, the menu's mark follows; its toggled() then lands here once more,
    // with nothing left to change.
    mnuShowUses->setChecked(on);
    levelEditor->SetShowUses(on);
    tbUses->setVisible(on);
    showUses();
}

void frmKrelin::showUses()
{
    if (!levelEditor->showsUses())
        return;
    QString text;
    if (levelEditor->stageLoaded() && currentStage >= 0)
        text = UsesText(levelEditor->Uses(), StageTable[currentStage], levelEditor->SelectedMetaTile());
    else
        text = QStringLiteral("Choose a stage to see where its metatiles are used.");
    if (lblUses->text() != text)
        lblUses->setText(text);
}

void frmKrelin::showRoomSharing()
{
    const bool shown = levelEditor->stageLoaded() && currentStage >= 0;
    cboRoomEditor->setToolTip(shown ? FrameRoomSharingText(StageTable[currentStage], levelEditor->frame()) : QString());
}

} // namespace krelin
