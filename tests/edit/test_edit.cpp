// Level editing through the real main window: stage selection, picking from the metatile
// table, placing into the level map, frames, pages and rooms, checked by the bytes of the
// image and the pixels of the surfaces.
#include "MainWindowSession.h"

#include "core/RomFile.h"
#include "core/StageTable.h"
#include "edit/CellMapping.h"

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace krelin;
using namespace krelin::testing;


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
        QVERIFY(s.window->mnuEdit_Level_Click(e.stage));
        QCOMPARE(s.window->hLevel_Frames->maximum(), e.maximum);
        QCOMPARE(s.window->hLevel_Frames->value(), 0);
        QCOMPARE(s.window->hsTable->maximum(), 15);
        QCOMPARE(s.window->hsTable->value(), 0);
        QCOMPARE(s.window->cboRoomEditor->count(), e.rooms);
        QCOMPARE(s.window->cboRoomEditor->itemText(0), QString::fromLatin1(e.first));
        QCOMPARE(s.window->cboRoomEditor->itemText(e.rooms - 1), QString::fromLatin1(e.last));
        QCOMPARE(s.window->cboRoomEditor->currentIndex(), -1);
        int checked = 0;
        for (QAction *a : s.window->mnuEdit_Level_Stage)
            checked += a->isChecked() ? 1 : 0;
        QCOMPARE(checked, 1);
        QVERIFY(s.window->mnuEdit_Level_Stage[e.stage]->isChecked());
        QVERIFY(s.editor().stageLoaded());
        QVERIFY(s.window->mnuEditPalette->isEnabled());
        QVERIFY(s.window->mnuTileEditor->isEnabled());
        QVERIFY(s.window->cmdEditTile->isEnabled());
        QCOMPARE(s.editor().SelectedMetaTile(), 0);
    }
    // From 1A to 2A the tiles move to the next bank; the metatiles stay.
    s.window->mnuEdit_Level_Click(S1A);
    QCOMPARE(s.model.ChrOffset, 0x18010);
    QCOMPARE(s.model.MetaTileOffset, 0x790A);
    s.window->mnuEdit_Level_Click(S2A);
    QCOMPARE(s.model.ChrOffset, 0x19010);
    QCOMPARE(s.model.MetaTileOffset, 0x790A);
    QCOMPARE(s.model.LevelOffset, 0x637A);
    QCOMPARE(s.model.FrameTableOffset, 0x581E);
}

void TestEdit::stageSelectionDrawsEachViewOnce()
{
    Session s;
    s.window->mnuEdit_Level_Click(S3);
    s.window->hLevel_Frames->setValue(5);
    s.window->hsTable->setValue(7);
    QSignalSpy refreshed(&s.editor(), &LevelEditor::refreshSurface);
    // Choosing a stage moves both scroll bars back to 0; those changes must not draw.
    s.window->mnuEdit_Level_Click(S5);
    int mapDraws = 0, tableDraws = 0;
    for (const auto &args : refreshed) {
        const auto surface = args.at(0).value<Surface>();
        mapDraws += surface == Surface::Editor;
        tableDraws += surface == Surface::Table;
    }
    QCOMPARE(mapDraws, 1);
    QCOMPARE(tableDraws, 1);
    QCOMPARE(s.editor().frame(), 0);
    QCOMPARE(s.editor().page(), 0);
    QVERIFY(!s.editor().redrawHold());
    QVERIFY(s.editor().roomBoxArmed());
}

void TestEdit::stageSelectionShowsFirstFrameAndPage()
{
    Session s;
    s.window->mnuEdit_Level_Click(S4A);
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
    QTest::mouseClick(s.window->picTile, Qt::LeftButton, {}, cellPoint(1, 1));
    QCOMPARE(s.model.image(), before);
    QCOMPARE(s.map(), mapBefore);
    QCOMPARE(s.table(), tableBefore);
    QCOMPARE(s.editor().SelectedMetaTile(), 0);
}

void TestEdit::pickingSelectsFromThePage()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
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
    s.window->mnuEdit_Level_Click(S1B);
    QCOMPARE(s.editor().SelectedMetaTile(), 0);
}

void TestEdit::clickBeforeAnyMoveUsesCellZero()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
    s.window->hsTable->setValue(3);
    s.editor().TableClick(); // no pointer has moved over the table yet
    QCOMPARE(s.editor().SelectedMetaTile(), 48);
    s.editor().EditorClick(); // nor over the map
    QCOMPARE(s.byte(0x583A), 48);
    QCOMPARE(s.editor().FrameMetaTiles()[0], 48);
}

void TestEdit::placingWritesOneByte()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
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
        s.window->hLevel_Frames->setValue(p.frame);
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
    s.window->mnuEdit_Level_Click(S2B);
    s.pick(12, 1, 4); // metatile 201
    s.window->hLevel_Frames->setValue(9);
    s.clickOnMap(7, 5);
    s.window->hLevel_Frames->setValue(10);
    QCOMPARE(s.editor().FrameMetaTiles()[16 * 5 + 7], s.byte(0x6A0A + 240 * 10 + 16 * 5 + 7));
    s.window->hLevel_Frames->setValue(9);
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
    s.window->mnuEdit_Level_Click(S1A);
    s.moveOnMap(2, 3);
    QVERIFY(hasWhiteFrame(s.map(), 2, 3));
    // Moving within the cell leaves the picture as it is.
    const QImage framed = s.map();
    QTest::mouseMove(s.window->picEditor, cellPoint(2, 3, 25, 5));
    QCOMPARE(s.map(), framed);
    // Entering another cell repaints the old one whole, gaps included.
    s.moveOnMap(3, 3);
    QVERIFY(hasWhiteFrame(s.map(), 3, 3));
    const int old = s.editor().FrameMetaTiles()[16 * 3 + 2];
    const QString diff = cellDiff(s.map(), s.model, 2, 3, old);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    for (int i = 0; i < 33; ++i)
        QCOMPARE(s.map().pixel(CellPitch * 2 + i, CellPitch * 3 + 33), ClearColor);
    // The same on the table, where the cell is repainted with the page's metatile.
    s.window->hsTable->setValue(2);
    s.moveOnTable(0, 0);
    s.moveOnTable(1, 0);
    QVERIFY(hasWhiteFrame(s.table(), 1, 0));
    const QString tableDiff = cellDiff(s.table(), s.model, 0, 0, 32);
    QVERIFY2(tableDiff.isEmpty(), qPrintable(tableDiff));
}

