#pragma once

// What the tile editor's test programs share: a main window on a copy of the sample with
// stage 1A chosen and the tile editor opened by Edit Tile, a desktop whose notice takes
// the activation as a real one does, pointer helpers and the pictures decoded here.

#include "Bytes.h"
#include "MainWindowFixture.h"
#include "SyntheticImage.h"
#include "render/TilePainter.h"
#include "tileeditor/frmTileEditor.h"
#include "widgets/ColorSwatch.h"
#include "widgets/HexSpinBox.h"
#include "widgets/PictureSurface.h"

#include <QAction>
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>

namespace krelin::testing {

inline void activate(QWidget *w)
{
    w->activateWindow();
    QTRY_VERIFY2(QApplication::activeWindow() == w, qPrintable(w->objectName()));
}

// Whether the window is on the screen (a window about to be shown counts as visible
// already, but it is not there yet).
inline bool onScreen(QWidget *w)
{
    return w->isVisible() && w->windowHandle() && w->windowHandle()->isVisible();
}

// A desktop whose notice, like a real message box, is a window of the program that takes
// the activation while it is up; dismissed, it hands the activation to each of the
// program's other windows in turn, the one that was active last.
struct NoticeDesktop : ScriptedDesktop
{
    QList<bool> noticeHadCheck; // for each notice: whether it offered "Don't ask again"

    void showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon) override
    {
        ScriptedDesktop::showMessage(parent, title, text, icon);
        QWidget *before = QApplication::activeWindow(), box;
        box.show();
        activate(&box);
        box.hide();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (onScreen(w) && w != before)
                activate(w);
        if (before)
            activate(before);
    }
    void showMessageWithCheck(QWidget *parent, const QString &title, const QString &text, const QString &check,
                              bool *checked) override
    {
        noticeHadCheck << (check == QStringLiteral("Don't ask again"));
        ScriptedDesktop::showMessageWithCheck(parent, title, text, check, checked);
    }
};

// A pointer move to p over w, sent to w itself (the tile editor may lie over the main
// window), with the buttons held. A point outside w stands for a pointer w holds while a
// button is down.
inline void moveOn(QWidget *w, QPoint p, Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, held, {});
    QApplication::sendEvent(w, &move);
}

// A main window on a copy of the sample cartridge with stage 1A chosen.
struct TileSession : MainWindowFixture<NoticeDesktop>
{
    TileSession() { QVERIFY(Controls(window).mnuEdit_Level_Click(0)); }

    // Selects metatile n in the table (none for n < 0), then presses Edit Tile.
    frmTileEditor &editTile(int n)
    {
        if (n >= 0) {
            Controls(window).hsTable->setValue(n / 16);
            const QPoint cell(12 + 34 * (n % 2), 12 + 34 * (n % 16 / 2));
            moveOn(Controls(window).picTile, cell);
            QTest::mouseClick(Controls(window).picTile, Qt::LeftButton, {}, cell);
        }
        QTest::mouseClick(Controls(window).cmdEditTile, Qt::LeftButton);
        if (!QTest::qWaitForWindowExposed(Controls(window).tileEditor))
            qWarning("the tile editor did not show");
        return *Controls(window).tileEditor;
    }
    frmTileEditor &te() { return *Controls(window).tileEditor; }
    qint64 tileOf(int n, int q) const { return model.ChrOffset + 16 * byte(model.MetaTileOffset + 4 * n + q); }
    int pixel(int n, int q, int col, int row) const { return DecodeTilePixel(model.bytesAt(tileOf(n, q), 16), col, row); }

    void chooseQuadrant(QPoint at)
    {
        moveOn(te().pic16x16, at + QPoint(1, 1));
        QTest::mouseClick(te().pic16x16, Qt::LeftButton, {}, QPoint(3, 3)); // its own position is not used
    }
    // The widget position of grid cell (col, row).
    static QPoint cellPoint(int col, int row) { return QPoint(8 + 16 * col, 10 + 16 * row); }
    // A pointer move to grid cell (col, row), then a press of button.
    void press(int col, int row, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers keys = {})
    {
        const QPoint p = cellPoint(col, row);
        moveOn(te().pic8x8Edit, p);
        QTest::mouseClick(te().pic8x8Edit, button, keys, p);
    }
};

// Whether pixel (x, y) of the grid lies on a pixel line: the first column or row of a
// cell, but for the first cell of a row or column.
inline bool onPixelLine(int x, int y)
{
    return (x % 16 == 0 && x > 0) || (y % 16 == 0 && y > 0);
}

// Whether pixel (x, y) of the composite lies under the outline of quadrant q: its two
// outermost rings of pixels.
inline bool underOutline(int x, int y, int q)
{
    const int left = 33 * (q & 1), top = 33 * (q >> 1);
    const int dx = x - left, dy = y - top;
    return dx >= 0 && dx < 32 && dy >= 0 && dy < 32 && (dx < 2 || dy < 2 || dx > 29 || dy > 29);
}

// The first pixel where the composite (65 x 65, gap at 32) or the grid (quadrant q,
// 128 x 128) differs from metatile n as decoded here; empty when both match. The outline
// of quadrant q and the grid's pixel lines are left out: their own tests check them.
inline QString pictureDiff(frmTileEditor &te, const modKrelin &m, int n, int q)
{
    const auto bg = ExpectedBgColors(m);
    auto shown = [&](int quadrant, int col, int row) {
        const int tile = m.image().at(m.MetaTileOffset + 4 * n + quadrant);
        const int value = DecodeTilePixel(m.image().data() + m.ChrOffset + 16 * tile, col, row);
        return bg[4 * (m.image().at(m.MetaPalOffset + n) % 4) + value];
    };
    const bool lines = te.showsPixelGrid();
    for (int y = 0; y < 130; ++y)
        for (int x = 0; x < 130; ++x) {
            const bool gap = x == 32 || y == 32 || x >= 65 || y >= 65;
            if (x < 66 && y < 66 && !underOutline(x, y, q)
                && te.pic16x16->image().pixel(x, y) != (gap ? ClearColor : shown((x > 32) + 2 * (y > 32), x % 33 / 4, y % 33 / 4)))
                return QStringLiteral("composite pixel (%1,%2)").arg(x).arg(y);
            if (lines && x < 128 && y < 128 && onPixelLine(x, y))
                continue;
            if (te.pic8x8Edit->image().pixel(x, y) != (x < 128 && y < 128 ? shown(q, x / 16, y / 16) : ClearColor))
                return QStringLiteral("grid pixel (%1,%2)").arg(x).arg(y);
        }
    return {};
}

} // namespace krelin::testing
