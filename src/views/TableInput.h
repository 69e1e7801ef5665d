#pragma once

#include "TypedNumber.h"

#include <QObject>
#include <QPoint>

#include <optional>

namespace krelin {

class LevelEditor;
class MapTools;
class PictureSurface;

// The main window's metatile table as a place to choose what the tools place: a click
// chooses one metatile (the level editor's own handler), a drag over a block of it makes
// the block the stamp. With the keyboard's focus, the arrows move its cursor (the white
// frame) from metatile to metatile, turning the page at its ends; Enter or Space chooses
// the metatile under it; Shift + arrows make the block from where they started the stamp;
// two hexadecimal digits choose that metatile. It watches the surface's events and lets
// them pass.
class TableInput : public QObject
{
    Q_OBJECT

public:
    TableInput(LevelEditor &editor, MapTools &tools, PictureSurface *table, QObject *parent = nullptr);

    // The metatile under the table's cursor.
    int cursorMetaTile() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::optional<QPoint> cellAt(const QPointF &position, const QPointF &windowPosition) const;
    void clicked();
    bool keyPressed(QKeyEvent *event);
    // Moves the cursor to metatile n, turning the page to it.
    void moveTo(int n);
    // The block from (col, row) to (col2, row2) of the page shown becomes the stamp; its
    // top-left metatile the selected one.
    void takeBlock(const QPoint &from, const QPoint &to);

    LevelEditor &editor;
    MapTools &tools;
    PictureSurface *table;
    std::optional<QPoint> pressCell, releaseCell;
    std::optional<int> keyAnchor; // where Shift + arrows started the block
    TypedNumber typed;
};

} // namespace krelin
