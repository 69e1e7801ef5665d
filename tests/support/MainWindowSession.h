#pragma once

// A main window on a copy of the sample cartridge, driven as a user would: the shared
// set-up of the level-editing and edit-history tests.

#include "MainWindowFixture.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "render/MetaTilePainter.h"
#include "SyntheticImage.h"
#include "render/TilePainter.h"

#include <QComboBox>
#include <QScrollBar>

namespace krelin::testing {


inline constexpr int Border = PictureSurface::BorderWidth;
inline constexpr QRgb White = 0xFFFFFFFF;

enum StageIndex { S1A = 0, S1B, S1C, S2A, S2B, S2C, S3, S4A, S4B, S5, S6, S7 };

// A point inside cell (col, row) of a surface, in widget coordinates.
inline QPoint cellPoint(int col, int row, int dx = 10, int dy = 12)
{
    return QPoint(Border + CellPitch * col + dx, Border + CellPitch * row + dy);
}

// The main window with helpers for the level map, the table and the room box.
struct Session : MainWindowFixture<>
{
    using MainWindowFixture::MainWindowFixture;

    LevelEditor &editor() { return Controls(window).editor(); }
    MapTools &tools() { return Controls(window).mapTools(); }
    const QImage &map() { return Controls(window).picEditor->image(); }
    const QImage &table() { return Controls(window).picTile->image(); }
    const QImage &preview() { return Controls(window).picSelectedTile->image(); }

    void moveOnMap(int col, int row) { QTest::mouseMove(Controls(window).picEditor, cellPoint(col, row)); }
    void clickOnMap(int col, int row)
    {
        moveOnMap(col, row);
        QTest::mouseClick(Controls(window).picEditor, Qt::LeftButton, {}, cellPoint(col, row));
    }
    void moveOnTable(int col, int row) { QTest::mouseMove(Controls(window).picTile, cellPoint(col, row)); }
    void pick(int page, int col, int row)
    {
        Controls(window).hsTable->setValue(page);
        moveOnTable(col, row);
        QTest::mouseClick(Controls(window).picTile, Qt::LeftButton, {}, cellPoint(col, row));
    }
    void chooseRoom(int index)
    {
        Controls(window).cboRoomEditor->setCurrentIndex(index);
        emit Controls(window).cboRoomEditor->activated(index);
    }
};

inline bool hasWhiteFrame(const QImage &surface, int col, int row)
{
    const int x = CellPitch * col, y = CellPitch * row;
    for (int i = 0; i < CellPitch; ++i) {
        if (surface.pixel(x + i, y) != White || surface.pixel(x + i, y + 33) != White
            || surface.pixel(x, y + i) != White || surface.pixel(x + 33, y + i) != White)
            return false;
    }
    return true;
}

// The first difference between a surface's cell and metatile n, or an empty string. A
// cell that carries the white frame (the pointer's, or the keyboard's cursor) is compared
// inside it.
inline QString cellDiff(const QImage &surface, const modKrelin &model, int col, int row, int n)
{
    if (!hasWhiteFrame(surface, col, row))
        return CompareMetaTile(surface, model, n, CellPitch * col, CellPitch * row, ClearColor);
    const auto bg = ExpectedBgColors(model);
    for (int dy = 1; dy < 33; ++dy)
        for (int dx = 1; dx < 33; ++dx)
            if (surface.pixel(CellPitch * col + dx, CellPitch * row + dy) != ExpectedMetaTilePixel(model, bg, n, dx, dy, ClearColor))
                return QStringLiteral("metatile %1 in the white frame at (%2,%3): pixel (%4,%5)").arg(n).arg(col).arg(row).arg(dx).arg(dy);
    return {};
}

} // namespace krelin::testing
