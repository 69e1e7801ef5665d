#pragma once

// The stage map of a main window, driven as a user drives it: opened with F3, the pointer
// moved, pressed and released over its cells, keys typed to it; and what its canvas shows.

#include "support/WindowControls.h"
#include "stagemap/StageMapCanvas.h"
#include "stagemap/StageMapCommands.h"
#include "stagemap/frmStageMap.h"
#include "views/StageMapView.h"

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
    void move(const StageCell &cell) const { QTest::mouseMove(viewport(), at(cell)); }
    void click(const StageCell &cell, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {}) const
    {
        move(cell);
        QTest::mouseClick(viewport(), button, mods, at(cell));
    }
    // A press at the first cell, moves through the others, a release at the last.
    void drag(const QList<StageCell> &cells, Qt::KeyboardModifiers mods = {}) const
    {
        move(cells.first());
        QTest::mousePress(viewport(), Qt::LeftButton, mods, at(cells.first()));
        for (const StageCell &c : cells.mid(1))
            QTest::mouseMove(viewport(), at(c));
        QTest::mouseRelease(viewport(), Qt::LeftButton, mods, at(cells.last()));
    }
    void key(int key, Qt::KeyboardModifiers mods = {}) const { QTest::keyClick(&canvas(), Qt::Key(key), mods); }
};

} // namespace krelin::testing
