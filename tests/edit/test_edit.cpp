// Level editing through the real main window: stage selection, picking from the metatile
// table, placing into the level map, frames, pages and rooms, checked by the bytes of the
// image and the pixels of the surfaces.
#include "SavedImage.h"
#include "Bytes.h"
#include "MainWindowSession.h"

#include "core/RomFile.h"
#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "views/CellMapping.h"
#include "views/StatusText.h"
#include "render/MapHint.h"
#include "paleditor/frmPalEditor.h"
#include "tileeditor/frmTileEditor.h"
#include "ui/MainStatusBar.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <memory>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Turns the mouse wheel over a widget: dy < 0 towards the user, in eighths of a degree.
void turnWheel(QWidget *widget, int dy, int dx = 0)
{
    const QPointF pos(20, 20);
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(dx, dy), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(widget, &event);
}

// n as two upper-case hexadecimal digits.
QString Hex2(int n)
{
    return QString::number(n, 16).toUpper().rightJustified(2, u'0');
}

// "Room 0B": the room box's entry for room n.
QString RoomText(int n)
{
    return QStringLiteral("Room ") + Hex2(n);
}

} // namespace

class TestEdit : public QObject
{
    Q_OBJECT

private slots:
    void pointerPositionsMapToCells_data();
    void pointerPositionsMapToCells();
    void stageSelectionSetsUpControls();
    void stageSelectionDrawsEachViewOnce();
    void stageSelectionShowsFirstFrameAndPage();
    void handlersAreInertBeforeAStage();
    void pickingSelectsFromThePage();
    void clickBeforeAnyMoveUsesCellZero();
    void placingWritesOneByte();
    void placedMetaTileSurvivesFrameChange();
    void whiteFrameFollowsThePointer();
    void pageChangeRedrawsTableKeepsSelection();
    void dragPlacesOnlyAtRelease();
    void positionsLeftOrAboveAreIgnored();
    void roomChoiceWritesFrameTable();
    void roomBoxIsDisarmedDuringSelection();
    void roomBoxShowsRoomOfFrame();
    void statusTexts();
    void wheelKeysAndStatusBar();
    void openWhileStagedDrawsNewImage();
    void endToEndEditAndSave();
};

void TestEdit::pointerPositionsMapToCells_data()
{
    QTest::addColumn<double>("position");
    QTest::addColumn<int>("lastCell");
    QTest::addColumn<int>("cell");
    // The level map: 16 columns, 15 rows.
    QTest::newRow("x 33.4") << 33.4 << 15 << 0;
    QTest::newRow("x 33.5 rounds to 34") << 33.5 << 15 << 1;
    QTest::newRow("x 34") << 34.0 << 15 << 1;
    QTest::newRow("x 543") << 543.0 << 15 << 15;
    QTest::newRow("x 544 clamps") << 544.0 << 15 << 15;
    QTest::newRow("x far right") << 1e9 << 15 << 15;
    QTest::newRow("y 475") << 475.0 << 14 << 13;
    QTest::newRow("y 476") << 476.0 << 14 << 14;
    QTest::newRow("y 509") << 509.0 << 14 << 14;
    QTest::newRow("y 510 clamps") << 510.0 << 14 << 14;
    QTest::newRow("half to even: 67.5 rounds to 68") << 67.5 << 15 << 2;
    QTest::newRow("half to even: 66.5 rounds to 66") << 66.5 << 15 << 1;
    // The table: 2 columns, 8 rows.
    QTest::newRow("table x 33") << 33.0 << 1 << 0;
    QTest::newRow("table x 68 clamps") << 68.0 << 1 << 1;
    QTest::newRow("table y 237") << 237.0 << 7 << 6;
    QTest::newRow("table y 238") << 238.0 << 7 << 7;
    QTest::newRow("table y 1000") << 1000.0 << 7 << 7;
    // Left of or above the surface: no cell.
    QTest::newRow("-0.4 rounds to 0") << -0.4 << 15 << 0;
    QTest::newRow("-1") << -1.0 << 15 << -1;
    QTest::newRow("far left") << -1e9 << 7 << -1;
}

