// The tile editor driven through the real windows offscreen: opening from the main
// window, the redraw, the three kinds of edit checked byte by byte and bit by bit, the
// pictures checked against tiles decoded here, and the notice on leaving and closing.
#include "SavedImage.h"
#include "TileEditorSession.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "core/TileCodec.h"
#include "render/TilePainter.h"
#include "widgets/ColorSwatch.h"
#include "tileeditor/frmTileEditor.h"
#include "ui/frmKrelin.h"

#include <QAction>
#include <QApplication>
#include <QPointer>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

using Session = TileSession;

class TestTileEditor : public QObject
{
    Q_OBJECT

    // The first layout's controls keep their places (in the area below the menu bar);
    // no two controls overlap; the window and the main window fit side by side on a
    // 1024 x 768 screen.
    static void checkLayout(frmTileEditor &te, QWidget &main)
    {
        QWidget *area = te.findChild<QWidget *>(QStringLiteral("controls"));
        QVERIFY(area && area->y() >= te.menuBar->height());
        QCOMPARE(te.hsSelector[0]->geometry(), QRect(4, 4, 29, 13));
        QCOMPARE(te.hsSelector[3]->geometry(), QRect(40, 84, 29, 13));
        QCOMPARE(te.pic16x16->geometry(), QRect(4, 16, 68, 68));
        QCOMPARE(te.cboTile->geometry(), QRect(4, 124, 77, 21));
        QCOMPARE(te.optPal[2]->geometry(), QRect(40, 100, 13, 21));
        QCOMPARE(te.pic8x8Edit->size(), QSize(132, 132));
        const QList<QWidget *> controls = area->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        // The first layout lets the upper scroll bars touch the composite by a line.
        const auto first = [](QWidget *w) {
            return w->objectName().startsWith(QStringLiteral("hsSelector")) || w->objectName() == QStringLiteral("pic16x16");
        };
        for (QWidget *a : controls)
            for (QWidget *b : controls)
                if (a != b && !(first(a) && first(b)) && a->isVisible() && b->isVisible()
                    && a->geometry().intersects(b->geometry()))
                    QFAIL(qPrintable(QStringLiteral("%1 overlaps %2").arg(a->objectName(), b->objectName())));
        for (QWidget *w : controls)
            QVERIFY2(area->rect().contains(w->geometry()), qPrintable(w->objectName()));
        // The spin boxes sit in the rows of their scroll bars.
        for (int i = 0; i < 4; ++i)
            QVERIFY(te.spnTile[i]->geometry().top() <= te.hsSelector[i]->y()
                    && te.spnTile[i]->geometry().bottom() >= te.hsSelector[i]->geometry().bottom());
        QVERIFY(te.frameGeometry().width() + main.frameGeometry().width() <= 1024);
        QVERIFY(te.frameGeometry().height() <= 740);
    }

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
        frmTileEditor &te = s.editTile(n);
        QCOMPARE(te.windowTitle(), QStringLiteral("Tile Editor"));
        checkLayout(te, *s.window);
        QCOMPARE(te.lblShared->text(),
                 QStringLiteral("Tiles: Shared with 1B, 1C\nMetatiles: Shared with 1B, 1C, 2A, 2B, 2C"));
        QCOMPARE(te.cboTile->currentText(), entry);
        n = std::max(n, 0);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(te.hsSelector[i]->value(), s.byte(0x790A + 4 * n + i));
            QCOMPARE(te.spnTile[i]->value(), s.byte(0x790A + 4 * n + i));
        }
        const int p = s.byte(0x7D0A + n) % 4;
        QVERIFY(te.optPal[p]->isChecked());
        for (int i = 0; i < 4; ++i)
            QCOMPARE(te.picColorSelector[i]->color(), ExpectedBgColors(s.model)[4 * p + i]);
        QCOMPARE(pictureDiff(te, s.model, n, 0), QString());
        // Neither the redraw nor choosing the shown entry again writes anything.
        emit te.cboTile->activated(te.cboTile->currentIndex());
        QCOMPARE(s.model.image(), before);
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
            QCOMPARE(ChangedOffsets(before, s.model.image()), QList<qint64>{0x790A + 4 * 8 + i});
            te.hsSelector[i]->setValue(0x5C);
        }
        te.picColorSelector_Click(3);
        s.press(5, 6);
        QCOMPARE(s.pixel(8, 0, 5, 6), 3);
        for (int q = 0; q < 4; ++q)
            QCOMPARE(te.pic16x16->image().pixel(33 * (q & 1) + 21, 33 * (q >> 1) + 25),
                     ExpectedBgColors(s.model)[4 * (s.byte(0x7D0A + 8) % 4) + 3]);
        QCOMPARE(pictureDiff(te, s.model, 8, 0), QString());
    }

    void quadrantFromLastMove()
    {
        Session s;
        frmTileEditor &te = s.editTile(37);
        const std::pair<QPoint, int> cases[] = {{{32, 10}, 1}, {{10, 40}, 2}, {{40, 40}, 3}, {{31, 31}, 0}, {{5, 32}, 2}};
        for (auto [at, quadrant] : cases) {
            s.chooseQuadrant(at);
            QCOMPARE(te.EditQuadrant(), quadrant);
            QCOMPARE(pictureDiff(te, s.model, 37, quadrant), QString());
        }
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
        s.chooseQuadrant(QPoint(40 * (quadrant & 1), 40 * (quadrant >> 1)));
        const qint64 a = s.tileOf(n, quadrant);
        std::vector<std::uint8_t> tile(s.model.bytesAt(a, 16), s.model.bytesAt(a, 16) + 16);
        SetTilePixel(tile.data(), col, row, from);
        QVERIFY(s.model.writeBytes(a, tile));
        te.picColorSelector_Click(color);
        const Bytes before = s.model.image();
        s.press(col, row, Qt::MouseButton(button));
        const Bytes after = s.model.image();
        QCOMPARE(s.pixel(n, quadrant, col, row), color);
        const QList<qint64> changed = ChangedOffsets(before, after);
        QCOMPARE(changed.size(), ((from ^ color) & 1) + ((from ^ color) >> 1));
        for (qint64 i : changed) {
            QVERIFY(i == a + row || i == a + 8 + row);
            QCOMPARE(before[i] ^ after[i], 0x80 >> col);
        }
        QCOMPARE(pictureDiff(te, s.model, n, quadrant), QString());
        s.press(col, row, Qt::MouseButton(button));
        QCOMPARE(s.model.image(), after);
    }

    // A press whose last recorded cell is not on the grid changes no byte; neither does
    // a swatch click.
    void pressOffTheGrid()
    {
        Session s;
        frmTileEditor &te = s.editTile(3);
        QTest::mouseClick(te.picColorSelector[2], Qt::LeftButton);
        QCOMPARE(te.DrawingColor(), 2);
        QVERIFY(!te.picColorSelector[0]->isBordered());
        Bytes before = s.model.image();
        QTest::mouseClick(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(40, 40)); // no move yet
        for (QPoint p : {QPoint(130, 40), QPoint(40, 129), QPoint(0, 40), QPoint(40, 0)}) {
            moveOn(te.pic8x8Edit, p); // beyond the 128-pixel image, or on the border
            QTest::mouseClick(te.pic8x8Edit, Qt::RightButton, {}, QPoint(40, 40));
        }
        QCOMPARE(s.model.image(), before);
        // Pressed on the grid, dragged out while held (painting what it crosses), then
        // another button pressed out there.
        moveOn(te.pic8x8Edit, QPoint(40, 40));
        QTest::mousePress(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(40, 40));
        moveOn(te.pic8x8Edit, QPoint(-30, 60), Qt::LeftButton);
        before = s.model.image();
        QTest::mousePress(te.pic8x8Edit, Qt::RightButton, {}, QPoint(-30, 60));
        QCOMPARE(s.model.image(), before);
        // The buttons go up again: the program keeps the state of the buttons.
        QTest::mouseRelease(te.pic8x8Edit, Qt::RightButton, {}, QPoint(-30, 60));
        QTest::mouseRelease(te.pic8x8Edit, Qt::LeftButton, {}, QPoint(-30, 60));
    }

    void subPalette()
    {
        Session s;
        const int n = 44;
        frmTileEditor &te = s.editTile(n);
        te.picColorSelector_Click(2);
        const Bytes before = s.model.image();
        QTest::mouseClick(te.optPal[3], Qt::LeftButton);
        QCOMPARE(ChangedOffsets(before, s.model.image()), QList<qint64>{0x7D0A + n});
        QCOMPARE(s.byte(0x7D0A + n), 3);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(te.picColorSelector[i]->color(), ExpectedBgColors(s.model)[12 + i]);
        s.press(0, 0);
        QCOMPARE(s.pixel(n, 0, 0, 0), 2); // still index 2

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
    // program, and once on closing; none for another application. Reopened, the window
    // starts afresh.
    void leavingClosingReopening()
    {
        Session s;
        frmTileEditor &te = s.editTile(5);
        QSignalSpy refreshes(&te, &frmTileEditor::refreshWanted);
        activate(&te);
        te.picColorSelector_Click((s.pixel(5, 0, 2, 2) + 1) % 4);
        s.press(2, 2);
        s.chooseQuadrant(QPoint(40, 40));
        // The table shows metatile 5 at (34, 68); it shows the edit only once left.
        QVERIFY(!CompareMetaTile(Controls(s.window).picTile->image(), s.model, 5, 34, 68, ClearColor).isEmpty());
        activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(s.desktop.messages[0].title, QStringLiteral("Krelin V0.5"));
        QCOMPARE(s.desktop.messages[0].text, QStringLiteral("Editor Must Refresh!"));
        QCOMPARE(refreshes.size(), 1);
        QCOMPARE(CompareMetaTile(Controls(s.window).picTile->image(), s.model, 5, 34, 68, ClearColor), QString());
        QWidget other; // moving between other windows is no leaving
        other.show();
        activate(&other);
        activate(s.window.get());

        activate(&te);
        te.ActiveWindowChanged(nullptr); // another application
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 1);
        activate(s.window.get()); // from there back to the main window: left, unedited
        QTRY_COMPARE(s.desktop.messages.size(), 2);
        QCOMPARE(refreshes.size(), 2);

        activate(&te);
        te.close();
        QTRY_VERIFY((Controls(s.window).tileEditor == nullptr));
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 3);
        QCOMPARE(refreshes.size(), 3);

        Controls(s.window).mnuTileEditor->trigger();
        QCOMPARE(s.te().cboTile->currentText(), QStringLiteral("Tile 00"));
        QCOMPARE(s.te().EditQuadrant(), 0);
        QCOMPARE(s.te().DrawingColor(), 0);
    }

    // The editor follows the main window to another stage and another image, keeping its
    // metatile number. An image too short for the stage takes the stage off the window and
    // the editor with it; an editor left facing such an image shows blanks and takes no
    // edit.
    void followsStageAndImage()
    {
        Session s;
        frmTileEditor &te = s.editTile(0x41);
        Controls(s.window).mnuEdit_Level_Click(6); // stage 3
        QCOMPARE(te.cboTile->currentText(), QStringLiteral("Tile 41"));
        QCOMPARE(te.lblShared->text(), QStringLiteral("Tiles: Shared with 4A, 4B\nMetatiles: Shared with 4A, 4B"));
        QCOMPARE(te.hsSelector[1]->value(), s.byte(0xB677 + 4 * 0x41 + 1));
        QCOMPARE(pictureDiff(te, s.model, 0x41, 0), QString());

        const Bytes shortImage(s.model.image().begin(), s.model.image().begin() + 0xB000);
        QPointer<frmTileEditor> shown(&te);
        s.model.replaceImage(shortImage);
        QVERIFY(shown.isNull());
        QVERIFY(!s.model.currentStage());

        modKrelin model;
        model.replaceImage(shortImage);
        model.ApplyStage(StageTable[6]);
        EditHistory history(model);
        frmTileEditor alone(history, s.desktop);
        alone.ShowMetaTile(0x41);
        QCOMPARE(alone.hsSelector[0]->value(), 0);
        QCOMPARE(alone.pic16x16->image().pixel(10, 10), ClearColor);
        alone.pic8x8Edit_MouseMove(24, 24);
        alone.pic8x8Edit_MouseDown(Qt::LeftButton);
        alone.hsSelector[2]->setValue(7);
        alone.optPal_Click(1);
        QCOMPARE(model.image(), shortImage);
        QCOMPARE(alone.hsSelector[2]->value(), 0);
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
        const qint64 a = s.tileOf(n, 0), record = 0x790A + 4 * n, palette = 0x7D0A + n;
        te.picColorSelector_Click(1);
        s.press(7, 0);
        te.picColorSelector_Click(2);
        s.press(0, 7);
        te.hsSelector[3]->setValue(0x77);
        const int p = (s.byte(palette) + 1) % 4;
        QTest::mouseClick(te.optPal[p], Qt::LeftButton);
        activate(&te);
        activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        Controls(s.window).mnuSaveRom_Click();
        QCOMPARE(s.desktop.messages.size(), 1);

        expected[a] = char(expected[a] | 0x01);
        expected[a + 8] = char(expected[a + 8] & ~0x01);
        expected[a + 7] = char(expected[a + 7] & ~0x80);
        expected[a + 15] = char(expected[a + 15] | 0x80);
        expected[record + 3] = char(0x77);
        expected[palette] = char(p);
        ApplyFixUp(expected);
        const QString differs = SavedImageDiffers(s.romPath, expected);
        QVERIFY2(differs.isEmpty(), qPrintable(differs));
    }
};

QTEST_MAIN(TestTileEditor)
#include "test_tileeditor.moc"
