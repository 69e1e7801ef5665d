// The main window without a mouse, driven by keys typed to whatever has the focus: the
// focus rules and Tab, the map's and the table's cursors, typed metatile numbers, the menu
// key, a whole session that writes what a mouse session writes, the palette editor's
// arrows; and Go To of each kind.
#include "Bytes.h"
#include "MainWindowSession.h"

#include "core/StageTable.h"
#include "edit/CellsEditCommand.h"
#include "ui/GoToCommand.h"

#include <QApplication>
#include <QClipboard>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A session on stage 1A, its window active, keys going where the focus is.
struct KeySession : Session
{
    explicit KeySession(int stage = S1A)
    {
        window->activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
        Controls(window).mnuEdit_Level_Click(stage);
        QApplication::clipboard()->clear();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {}, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }
    void type(const QString &text) { QTest::keyClicks(QApplication::focusWidget(), text); }
    QWidget *focus() const { return QApplication::focusWidget(); }
    qint64 cell(int frame, int col, int row) const { return LevelCellOffset(*model.currentStage(), frame, col, row); }
    GoToCommand &goTo() { return Part<GoToCommand>(window.get()); }
    // Go To as the user does it: Ctrl+G, the text typed, Enter.
    void goTo(const QString &text)
    {
        desktop.textAnswers.enqueue(text);
        QTest::keyClick(window.get(), Qt::Key_G, Qt::ControlModifier);
    }
};

} // namespace

