// The tile sheet as a picture for paint programs (its layout, read by index and by
// colour, refusals, a PNG file round trip) and the whole-tile operations of the tile
// editor, each checked against pixels decoded here.
#include "SyntheticImage.h"
#include "core/TileTransforms.h"
#include "render/TileSheet.h"

#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

using Tiles = std::vector<std::uint8_t>;

Tiles noiseTiles(std::uint32_t seed = 0)
{
    Tiles tiles(TileSheetBytes);
    for (std::size_t i = 0; i < tiles.size(); ++i)
        tiles[i] = NoiseByte(std::uint32_t(i) + seed);
    return tiles;
}

const SheetColors Distinct{0xFF101010, 0xFF8040C0, 0xFFE0A020, 0xFFF0F0F0};

// Colour number of pixel (x, y) of the sheet, decoded from the tile that lies there.
int expectedNumber(const Tiles &tiles, int x, int y)
{
    const int t = 16 * (y / 8) + x / 8;
    return DecodeTilePixel(tiles.data() + 16 * t, x % 8, y % 8);
}

// The tile as 64 colour numbers, row by row.
std::array<int, 64> pixels(const TileData &tile)
{
    std::array<int, 64> p{};
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j)
            p[std::size_t(8 * r + j)] = DecodeTilePixel(tile.data(), j, r);
    return p;
}

TileData tileFrom(const char *rows) // 8 rows of 8 digits 0..3
{
    Tiles tiles(TileSheetBytes, 0);
    QImage sheet(TileSheetSide, TileSheetSide, QImage::Format_Indexed8);
    sheet.setColorTable({Distinct.begin(), Distinct.end()});
    sheet.fill(0);
    for (int i = 0; i < 64; ++i)
        sheet.setPixel(i % 8, i / 8, uint(rows[i] - '0'));
    const DecodedTileSheet decoded = DecodeTileSheet(sheet, Distinct);
    return ReadTile(decoded.tiles.data());
}

} // namespace