void TestEdit::pointerPositionsMapToCells()
{
    QFETCH(double, position);
    QFETCH(int, lastCell);
    QFETCH(int, cell);
    QCOMPARE(CellFromPosition(position, CellPitch, lastCell), cell);
}

void TestEdit::stageSelectionSetsUpControls()
{
    Session s;
    struct Expect
    {
        int stage, maximum, rooms;
        const char *first, *last;
    };
    const Expect cases[] = {
        {S2C, 0, 12, "Room 00", "Room 0B"},
        {S7, 0, 12, "Room 00", "Room 0B"},
        {S3, 23, 12, "Room 00", "Room 0B"},
        {S2A, 6, 32, "Room 0C", "Room 2B"},
        {S1A, 6, 12, "Room 00", "Room 0B"},
    };
    for (const Expect &e : cases) {
        QVERIFY(Controls(s.window).mnuEdit_Level_Click(e.stage));
        QCOMPARE(Controls(s.window).hLevel_Frames->maximum(), e.maximum);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 0);
        QCOMPARE(Controls(s.window).hsTable->maximum(), 15);
        QCOMPARE(Controls(s.window).hsTable->value(), 0);
        QCOMPARE(Controls(s.window).cboRoomEditor->count(), e.rooms);
        QCOMPARE(Controls(s.window).cboRoomEditor->itemText(0), QString::fromLatin1(e.first));
        QCOMPARE(Controls(s.window).cboRoomEditor->itemText(e.rooms - 1), QString::fromLatin1(e.last));
        // The room box shows frame 0's room: its entry, or, for a byte that is none of the
        // stage's rooms, the room all the same, as no entry.
        const int room = s.byte(StageTable[e.stage].FrameTableOffset);
        QComboBox *box = Controls(s.window).cboRoomEditor;
        QCOMPARE(box->currentIndex(), box->findText(RoomText(room)));
        if (box->currentIndex() < 0)
            QCOMPARE(box->placeholderText(), RoomText(room));
        int checked = 0;
        for (QAction *a : Controls(s.window).mnuEdit_Level_Stage)
            checked += a->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(Controls(s.window).mnuEdit_Level_Stage[e.stage]->isChecked());
        QVERIFY(s.editor().stageLoaded());
        QVERIFY(Controls(s.window).mnuEditPalette->isEnabled());
        QVERIFY(Controls(s.window).mnuTileEditor->isEnabled());
        QVERIFY(Controls(s.window).cmdEditTile->isEnabled());
        QCOMPARE(s.editor().SelectedMetaTile(), 0);
    }
    // From 1A to 2A the tiles move to the next bank; the metatiles stay.
    Controls(s.window).mnuEdit_Level_Click(S1A);
    QCOMPARE(s.model.ChrOffset, 0x18010);
    QCOMPARE(s.model.MetaTileOffset, 0x790A);
    Controls(s.window).mnuEdit_Level_Click(S2A);
    QCOMPARE(s.model.ChrOffset, 0x19010);
    QCOMPARE(s.model.MetaTileOffset, 0x790A);
    QCOMPARE(s.model.LevelOffset, 0x637A);
    QCOMPARE(s.model.FrameTableOffset, 0x581E);
}

void TestEdit::stageSelectionDrawsEachViewOnce()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S3);
    Controls(s.window).hLevel_Frames->setValue(5);
    Controls(s.window).hsTable->setValue(7);
    QSignalSpy mapDraws(&s.editor(), &LevelEditor::levelDrawn);
    QSignalSpy tableDraws(&s.editor(), &LevelEditor::tableDrawn);
    // Choosing a stage moves both scroll bars back to 0; those changes must not draw.
    Controls(s.window).mnuEdit_Level_Click(S5);
    QCOMPARE(mapDraws.size(), 1);
    QCOMPARE(tableDraws.size(), 1);
    QCOMPARE(s.editor().frame(), 0);
    QCOMPARE(s.editor().page(), 0);
    QVERIFY(!s.editor().redrawHold());
    QVERIFY(s.editor().roomBoxArmed());
}