class TestKeyboard : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void focusGoesRoundAndTheCursorShows()
    {
        KeySession s;
        const Controls c(s.window);
        QCOMPARE(s.focus(), c.picEditor);
        QVERIFY(hasWhiteFrame(s.map(), 0, 0));
        // The arrows are the map's: the room box keeps its room.
        const int room = c.cboRoomEditor->currentIndex();
        s.key(Qt::Key_Down, {}, 2);
        s.key(Qt::Key_Right);
        QCOMPARE(s.tools().cell(), (StageCell{0, 2, 1}));
        QVERIFY(hasWhiteFrame(s.map(), 1, 2) && !hasWhiteFrame(s.map(), 0, 0));
        QCOMPARE(c.cboRoomEditor->currentIndex(), room);
        QVERIFY(c.sbStatus->lblPointer->text().startsWith(QStringLiteral("Row 2 \u00B7 Column 1 \u00B7")));
        // At the map's edge the arrows go on into the next frame.
        s.key(Qt::Key_Right, {}, 15);
        QCOMPARE(c.hLevel_Frames->value(), 1);
        QCOMPARE(s.tools().cell(), (StageCell{1, 2, 0}));
        QVERIFY(hasWhiteFrame(s.map(), 0, 2));
        // Tab: the table, the room box, the map again; the scroll bars and the button never.
        s.key(Qt::Key_Tab);
        QCOMPARE(s.focus(), c.picTile);
        QVERIFY(hasWhiteFrame(s.table(), c.editor().TableCol(), c.editor().TableRow()));
        s.key(Qt::Key_Tab);
        QCOMPARE(s.focus(), c.cboRoomEditor);
        s.key(Qt::Key_Tab);
        QCOMPARE(s.focus(), c.picEditor);
    }

    void typedNumbersAndTheMenuKey()
    {
        KeySession s;
        const Controls c(s.window);
        // B and F choose tools alone; before a second digit they are a number's.
        s.type(QStringLiteral("B5"));
        QCOMPARE(c.editor().SelectedMetaTile(), 0xB5);
        QCOMPARE(s.tools().tool(), MapTool::Place);
        QCOMPARE(c.hsTable->value(), 0xB);
        s.type(QStringLiteral("2f"));
        QCOMPARE(c.editor().SelectedMetaTile(), 0x2F);
        s.key(Qt::Key_B);
        QCOMPARE(s.tools().tool(), MapTool::Paint);
        s.key(Qt::Key_Escape);
        // The menu key and Shift+F10 pick the metatile under the cursor.
        s.key(Qt::Key_Right, {}, 4);
        s.key(Qt::Key_Menu);
        QCOMPARE(c.editor().SelectedMetaTile(), s.byte(s.cell(0, 4, 0)));
        s.key(Qt::Key_Down, {}, 3);
        s.key(Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(c.editor().SelectedMetaTile(), s.byte(s.cell(0, 4, 3)));
        // In the table the arrows walk the metatiles, turning the page; Enter chooses.
        s.key(Qt::Key_Tab);
        s.type(QStringLiteral("4E"));
        QCOMPARE(c.editor().SelectedMetaTile(), 0x4E);
        s.key(Qt::Key_Down);
        s.key(Qt::Key_Right);
        QCOMPARE(c.hsTable->value(), 5);
        s.key(Qt::Key_Return);
        QCOMPARE(c.editor().SelectedMetaTile(), 0x51);
    }

    // The same edits, once with the mouse and once with the keys, write the same bytes.
    void keyboardSessionWritesWhatTheMouseWrites()
    {
        Bytes byMouse;
        {
            KeySession s;
            s.pick(3, 1, 2); // metatile 35
            s.clickOnMap(3, 4);
            QTest::mousePress(Controls(s.window).picEditor, Qt::LeftButton, Qt::ShiftModifier, cellPoint(5, 6));
            QTest::mouseMove(Controls(s.window).picEditor, cellPoint(7, 7));
            QTest::mouseRelease(Controls(s.window).picEditor, Qt::LeftButton, Qt::ShiftModifier, cellPoint(7, 7));
            QTest::keyClick(s.window.get(), Qt::Key_C, Qt::ControlModifier);
            s.moveOnMap(10, 2);
            QTest::keyClick(s.window.get(), Qt::Key_V, Qt::ControlModifier);
            s.clickOnMap(10, 2);
            byMouse = s.model.image();
        }
        KeySession s;
        const Bytes original = s.model.image();
        s.key(Qt::Key_Tab); // the table
        s.key(Qt::Key_Right, {}, 3);
        s.type(QStringLiteral("35"));
        s.key(Qt::Key_Return);
        s.key(Qt::Key_Tab, {}, 2); // past the room box, back to the map
        s.key(Qt::Key_Right, {}, 3);
        s.key(Qt::Key_Down, {}, 4);
        s.key(Qt::Key_Return);
        // The cursor stays on the cell it placed into.
        QVERIFY(original[std::size_t(s.cell(0, 3, 4))] != 0x35);
        QCOMPARE(s.byte(s.cell(0, 3, 4)), 0x35);
        QVERIFY2(hasWhiteFrame(s.map(), 3, 4), "the keyboard's cursor went from the cell placed into");
        s.key(Qt::Key_Right, {}, 2);
        s.key(Qt::Key_Down, {}, 2);
        s.key(Qt::Key_Right, Qt::ShiftModifier, 2);
        s.key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(s.tools().selection(), QRect(5, 6, 3, 2));
        s.key(Qt::Key_C, Qt::ControlModifier);
        s.key(Qt::Key_V, Qt::ControlModifier);
        s.key(Qt::Key_Up, {}, 5);
        s.key(Qt::Key_Right, {}, 3);
        s.key(Qt::Key_Return);
        QVERIFY(s.model.image() != original);
        QCOMPARE(ChangedOffsets(original, s.model.image()), ChangedOffsets(original, byMouse));
        QVERIFY(s.model.image() == byMouse);
    }

    void paletteEditorByKeys()
    {
        KeySession s(S3);
        QTest::keyClick(s.window.get(), Qt::Key_P, Qt::ControlModifier);
        frmPalEditor *palette = Controls(s.window).palEditor;
        QVERIFY(palette);
        QTRY_COMPARE(s.focus(), palette);
        QVERIFY(palette->picPal[1]->hasCursor());
        s.key(Qt::Key_Right);
        s.key(Qt::Key_Space);
        QCOMPARE(palette->selectedEntry(), 2);
        QVERIFY(palette->picPal[2]->hasCursor() && !palette->picPal[1]->hasCursor());
        // Down past the last row of swatches goes on into the master colours under it.
        s.key(Qt::Key_Down, {}, 4);
        QCOMPARE(palette->keyCursor(), 16 + 8);
        s.key(Qt::Key_Right);
        s.key(Qt::Key_Down);
        const Bytes before = s.model.image();
        s.desktop.yesNoAnswers << false;
        s.key(Qt::Key_Return);
        QCOMPARE(ChangedOffsets(before, s.model.image()), QList<qint64>{s.model.PalOffset + 2});
        QCOMPARE(s.byte(s.model.PalOffset + 2), 16 + 9);
        s.key(Qt::Key_Up, {}, 2);
        QCOMPARE(palette->keyCursor(), 14);
    }

    // ---- Go To ----------------------------------------------------------------------------
    void goToEachKind()
    {
        KeySession s;
        const Controls c(s.window);
        s.goTo(QStringLiteral("5"));
        QCOMPARE(c.hLevel_Frames->value(), 5);
        QCOMPARE(s.tools().cell().frame, 5);
        s.goTo(QStringLiteral("3:12"));
        QCOMPARE(s.model.currentStage(), &StageTable[S3]);
        QCOMPARE(c.hLevel_Frames->value(), 12);

        // A metatile: the next cell holding it after the cursor, then the one after.
        const Stage &three = StageTable[S3];
        int n = -1;
        QList<StageCell> holding;
        for (int f = 12; f < three.Frames && holding.size() < 2; ++f)
            for (int k = 0; k < 240 && holding.size() < 2; ++k)
                if (n < 0 ? s.byte(three.LevelOffset + 240 * f + k) != 0 : s.byte(three.LevelOffset + 240 * f + k) == n) {
                    if (n < 0)
                        n = s.byte(three.LevelOffset + 240 * f + k);
                    if (f > 12 || k > 0)
                        holding << StageCell{f, k / 16, k % 16};
                }
        QVERIFY(holding.size() == 2);
        s.tools().setCell(MapView::Main, {12, 0, 0});
        s.goTo(QStringLiteral("M%1").arg(HexByte(n)));
        QCOMPARE(s.tools().cell(), holding[0]);
        QCOMPARE(c.hLevel_Frames->value(), holding[0].frame);
        s.goTo(QStringLiteral("m%1").arg(HexByte(n).toLower()));
        QCOMPARE(s.tools().cell(), holding[1]);

        // Offsets: a cell, a metatile's record, a palette entry, each with its stage.
        s.goTo(QStringLiteral("0x9929"));
        QCOMPARE(s.model.currentStage(), &StageTable[S3]);
        QCOMPARE(s.tools().cell(), (StageCell{0, (0x9929 - 0x9877) / 16, (0x9929 - 0x9877) % 16}));
        s.goTo(QStringLiteral("0x%1").arg(QString::number(StageTable[S5].MetaTileOffset + 4 * 0x2F + 3, 16)));
        QCOMPARE(s.model.currentStage(), &StageTable[S5]);
        QCOMPARE(c.editor().SelectedMetaTile(), 0x2F);
        QCOMPARE(c.hsTable->value(), 2);
        // A palette entry: the palette editor comes forward with its swatch chosen, the keys
        // going on from it.
        s.goTo(QStringLiteral("$%1").arg(QString::number(StageTable[S5].PalOffset + 6, 16)));
        QTRY_VERIFY(Controls(s.window).palEditor);
        frmPalEditor *palette = Controls(s.window).palEditor;
        QTRY_COMPARE(QApplication::activeWindow(), palette);
        QCOMPARE(palette->selectedEntry(), 6);
        QCOMPARE(palette->keyCursor(), 6);
        QCOMPARE(c.sbStatus->currentMessage(), QStringLiteral("0x%1: stage 5, palette entry 6").arg(QString::number(StageTable[S5].PalOffset + 6, 16).toUpper()));
        // Stage 1A's first entry, typed in the main window again.
        s.window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), s.window.get());
        s.goTo(QStringLiteral("$43F8"));
        QTRY_COMPARE(QApplication::activeWindow(), palette);
        QCOMPARE(s.model.currentStage(), &StageTable[S1A]);
        QCOMPARE(palette->selectedEntry(), 0);
        QVERIFY(palette->picPal[0]->hasCursor());
        QCOMPARE(c.sbStatus->currentMessage(), QStringLiteral("0x43F8: stage 1A, palette entry 0"));
        QVERIFY(s.desktop.messages.isEmpty());
        s.window->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), s.window.get());

        // What names no place is refused, and says why.
        for (const auto &[text, says] : {std::pair{"castle", "no place to go"}, {"3:24", "frames 0 to 23"},
                                         {"0x00000003", "no stage"}, {"0xFFFFFF", "past the end"}}) {
            s.goTo(QLatin1String(text));
            QVERIFY2(!s.desktop.messages.isEmpty() && s.desktop.messages.last().text.contains(QLatin1String(says)),
                     qPrintable(s.desktop.messageTexts()));
        }
        QCOMPARE(s.model.currentStage(), &StageTable[S1A]);
    }
};

QTEST_MAIN(TestKeyboard)
#include "test_keyboard.moc"
