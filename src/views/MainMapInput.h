#pragma once

#include "MapKeys.h"

#include <QObject>

namespace krelin {

class LevelEditor;
class MapTools;
class PictureSurface;

// The main window's level map as a view of the tools: it turns the pointer's positions on
// the map surface and the keys it gets into cells of the frame shown for the tools, and
// draws on the map what the tools say: the white frame on their cell, the selection, the
// stamp where it would land. It watches the surface's events and lets them pass.
//
// The map takes the keyboard's focus (Tab, a click, a stage chosen); its cursor is the
// white frame, drawn while it has the focus or the pointer is over it, and the surface's
// border shows the focus.
class MainMapInput : public QObject
{
    Q_OBJECT

public:
    MainMapInput(LevelEditor &editor, MapTools &tools, PictureSurface *map, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The cell under a pointer position on the surface (widget coordinates), or nothing
    // where there is none (no stage, left of or above the map).
    std::optional<StageCell> cellAt(const QPointF &position, const QPointF &windowPosition) const;
    // Draws the white frame where the tools' cell is, when it lies on the frame shown.
    void showCell();
    void showGhost();
    bool cellShown() const;

    LevelEditor &editor;
    MapTools &tools;
    PictureSurface *map;
    MapKeys keys;
    bool pointerOver = false;
};

} // namespace krelin