void TestEdit::stageSelectionShowsFirstFrameAndPage()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S4A);
    const Stage &stage = StageTable[S4A];
    for (int row = 0; row < FrameRows; ++row)
        for (int col = 0; col < FrameColumns; ++col) {
            const int n = s.byte(stage.LevelOffset + 16 * row + col);
            QCOMPARE(s.editor().FrameMetaTiles()[16 * row + col], n);
            const QString diff = cellDiff(s.map(), s.model, col, row, n);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 2; ++col) {
            const QString diff = cellDiff(s.table(), s.model, col, row, 2 * row + col);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    const QString diff = cellDiff(s.preview(), s.model, 0, 0, 0);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestEdit::handlersAreInertBeforeAStage()
{
    Session s;
    const auto before = s.model.image();
    const QImage mapBefore = s.map(), tableBefore = s.table();
    s.clickOnMap(3, 3);
    s.moveOnTable(1, 1);
    QTest::mouseClick(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(1, 1));
    QCOMPARE(s.model.image(), before);
    QCOMPARE(s.map(), mapBefore);
    QCOMPARE(s.table(), tableBefore);
    QCOMPARE(s.editor().SelectedMetaTile(), 0);
}

void TestEdit::pickingSelectsFromThePage()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    const auto before = s.model.image();
    s.pick(3, 1, 2);
    QCOMPARE(s.editor().SelectedMetaTile(), 53);
    QString diff = cellDiff(s.preview(), s.model, 0, 0, 53);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    s.pick(15, 1, 7);
    QCOMPARE(s.editor().SelectedMetaTile(), 255);
    diff = cellDiff(s.preview(), s.model, 0, 0, 255);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    s.pick(0, 0, 0);
    QCOMPARE(s.editor().SelectedMetaTile(), 0);
    QCOMPARE(s.model.image(), before); // picking changes no byte
    // A new stage selects metatile 0 again.
    s.pick(2, 1, 3);
    Controls(s.window).mnuEdit_Level_Click(S1B);
    QCOMPARE(s.editor().SelectedMetaTile(), 0);
}

void TestEdit::clickBeforeAnyMoveUsesCellZero()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    Controls(s.window).hsTable->setValue(3);
    s.editor().TableClick(); // no pointer has moved over the table yet
    QCOMPARE(s.editor().SelectedMetaTile(), 48);
    QTest::keyClick(Controls(s.window).picEditor, Qt::Key_Return); // nor over the map
    QCOMPARE(s.byte(0x583A), 48);
    QCOMPARE(s.editor().FrameMetaTiles()[0], 48);
}