class TestTileSheet : public QObject
{
    Q_OBJECT

private slots:
    // Tile t at (8 (t mod 16), 8 (t div 16)), each pixel's index its colour number, the
    // four colours the colour table; read back by index, the same bytes.
    void encodeAndDecodeByIndex()
    {
        const Tiles tiles = noiseTiles();
        const QImage sheet = EncodeTileSheet(tiles.data(), Distinct);
        QCOMPARE(sheet.size(), QSize(128, 128));
        QCOMPARE(sheet.format(), QImage::Format_Indexed8);
        QCOMPARE(sheet.colorTable(), QList<QRgb>(Distinct.begin(), Distinct.end()));
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x)
                if (sheet.pixelIndex(x, y) != expectedNumber(tiles, x, y))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
        const DecodedTileSheet back = DecodeTileSheet(sheet, Distinct);
        QVERIFY(back.ok() && back.byIndex);
        QCOMPARE(back.nearest, 0);
        QVERIFY(back.tiles == tiles);
    }

    // Four equal colours (a sub-palette of one colour) still keep the numbers apart in an
    // indexed sheet; read by colour, the lowest number wins.
    void equalColours()
    {
        const Tiles tiles = noiseTiles(7);
        const SheetColors same{0xFF336699, 0xFF336699, 0xFF336699, 0xFF336699};
        const QImage sheet = EncodeTileSheet(tiles.data(), same);
        QVERIFY(DecodeTileSheet(sheet, same).tiles == tiles);
        const DecodedTileSheet byColour = DecodeTileSheet(sheet.convertToFormat(QImage::Format_RGB32), same);
        QVERIFY(byColour.ok() && !byColour.byIndex);
        QCOMPARE(byColour.nearest, 0);
        QVERIFY(byColour.tiles == Tiles(TileSheetBytes, 0));
        // Two equal colours: 1 and 3 are the same, so a pixel of 3 comes back as 1.
        const SheetColors pair{0xFF000000, 0xFF00FF00, 0xFF0000FF, 0xFF00FF00};
        const DecodedTileSheet twoSame =
            DecodeTileSheet(EncodeTileSheet(tiles.data(), pair).convertToFormat(QImage::Format_ARGB32), pair);
        for (int y = 0; y < 128; ++y)
            for (int x = 0; x < 128; ++x) {
                const int want = expectedNumber(tiles, x, y) == 3 ? 1 : expectedNumber(tiles, x, y);
                if (expectedNumber(twoSame.tiles, x, y) != want)
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
            }
    }

    // Read by colour: exact colours take their numbers; any other colour the nearest, and
    // is counted. An indexed picture of more than four colours is read by colour too.
    void decodeByColour_data()
    {
        QTest::addColumn<QRgb>("painted");
        QTest::addColumn<int>("number");
        QTest::addColumn<bool>("exact");
        QTest::newRow("colour 2 exactly") << QRgb(Distinct[2]) << 2 << true;
        QTest::newRow("near colour 1") << qRgb(0x84, 0x44, 0xB8) << 1 << false;
        QTest::newRow("near colour 3, not 2") << qRgb(0xF0, 0xD0, 0xB0) << 3 << false;
        QTest::newRow("black: nearest 0") << qRgb(0, 0, 0) << 0 << false;
    }
    void decodeByColour()
    {
        QFETCH(QRgb, painted);
        QFETCH(int, number);
        QFETCH(bool, exact);
        const Tiles tiles = noiseTiles(3);
        // An indexed picture is read by colour only when it has more than four colours.
        const auto formats = exact ? QList<QImage::Format>{QImage::Format_RGB32}
                                   : QList<QImage::Format>{QImage::Format_RGB32, QImage::Format_Indexed8};
        for (auto format : formats) {
            QImage sheet = EncodeTileSheet(tiles.data(), Distinct).convertToFormat(QImage::Format_RGB32);
            // A paint program's stroke: a run of pixels of row 13 (tiles 16..31).
            for (int x = 20; x < 60; ++x)
                sheet.setPixel(x, 13, painted);
            if (format == QImage::Format_Indexed8)
                sheet = sheet.convertToFormat(format, Qt::ThresholdDither | Qt::AvoidDither);
            QVERIFY(sheet.format() == format);
            const DecodedTileSheet decoded = DecodeTileSheet(sheet, Distinct);
            QVERIFY(decoded.ok());
            QVERIFY(!decoded.byIndex);
            QCOMPARE(decoded.nearest, exact ? 0 : 40);
            for (int y = 0; y < 128; ++y)
                for (int x = 0; x < 128; ++x) {
                    const int want = y == 13 && x >= 20 && x < 60 ? number : expectedNumber(tiles, x, y);
                    if (expectedNumber(decoded.tiles, x, y) != want)
                        QFAIL(qPrintable(QStringLiteral("pixel (%1, %2)").arg(x).arg(y)));
                }
        }
    }

    // An indexed picture of at most four colours is read by its indices, whatever its
    // colours: a palette in another order, or of two colours only.
    void indicesWin()
    {
        const Tiles tiles = noiseTiles(9);
        QImage sheet = EncodeTileSheet(tiles.data(), Distinct);
        sheet.setColorTable({Distinct[3], Distinct[2], Distinct[1], Distinct[0]});
        QVERIFY(DecodeTileSheet(sheet, Distinct).tiles == tiles);
        QImage two(128, 128, QImage::Format_Mono);
        two.setColorTable({qRgb(1, 2, 3), qRgb(200, 200, 200)});
        two.fill(0);
        two.setPixel(9, 0, 1); // tile 1, pixel (1, 0)
        const DecodedTileSheet decoded = DecodeTileSheet(two, Distinct);
        QVERIFY(decoded.byIndex);
        Tiles expected(TileSheetBytes, 0);
        expected[16] = 0x40;
        QVERIFY(decoded.tiles == expected);
    }

    void refusals()
    {
        // Indices past the palette's colours (written straight into the pixels).
        for (int colours : {4, 3}) {
            QImage sheet = EncodeTileSheet(noiseTiles().data(), Distinct);
            sheet.setColorCount(colours);
            sheet.scanLine(77)[100] = uchar(colours + 1 == 5 ? 5 : colours);
            QVERIFY(!DecodeTileSheet(sheet, Distinct).ok());
        }
        for (QSize size : {QSize(127, 128), QSize(128, 136), QSize(256, 256)}) {
            const DecodedTileSheet decoded = DecodeTileSheet(QImage(size, QImage::Format_RGB32), Distinct);
            QVERIFY(!decoded.ok());
            QVERIFY(decoded.tiles.empty());
            QVERIFY2(decoded.error.contains(QStringLiteral("%1 × %2").arg(size.width()).arg(size.height())),
                     qPrintable(decoded.error));
        }
        // A file of another size is refused from its header; a file that is no picture
        // names the file.
        QTemporaryDir dir;
        const QString big = dir.filePath(QStringLiteral("big.png"));
        QVERIFY(QImage(130, 128, QImage::Format_RGB32).save(big));
        TileSheetFile file = ReadTileSheetFile(big);
        QVERIFY(!file.ok() && file.image.isNull());
        QVERIFY2(file.error.contains(QStringLiteral("big.png")) && file.error.contains(QStringLiteral("130 × 128")),
                 qPrintable(file.error));
        const QString text = dir.filePath(QStringLiteral("notes.png"));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("not a picture") > 0);
        notes.close();
        file = ReadTileSheetFile(text);
        QVERIFY2(!file.ok() && file.error.contains(QStringLiteral("notes.png")), qPrintable(file.error));
        QVERIFY(!ReadTileSheetFile(dir.filePath(QStringLiteral("missing.png"))).ok());
    }

    // Written as PNG and read back, as a paint program that keeps the palette would: an
    // indexed file with exactly the four colours, whose indices give back the tiles.
    void pngFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("sheet.png"));
        const Tiles tiles = noiseTiles(11);
        QVERIFY(EncodeTileSheet(tiles.data(), Distinct).save(path, "PNG"));
        const TileSheetFile file = ReadTileSheetFile(path);
        QVERIFY2(file.ok(), qPrintable(file.error));
        QVERIFY(file.image.colorCount() == 4);
        const DecodedTileSheet decoded = DecodeTileSheet(file.image, Distinct);
        QVERIFY(decoded.byIndex);
        QVERIFY(decoded.tiles == tiles);
    }

    // Flips and a quarter turn move every pixel where it belongs; four turns, or two
    // flips, give the tile back.
    void transforms()
    {
        Tiles bytes = noiseTiles(5);
        const TileData tile = ReadTile(bytes.data());
        const auto before = pixels(tile);
        const auto h = pixels(FlippedHorizontally(tile)), v = pixels(FlippedVertically(tile)),
                   turned = pixels(RotatedQuarterTurn(tile));
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j) {
                const int p = before[std::size_t(8 * r + j)];
                QCOMPARE(h[std::size_t(8 * r + 7 - j)], p);
                QCOMPARE(v[std::size_t(8 * (7 - r) + j)], p);
                QCOMPARE(turned[std::size_t(8 * j + 7 - r)], p); // (j, r) goes to (7 - r, j)
            }
        QVERIFY(RotatedQuarterTurn(RotatedQuarterTurn(RotatedQuarterTurn(RotatedQuarterTurn(tile)))) == tile);
        QVERIFY(FlippedVertically(FlippedHorizontally(tile)) == RotatedQuarterTurn(RotatedQuarterTurn(tile)));
    }

    // A fill reaches every pixel of the colour joined through its four sides, never one
    // joined only at a corner.
    void fill_data()
    {
        QTest::addColumn<QString>("tile");
        QTest::addColumn<int>("col");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("color");
        QTest::addColumn<QString>("filled");
        const char *ring = "11111111"
                           "10000001"
                           "10222201"
                           "10200201"
                           "10200201"
                           "10222201"
                           "10000001"
                           "11111111";
        QTest::newRow("inside the ring") << ring << 3 << 3 << 3
                                         << "11111111100000011022220110233201102332011022220110000001"
                                            "11111111";
        QTest::newRow("the ring itself") << ring << 0 << 0 << 0
                                         << "00000000000000000022220000200200002002000022220000000000"
                                            "00000000";
        QTest::newRow("diagonal neighbours stay") << "0100000010000000000000000000000000000000000000000000000000000000"
                                                  << 0 << 0 << 2
                                                  << "2100000010000000000000000000000000000000000000000000000000000000";
        QTest::newRow("same colour: nothing") << ring << 1 << 1 << 0 << ring;
    }
    void fill()
    {
        QFETCH(QString, tile);
        QFETCH(int, col);
        QFETCH(int, row);
        QFETCH(int, color);
        QFETCH(QString, filled);
        const TileData result = Filled(tileFrom(qPrintable(tile)), col, row, color);
        QVERIFY(result == tileFrom(qPrintable(filled)));
        QVERIFY(Filled(result, 8, 0, 1) == result); // off the tile: nothing
    }
};

QTEST_MAIN(TestTileSheet)
#include "test_tilesheet.moc"
