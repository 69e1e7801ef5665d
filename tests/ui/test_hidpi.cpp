// The picture surfaces on a screen with more device pixels than logical ones (two, or
// one and a half in a second run): every screen pixel shows exactly the colour of the
// image pixel that a pointer there reports, never a blend, and a pointer between two
// logical pixels picks the image pixel drawn under it, so clicks land in the cell the
// user sees.

#include "ScriptedDesktop.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "render/LevelView.h"
#include "support/WindowControls.h"
#include "ui/frmKrelin.h"
#include "widgets/PictureSurface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;


class TestHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void surfaceScalesPixelForPixel()
    {
        QWidget window;
        window.setFixedSize(120, 100);
        // At an odd logical offset the image starts between two screen pixels at ratio 1.5.
        auto *surface = new PictureSurface(QStringLiteral("picTest"), QSize(40, 30), &window);
        surface->move(7, 9);
        QRandomGenerator random(13);
        for (int y = 0; y < surface->image().height(); ++y)
            for (int x = 0; x < surface->image().width(); ++x)
                surface->image().setPixel(x, y, random.generate() | 0xFF000000u);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QImage shown = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const qreal ratio = shown.devicePixelRatio();
        QVERIFY(ratio > 1);
        const QRect image(surface->mapTo(&window, surface->contentsRect().topLeft()), surface->image().size());
        int blocks = 0; // screen pixels showing image pixel (0, 0)
        for (int sy = std::ceil(image.top() * ratio); sy < std::floor((image.bottom() + 1) * ratio); ++sy)
            for (int sx = std::ceil(image.left() * ratio); sx < std::floor((image.right() + 1) * ratio); ++sx) {
                const QPointF inWindow(sx / ratio, sy / ratio);
                const QPointF p = surface->imagePosition(surface->mapFrom(&window, inWindow), inWindow);
                blocks += p == QPointF(0, 0);
                if (shown.pixel(sx, sy) != surface->image().pixel(p.toPoint()))
                    QFAIL(qPrintable(QStringLiteral("screen pixel %1,%2 does not show image pixel %3,%4")
                                         .arg(sx).arg(sy).arg(p.x()).arg(p.y())));
            }
        QVERIFY(blocks >= 1 && blocks <= 4);
    }

    // Half a logical pixel left of a cell's first column is still the gap column of the
    // cell before (the spacing between cells is 34 image pixels, the last one a gap).
    void pointerPicksTheCellShown()
    {
        modKrelin model;
        testing::ScriptedDesktop desktop;
        frmKrelin window(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // At ratio 2 every logical pixel is two whole screen pixels wherever the map lies;
        // at other ratios the cells under these positions depend on where the menu bar ends.
        if (window.devicePixelRatioF() != 2.0)
            QSKIP("positions chosen for ratio 2");
        QVERIFY(window.OpenRom(QStringLiteral(KRELIN_SAMPLE)));
        QVERIFY(Controls(window).mnuEdit_Level_Click(0));
        const int border = PictureSurface::BorderWidth;
        struct Case { double x, y; int col, row; };
        for (const Case &c : {Case{33.5, 67.5, 0, 1}, Case{34.0, 68.0, 1, 2}, Case{101.5, 33.5, 2, 0}}) {
            SendPointer(Controls(window).picEditor, QEvent::MouseMove, QPointF(border + c.x, border + c.y));
            QCOMPARE(Controls(window).mapTools().cell().col, c.col);
            QCOMPARE(Controls(window).mapTools().cell().row, c.row);
        }

        // Picked from the table the same way: column 0, row 2 holds metatile 4.
        const QPointF inTable(border + 33.5, border + 101.5);
        SendPointer(Controls(window).picTile, QEvent::MouseMove, inTable);
        SendPointer(Controls(window).picTile, QEvent::MouseButtonPress, inTable);
        SendPointer(Controls(window).picTile, QEvent::MouseButtonRelease, inTable);
        QCOMPARE(Controls(window).editor().SelectedMetaTile(), 4);

        // A click on the map places it in the cell under the pointer and no other.
        const std::vector<std::uint8_t> before = model.image();
        const qint64 cell = LevelCellOffset(model, 0, 0, 1);
        QVERIFY(before[std::size_t(cell)] != 4);
        const QPointF at(border + 33.5, border + 67.5);
        SendPointer(Controls(window).picEditor, QEvent::MouseMove, at);
        SendPointer(Controls(window).picEditor, QEvent::MouseButtonPress, at);
        SendPointer(Controls(window).picEditor, QEvent::MouseButtonRelease, at);
        for (std::size_t i = 0; i < before.size(); ++i)
            if (qint64(i) != cell && model.image()[i] != before[i])
                QFAIL(qPrintable(QStringLiteral("byte 0x%1 changed").arg(i, 0, 16)));
        QCOMPARE(int(model.image()[std::size_t(cell)]), 4);
    }
};

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
