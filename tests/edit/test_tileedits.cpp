// The tile editor's edits as steps of history: what merges into one step (a stroke, a
// gesture on a tile number) and what does not, whole-tile changes and the import of a
// tile sheet, each undone to the bytes it found.
#include "Bytes.h"
#include "SyntheticImage.h"
#include "core/ImageLayout.h"
#include "core/StageTable.h"
#include "edit/EditHistory.h"
#include "edit/TileEdits.h"

#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Stage 1A of a noise image, with its history.
struct Image
{
    modKrelin model;
    EditHistory history{model};
    Image()
    {
        model.replaceImage(MakeNoiseImage());
        model.ApplyStage(StageTable[0]);
    }
    qint64 tileOf(int n, int q) const { return QuadrantTileBytes(model, n, q); }
    int pixel(qint64 tile, int j, int r) const { return DecodeTilePixel(model.bytesAt(tile, 16), j, r); }
    int steps() { return history.stack().count(); }
    // The tile's number as steps name it: "21".
    QString tileName(qint64 tile) const
    {
        return QStringLiteral("%1").arg((tile - model.ChrOffset) / 16, 2, 16, QLatin1Char('0')).toUpper();
    }
};

} // namespace

class TestTileEdits : public QObject
{
    Q_OBJECT

private slots:
    // The pixels of one stroke are one step, undone to the tile as it was before the
    // stroke; a new stroke is a new step, and so is a stroke after a save.
    void strokeIsOneStep()
    {
        Image s;
        const int n = 0x33;
        const qint64 tile = s.tileOf(n, 1);
        const Bytes original = s.model.image();
        for (int j = 0; j < 8; ++j)
            QVERIFY(PaintTilePixel(s.history, n, 1, j, j, 3 - s.pixel(tile, j, j) % 2, 1));
        QCOMPARE(s.steps(), 1);
        QCOMPARE(s.history.stack().text(0), QStringLiteral("Paint 8 Pixels of tile %1").arg(s.tileName(tile)));
        const Bytes painted = s.model.image();
        for (qint64 i : ChangedOffsets(original, painted))
            QVERIFY(i >= tile && i < tile + 16);
        s.history.stack().undo();
        QVERIFY(s.model.image() == original);
        s.history.stack().redo();
        QVERIFY(s.model.image() == painted);

        PaintTilePixel(s.history, n, 1, 0, 7, (s.pixel(tile, 0, 7) + 1) % 4, 2);
        QCOMPARE(s.steps(), 2);
        s.history.markSaved();
        PaintTilePixel(s.history, n, 1, 1, 7, (s.pixel(tile, 1, 7) + 1) % 4, 2);
        QCOMPARE(s.steps(), 3);
        QVERIFY(s.history.isModified());
        // Without a stroke number every press is its own step.
        PaintTilePixel(s.history, n, 1, 2, 7, (s.pixel(tile, 2, 7) + 1) % 4);
        PaintTilePixel(s.history, n, 1, 3, 7, (s.pixel(tile, 3, 7) + 1) % 4);
        QCOMPARE(s.steps(), 5);
    }

    // An arrow held on a tile number: one step per gesture, from the number before it to
    // the last; a gesture that ends where it started leaves no step at all.
    void gestureIsOneStep()
    {
        Image s;
        const int n = 0x41;
        const qint64 record = QuadrantTileOffset(s.model, n, 2);
        const int start = s.model.byteAt(record);
        for (int k = 1; k <= 31; ++k)
            SetQuadrantTile(s.history, n, 2, (start + k) % 256, 7);
        QCOMPARE(s.steps(), 1);
        QCOMPARE(s.model.byteAt(record), (start + 31) % 256);
        s.history.stack().undo();
        QCOMPARE(s.model.byteAt(record), start);
        s.history.stack().redo();

        const int q3 = s.model.byteAt(QuadrantTileOffset(s.model, n, 3));
        SetQuadrantTile(s.history, n, 2, (start + 40) % 256, 8);
        SetQuadrantTile(s.history, n, 3, q3 ^ 0x10, 8); // another byte: its own step
        QCOMPARE(s.steps(), 3);
        SetQuadrantTile(s.history, n, 3, q3 ^ 0x11, 9);
        SetQuadrantTile(s.history, n, 3, q3 ^ 0x10, 9); // back where the gesture started
        QCOMPARE(s.steps(), 3);
        QCOMPARE(s.model.byteAt(QuadrantTileOffset(s.model, n, 3)), q3 ^ 0x10);
        s.history.stack().undo(); // the step of gesture 8
        QCOMPARE(s.model.byteAt(QuadrantTileOffset(s.model, n, 3)), q3);
    }

