// The main window's part in telling the user where they are: the status bar, stepping
// through frames and pages with the mouse wheel and the keyboard, and the room box
// showing the room of the frame on screen.
#include "frmKrelin.h"

#include "MainStatusBar.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/LevelEditor.h"
#include "edit/StatusText.h"
#include "render/TableView.h"

#include <QAction>
#include <QComboBox>
#include <QScrollBar>

namespace krelin {

void frmKrelin::connectNavigation()
{
    connect(levelEditor, &LevelEditor::levelDrawn, this, &frmKrelin::showRoomOfFrame);
    // An edit can change the metatile under the pointer or the current frame's room.
    connect(&model, &modKrelin::imageChanged, this, [this](qint64 offset, qint64 length) {
        const qint64 roomByte = FrameRoomOffset(this->model, levelEditor->frame());
        if (roomByte >= offset && roomByte - offset < length)
            showRoomOfFrame();
        updateStatus();
    });

    // The status bar follows the pointer over the map and the table.
    connect(picEditor, &PictureSurface::mouseMoved, this, [this](double x, double y) {
        pointerOver = Pointer::Map;
        lastPoint = QPointF(x, y);
        updateStatus();
    });
    connect(picTile, &PictureSurface::mouseMoved, this, [this](double x, double y) {
        pointerOver = Pointer::Table;
        lastPoint = QPointF(x, y);
        updateStatus();
    });
    for (PictureSurface *surface : {picEditor, picTile})
        connect(surface, &PictureSurface::pointerLeft, this, [this] {
            pointerOver = Pointer::None;
            updateStatus();
        });
    connect(picTile, &PictureSurface::clicked, this, &frmKrelin::updateStatus);

    // The wheel steps frames over the map and pages over the table. The view is drawn
    // afresh under the pointer, so its cell is framed again.
    connect(picEditor, &PictureSurface::wheelTurned, this, [this](int notches) {
        stepFrame(notches);
        if (pointerOver == Pointer::Map)
            levelEditor->EditorMouseMove(lastPoint.x(), lastPoint.y());
    });
    connect(picTile, &PictureSurface::wheelTurned, this, [this](int notches) {
        stepPage(notches);
        if (pointerOver == Pointer::Table)
            levelEditor->TableMouseMove(lastPoint.x(), lastPoint.y());
    });

    // So do Page Up and Page Down, with Ctrl for pages: window-wide shortcuts, which come
    // before the focused control's own keys (the room box would choose a room with them).
    auto stepKey = [this](const char *name, const QKeySequence &key, auto step) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, step);
        addAction(action);
        return action;
    };
    actPreviousFrame = stepKey("actPreviousFrame", Qt::Key_PageUp, [this] { stepFrame(-1); });
    actNextFrame = stepKey("actNextFrame", Qt::Key_PageDown, [this] { stepFrame(1); });
    actPreviousPage = stepKey("actPreviousPage", Qt::CTRL | Qt::Key_PageUp, [this] { stepPage(-1); });
    actNextPage = stepKey("actNextPage", Qt::CTRL | Qt::Key_PageDown, [this] { stepPage(1); });
    hLevel_Frames->setToolTip(QStringLiteral("Frame: the mouse wheel over the map, or Page Up / Page Down"));
    hsTable->setToolTip(QStringLiteral("Page: the mouse wheel over the table, or Ctrl+Page Up / Ctrl+Page Down"));
}

void frmKrelin::stepFrame(int steps)
{
    hLevel_Frames->setValue(hLevel_Frames->value() + steps);
}

void frmKrelin::stepPage(int steps)
{
    hsTable->setValue(hsTable->value() + steps);
}

void frmKrelin::showRoomOfFrame()
{
    // Showing is not choosing: this raises no choice, so nothing is written.
    cboRoomEditor->setCurrentIndex(levelEditor->RoomEntryOfFrame());
}

void frmKrelin::updateStatus()
{
    const LevelEditor &editor = *levelEditor;
    const bool shown = editor.stageLoaded() && currentStage >= 0;
    sbStatus->showPlace(PlaceStatus(shown ? &StageTable[currentStage] : nullptr, editor.frame(), editor.page(),
                                    editor.SelectedMetaTile()));
    QString pointer;
    if (shown && pointerOver == Pointer::Map)
        pointer = MapCellStatus(model, editor.frame(), editor.EditorCol(), editor.EditorRow());
    else if (shown && pointerOver == Pointer::Table)
        pointer = TableCellStatus(model, TableMetaTile(editor.page(), editor.TableCol(), editor.TableRow()));
    sbStatus->showPointer(pointer);
}

} // namespace krelin