void TestEdit::placingWritesOneByte()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    struct Place
    {
        int frame, col, row, metaTile;
        qint64 offset;
    };
    const Place places[] = {{2, 3, 4, 200, 0x5A5D}, {6, 15, 14, 77, 0x5EC9}};
    for (const Place &p : places) {
        const int page = p.metaTile / 16, inPage = p.metaTile % 16;
        s.pick(page, inPage % 2, inPage / 2);
        QCOMPARE(s.editor().SelectedMetaTile(), p.metaTile);
        Controls(s.window).hLevel_Frames->setValue(p.frame);
        // Make sure the byte changes, so the test sees the write.
        const int old = s.byte(p.offset);
        if (old == p.metaTile)
            QSKIP("the sample already holds the metatile there");
        auto expected = s.model.image();
        expected[std::size_t(p.offset)] = std::uint8_t(p.metaTile);
        s.clickOnMap(p.col, p.row);
        QCOMPARE(s.model.image(), expected);
        QCOMPARE(s.editor().FrameMetaTiles()[16 * p.row + p.col], p.metaTile);
        const QString diff = cellDiff(s.map(), s.model, p.col, p.row, p.metaTile);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

void TestEdit::placedMetaTileSurvivesFrameChange()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S2B);
    s.pick(12, 1, 4); // metatile 201
    Controls(s.window).hLevel_Frames->setValue(9);
    s.clickOnMap(7, 5);
    Controls(s.window).hLevel_Frames->setValue(10);
    QCOMPARE(s.editor().FrameMetaTiles()[16 * 5 + 7], s.byte(0x6A0A + 240 * 10 + 16 * 5 + 7));
    Controls(s.window).hLevel_Frames->setValue(9);
    QCOMPARE(s.editor().FrameMetaTiles()[16 * 5 + 7], 201);
    QCOMPARE(s.byte(0x6A0A + 240 * 9 + 16 * 5 + 7), 201);
    // Moving away and back shows it too (the cell is repainted from the cache).
    s.moveOnMap(7, 5);
    s.moveOnMap(0, 0);
    const QString diff = cellDiff(s.map(), s.model, 7, 5, 201);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestEdit::whiteFrameFollowsThePointer()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    s.moveOnMap(2, 3);
    QVERIFY(hasWhiteFrame(s.map(), 2, 3));
    // Moving within the cell leaves the picture as it is.
    const QImage framed = s.map();
    QTest::mouseMove(Controls(s.window).picEditor, cellPoint(2, 3, 25, 5));
    QCOMPARE(s.map(), framed);
    // Entering another cell repaints the old one whole, gaps included.
    s.moveOnMap(3, 3);
    QVERIFY(hasWhiteFrame(s.map(), 3, 3) && !hasWhiteFrame(s.map(), 2, 3));
    const int old = s.editor().FrameMetaTiles()[16 * 3 + 2];
    const QString diff = cellDiff(s.map(), s.model, 2, 3, old);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    for (int i = 0; i < 33; ++i)
        QCOMPARE(s.map().pixel(CellPitch * 2 + i, CellPitch * 3 + 33), ClearColor);
    // The same on the table, where the cell is repainted with the page's metatile.
    Controls(s.window).hsTable->setValue(2);
    s.moveOnTable(0, 0);
    s.moveOnTable(1, 0);
    QVERIFY(hasWhiteFrame(s.table(), 1, 0) && !hasWhiteFrame(s.table(), 0, 0));
    const QString tableDiff = cellDiff(s.table(), s.model, 0, 0, 32);
    QVERIFY2(tableDiff.isEmpty(), qPrintable(tableDiff));
}

void TestEdit::pageChangeRedrawsTableKeepsSelection()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S5);
    s.pick(1, 1, 1); // metatile 19
    Controls(s.window).hsTable->setValue(5);
    QCOMPARE(s.editor().SelectedMetaTile(), 19);
    for (int row = 0; row < 8; ++row)
        for (int col = 0; col < 2; ++col) {
            const QString diff = cellDiff(s.table(), s.model, col, row, 80 + 2 * row + col);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    QString diff = cellDiff(s.preview(), s.model, 0, 0, 19);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    // Framed cell (1, 1) from before: the next move repaints it with page 5's metatile.
    s.moveOnTable(1, 1);
    Controls(s.window).hsTable->setValue(6);
    s.moveOnTable(0, 4);
    diff = cellDiff(s.table(), s.model, 1, 1, 96 + 3);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestEdit::dragPlacesOnlyAtRelease()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S3);
    s.pick(9, 0, 3); // metatile 150
    auto expected = s.model.image();
    const qint64 releaseCell = 0x9877 + 16 * 6 + 9;
    expected[std::size_t(releaseCell)] = 150;
    QTest::mousePress(Controls(s.window).picEditor, Qt::LeftButton, {}, cellPoint(2, 2));
    QTest::mouseMove(Controls(s.window).picEditor, cellPoint(5, 4));
    QTest::mouseMove(Controls(s.window).picEditor, cellPoint(9, 6));
    QTest::mouseRelease(Controls(s.window).picEditor, Qt::LeftButton, {}, cellPoint(9, 6));
    QCOMPARE(s.model.image(), expected);
}

