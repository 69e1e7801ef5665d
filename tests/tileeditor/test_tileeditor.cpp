// The tile editor driven through the real windows offscreen: opening from the main
// window, the redraw, the three kinds of edit checked byte by byte and bit by bit, the
// pictures checked against tiles decoded here, and the notice on leaving and closing.
#include "render/SyntheticImage.h"
#include "ui/ScriptedDesktop.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/LevelEditor.h"
#include "render/TileFormat.h"
#include "render/TilePainter.h"
#include "tileeditor/ColorSwatch.h"
#include "tileeditor/frmTileEditor.h"
#include "ui/frmKrelin.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace krelin;
using namespace krelin::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;
enum StageIndex { S1A = 0, S3 = 6 };

// A desktop whose notice, like a real message box, is a window of the program that takes
// the activation while it is up. Dismissed, it hands the activation to each of the
// program's other windows in turn, the one that was active last.
class NoticeDesktop : public ScriptedDesktop
{
public:
    void showMessage(QWidget *parent, const QString &title, const QString &text, Icon icon) override
    {
        ScriptedDesktop::showMessage(parent, title, text, icon);
        QWidget *before = QApplication::activeWindow();
        QWidget box;
        box.show();
        box.activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == &box);
        box.hide();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible() && w != before)
                activate(w);
        if (before)
            activate(before);
    }

    static void activate(QWidget *w)
    {
        w->activateWindow();
        QTRY_VERIFY(QApplication::activeWindow() == w);
    }
};

// A pointer move to p over w, sent to w itself: the tile editor may lie over the main
// window, where a move through the screen would reach the window on top. A point
// outside w stands for a pointer that w holds while a button is down.
void moveOn(QWidget *w, QPoint p)
{
    QMouseEvent move(QEvent::MouseMove, p, w->mapToGlobal(p), Qt::NoButton, {}, {});
    QApplication::sendEvent(w, &move);
}

// A main window on a copy of the sample cartridge with stage 1A chosen.
struct Session
{
    QTemporaryDir dir;
    QString romPath = dir.filePath(QStringLiteral("game.nes"));
    modKrelin model;
    NoticeDesktop desktop;
    std::unique_ptr<frmKrelin> window;

    Session()
    {
        QFile::copy(QStringLiteral(KRELIN_SAMPLE), romPath);
        QFile::setPermissions(romPath, QFile::ReadOwner | QFile::WriteOwner);
        window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(window->OpenRom(romPath));
        QVERIFY(window->mnuEdit_Level_Click(S1A));
    }

    // Selects metatile n in the table, then presses Edit Tile.
    frmTileEditor &editTile(int n)
    {
        window->hsTable->setValue(n / 16);
        const QPoint cell(2 + 34 * (n % 2) + 10, 2 + 34 * (n % 16 / 2) + 10);
        moveOn(window->picTile, cell);
        QTest::mouseClick(window->picTile, Qt::LeftButton, {}, cell);
        QTest::mouseClick(window->cmdEditTile, Qt::LeftButton);
        if (!QTest::qWaitForWindowExposed(window->tileEditor))
            qWarning("the tile editor was not shown");
        return *window->tileEditor;
    }
    frmTileEditor &te() { return *window->tileEditor; }
    int byte(qint64 offset) const { return model.byteAt(offset); }
    qint64 tileOf(int n, int q) const { return model.ChrOffset + 16 * byte(model.MetaTileOffset + 4 * n + q); }

    // A pointer move to grid cell (col, row), then a press of button.
    void press(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint p(1 + 16 * col + 7, 1 + 16 * row + 9);
        moveOn(te().pic8x8Edit, p);
        QTest::mouseClick(te().pic8x8Edit, button, {}, p);
    }
    void activate(QWidget *w) { NoticeDesktop::activate(w); }
};

// What metatile n's tile in quadrant q shows at its pixel (col, row): decoded here from
// the image and the palette bytes, as the window must show it.
QRgb expectedPixel(const modKrelin &m, int n, int q, int col, int row)
{
    const auto &img = m.image();
    const int tile = img.at(m.MetaTileOffset + 4 * n + q);
    const int value = DecodeTilePixel(img.data() + m.ChrOffset + 16 * tile, col, row);
    return ExpectedBgColors(m)[4 * (img.at(m.MetaPalOffset + n) % 4) + value];
}

