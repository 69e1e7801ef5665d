#include "TableInput.h"

#include "CellMapping.h"
#include "CursorKey.h"
#include "LevelEditor.h"
#include "MapTools.h"
#include "render/TableView.h"
#include "widgets/PictureSurface.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QRect>

#include <algorithm>
#include <utility>

namespace krelin {

TableInput::TableInput(LevelEditor &editor, MapTools &tools, PictureSurface *table, QObject *parent)
    : QObject(parent)
    , editor(editor)
    , tools(tools)
    , table(table)
{
    table->setFocusPolicy(Qt::StrongFocus);
    table->installEventFilter(this);
    // After the level editor's own handler has chosen the metatile clicked.
    connect(table, &PictureSurface::clicked, this, &TableInput::clicked);
    // A page drawn afresh: the cursor's white frame comes back while the table has the focus.
    connect(&editor, &LevelEditor::pageDrawn, this, [this] {
        if (this->table->hasFocus())
            this->editor.frameTableCell(this->editor.TableCol(), this->editor.TableRow());
    });
}

int TableInput::cursorMetaTile() const
{
    return TableMetaTile(editor.page(), editor.TableCol(), editor.TableRow());
}

std::optional<QPoint> TableInput::cellAt(const QPointF &position, const QPointF &windowPosition) const
{
    if (!editor.stageLoaded())
        return std::nullopt;
    return SurfaceCell(*table, position, windowPosition, TableColumns, TableRows);
}

bool TableInput::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        const auto *e = static_cast<QMouseEvent *>(event);
        if (e->button() != Qt::LeftButton)
            break;
        const std::optional<QPoint> cell = cellAt(e->position(), e->scenePosition());
        if (event->type() == QEvent::MouseButtonPress) {
            pressCell = cell;
            releaseCell.reset();
        } else {
            releaseCell = cell;
        }
        break;
    }
    case QEvent::FocusIn:
        if (editor.stageLoaded())
            editor.frameTableCell(editor.TableCol(), editor.TableRow());
        break;
    case QEvent::ShortcutOverride:
        if (typed.shortcutOverride(static_cast<QKeyEvent *>(event))) {
            event->accept();
            return true;
        }
        break;
    case QEvent::KeyPress: return keyPressed(static_cast<QKeyEvent *>(event));
    default: break;
    }
    return false;
}

void TableInput::clicked()
{
    const auto from = std::exchange(pressCell, std::nullopt), to = std::exchange(releaseCell, std::nullopt);
    if (!editor.stageLoaded())
        return;
    if (!from || !to || *from == *to) {
        tools.dropStamp(); // one metatile chosen: it is what the tools place from now on
        return;
    }
    takeBlock(*from, *to);
}

void TableInput::takeBlock(const QPoint &from, const QPoint &to)
{
    const QRect block = QRect(from, to).normalized();
    Stamp stamp{block.width(), block.height(), {}};
    for (int row = block.top(); row <= block.bottom(); ++row)
        for (int col = block.left(); col <= block.right(); ++col)
            stamp.cells.push_back(std::uint8_t(TableMetaTile(editor.page(), col, row)));
    editor.SelectMetaTile(stamp.cells.front());
    tools.setStamp(stamp);
}

void TableInput::moveTo(int n)
{
    n = std::clamp(n, 0, MetaTileCount - 1);
    if (n / 16 != editor.page())
        emit tools.pageWanted(n / 16);
    editor.frameTableCell(n % 2, n % 16 / 2);
}

bool TableInput::keyPressed(QKeyEvent *event)
{
    if (!editor.stageLoaded())
        return false;
    bool digit = false;
    if (const std::optional<int> n = typed.keyPressed(event, &digit)) {
        tools.chooseMetaTile(*n);
        moveTo(*n);
        return true;
    }
    if (digit)
        return true;
    const CursorKey key = CursorKey::read(event);
    const int n = cursorMetaTile();
    if (key.kind == CursorKey::Kind::None)
        return false;
    if (key.kind != CursorKey::Kind::Step) { // Enter, Space, the menu key: this metatile
        keyAnchor.reset();
        tools.chooseMetaTile(n);
        return true;
    }
    const int step = key.dx + TableColumns * key.dy;
    const bool shift = key.extend;
    if (!shift) {
        keyAnchor.reset();
        moveTo(n + step);
        return true;
    }
    // A block stays on its page: the cursor stops at the page's ends.
    const int next = n + step;
    if (next < 0 || next >= MetaTileCount || next / 16 != n / 16)
        return true;
    if (!keyAnchor || *keyAnchor / 16 != n / 16)
        keyAnchor = n;
    moveTo(next);
    takeBlock(QPoint(*keyAnchor % 2, *keyAnchor % 16 / 2), QPoint(next % 2, next % 16 / 2));
    return true;
}

} // namespace krelin