    // Flips, turns, fills and pastes: one step each, named, changing only the tile the
    // quadrant uses; refused for a metatile or quadrant out of range.
    void wholeTileSteps()
    {
        Image s;
        const int n = 0x12, q = 3;
        const qint64 tile = s.tileOf(n, q);
        const Bytes original = s.model.image();
        QVERIFY(TransformTile(s.history, n, q, TileChange::FlipHorizontally));
        QVERIFY(TransformTile(s.history, n, q, TileChange::FlipVertically));
        QVERIFY(TransformTile(s.history, n, q, TileChange::Rotate));
        Bytes before = s.model.image();
        QVERIFY(FillTileArea(s.history, n, q, 4, 4, (s.pixel(tile, 4, 4) + 1) % 4));
        int filled = 0; // the pixels the fill changed, counted here
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j)
                filled += DecodeTilePixel(before.data() + tile, j, r) != s.pixel(tile, j, r);
        TileData pasted{};
        pasted.fill(0xA5);
        QVERIFY(PasteTile(s.history, n, q, pasted));
        QCOMPARE(s.steps(), 5);
        const QStringList names{s.history.stack().text(0), s.history.stack().text(1), s.history.stack().text(2),
                                s.history.stack().text(3), s.history.stack().text(4)};
        const QString t = s.tileName(tile);
        QCOMPARE(names, QStringList({"Flip Tile " + t + " Horizontally", "Flip Tile " + t + " Vertically", "Rotate Tile " + t,
                                     QStringLiteral("Fill %1 Pixel%2 of tile %3").arg(filled).arg(filled == 1 ? "" : "s", t),
                                     "Paste Tile " + t}));
        for (qint64 i : ChangedOffsets(original, s.model.image()))
            QVERIFY(i >= tile && i < tile + 16);
        QVERIFY(std::all_of(s.model.bytesAt(tile, 16), s.model.bytesAt(tile, 16) + 16, [](auto b) { return b == 0xA5; }));
        // Pasting the same again makes no step.
        QVERIFY(PasteTile(s.history, n, q, pasted));
        QCOMPARE(s.steps(), 5);
        s.history.stack().setIndex(0);
        QVERIFY(s.model.image() == original);
        QVERIFY(!TransformTile(s.history, 256, q, TileChange::Rotate));
        QVERIFY(!FillTileArea(s.history, n, 4, 0, 0, 1));
        QVERIFY(!FillTileArea(s.history, n, q, 0, 8, 1));
        QCOMPARE(s.history.stack().count(), 5);
    }

    // An import is one step over the stage's 4096 tile bytes; one of the wrong size, or
    // for tiles beyond the image's end, is refused.
    void importIsOneStep()
    {
        Image s;
        const Bytes original = s.model.image();
        std::vector<std::uint8_t> tiles(s.model.bytesAt(s.model.ChrOffset, 4096), s.model.bytesAt(s.model.ChrOffset, 4096) + 4096);
        tiles[0] ^= 0x80;
        tiles[4095] ^= 0x01;
        QVERIFY(ImportTiles(s.history, tiles, QStringLiteral("sheet.png")));
        QCOMPARE(s.history.stack().undoText(), QStringLiteral("Import Tiles sheet.png"));
        QCOMPARE(ChangedOffsets(original, s.model.image()), QList<qint64>({s.model.ChrOffset, s.model.ChrOffset + 4095}));
        s.history.stack().undo();
        QVERIFY(s.model.image() == original);
        tiles.pop_back();
        QVERIFY(!ImportTiles(s.history, tiles, QStringLiteral("short.png")));
        s.model.replaceImage(Bytes(original.begin(), original.begin() + s.model.ChrOffset + 4000));
        tiles.push_back(0);
        QVERIFY(!ImportTiles(s.history, tiles, QStringLiteral("sheet.png")));
    }
};

QTEST_MAIN(TestTileEdits)
#include "test_tileedits.moc"