// The first pixel where the composite (65 x 65, gap at 32) or the grid (quadrant q,
// 128 x 128) differs from metatile n; empty when both match.
QString pictureDiff(frmTileEditor &te, const modKrelin &m, int n, int q)
{
    for (int y = 0; y < 66; ++y)
        for (int x = 0; x < 66; ++x) {
            const bool gap = x == 32 || y == 32 || x == 65 || y == 65;
            const QRgb want = gap ? ClearColor : expectedPixel(m, n, (x > 32) + 2 * (y > 32), x % 33 / 4, y % 33 / 4);
            if (te.pic16x16->image().pixel(x, y) != want)
                return QStringLiteral("composite pixel (%1,%2)").arg(x).arg(y);
        }
    for (int y = 0; y < 130; ++y)
        for (int x = 0; x < 130; ++x) {
            const QRgb want = x < 128 && y < 128 ? expectedPixel(m, n, q, x / 16, y / 16) : ClearColor;
            if (te.pic8x8Edit->image().pixel(x, y) != want)
                return QStringLiteral("grid pixel (%1,%2)").arg(x).arg(y);
        }
    return {};
}

// The offsets at which two images differ.
QList<qint64> changedBytes(const Bytes &before, const Bytes &after)
{
    QList<qint64> changed;
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i] != after[i])
            changed << qint64(i);
    return changed;
}

} // namespace

