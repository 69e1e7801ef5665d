#include "ToolWindows.h"

#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "paleditor/frmPalEditor.h"
#include "tileeditor/frmTileEditor.h"
#include "views/LevelEditor.h"

#include <QAction>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QUndoView>

namespace krelin {

namespace {

void bringForward(QWidget *window)
{
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

ToolWindows::ToolWindows(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop,
                         QPushButton *cmdEditTile, QWidget *mapSurface, QMainWindow *window)
    : QObject(window)
    , model(model)
    , history(history)
    , editor(editor)
    , desktop(desktop)
    , cmdEditTile(cmdEditTile)
    , mapSurface(mapSurface)
    , window(window)
{
    setObjectName(QStringLiteral("toolWindows"));
    mnuEditPalette = new QAction(QStringLiteral("&Palette"), this);
    mnuEditPalette->setObjectName(QStringLiteral("mnuEditPalette"));
    mnuEditPalette->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    // The palette is wanted while editing tiles too: its key works from the tool windows.
    mnuEditPalette->setShortcutContext(Qt::ApplicationShortcut);
    mnuTileEditor = new QAction(QStringLiteral("&Tile Editor"), this);
    mnuTileEditor->setObjectName(QStringLiteral("mnuTileEditor"));
    mnuHistory = new QAction(QStringLiteral("&History"), this);
    mnuHistory->setObjectName(QStringLiteral("mnuHistory"));
    for (QAction *action : {mnuEditPalette, mnuTileEditor})
        action->setEnabled(false);
    cmdEditTile->setEnabled(false);

    connect(mnuEditPalette, &QAction::triggered, this, &ToolWindows::mnuEditPalette_Click);
    connect(mnuTileEditor, &QAction::triggered, this, &ToolWindows::mnuTileEditor_Click);
    connect(mnuHistory, &QAction::triggered, this, &ToolWindows::mnuHistory_Click);
    connect(cmdEditTile, &QPushButton::clicked, this, &ToolWindows::cmdEditTile_Click);
    // The editors are there to edit the stage shown; the Edit Tile button waits for the
    // table to be drawn.
    connect(&model, &modKrelin::stageChanged, this, [this] {
        const bool shown = this->model.currentStage() != nullptr;
        mnuEditPalette->setEnabled(shown);
        mnuTileEditor->setEnabled(shown);
        if (!shown)
            this->cmdEditTile->setEnabled(false);
    });
    connect(&editor, &LevelEditor::tableDrawn, cmdEditTile, [cmdEditTile] { cmdEditTile->setEnabled(true); });
    // With the stage taken off the window (an image opened that cannot hold it) the tool
    // windows have nothing left to edit: they go, without the tile editor's notice, so
    // that no edit lands in bytes of a stage no longer shown.
    connect(&editor, &LevelEditor::stageUnloaded, this, &ToolWindows::closeAll);
}

void ToolWindows::mnuEditPalette_Click()
{
    if (!palEditor) {
        palEditor = new frmPalEditor(history, desktop, window);
        connect(palEditor, &frmPalEditor::questionPending, &editor, &LevelEditor::setPaletteQuestionPending);
        connect(palEditor, &frmPalEditor::refreshWanted, &editor, &LevelEditor::Refresh);
    }
    // 500 twips right of and below the main window's top-left corner, frames included.
    palEditor->move(window->frameGeometry().topLeft() + QPoint(33, 33));
    bringForward(palEditor);
}

frmTileEditor &ToolWindows::tileEditorWindow()
{
    if (!tileEditor) {
        tileEditor = new frmTileEditor(history, desktop, window);
        connect(this, &ToolWindows::metaTileToEdit, tileEditor, &frmTileEditor::ShowMetaTile);
        // While the user works in the tile editor the main window waits, and shows what
        // changed once the notice on leaving it was dismissed.
        connect(tileEditor, &frmTileEditor::editingStarted, &editor, &LevelEditor::beginTileEditorWait);
        connect(tileEditor, &frmTileEditor::refreshWanted, &editor, &LevelEditor::endTileEditorWait);
        connect(tileEditor, &QObject::destroyed, &editor, &LevelEditor::endTileEditorWait);
        // Beside the main window where the screen has room; else over the level map's
        // right end, so the metatile table stays in sight.
        const QRect screen = window->screen()->availableGeometry(), frame = window->frameGeometry();
        const int width = tileEditor->width() + 8; // with a guess at its frame
        int x = frame.right() + 8;
        if (x + width > screen.right())
            x = frame.left() - 8 - width;
        if (x < screen.left())
            x = mapSurface->mapToGlobal(QPoint(mapSurface->width(), 0)).x() - width;
        tileEditor->move(x, frame.top());
    }
    return *tileEditor;
}

void ToolWindows::cmdEditTile_Click()
{
    frmTileEditor &tiles = tileEditorWindow();
    emit metaTileToEdit(editor.SelectedMetaTile());
    bringForward(&tiles);
}

void ToolWindows::mnuTileEditor_Click()
{
    bringForward(&tileEditorWindow());
}

void ToolWindows::mnuHistory_Click()
{
    if (!historyWindow) {
        auto *view = new QUndoView(&history.stack(), window);
        view->setObjectName(QStringLiteral("frmHistory"));
        view->setWindowFlags(Qt::Tool);
        view->setAttribute(Qt::WA_DeleteOnClose);
        view->setWindowTitle(QStringLiteral("History"));
        view->setEmptyLabel(QStringLiteral("Image as opened"));
        view->resize(240, 320);
        historyWindow = view;
    }
    bringForward(historyWindow);
}

void ToolWindows::closeAll()
{
    delete tileEditor;
    delete palEditor;
}

} // namespace krelin
