#pragma once

// The stage map of a main window, driven as a user drives it: opened with F3, the pointer
// moved, pressed and released over its cells, keys typed to it; and what its canvas shows.

#include "support/WindowControls.h"
#include "stagemap/StageMapCanvas.h"
#include "stagemap/StageMapCommands.h"
#include "stagemap/frmStageMap.h"
#include "views/StageMapView.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTest>

namespace krelin::testing {

struct StageMap
{
    // Opens the stage map of the window (F3) and waits until it is on the screen.
    explicit StageMap(frmKrelin *window)
    {
        QTest::keyClick(window, Qt::Key_F3);
        map = Part<StageMapCommands>(window).stageMap();
        if (map)
            [[maybe_unused]] const bool shown = QTest::qWaitForWindowExposed(map);
    }

    frmStageMap *map = nullptr;
    StageMapCanvas &canvas() const { return map->canvas(); }
    QWidget *viewport() const { return map->canvas().viewport(); }

    // What the canvas shows now, one pixel for each of its pixels.
    QImage picture() const
    {
        QImage image(viewport()->size(), QImage::Format_RGB32);
        QPainter painter(&image);
        canvas().paintArea(painter, image.rect());
        return image;
    }
    QPoint at(const StageCell &cell) const { return canvas().cellCentre(cell); }

    // The pointer's events go to the canvas as the window system sends them to the window
    // under the pointer (the stage map may lie over the main window, or under it).
    void send(QEvent::Type type, const QPoint &position, Qt::MouseButton button = Qt::NoButton,
              Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers mods = {}) const
    {
        QMouseEvent event(type, position, viewport()->mapTo(map, position), viewport()->mapToGlobal(position), button,
                          held, mods);
        QApplication::sendEvent(viewport(), &event);
    }
    void move(const StageCell &cell, Qt::MouseButtons held = Qt::NoButton, Qt::KeyboardModifiers mods = {}) const
    {
        send(QEvent::MouseMove, at(cell), Qt::NoButton, held, mods);
    }
    void click(const StageCell &cell, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) const
    {
        move(cell);
        send(QEvent::MouseButtonPress, at(cell), button, button, mods);
        send(QEvent::MouseButtonRelease, at(cell), button, Qt::NoButton, mods);
    }
    // A press at the first cell, moves through the others, a release at the last.
    void drag(const QList<StageCell> &cells, Qt::KeyboardModifiers mods = {}) const
    {
        move(cells.first());
        send(QEvent::MouseButtonPress, at(cells.first()), Qt::LeftButton, Qt::LeftButton, mods);
        for (const StageCell &c : cells.mid(1))
            move(c, Qt::LeftButton, mods);
        send(QEvent::MouseButtonRelease, at(cells.last()), Qt::LeftButton, Qt::NoButton, mods);
    }
    void key(int key, Qt::KeyboardModifiers mods = {}) const { QTest::keyClick(&canvas(), Qt::Key(key), mods); }
};

} // namespace krelin::testing