void TestEdit::positionsLeftOrAboveAreIgnored()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    s.moveOnMap(4, 2);
    const QImage framed = s.map();
    SendPointer(Controls(s.window).picEditor, QEvent::MouseMove, QPointF(Border - 12, Border + 40));
    SendPointer(Controls(s.window).picEditor, QEvent::MouseMove, QPointF(Border + 40, Border - 3));
    QCOMPARE(s.map(), framed);
    QCOMPARE(s.tools().cell(), (StageCell{0, 2, 4}));
    s.moveOnTable(1, 3);
    s.editor().TableMouseMove(-30, 50);
    QCOMPARE(s.editor().TableCol(), 1);
    QCOMPARE(s.editor().TableRow(), 3);
}

void TestEdit::roomChoiceWritesFrameTable()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    Controls(s.window).hLevel_Frames->setValue(3);
    s.model.writeByte(0x5813, 0x00);
    QSignalSpy drawn(&s.editor(), &LevelEditor::levelDrawn);
    QComboBox *box = Controls(s.window).cboRoomEditor;
    QUndoStack &stack = Controls(s.window).history().stack();
    s.chooseRoom(10); // "Room 0A"
    QCOMPARE(box->currentText(), QStringLiteral("Room 0A"));
    QCOMPARE(s.byte(0x5813), 0x0A);
    QCOMPARE(stack.undoText(), QStringLiteral("Set Room 0A for 1A, frame 3"));
    QCOMPARE(drawn.size(), 0); // a room is not drawn on the map
    // The box takes the next choice at once (the keyboard's too); the room in place
    // chosen again makes no step and leaves it ready for the next.
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(s.byte(0x5813), 0x0B);
    s.chooseRoom(11);
    s.chooseRoom(5);
    QCOMPARE(s.byte(0x5813), 0x05);
    QCOMPARE(stack.count(), 3);
    stack.undo();
    QCOMPARE(box->currentText(), QStringLiteral("Room 0B"));
    QVERIFY(s.editor().roomBoxArmed());
    QCOMPARE(drawn.size(), 0);

    Controls(s.window).mnuEdit_Level_Click(S2A);
    Controls(s.window).hLevel_Frames->setValue(2);
    s.chooseRoom(31);
    QCOMPARE(Controls(s.window).cboRoomEditor->currentText(), QStringLiteral("Room 2B"));
    QCOMPARE(s.byte(0x581E + 2), 0x2B);
}

void TestEdit::roomBoxIsDisarmedDuringSelection()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    // While a stage is being set up, the frame bar's change disarms the room box and a
    // room choice then writes nothing.
    Controls(s.window).hLevel_Frames->setValue(4);
    bool armedDuringSetUp = true;
    int writes = 0;
    connect(Controls(s.window).hLevel_Frames, &QScrollBar::valueChanged, &s.editor(), [&] {
        armedDuringSetUp = s.editor().roomBoxArmed();
        writes += s.editor().RoomChosen(QStringLiteral("Room 05")) ? 1 : 0;
    });
    Controls(s.window).mnuEdit_Level_Click(S1B);
    QVERIFY(!armedDuringSetUp);
    QCOMPARE(writes, 0);
    QVERIFY(s.editor().roomBoxArmed());
}

