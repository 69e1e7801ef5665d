// The picture surfaces on a screen with two device pixels per logical pixel: every image
// pixel shows as a 2 x 2 block of exactly its colour, and a pointer between two logical
// pixels picks the image pixel drawn under it, so clicks land in the cell the user sees.

#include "ScriptedDesktop.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/LevelEditor.h"
#include "render/LevelView.h"
#include "ui/frmKrelin.h"
#include "widgets/PictureSurface.h"

#include <QApplication>
#include <QMouseEvent>
#include <QRandomGenerator>
#include <QTest>

using namespace krelin;

namespace {

// A pointer event at a position given in the surface's logical coordinates.
void SendPointer(PictureSurface *surface, QEvent::Type type, const QPointF &position)
{
    const QPointF inWindow = surface->mapTo(surface->window(), position);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held = type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton;
    QMouseEvent event(type, position, inWindow, surface->mapToGlobal(position), button, held, Qt::NoModifier);
    QApplication::sendEvent(surface, &event);
}

} // namespace

class TestHiDpi : public QObject
{
    Q_OBJECT

private slots:
    void surfaceScalesPixelForPixel()
    {
        PictureSurface surface(QStringLiteral("picTest"), QSize(40, 30));
        QRandomGenerator random(13);
        for (int y = 0; y < surface.image().height(); ++y)
            for (int x = 0; x < surface.image().width(); ++x)
                surface.image().setPixel(x, y, random.generate() | 0xFF000000u);
        surface.show();
        QVERIFY(QTest::qWaitForWindowExposed(&surface));
        const QImage shown = surface.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.devicePixelRatio(), 2.0);
        const int border = 2 * PictureSurface::BorderWidth;
        for (int y = 0; y < shown.height() - 2 * border; ++y)
            for (int x = 0; x < shown.width() - 2 * border; ++x)
                if (shown.pixel(border + x, border + y) != surface.image().pixel(x / 2, y / 2))
                    QFAIL(qPrintable(QStringLiteral("screen pixel %1,%2 is not image pixel %3,%4")
                                         .arg(x).arg(y).arg(x / 2).arg(y / 2)));
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
        QVERIFY(window.OpenRom(QStringLiteral(KRELIN_SAMPLE)));
        QVERIFY(window.mnuEdit_Level_Click(0));
        const int border = PictureSurface::BorderWidth;
        struct Case { double x, y; int col, row; };
        for (const Case &c : {Case{33.5, 67.5, 0, 1}, Case{34.0, 68.0, 1, 2}, Case{101.5, 33.5, 2, 0}}) {
            SendPointer(window.picEditor, QEvent::MouseMove, QPointF(border + c.x, border + c.y));
            QCOMPARE(window.editor().EditorCol(), c.col);
            QCOMPARE(window.editor().EditorRow(), c.row);
        }

        // Picked from the table the same way: column 0, row 2 holds metatile 4.
        const QPointF inTable(border + 33.5, border + 101.5);
        SendPointer(window.picTile, QEvent::MouseMove, inTable);
        SendPointer(window.picTile, QEvent::MouseButtonPress, inTable);
        SendPointer(window.picTile, QEvent::MouseButtonRelease, inTable);
        QCOMPARE(window.editor().SelectedMetaTile(), 4);

        // A click on the map places it in the cell under the pointer and no other.
        const std::vector<std::uint8_t> before = model.image();
        const qint64 cell = LevelCellOffset(model, 0, 0, 1);
        QVERIFY(before[std::size_t(cell)] != 4);
        const QPointF at(border + 33.5, border + 67.5);
        SendPointer(window.picEditor, QEvent::MouseMove, at);
        SendPointer(window.picEditor, QEvent::MouseButtonPress, at);
        SendPointer(window.picEditor, QEvent::MouseButtonRelease, at);
        for (std::size_t i = 0; i < before.size(); ++i)
            if (qint64(i) != cell && model.image()[i] != before[i])
                QFAIL(qPrintable(QStringLiteral("byte 0x%1 changed").arg(i, 0, 16)));
        QCOMPARE(int(model.image()[std::size_t(cell)]), 4);
    }
};

int main(int argc, char **argv)
{
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    TestHiDpi test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_hidpi.moc"
