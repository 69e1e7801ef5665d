// The tile editor made for work, driven through the real windows offscreen: tile numbers
// typed and held, the tile sheet, the outlines and pixel lines, strokes, keys, picking,
// filling, turning, copying; whose window it is; and the notice on leaving: once, after
// the click, before a dialog, or never again.
#include "TileEditorSession.h"
#include "core/Preferences.h"
#include "core/TileTransforms.h"
#include "tileeditor/LeavingNotice.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditHistory.h"
#include "ui/PreferencesDialog.h"
#include "views/LevelEditor.h"

#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QUndoView>

using namespace krelin;
using namespace krelin::testing;

namespace {

QUndoStack &stack(TileSession &s)
{
    return Controls(s.window).history().stack();
}

TileData tileAt(const TileSession &s, qint64 at)
{
    return ReadTile(s.model.bytesAt(at, 16));
}

// A key event as the window system sends a key held down: a press, then for each repeat
// a release and a press marked as repeats, and a release at last.
void key(QWidget *w, QEvent::Type type, Qt::Key k, bool repeat)
{
    QKeyEvent event(type, k, {}, QString(), repeat);
    QApplication::sendEvent(w, &event);
}

// A button press or release on w through its window, as the window system delivers it:
// the program then knows the button is down.
void button(QWidget *w, bool press, QPoint at)
{
    const QPoint inWindow = w->mapTo(w->window(), at);
    if (press)
        QTest::mousePress(w->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
    else
        QTest::mouseRelease(w->window()->windowHandle(), Qt::LeftButton, {}, inWindow);
}

} // namespace

class TestTileWork : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // A typed number writes its byte once; the scroll bar follows. An arrow held on a
    // scroll bar, and a key repeating in a spin box, are one step each.
    void tileNumbers()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x14);
        const qint64 record = 0x790A + 4 * 0x14;
        te.spnTile[1]->selectAll();
        QTest::keyClicks(te.spnTile[1], QStringLiteral("3c"));
        QCOMPARE(s.byte(record + 1), s.model.image()[record + 1]); // nothing yet: typing is not done
        QTest::keyClick(te.spnTile[1], Qt::Key_Return);
        QCOMPARE(s.byte(record + 1), 0x3C);
        QCOMPARE(te.spnTile[1]->text(), QStringLiteral("3C"));
        QCOMPARE(te.hsSelector[1]->value(), 0x3C);
        QCOMPARE(stack(s).count(), 1);

        // Held on the right arrow until it repeats.
        QScrollBar *bar = te.hsSelector[2];
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Horizontal;
        option.minimum = 0;
        option.maximum = 255;
        const QPoint arrow =
            bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarAddLine, bar).center();
        const int before = s.byte(record + 2);
        int afterFirst = before;
        for (int hold = 0; hold < 2; ++hold) {
            const int start = s.byte(record + 2);
            QTest::mousePress(bar, Qt::LeftButton, {}, arrow);
            QTRY_VERIFY((s.byte(record + 2) - start + 256) % 256 >= 4);
            QTest::mouseRelease(bar, Qt::LeftButton, {}, arrow);
            QCOMPARE(stack(s).count(), 2 + hold);
            afterFirst = hold == 0 ? s.byte(record + 2) : afterFirst;
        }

        // A key held in a spin box repeats (and the spin box speeds up on its own): one
        // step; pressed again: another.
        te.spnTile[3]->setFocus();
        const int last = s.byte(record + 3);
        key(te.spnTile[3], QEvent::KeyPress, Qt::Key_Up, false);
        for (int i = 0; i < 5; ++i) {
            key(te.spnTile[3], QEvent::KeyRelease, Qt::Key_Up, true);
            key(te.spnTile[3], QEvent::KeyPress, Qt::Key_Up, true);
        }
        QTest::qWait(100);
        key(te.spnTile[3], QEvent::KeyRelease, Qt::Key_Up, false);
        QVERIFY((s.byte(record + 3) - last + 256) % 256 >= 6);
        QCOMPARE(stack(s).count(), 4);
        key(te.spnTile[3], QEvent::KeyPress, Qt::Key_Down, false);
        key(te.spnTile[3], QEvent::KeyRelease, Qt::Key_Down, false);
        QCOMPARE(stack(s).count(), 5);
        stack(s).setIndex(2); // back over the two keys and the second hold
        QCOMPARE(s.byte(record + 3), last);
        QCOMPARE(s.byte(record + 2), afterFirst);
        stack(s).undo();
        QCOMPARE(s.byte(record + 2), before);
    }

    // The sheet shows the stage's tiles in the metatile's sub-palette and outlines the tile
    // of the quadrant in the grid; a click gives that quadrant the tile clicked.
    void tileSheet()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x09);
        s.chooseQuadrant(QPoint(40, 40));
        const auto bg = ExpectedBgColors(s.model);
        const int p = s.byte(0x7D0A + 0x09) % 4;
        const QImage &sheet = te.picTileSheet->image();
        for (int t : {0x00, 0x24, 0x7F, 0xFF})
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int v = DecodeTilePixel(s.model.bytesAt(s.model.ChrOffset + 16 * t, 16), x / 2, y / 2);
                    QCOMPARE(sheet.pixel(2 + 19 * (t % 16) + x, 2 + 19 * (t / 16) + y), bg[4 * p + v]);
                }
        const auto outlined = [&](int t) {
            return sheet.pixel(19 * (t % 16), 19 * (t / 16) + 8) == 0xFFFFFFFF
                && sheet.pixel(19 * (t % 16) + 19, 19 * (t / 16) + 1) == 0xFFFFFFFF;
        };
        QVERIFY(outlined(s.byte(0x790A + 4 * 0x09 + 3)));
        const QPoint tile(1 + 2 + 19 * 10 + 8, 1 + 2 + 19 * 5 + 8); // tile 5A, border included
        moveOn(te.picTileSheet, tile);
        QCOMPARE(te.picTileSheet->toolTip(), QStringLiteral("Tile 5A"));
        QTest::mouseClick(te.picTileSheet, Qt::LeftButton, {}, tile);
        QCOMPARE(s.byte(0x790A + 4 * 0x09 + 3), 0x5A);
        QCOMPARE(te.OutlinedSheetTile(), 0x5A);
        QVERIFY(outlined(0x5A));
        QCOMPARE(stack(s).count(), 1);
    }

    // The quadrant in the grid is outlined in the composite, white outside, black inside;
    // the grid's pixel lines shade each cell's first row and column, and go with the menu.
    void outlineAndPixelLines()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x2D);
        for (int q : {1, 2}) {
            s.chooseQuadrant(QPoint(40 * (q & 1), 40 * (q >> 1)));
            const QImage &c = te.pic16x16->image();
            const int x = 33 * (q & 1), y = 33 * (q >> 1);
            for (int i = 0; i < 32; ++i) {
                QCOMPARE(c.pixel(x + i, y), 0xFFFFFFFFu);
                QCOMPARE(c.pixel(x + 31, y + i), 0xFFFFFFFFu);
                QCOMPARE(c.pixel(x + 1 + i % 30, y + 1), 0xFF000000u);
            }
            QCOMPARE(pictureDiff(te, s.model, 0x2D, q), QString());
        }
        QVERIFY(te.mnuPixelGrid->isChecked());
        const QImage &g = te.pic8x8Edit->image();
        for (int cell = 1; cell < 8; ++cell) {
            const QRgb inside = g.pixel(16 * cell + 8, 8), line = g.pixel(16 * cell, 8);
            QVERIFY(line != inside);
            QCOMPARE(qGray(line) < qGray(inside), qGray(inside) >= 128);
        }
        te.mnuPixelGrid->trigger();
        QVERIFY(!te.showsPixelGrid());
        QCOMPARE(pictureDiff(te, s.model, 0x2D, 2), QString());
        QCOMPARE(te.pic8x8Edit->image().pixel(16, 8), te.pic8x8Edit->image().pixel(17, 8));
    }

    // A drag paints every cell it crosses, even when the pointer skips cells: one step per
    // stroke. Keys 1-4 choose the colour; Ctrl+click picks it; Shift+click fills.
    void strokesKeysPickAndFill()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x30);
        const qint64 tile = s.tileOf(0x30, 0);
        activate(&te);
        QTest::keyClick(&te, Qt::Key_3);
        QCOMPARE(te.DrawingColor(), 2);
        const TileData before = tileAt(s, tile);
        moveOn(te.pic8x8Edit, TileSession::cellPoint(0, 0));
        QTest::mousePress(te.pic8x8Edit, Qt::LeftButton, {}, TileSession::cellPoint(0, 0));
        moveOn(te.pic8x8Edit, TileSession::cellPoint(7, 7), Qt::LeftButton); // skips six cells
        moveOn(te.pic8x8Edit, TileSession::cellPoint(7, 2), Qt::LeftButton);
        QTest::mouseRelease(te.pic8x8Edit, Qt::LeftButton, {}, TileSession::cellPoint(7, 2));
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j) {
                const bool crossed = j == r || (j == 7 && r >= 2);
                QCOMPARE(s.pixel(0x30, 0, j, r), crossed ? 2 : DecodeTilePixel(before.data(), j, r));
            }
        QCOMPARE(stack(s).count(), 1);
        QCOMPARE(pictureDiff(te, s.model, 0x30, 0), QString());
        s.press(3, 5, Qt::LeftButton);
        QCOMPARE(stack(s).count(), 1 + (DecodeTilePixel(before.data(), 3, 5) != 2));

        s.press(6, 1, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(te.DrawingColor(), s.pixel(0x30, 0, 6, 1));
        const int steps = stack(s).count();
        s.press(6, 1, Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(stack(s).count(), steps); // picking writes nothing
        QTest::keyClick(&te, Qt::Key_1);
        const TileData unfilled = tileAt(s, tile);
        s.press(4, 0, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(tileAt(s, tile) == Filled(unfilled, 4, 0, 0));
        QVERIFY(stack(s).undoText().startsWith(QStringLiteral("Fill ")));
        QVERIFY(stack(s).undoText().endsWith(QStringLiteral(" of tile ") + HexByte(int((tile - s.model.ChrOffset) / 16))));
    }

    // H, V and R flip and turn the tile in the grid, one step each; Ctrl+C and Ctrl+V copy
    // its pixels to the tile of another quadrant; a paste of anything else does nothing.
    void turnsCopyAndPaste()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x1C);
        activate(&te);
        const qint64 tile = s.tileOf(0x1C, 0);
        TileData expected = tileAt(s, tile);
        QTest::keyClick(&te, Qt::Key_H);
        expected = FlippedHorizontally(expected);
        QTest::keyClick(&te, Qt::Key_V);
        expected = FlippedVertically(expected);
        te.mnuRotate->trigger();
        expected = RotatedQuarterTurn(expected);
        QVERIFY(tileAt(s, tile) == expected);
        QCOMPARE(stack(s).count(), 3);
        QCOMPARE(pictureDiff(te, s.model, 0x1C, 0), QString());

        QTest::keyClick(&te, Qt::Key_C, Qt::ControlModifier);
        s.chooseQuadrant(QPoint(40, 0));
        const qint64 other = s.tileOf(0x1C, 1);
        QVERIFY(other != tile);
        QTest::keyClick(&te, Qt::Key_V, Qt::ControlModifier);
        QVERIFY(tileAt(s, other) == expected);
        QCOMPARE(stack(s).undoText(), QStringLiteral("Paste Tile ") + HexByte(int((other - s.model.ChrOffset) / 16)));
        QGuiApplication::clipboard()->setText(QStringLiteral("0123456789abcdef"));
        const Bytes now = s.model.image();
        te.mnuPasteTile->trigger();
        QVERIFY(s.model.image() == now);
    }

    // The tool windows belong to the main window: they go when it is minimised into the
    // tray and come back with it, the history too; Edit > History always shows it.
    void ownedByTheMainWindow()
    {
        TileSession s;
        Controls(s.window).mnuEditPalette_Click();
        Controls(s.window).mnuHistory_Click();
        frmTileEditor &te = s.editTile(0);
        activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        const QList<QWidget *> tools{&te, Controls(s.window).palEditor, Controls(s.window).historyWindow};
        for (QWidget *w : tools) {
            QCOMPARE(w->windowType(), Qt::Tool);
            QCOMPARE(w->parentWidget(), s.window.get());
            QCOMPARE(w->windowHandle()->transientParent(), s.window->windowHandle());
        }
        for (int round = 0; round < 2; ++round) {
            s.window->showMinimized();
            QTRY_VERIFY(s.window->isHidden());
            for (QWidget *w : tools)
                QVERIFY(!w->isVisible());
            if (round == 0)
                s.window->TrayIcon_Activated();
            else
                Controls(s.window).mnuTrayIconRight_Restore->trigger();
            for (QWidget *w : tools)
                QTRY_VERIFY(w->isVisible());
            // The windows coming back are no leaving of the tile editor.
            QTest::qWait(LeavingNotice::SettleMilliseconds + 100);
            QCOMPARE(s.desktop.messages.size(), 1);
        }
        // Gone with the main window, the history still shows on asking.
        s.window->showMinimized();
        QTRY_VERIFY(!tools[2]->isVisible());
        Controls(s.window).mnuHistory_Click();
        QVERIFY(tools[2]->isVisible());
    }

    // The notice waits until the click that left the tile editor is done; then the window
    // clicked has the activation, and a click there shows no second notice.
    void noticeAfterTheClick()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x05);
        activate(&te);
        s.press(1, 1);
        Controls(s.window).mnuHistory_Click();
        auto *view = qobject_cast<QUndoView *>(Controls(s.window).historyWindow);
        QSignalSpy started(&te, &frmTileEditor::editingStarted);
        const QPoint first = view->visualRect(view->model()->index(0, 0)).center();
        button(view->viewport(), true, first); // the press that activates the window
        activate(view);
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 0); // the button is still down
        button(view->viewport(), false, first);
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        QTRY_VERIFY(QApplication::activeWindow() == view);
        QCOMPARE(stack(s).index(), 0); // the click undid the stroke
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(1, 0)).center());
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(started.size(), 0);
    }

    // A dialog opened by a key from the tile editor shows after the notice, never under
    // it. Ticked "Don't ask again", the notice stops and the main window follows each
    // change at once; the Preferences turn it back on.
    void noticeBeforeDialogsAndDontAskAgain()
    {
        TileSession s;
        frmTileEditor &te = s.editTile(0x05);
        activate(&te);
        bool dialogUp = true;
        QObject::connect(&te, &frmTileEditor::refreshWanted, [&] {
            dialogUp = s.window->findChild<PreferencesDialog *>() && onScreen(s.window->findChild<PreferencesDialog *>());
        });
        s.desktop.checkAnswers << true;
        QTest::keyClick(&te, Qt::Key_Comma, Qt::ControlModifier);
        auto *dialog = s.window->findChild<PreferencesDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(s.desktop.noticeHadCheck, QList<bool>{true});
        QVERIFY(!dialogUp);
        QVERIFY(!dialog->chkTileEditorNotice->isChecked()); // ticked at the notice
        dialog->reject();

        activate(&te);
        te.picColorSelector_Click((s.pixel(5, 0, 3, 3) + 1) % 4);
        s.press(3, 3);
        QVERIFY(!Controls(s.window).editor().waitsForTileEditor());
        QCOMPARE(CompareMetaTile(Controls(s.window).picTile->image(), s.model, 5, 34, 68, ClearColor), QString());
        activate(s.window.get());
        QTest::qWait(50);
        QCOMPARE(s.desktop.messages.size(), 1);

        Controls(s.window).mnuPreferences->trigger();
        dialog = s.window->findChild<PreferencesDialog *>();
        dialog->chkTileEditorNotice->setChecked(true);
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        activate(&te);
        QVERIFY(Controls(s.window).editor().waitsForTileEditor());
        activate(s.window.get());
        QTRY_COMPARE(s.desktop.messages.size(), 2);
    }
};

QTEST_MAIN(TestTileWork)
#include "test_tilework.moc"