void TestEdit::roomBoxShowsRoomOfFrame()
{
    Session s(false);
    // Stage 1A's frames 0..2: room 03, a byte that is none of the stage's rooms, room 0B.
    QByteArray data = ReadFile(s.romPath);
    data.replace(0x5810, 3, QByteArray("\x03\x20\x0B", 3));
    QVERIFY(WriteFile(s.romPath, data) && s.window->OpenRom(s.romPath));
    QComboBox *box = Controls(s.window).cboRoomEditor;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    QCOMPARE(box->currentText(), QStringLiteral("Room 03"));
    Controls(s.window).hLevel_Frames->setValue(1);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->placeholderText(), QStringLiteral("Room 20")); // shown as no entry
    QCOMPARE(box->count(), 12);
    Controls(s.window).hLevel_Frames->setValue(2);
    box->setCurrentIndex(0);
    Controls(s.window).mnuRefresh_Click();
    QCOMPARE(box->currentText(), QStringLiteral("Room 0B"));
    QVERIFY(!Controls(s.window).history().isModified()); // showing is not choosing
    QVERIFY(s.editor().roomBoxArmed());
    // A write from elsewhere shows at once; stage 2A's entries start at room 0C.
    s.model.writeByte(0x5812, 0x07);
    QCOMPARE(box->currentText(), QStringLiteral("Room 07"));
    s.model.writeByte(0x581E, 0x2B);
    Controls(s.window).mnuEdit_Level_Click(S2A);
    QCOMPARE(box->currentText(), QStringLiteral("Room 2B"));
    // A room below them is shown as the stage map shows it, and a choice writes an entry's.
    s.model.writeByte(0x581E, 0x03);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->placeholderText(), QStringLiteral("Room 03"));
    s.chooseRoom(0);
    QCOMPARE(s.byte(0x581E), 0x0C);
    QCOMPARE(box->currentText(), QStringLiteral("Room 0C"));
}

void TestEdit::statusTexts()
{
    const PlaceTexts place = PlaceStatus(&StageTable[S3], 3, 2, 0x2F);
    QCOMPARE(QStringList({place.stage, place.frame, place.page, place.metaTile}),
             QStringList({"Stage 3", "Frame 3 / 24", "Page 2 / 16", "Metatile 2F"}));
    QCOMPARE(PlaceStatus(nullptr, 3, 2, 0x2F), PlaceTexts{});

    // Stage 1A: frame 2, cell (3, 4) is the byte at 0x5A5D; metatile 2F's record is at
    // 0x790A + 4 x 2F (tiles) and 0x7D0A + 2F (sub-palette).
    modKrelin model;
    model.replaceImage(std::vector<std::uint8_t>(0x8000));
    model.ApplyStage(StageTable[S1A]);
    const std::uint8_t tiles[4] = {0x10, 0x11, 0x20, 0xA1};
    model.writeByte(0x5A5D, 0x2F);
    model.writeBytes(0x790A + 4 * 0x2F, tiles);
    model.writeByte(0x7D0A + 0x2F, 0x02);
    const auto texts = [](QStringList parts) { return parts.join(QStringLiteral(" \u00B7 ")); };
    QCOMPARE(MapCellStatus(model, 2, 3, 4), texts({"Row 4", "Column 3", "Metatile 2F", "Offset 0x5A5D"}));
    QCOMPARE(MapCellStatus(model, 200, 15, 14), texts({"Row 14", "Column 15", "Offset 0x114A9", "outside the image"}));
    QCOMPARE(TableCellStatus(model, 0x2F), texts({"Metatile 2F", "Tiles 10 11 20 A1", "Sub-palette 2"}));
    model.writeByte(0x7D0A + 0x2F, 0x06); // painted with its low two bits
    QCOMPARE(TableCellStatus(model, 0x2F), texts({"Metatile 2F", "Tiles 10 11 20 A1", "Sub-palette 2 (byte 06)"}));
}

