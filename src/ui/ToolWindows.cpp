#include "ToolWindows.h"

#include "core/Preferences.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "paleditor/frmPalEditor.h"
#include "tileeditor/frmTileEditor.h"
#include "views/LevelEditor.h"

#include <QAction>
#include <QEvent>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QUndoView>

namespace krelin {

namespace {

void bringForward(QWidget *window)
{
    // A tool window hidden along with the main window (into the tray) is not hidden in
    // its own right, and show() alone would leave it so.
    if (!window->isVisible())
        window->hide();
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

ToolWindows::ToolWindows(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop,
                         Preferences &preferences, QPushButton *cmdEditTile, QWidget *mapSurface, QMainWindow *window)
    : QObject(window)
    , model(model)
    , history(history)
    , editor(editor)
    , desktop(desktop)
    , preferences(preferences)
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
    // The notice turned off: what the main window kept for it is shown now.
    connect(&preferences, &Preferences::tileEditorNoticeChanged, &editor, [this](bool shown) {
        if (!shown)
            this->editor.endTileEditorWait();
    });
    window->installEventFilter(this);
}

QList<QWidget *> ToolWindows::toolWindows() const
{
    QList<QWidget *> windows;
    for (QWidget *w : {static_cast<QWidget *>(palEditor.data()), static_cast<QWidget *>(tileEditor.data()),
                       historyWindow.data()})
        if (w)
            windows << w;
    for (const QPointer<QWidget> &w : adopted)
        if (w)
            windows << w;
    return windows;
}

void ToolWindows::adopt(QWidget *toolWindow)
{
    adopted.removeAll(nullptr);
    if (!adopted.contains(toolWindow))
        adopted << toolWindow;
}

void ToolWindows::hideWithWindow()
{
    for (QWidget *w : toolWindows())
        if (w->isVisible()) {
            hiddenWithWindow << w;
            w->hide();
        }
}

void ToolWindows::showWithWindow()
{
    bool shown = false;
    for (QWidget *w : toolWindows()) {
        // Those hidden here, and those the main window's own hiding left hidden but not in
        // their own right.
        const bool wentWithWindow = hiddenWithWindow.contains(w) || (!w->isHidden() && !w->isVisible());
        if (!wentWithWindow)
            continue;
        if (!shown)
            emit restoring(window); // the activations on the way are not the user's
        shown = true;
        w->hide();
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->show();
        w->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
    hiddenWithWindow.clear();
    if (shown)
        window->activateWindow();
}

bool ToolWindows::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == window) {
        if (event->type() == QEvent::WindowStateChange && window->isMinimized())
            hideWithWindow();
        else if ((event->type() == QEvent::WindowStateChange || event->type() == QEvent::Show)
                 && window->isVisible() && !window->isMinimized())
            showWithWindow();
    }
    return QObject::eventFilter(watched, event);
}

void ToolWindows::mnuEditPalette_Click()
{
    if (!palEditor) {
        palEditor = new frmPalEditor(history, desktop, window, &preferences);
        connect(palEditor, &frmPalEditor::questionPending, &editor, &LevelEditor::setPaletteQuestionPending);
        connect(palEditor, &frmPalEditor::refreshWanted, &editor, &LevelEditor::Refresh);
        connect(this, &ToolWindows::paletteEntryToShow, palEditor, &frmPalEditor::showEntry);
    }
    // 500 twips right of and below the main window's top-left corner, frames included.
    palEditor->move(window->frameGeometry().topLeft() + QPoint(33, 33));
    bringForward(palEditor);
    // Its keys (the arrows, Enter) work at once.
    palEditor->setFocus(Qt::ActiveWindowFocusReason);
}

void ToolWindows::showPaletteEntry(int entry)
{
    if (!model.currentStage())
        return;
    mnuEditPalette_Click();
    emit paletteEntryToShow(entry);
}

frmTileEditor &ToolWindows::tileEditorWindow()
{
    if (!tileEditor) {
        tileEditor = new frmTileEditor(history, desktop, window, &preferences);
        connect(this, &ToolWindows::metaTileToEdit, tileEditor, &frmTileEditor::ShowMetaTile);
        connect(this, &ToolWindows::restoring, tileEditor, &frmTileEditor::awaitActivationOf);
        // While the user works in the tile editor the main window waits, and shows what
        // changed once the notice on leaving it was dismissed; without the notice it
        // shows every change at once.
        connect(tileEditor, &frmTileEditor::editingStarted, &editor, [this] {
            if (preferences.tileEditorNotice())
                editor.beginTileEditorWait();
        });
        connect(tileEditor, &frmTileEditor::refreshWanted, &editor, &LevelEditor::endTileEditorWait);
        connect(tileEditor, &QObject::destroyed, &editor, &LevelEditor::endTileEditorWait);
        emit toolWindowMade(tileEditor);
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