void TestEdit::pageChangeRedrawsTableKeepsSelection()
{
    Session s;
    s.window->mnuEdit_Level_Click(S5);
    s.pick(1, 1, 1); // metatile 19
    s.window->hsTable->setValue(5);
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
    s.window->hsTable->setValue(6);
    s.moveOnTable(0, 4);
    diff = cellDiff(s.table(), s.model, 1, 1, 96 + 3);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestEdit::dragPlacesOnlyAtRelease()
{
    Session s;
    s.window->mnuEdit_Level_Click(S3);
    s.pick(9, 0, 3); // metatile 150
    auto expected = s.model.image();
    const qint64 releaseCell = 0x9877 + 16 * 6 + 9;
    expected[std::size_t(releaseCell)] = 150;
    QTest::mousePress(s.window->picEditor, Qt::LeftButton, {}, cellPoint(2, 2));
    QTest::mouseMove(s.window->picEditor, cellPoint(5, 4));
    QTest::mouseMove(s.window->picEditor, cellPoint(9, 6));
    QTest::mouseRelease(s.window->picEditor, Qt::LeftButton, {}, cellPoint(9, 6));
    QCOMPARE(s.model.image(), expected);
}

void TestEdit::positionsLeftOrAboveAreIgnored()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
    s.moveOnMap(4, 2);
    const QImage framed = s.map();
    s.editor().EditorMouseMove(-12, 40);
    s.editor().EditorMouseMove(40, -3);
    QCOMPARE(s.map(), framed);
    QCOMPARE(s.editor().EditorCol(), 4);
    QCOMPARE(s.editor().EditorRow(), 2);
    s.moveOnTable(1, 3);
    s.editor().TableMouseMove(-30, 50);
    QCOMPARE(s.editor().TableCol(), 1);
    QCOMPARE(s.editor().TableRow(), 3);
}

void TestEdit::roomChoiceWritesFrameTable()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
    s.window->hLevel_Frames->setValue(3);
    s.model.writeByte(0x5813, 0x00);
    s.chooseRoom(10); // "Room 0A"
    QCOMPARE(s.window->cboRoomEditor->currentText(), QStringLiteral("Room 0A"));
    QCOMPARE(s.byte(0x5813), 0x0A);
    QVERIFY(s.editor().roomBoxArmed()); // the map was drawn again
    // Moving the frame bar keeps the shown entry.
    s.window->hLevel_Frames->setValue(4);
    QCOMPARE(s.window->cboRoomEditor->currentText(), QStringLiteral("Room 0A"));

    s.window->mnuEdit_Level_Click(S2A);
    s.window->hLevel_Frames->setValue(2);
    s.chooseRoom(31);
    QCOMPARE(s.window->cboRoomEditor->currentText(), QStringLiteral("Room 2B"));
    QCOMPARE(s.byte(0x581E + 2), 0x2B);
}

void TestEdit::roomBoxIsDisarmedDuringSelection()
{
    Session s;
    s.window->mnuEdit_Level_Click(S1A);
    // While a stage is being set up, the frame bar's change disarms the room box and a
    // room choice then writes nothing.
    s.window->hLevel_Frames->setValue(4);
    bool armedDuringSetUp = true;
    int writes = 0;
    connect(s.window->hLevel_Frames, &QScrollBar::valueChanged, &s.editor(), [&] {
        armedDuringSetUp = s.editor().roomBoxArmed();
        writes += s.editor().RoomChosen(QStringLiteral("Room 05")) ? 1 : 0;
    });
    s.window->mnuEdit_Level_Click(S1B);
    QVERIFY(!armedDuringSetUp);
    QCOMPARE(writes, 0);
    QVERIFY(s.editor().roomBoxArmed());
}

void TestEdit::endToEndEditAndSave()
{
    Session s;
    QFile original(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(original.open(QIODevice::ReadOnly));
    QByteArray expected = original.readAll();

    s.window->mnuEdit_Level_Click(S4B);
    s.pick(10, 1, 6); // metatile 173
    s.window->hLevel_Frames->setValue(2);
    s.clickOnMap(11, 8);
    s.chooseRoom(7); // "Room 07" for frame 2
    s.window->mnuSaveRom_Click();
    QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));

    expected[0xB3A7 + 240 * 2 + 16 * 8 + 11] = char(173);
    expected[0x581B + 2] = char(0x07);
    expected[FixUpTarget] = expected[FixUpSource];
    expected[FixUpTarget + 1] = expected[FixUpSource + 1];
    QFile saved(s.romPath);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    const QByteArray written = saved.readAll();
    QCOMPARE(written.size(), expected.size());
    for (qsizetype i = 0; i < written.size(); ++i)
        if (written[i] != expected[i])
            QFAIL(qPrintable(QStringLiteral("byte 0x%1 differs").arg(i, 0, 16)));
    QVERIFY(!s.model.isModified());
}

QTEST_MAIN(TestEdit)
#include "test_edit.moc"