void TestEdit::wheelKeysAndStatusBar()
{
    Session s;
    const MainStatusBar &bar = *Controls(s.window).sbStatus;
    const auto place = [&bar] {
        return QStringList({bar.lblStage->text(), bar.lblFrame->text(), bar.lblPage->text(), bar.lblMetaTile->text()})
            .join(u'|');
    };
    const auto at = [&s] { return std::pair(s.editor().frame(), s.editor().page()); };
    const QSize windowSize = s.window->size();
    s.moveOnMap(3, 4);
    QCOMPARE(place() + bar.lblPointer->text(), QStringLiteral("|||")); // nothing before a stage

    Controls(s.window).mnuEdit_Level_Click(S1A); // 7 frames
    s.pick(2, 1, 7);
    QCOMPARE(place(), QStringLiteral("Stage 1A|Frame 0 / 7|Page 2 / 16|Metatile 2F"));
    QVERIFY(bar.lblPointer->text().startsWith(QStringLiteral("Metatile 2F \u00B7 Tiles ")));
    const QString cell = QStringLiteral("Row 4 \u00B7 Column 3 \u00B7 Metatile %1 \u00B7 Offset 0x%2");
    s.clickOnMap(3, 4);
    QCOMPARE(bar.lblPointer->text(), cell.arg("2F", "587D"));
    const auto placed = s.model.image();

    // The wheel over the map steps frames under the pointer, whose cell stays framed.
    turnWheel(Controls(s.window).picEditor, -240); // two notches towards the user
    QCOMPARE(at(), std::pair(2, 2));
    QCOMPARE(int(s.editor().FrameMetaTiles()[0]), s.byte(0x583A + 240 * 2));
    QCOMPARE(bar.lblPointer->text(), cell.arg(Hex2(s.byte(0x5A5D)), "5A5D"));
    QVERIFY(hasWhiteFrame(s.map(), 3, 4));
    turnWheel(Controls(s.window).picEditor, 60); // half notches add up
    turnWheel(Controls(s.window).picEditor, 60);
    QCOMPARE(at(), std::pair(1, 2));
    turnWheel(Controls(s.window).picEditor, 0, -120 * 30); // tilted right, past the last frame
    turnWheel(Controls(s.window).picTile, 120 * 5);        // over the table, past the first page
    QCOMPARE(at(), std::pair(6, 0));

    // Page Up / Page Down step frames, with Ctrl pages, even with the room box focused.
    s.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.window.get()));
    Controls(s.window).cboRoomEditor->setFocus();
    for (auto [key, modifiers] : {std::pair(Qt::Key_PageUp, Qt::NoModifier), std::pair(Qt::Key_PageUp, Qt::NoModifier),
                                  std::pair(Qt::Key_PageDown, Qt::NoModifier), std::pair(Qt::Key_PageDown, Qt::ControlModifier),
                                  std::pair(Qt::Key_PageDown, Qt::ControlModifier), std::pair(Qt::Key_PageUp, Qt::ControlModifier)})
        QTest::keyClick(Controls(s.window).cboRoomEditor, key, modifiers);
    QCOMPARE(place(), QStringLiteral("Stage 1A|Frame 5 / 7|Page 1 / 16|Metatile 2F"));
    QCOMPARE(s.model.image(), placed); // no room was chosen on the way

    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(Controls(s.window).picEditor, &leave);
    QCOMPARE(bar.lblPointer->text(), QString());
    // The bar lies below the 645 x 527 area, and its texts never resize the window.
    QCOMPARE(bar.geometry().top(), s.window->centralWidget()->geometry().bottom() + 1);
    QCOMPARE(s.window->size(), windowSize);
}

