// The views follow the model. After an edit, an undo, or a change made in another window,
// the level map and the metatile table repaint exactly the cells the change touches, and
// those cells show what the image now holds.
#include "MainWindowSession.h"

#include "core/StageTable.h"
#include "edit/EditCommands.h"
#include "tileeditor/frmTileEditor.h"

#include <QTest>

#include <algorithm>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A pixel no drawing makes, put in the middle of every cell behind the views' backs: a
// cell that still holds it was not repainted.
constexpr QRgb Mark = 0xFFFF00FE;

void markCells(QImage &surface, int columns, int rows)
{
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < columns; ++col)
            surface.setPixel(CellPitch * col + 16, CellPitch * row + 16, Mark);
}

QList<int> repaintedCells(const QImage &surface, int columns, int rows)
{
    QList<int> cells;
    for (int row = 0; row < rows; ++row)
        for (int col = 0; col < columns; ++col)
            if (surface.pixel(CellPitch * col + 16, CellPitch * row + 16) != Mark)
                cells << columns * row + col;
    return cells;
}

// Whether metatile n, as the image now holds it, is drawn with tile t.
bool usesTile(const Session &s, int n, int t)
{
    for (int q = 0; q < 4; ++q)
        if (s.byte(s.model.MetaTileOffset + 4 * n + q) == t)
            return true;
    return false;
}

enum class Change { Placement, UndoneTwice, OtherFrame, PixelInTileEditor, SubPaletteInTileEditor, PaletteUndone };

} // namespace

class TestViews : public QObject
{
    Q_OBJECT

private slots:
    void repaintExactlyWhatChanged_data();
    void repaintExactlyWhatChanged();
};

void TestViews::repaintExactlyWhatChanged_data()
{
    QTest::addColumn<Change>("change");
    QTest::newRow("a placement") << Change::Placement;
    QTest::newRow("two placements undone") << Change::UndoneTwice;
    QTest::newRow("a cell of another frame") << Change::OtherFrame;
    QTest::newRow("a pixel from the tile editor") << Change::PixelInTileEditor;
    QTest::newRow("a sub-palette from the tile editor") << Change::SubPaletteInTileEditor;
    QTest::newRow("a palette colour undone") << Change::PaletteUndone;
}

void TestViews::repaintExactlyWhatChanged()
{
    QFETCH(Change, change);
    Session s;
    QVERIFY(Controls(s.window).mnuEdit_Level_Click(S1A));
    QImage &map = Controls(s.window).picEditor->image();
    QImage &table = Controls(s.window).picTile->image();
    const int level = s.model.LevelOffset;
    const int n = s.byte(level + 16 * 13 + 7); // a metatile the first frame shows
    const int page = n / 16;
    Controls(s.window).hsTable->setValue(page);
    // The pointer starts off the table: a move to where it already is would not arrive.
    s.moveOnMap(15, 14);

    // The cells each change must repaint, worked out from the image's bytes here.
    auto mapCellsHolding = [&](auto holds) {
        QList<int> cells;
        for (int cell = 0; cell < 240; ++cell)
            if (holds(s.byte(level + cell)))
                cells << cell;
        return cells;
    };
    auto tableCellsHolding = [&](auto holds) {
        QList<int> cells;
        for (int cell = 0; cell < 16; ++cell)
            if (holds(16 * page + cell))
                cells << cell;
        return cells;
    };
    QList<int> mapCells, tableCells;
    auto mark = [&] {
        markCells(map, 16, 15);
        markCells(table, 2, 8);
    };

    switch (change) {
    case Change::Placement:
        s.pick(page, n % 2, n % 16 / 2);
        s.moveOnMap(3, 4); // the white frame moves on before the cells are marked
        mark();
        s.clickOnMap(3, 4);
        mapCells = {16 * 4 + 3};
        break;
    case Change::UndoneTwice:
        s.pick(page, n % 2, n % 16 / 2);
        s.clickOnMap(3, 4);
        s.clickOnMap(9, 12);
        mark();
        Controls(s.window).history().stack().undo();
        Controls(s.window).history().stack().undo();
        mapCells = {16 * 4 + 3, 16 * 12 + 9};
        break;
    case Change::OtherFrame:
        mark();
        QVERIFY(s.model.writeByte(level + 240 + 5, std::uint8_t(s.byte(level + 240 + 5) ^ 1)));
        break;
    case Change::PixelInTileEditor: {
        s.pick(page, n % 2, n % 16 / 2);
        Controls(s.window).cmdEditTile_Click();
        frmTileEditor &te = *Controls(s.window).tileEditor;
        const int tile = s.byte(s.model.MetaTileOffset + 4 * n);
        const std::uint8_t *bytes = s.model.bytesAt(s.model.ChrOffset + 16 * tile, 16);
        const int shown = ((bytes[2] >> 6) & 1) | (((bytes[10] >> 6) & 1) << 1); // pixel (1, 2)
        te.picColorSelector_Click((shown + 1) % 4);
        mark();
        te.pic8x8Edit_MouseMove(1 * 16 + 8, 2 * 16 + 8);
        te.pic8x8Edit_MouseDown(Qt::LeftButton);
        mapCells = mapCellsHolding([&](int m) { return usesTile(s, m, tile); });
        tableCells = tableCellsHolding([&](int m) { return usesTile(s, m, tile); });
        break;
    }
    case Change::SubPaletteInTileEditor: {
        s.pick(page, n % 2, n % 16 / 2);
        Controls(s.window).cmdEditTile_Click();
        frmTileEditor &te = *Controls(s.window).tileEditor;
        mark();
        te.optPal_Click((s.byte(s.model.MetaPalOffset + n) + 1) % 4);
        mapCells = mapCellsHolding([&](int m) { return m == n; });
        tableCells = {n % 16};
        break;
    }
    case Change::PaletteUndone:
        QVERIFY(Controls(s.window).history().push(new SetPaletteColorCommand(s.model, 5, 0x30)));
        mark();
        Controls(s.window).history().stack().undo();
        for (int cell = 0; cell < 240; ++cell)
            mapCells << cell;
        for (int cell = 0; cell < 16; ++cell)
            tableCells << cell;
        break;
    }
    QVERIFY(!mapCells.isEmpty() || change == Change::OtherFrame);

    QCOMPARE(repaintedCells(map, 16, 15), mapCells);
    QCOMPARE(repaintedCells(table, 2, 8), tableCells);
    for (int cell : std::as_const(mapCells))
        QCOMPARE(cellDiff(map, s.model, cell % 16, cell / 16, s.byte(level + cell)), QString());
    for (int cell : std::as_const(tableCells))
        QCOMPARE(cellDiff(table, s.model, cell % 2, cell / 2, 16 * page + cell), QString());
}

QTEST_MAIN(TestViews)
#include "test_views.moc"
