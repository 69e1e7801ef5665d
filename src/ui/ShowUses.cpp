#include "ShowUses.h"

#include "core/MetaTileUses.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>

namespace krelin {

ShowUses::ShowUses(const modKrelin &model, LevelEditor &editor, QComboBox *cboRoomEditor, QMainWindow *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , cboRoomEditor(cboRoomEditor)
{
    setObjectName(QStringLiteral("showUses"));
    mnuShowUses = new QAction(QStringLiteral("&Show Uses"), this); // "&Undo" has the U
    mnuShowUses->setObjectName(QStringLiteral("mnuShowUses"));
    mnuShowUses->setCheckable(true);
    mnuShowUses->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_U));
    connect(mnuShowUses, &QAction::toggled, this, &ShowUses::mnuShowUses_Click);

    // The counts and the stages they cover need the window's whole width. The fixed-size
    // window grows by the line's height while it is shown.
    tbUses = new QToolBar(QStringLiteral("Uses"), window);
    tbUses->setObjectName(QStringLiteral("tbUses"));
    tbUses->setMovable(false);
    tbUses->setFloatable(false);
    tbUses->setContextMenuPolicy(Qt::PreventContextMenu); // shown and hidden by Show Uses alone
    lblUses = new QLabel(tbUses);
    lblUses->setObjectName(QStringLiteral("lblUses"));
    lblUses->setContentsMargins(4, 0, 4, 0);
    tbUses->addWidget(lblUses);
    window->addToolBar(Qt::BottomToolBarArea, tbUses);
    tbUses->hide();

    connect(&editor, &LevelEditor::usesChanged, this, &ShowUses::showUses);
    for (auto drawn : {&LevelEditor::levelDrawn, &LevelEditor::stageUnloaded})
        connect(&editor, drawn, this, [this] {
            showUses();
            showRoomSharing();
        });
}

void ShowUses::mnuShowUses_Click(bool on)
{
    // Called from code, the menu's mark follows; its toggled() then lands here once more,
    // with nothing left to change.
    mnuShowUses->setChecked(on);
    editor.SetShowUses(on);
    tbUses->setVisible(on);
    showUses();
}

void ShowUses::showUses()
{
    if (!editor.showsUses())
        return;
    const Stage *stage = model.currentStage();
    const QString text = stage ? UsesText(editor.Uses(), *stage, editor.SelectedMetaTile())
                               : QStringLiteral("Choose a stage to see where its metatiles are used.");
    if (lblUses->text() != text)
        lblUses->setText(text);
}

void ShowUses::showRoomSharing()
{
    const Stage *stage = model.currentStage();
    cboRoomEditor->setToolTip(stage ? FrameRoomSharingText(*stage, editor.frame()) : QString());
}

} // namespace krelin