void TestEdit::openWhileStagedDrawsNewImage()
{
    Session s(false);
    const auto hint = [&s](const QString &text) {
        QImage expected(s.map().size(), QImage::Format_RGB32);
        DrawMapHint(expected, text);
        return expected;
    };
    QCOMPARE(s.map(), hint(QStringLiteral("Open a cartridge image: File \u25B8 Open")));
    QVERIFY(s.window->OpenRom(s.romPath));
    const QImage chooseStage = hint(QStringLiteral("Choose a stage: Edit \u25B8 Level"));
    QCOMPARE(s.map(), chooseStage);
    QImage blank(s.map().size(), QImage::Format_RGB32);
    blank.fill(ClearColor);
    QVERIFY(chooseStage != blank); // written in the middle, not at the top
    QCOMPARE(chooseStage.copy(0, 0, blank.width(), 200), blank.copy(0, 0, blank.width(), 200));

    Controls(s.window).mnuEdit_Level_Click(S1A);
    Controls(s.window).hLevel_Frames->setValue(2);
    s.pick(3, 1, 2); // metatile 53
    // A second copy with another frame 2, another room for it, other colours and other
    // metatiles on page 3.
    QByteArray other = ReadFile(s.romPath);
    for (int k = 0; k < FrameBytes; ++k)
        other[0x583A + 240 * 2 + k] = char(0x30 + k % 16);
    other[0x5812] = 0x09;
    for (int i = 1; i < 16; ++i)
        other[0x43F8 + i] = char((other[0x43F8 + i] + 7) % 64);
    for (int i = 0; i < 64; ++i)
        other[0x790A + 4 * 48 + i] = char(other[0x790A + 4 * 48 + i] ^ 0x21);
    const QString otherPath = s.dir.filePath(QStringLiteral("other.nes"));
    QVERIFY(WriteFile(otherPath, other) && s.window->OpenRom(otherPath));
    QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));
    QVERIFY(Controls(s.window).mnuEdit_Level_Stage[S1A]->isChecked());
    QCOMPARE(std::pair(s.editor().frame(), s.editor().page()), std::pair(2, 3));
    for (int k = 0; k < FrameBytes; ++k) {
        const QString diff = cellDiff(s.map(), s.model, k % 16, k / 16, 0x30 + k % 16);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
    for (int n = 48; n < 64; ++n) {
        const QString diff = cellDiff(s.table(), s.model, n % 2, (n - 48) / 2, n);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
    const QString diff = cellDiff(s.preview(), s.model, 0, 0, 53);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    QCOMPARE(Controls(s.window).cboRoomEditor->currentText(), QStringLiteral("Room 09"));

    // An image too short for the stage takes it off the window, says why, closes the tool
    // windows (no notice), and nothing reacts until a stage is chosen again.
    Controls(s.window).cmdEditTile_Click();
    Controls(s.window).mnuEditPalette_Click();
    QVERIFY(Controls(s.window).tileEditor && Controls(s.window).palEditor);
    QCoreApplication::processEvents();
    s.desktop.clearLog();
    const QString shortPath = s.dir.filePath(QStringLiteral("short.nes"));
    QVERIFY(WriteFile(shortPath, other.left(0x10000)) && s.window->OpenRom(shortPath));
    QCoreApplication::processEvents();
    QVERIFY(!Controls(s.window).tileEditor && !Controls(s.window).palEditor);
    QCOMPARE(s.desktop.messages.size(), 1);
    QVERIFY2(s.desktop.messages[0].text.contains(QStringLiteral("Stage 1A")), qPrintable(s.desktop.messageTexts()));
    QVERIFY(!Controls(s.window).mnuEdit_Level_Stage[S1A]->isChecked() && !s.editor().stageLoaded());
    QVERIFY(!Controls(s.window).mnuTileEditor->isEnabled() && !Controls(s.window).cmdEditTile->isEnabled());
    QCOMPARE(Controls(s.window).cboRoomEditor->count(), 0);
    QCOMPARE(s.table(), blank.copy(s.table().rect()));
    s.clickOnMap(4, 4);
    turnWheel(Controls(s.window).picEditor, -120);
    Controls(s.window).mnuRefresh_Click();
    QCOMPARE(s.map(), chooseStage);
    QVERIFY(!Controls(s.window).history().isModified());
}

void TestEdit::endToEndEditAndSave()
{
    Session s;
    QFile original(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray expected = original.readAll();

    Controls(s.window).mnuEdit_Level_Click(S4B);
    s.pick(10, 1, 6); // metatile 173
    Controls(s.window).hLevel_Frames->setValue(2);
    s.clickOnMap(11, 8);
    s.chooseRoom(7); // "Room 07" for frame 2
    Controls(s.window).mnuSaveRom_Click();
    QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));

    expected[0xB3A7 + 240 * 2 + 16 * 8 + 11] = char(173);
    expected[0x581B + 2] = char(0x07);
    ApplyFixUp(expected);
    const QString differs = SavedImageDiffers(s.romPath, expected);
    QVERIFY2(differs.isEmpty(), qPrintable(differs));
    QVERIFY(!Controls(s.window).history().isModified());
}

QTEST_MAIN(TestEdit)
#include "test_edit.moc"