class TestTileEditor : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void opensOnSelectedMetaTile_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("entry");
        QTest::newRow("10") << 10 << "Tile 0A";
        QTest::newRow("53") << 53 << "Tile 35";
        QTest::newRow("255: the record's last bytes") << 255 << "Tile FF";
        QTest::newRow("after a stage selection") << -1 << "Tile 00";
    }
    void opensOnSelectedMetaTile()
    {
        QFETCH(int, n);
        QFETCH(QString, entry);
        Session s;
        const Bytes before = s.model.image();
        if (n >= 0)
            s.editTile(n);
        else
            QTest::mouseClick(s.window->cmdEditTile, Qt::LeftButton);
        frmTileEditor &te = s.te();
        QCOMPARE(te.cboTile->currentText(), entry);
        QCOMPARE(te.cboTile->count(), 256);
        n = std::max(n, 0);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(te.hsSelector[i]->value(), s.byte(0x790A + 4 * n + i));
        const int p = s.byte(0x7D0A + n) % 4;
        QVERIFY(te.optPal[p]->isChecked());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(te.picColorSelector[i]->color(), ExpectedBgColors(s.model)[4 * p + i]);
        QCOMPARE(pictureDiff(te, s.model, n, 0), QString());
        // Neither the redraw nor choosing the shown entry again writes anything.
        emit te.cboTile->activated(te.cboTile->currentIndex());
        QCOMPARE(s.model.image(), before);
        QVERIFY(!s.model.isModified());
    }

    void layout()
    {
        Session s;
        frmTileEditor &te = s.editTile(0);
        QCOMPARE(te.windowTitle(), QStringLiteral("Tile Editor"));
        QCOMPARE(te.size(), QSize(3345, 2640) / 15);
        const auto twips = [](int l, int t, int w, int h) { return QRect(l / 15, t / 15, w / 15, h / 15); };
        QCOMPARE(te.hsSelector[3]->geometry(), twips(600, 1260, 435, 195));
        QCOMPARE(te.pic16x16->geometry(), twips(60, 240, 1020, 1020));
        QCOMPARE(te.optPal[2]->geometry(), twips(600, 1500, 195, 315));
        QCOMPARE(te.cboTile->geometry().topLeft(), twips(60, 1860, 0, 0).topLeft());
        QCOMPARE(te.pic8x8Edit->geometry(), twips(1320, 120, 1980, 1980));
        QCOMPARE(te.picColorSelector[3]->geometry(), twips(2820, 2160, 375, 375));
        QCOMPARE(te.pic16x16->image().size(), QSize(66, 66)); // a one-pixel border
        QCOMPARE(te.DrawingColor(), 0);
    }

    // Scroll bar i writes byte i of the record and nothing else; a tile used four times
    // shows a painted pixel in all four quadrants.
    void scrollBarsAndSharedTile()
    {
        Session s;
        frmTileEditor &te = s.editTile(8);
        for (int i : {2, 0, 3, 1}) {
            const Bytes before = s.model.image();
            te.hsSelector[i]->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            QCOMPARE(changedBytes(before, s.model.image()), QList<qint64>{0x790A + 4 * 8 + i});
            te.hsSelector[i]->setValue(0x5C); // as the end of a drag
        }
        for (int i = 0; i < 4; ++i)
            QCOMPARE(s.byte(0x790A + 4 * 8 + i), 0x5C);
        te.picColorSelector_Click(3);
        s.press(5, 6);
        QCOMPARE(DecodeTilePixel(s.model.bytesAt(s.tileOf(8, 0), 16), 5, 6), 3);
        for (int q = 0; q < 4; ++q)
            QCOMPARE(te.pic16x16->image().pixel(33 * (q & 1) + 21, 33 * (q >> 1) + 25),
                     ExpectedBgColors(s.model)[4 * (s.byte(0x7D0A + 8) % 4) + 3]);
        QCOMPARE(pictureDiff(te, s.model, 8, 0), QString());
    }

    void quadrantFromLastMove_data()
    {
        QTest::addColumn<QPoint>("moveTo");
        QTest::addColumn<int>("quadrant");
        QTest::newRow("(32, 10)") << QPoint(32, 10) << 1;
        QTest::newRow("(10, 40)") << QPoint(10, 40) << 2;
        QTest::newRow("(40, 40)") << QPoint(40, 40) << 3;
        QTest::newRow("(31, 31)") << QPoint(31, 31) << 0;
        QTest::newRow("gap row (5, 32)") << QPoint(5, 32) << 2;
    }
    void quadrantFromLastMove()
    {
        QFETCH(QPoint, moveTo);
        QFETCH(int, quadrant);
        Session s;
        frmTileEditor &te = s.editTile(37);
        moveOn(te.pic16x16, moveTo + QPoint(1, 1));
        QTest::mouseClick(te.pic16x16, Qt::LeftButton, {}, QPoint(3, 3)); // its own position is not used
        QCOMPARE(te.EditQuadrant(), quadrant);
        QCOMPARE(pictureDiff(te, s.model, 37, quadrant), QString());
    }

    // A press changes exactly the pressed pixel's bit in its row's two plane bytes of the
    // tile the grid shows, to the bordered swatch's index; pressing again changes nothing.
    void pixelPress_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("quadrant");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("color");
        QTest::newRow("left, 1 over 0") << int(Qt::LeftButton) << 0 << 0 << 1;
        QTest::newRow("right paints like left") << int(Qt::RightButton) << 0 << 0 << 1;
        QTest::newRow("middle, 2 over 1") << int(Qt::MiddleButton) << 1 << 1 << 2;
        QTest::newRow("0 over 3 clears two bits") << int(Qt::LeftButton) << 3 << 3 << 0;
        QTest::newRow("quadrant 2 edits its own tile") << int(Qt::LeftButton) << 2 << 2 << 3;
    }
    void pixelPress()
    {
        QFETCH(int, button);
        QFETCH(int, quadrant);
        QFETCH(int, from);
        QFETCH(int, color);
        Session s;
        const int n = 21, col = 6, row = 3;
        frmTileEditor &te = s.editTile(n);
        moveOn(te.pic16x16, QPoint(1 + 40 * (quadrant & 1), 1 + 40 * (quadrant >> 1)));
        QTest::mouseClick(te.pic16x16, Qt::LeftButton);
        const qint64 a = s.tileOf(n, quadrant);
        QVERIFY(SetTilePixel(s.model, a, col, row, from));
        te.picColorSelector_Click(color);
        const Bytes before = s.model.image();
        s.press(col, row, Qt::MouseButton(button));
        const Bytes after = s.model.image();
        QCOMPARE(DecodeTilePixel(after.data() + a, col, row), color);
        for (qint64 i : changedBytes(before, after)) {
            QVERIFY2(i == a + row || i == a + 8 + row, qPrintable(QString::number(i, 16)));
            QCOMPARE(before[i] ^ after[i], 0x80 >> col);
        }
        QCOMPARE(changedBytes(before, after).size(), ((from ^ color) & 1) + ((from ^ color) >> 1));
        QCOMPARE(pictureDiff(te, s.model, n, quadrant), QString());
        s.press(col, row, Qt::MouseButton(button));
        QCOMPARE(s.model.image(), after);
    }

    // A press whose last recorded cell is not on the grid changes no byte.
    void pressOffTheGrid()
    {
        Session s;
        frmTileEditor &te = s.editTile(3);
        te.picColorSelector_Click(2);
        Bytes before = s.model.image();
        QTest::mouseClick(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(40, 40)); // no move yet
        for (QPoint p : {QPoint(130, 40), QPoint(40, 129), QPoint(0, 40), QPoint(40, 0)}) {
            moveOn(te.pic8x8Edit, p); // beyond the image, or on the border
            QTest::mouseClick(te.pic8x8Edit, Qt::RightButton, {}, QPoint(40, 40));
        }
        QCOMPARE(s.model.image(), before);
        // Pressed on the grid, dragged out while held, then another button pressed.
        QTest::mousePress(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(40, 40));
        before = s.model.image();
        moveOn(te.pic8x8Edit, QPoint(-30, 60));
        QTest::mousePress(te.pic8x8Edit, Qt::RightButton, {}, QPoint(-30, 60));
        QCOMPARE(te.PixelCol(), -1);
        QTest::mouseRelease(te.pic8x8Edit, Qt::RightButton, {}, QPoint(-30, 60));
        QTest::mouseRelease(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(-30, 60));
        QCOMPARE(s.model.image(), before);
        // A swatch click only moves the border.
        QTest::mouseClick(te.picColorSelector[1], Qt::LeftButton);
        QCOMPARE(te.DrawingColor(), 1);
        QVERIFY(!te.picColorSelector[2]->bordered());
        QCOMPARE(s.model.image(), before);
    }

    void subPalette()
    {
        Session s;
        const int n = 44;
        frmTileEditor &te = s.editTile(n);
        QTest::mouseClick(te.picColorSelector[2], Qt::LeftButton);
        Bytes before = s.model.image();
        QTest::mouseClick(te.optPal[3], Qt::LeftButton);
        QCOMPARE(changedBytes(before, s.model.image()), QList<qint64>{0x7D0A + n});
        QCOMPARE(s.byte(0x7D0A + n), 3);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(te.picColorSelector[i]->color(), ExpectedBgColors(s.model)[12 + i]);
        s.press(0, 0);
        QCOMPARE(DecodeTilePixel(s.model.bytesAt(s.tileOf(n, 0), 16), 0, 0), 2); // still index 2

        // A stored byte above 3 shows as its low two bits and stays until an option is clicked.
        QVERIFY(s.model.writeByte(0x7D0A + n, 6));
        te.ShowMetaTile(n);
        QVERIFY(te.optPal[2]->isChecked());
        QCOMPARE(pictureDiff(te, s.model, n, 0), QString());
        QCOMPARE(s.byte(0x7D0A + n), 6);
        QTest::mouseClick(te.optPal[2], Qt::LeftButton);
        QCOMPARE(s.byte(0x7D0A + n), 2);
    }

    // One notice and one refresh each time the user leaves for another window of the
    // program, and once on closing; none for another application.
    void leavingAndClosing()
    {
        Session s;
        frmTileEditor &te = s.editTile(5);
        QSignalSpy refreshes(&s.window->editor(), &LevelEditor::tableDrawn);
        s.activate(&te);
        te.picColorSelector_Click((DecodeTilePixel(s.model.bytesAt(s.tileOf(5, 0), 16), 2, 2) + 1) % 4);
        s.press(2, 2);
        // The table shows metatile 5 at (34, 68); it shows the edit only once left.
        QVERIFY(!CompareMetaTile(s.window->picTile->image(), s.model, 5, 34, 68, ClearColor).isEmpty());
        s.activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(s.desktop.messages[0].title, QStringLiteral("Krelin V0.5"));
        QCOMPARE(s.desktop.messages[0].text, QStringLiteral("Editor Must Refresh!"));
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(CompareMetaTile(s.window->picTile->image(), s.model, 5, 34, 68, ClearColor), QString());
        QWidget other; // moving between other windows is no leaving
        other.show();
        s.activate(&other);
        s.activate(s.window.get());

        s.activate(&te);
        te.ActiveWindowChanged(nullptr); // another application
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 1);
        s.activate(s.window.get()); // back from there to the main window: left, unedited
        QTRY_COMPARE(s.desktop.messages.size(), 2);
        QCOMPARE(refreshes.size(), 2);

        s.activate(&te);
        QPointer<frmTileEditor> open(&te);
        te.close();
        QTRY_VERIFY(open.isNull());
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 3);
        QCOMPARE(refreshes.size(), 3);
    }

    void reopeningStartsAfresh()
    {
        Session s;
        frmTileEditor &te = s.editTile(9);
        moveOn(te.pic16x16, QPoint(50, 50));
        QTest::mouseClick(te.pic16x16, Qt::LeftButton);
        te.picColorSelector_Click(2);
        te.close();
        QTRY_VERIFY(s.window->tileEditor.isNull());
        s.window->mnuTileEditor->trigger();
        QVERIFY(s.window->tileEditor);
        QCOMPARE(s.te().cboTile->currentText(), QStringLiteral("Tile 00"));
        QCOMPARE(s.te().EditQuadrant(), 0);
        QCOMPARE(s.te().DrawingColor(), 0);
    }

    // The editor follows the main window to another stage and another image, keeping its
    // metatile number; an image too short for the stage shows blanks and takes no edit.
    void followsStageAndImage()
    {
        Session s;
        frmTileEditor &te = s.editTile(0x41);
        s.window->mnuEdit_Level_Click(S3);
        QCOMPARE(te.cboTile->currentText(), QStringLiteral("Tile 41"));
        QCOMPARE(te.hsSelector[1]->value(), s.byte(0xB677 + 4 * 0x41 + 1));
        QCOMPARE(pictureDiff(te, s.model, 0x41, 0), QString());

        // Another image, too short for the stage, as opening a file replaces it.
        s.model.replaceImage(Bytes(s.model.image().begin(), s.model.image().begin() + 0xB000));
        const Bytes before = s.model.image();
        QCOMPARE(te.hsSelector[0]->value(), 0);
        QCOMPARE(te.pic16x16->image().pixel(10, 10), ClearColor);
        s.press(1, 1);
        te.hsSelector[2]->setValue(7);
        QTest::mouseClick(te.optPal[1], Qt::LeftButton);
        QCOMPARE(s.model.image(), before);
        QCOMPARE(te.hsSelector[2]->value(), 0);
    }

    // Open a copy, choose a stage, edit through the window opened by Edit Tile, leave,
    // save: exactly those bytes and the fix-up differ from the original.
    void endToEnd()
    {
        Session s;
        QFile original(QStringLiteral(KRELIN_SAMPLE));
        QVERIFY(original.open(QIODevice::ReadOnly));
        QByteArray expected = original.readAll();
        const int n = 0x1C;
        frmTileEditor &te = s.editTile(n);
        const qint64 a = s.tileOf(n, 0);
        te.picColorSelector_Click(1);
        s.press(7, 0);
        te.picColorSelector_Click(2);
        s.press(0, 7);
        expected[a] = char((expected[a] | 0x01));
        expected[a + 8] = char(expected[a + 8] & ~0x01);
        expected[a + 7] = char(expected[a + 7] & ~0x80);
        expected[a + 15] = char(expected[a + 15] | 0x80);
        te.hsSelector[3]->setValue(0x77);
        expected[0x790A + 4 * n + 3] = char(0x77);
        const int p = (s.byte(0x7D0A + n) + 1) % 4;
        QTest::mouseClick(te.optPal[p], Qt::LeftButton);
        expected[0x7D0A + n] = char(p);
        s.activate(&te);
        s.activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        s.window->mnuSaveRom_Click();
        QCOMPARE(s.desktop.messages.size(), 1);
        expected[FixUpTarget] = expected[FixUpSource];
        expected[FixUpTarget + 1] = expected[FixUpSource + 1];
        QFile saved(s.romPath);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray written = saved.readAll();
        QCOMPARE(written.size(), expected.size());
        for (qsizetype i = 0; i < written.size(); ++i)
            if (written[i] != expected[i])
                QFAIL(qPrintable(QStringLiteral("byte 0x%1 differs").arg(i, 0, 16)));
    }
};

QTEST_MAIN(TestTileEditor)
#include "test_tileeditor.moc"
