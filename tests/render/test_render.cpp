// Tile format, tile painting, palette resolution, metatiles, the level map and the
// metatile table, checked pixel by pixel against a plain decoding of the image bytes.

#include "SyntheticImage.h"

#include "render/LevelView.h"
#include "render/MetaTilePainter.h"
#include "render/Palette.h"
#include "render/TableView.h"
#include "core/TileCodec.h"
#include "render/TilePainter.h"

#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace krelin;
using namespace krelin::testing;

namespace {

constexpr QRgb Clear = 0xFF202020;
constexpr QRgb Sentinel = 0xFF13579B;

// A tile using all four values, every row different.
constexpr std::uint8_t MixedTile[16] = {0x0F, 0x33, 0x55, 0xAA, 0xF0, 0x00, 0xFF, 0x81,
                                        0x00, 0xFF, 0x0F, 0x3C, 0x5A, 0xC3, 0xFF, 0x18};
constexpr std::int32_t FourColors[4] = {0x102030, 0x405060, 0x708090, 0xA0B0C0};

QImage Surface(int w, int h, QRgb fill = Sentinel)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(fill);
    return img;
}

// Checks a whole surface where the square (x, y, size) shows MixedTile in colors and
// every other pixel holds Sentinel.
QString CompareTileSquare(const QImage &s, int x, int y, int size, const std::int32_t *colors = FourColors)
{
    const int scale = size / 8;
    for (int py = 0; py < s.height(); ++py) {
        for (int px = 0; px < s.width(); ++px) {
            const bool inside = px >= x && px < x + size && py >= y && py < y + size;
            const QRgb want = inside ? PixelOf(colors[DecodeTilePixel(MixedTile, (px - x) / scale, (py - y) / scale)])
                                     : Sentinel;
            if (s.pixel(px, py) != want)
                return QStringLiteral("pixel (%1,%2) is %3, expected %4").arg(px).arg(py)
                    .arg(s.pixel(px, py), 8, 16).arg(want, 8, 16);
        }
    }
    return {};
}

// Checks a whole cleared-then-drawn surface: cell (row i, column j) at (34j, 34i) shows
// metatile number(i, j), or nothing when that is -1 or the cell lies beyond cols x rows.
QString CompareGrid(const QImage &s, const modKrelin &model, int cols, int rows,
                    const std::function<int(int, int)> &number)
{
    const auto bg = ExpectedBgColors(model);
    for (int y = 0; y < s.height(); ++y) {
        for (int x = 0; x < s.width(); ++x) {
            const int i = y / 34, j = x / 34;
            const int n = (i < rows && j < cols) ? number(i, j) : -1;
            const QRgb want = (n < 0 || x % 34 == 33 || y % 34 == 33)
                ? Clear
                : ExpectedMetaTilePixel(model, bg, n, x % 34, y % 34, Clear);
            if (s.pixel(x, y) != want)
                return QStringLiteral("pixel (%1,%2) in cell row %3 col %4 (metatile %5) is %6, expected %7")
                    .arg(x).arg(y).arg(i).arg(j).arg(n).arg(s.pixel(x, y), 8, 16).arg(want, 8, 16);
        }
    }
    return {};
}

// Resolves the palette into the model's colours, as the main window's table does.
bool Resolve(modKrelin &model)
{
    const auto colors = ResolveBgColors(model);
    if (colors)
        model.setBgColors(*colors);
    return colors.has_value();
}

void LoadNoiseStage(modKrelin &model, const char *stage)
{
    model.replaceImage(MakeNoiseImage());
    UseDistinctMasterPalette(model);
    UseStageOffsets(model, *FindStage(QString::fromLatin1(stage)));
    QVERIFY(Resolve(model));
}

} // namespace

class TestRender : public QObject
{
    Q_OBJECT

private slots:
    void tilePixelEdges()
    {
        std::uint8_t t[16] = {};
        t[0] = 128;
        QCOMPARE(GetTilePixel(t, 0, 0), 1);
        SetTilePixel(t, 0, 0, 2);
        QCOMPARE(t[0], 0);
        QCOMPARE(t[8], 128);
        QCOMPARE(GetTilePixel(t, 0, 0), 2);

        std::uint8_t u[16];
        std::fill(std::begin(u), std::end(u), 0x5A);
        u[3] = 0x00;
        u[11] = 0x00;
        SetTilePixel(u, 7, 3, 3);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(u[k], (k == 3 || k == 11) ? 0x01 : 0x5A);

        std::uint8_t before[16];
        std::copy(std::begin(MixedTile), std::end(MixedTile), u);
        std::copy(std::begin(u), std::end(u), before);
        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j)
                SetTilePixel(u, j, r, GetTilePixel(u, j, r));
        QVERIFY(std::equal(std::begin(u), std::end(u), before));

        std::fill(std::begin(u), std::end(u), 0xFF);
        for (int j = 0; j < 8; ++j)
            QCOMPARE(GetTilePixel(u, j, 5), 3);
        SetTilePixel(u, 2, 5, 0);
        for (int k = 0; k < 16; ++k)
            QCOMPARE(u[k], (k == 5 || k == 13) ? 0xDF : 0xFF);

        for (int r = 0; r < 8; ++r)
            for (int j = 0; j < 8; ++j)
                QCOMPARE(GetTilePixel(MixedTile, j, r), DecodeTilePixel(MixedTile, j, r));
    }

    void colorValues()
    {
        QCOMPARE(ToQRgb(0x123456), qRgb(0x56, 0x34, 0x12));
        QCOMPARE(ToQRgb(0), qRgb(0, 0, 0));
        QCOMPARE(ToQRgb(0xFFFFFF), qRgb(255, 255, 255));
    }

    void paintTile_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("16") << 16;
        QTest::newRow("32") << 32;
        QTest::newRow("128") << 128;
    }
    void paintTile()
    {
        QFETCH(int, size);
        QImage s = Surface(size + 20, size + 17);
        Paint2BPPTile(s, MixedTile, FourColors, 11, 7, size);
        QString diff = CompareTileSquare(s, 11, 7, size);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // Painted again with one colour changed at a time: the new colours show.
        for (int k = 0; k < 4; ++k) {
            std::int32_t changed[4] = {FourColors[0], FourColors[1], FourColors[2], FourColors[3]};
            changed[k] ^= 0x010203;
            Paint2BPPTile(s, MixedTile, changed, 11, 7, size);
            diff = CompareTileSquare(s, 11, 7, size, changed);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    }

    void paintTileClipped_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<int>("size");
        QTest::newRow("over top left") << -5 << -9 << 32;
        QTest::newRow("over bottom right") << 20 << 10 << 32;
        QTest::newRow("just off left") << -32 << 0 << 32;
        QTest::newRow("just off bottom") << 0 << 30 << 32;
        QTest::newRow("far away") << -100000 << 100000 << 32;
        QTest::newRow("size 16 over right edge") << 30 << -3 << 16;
        QTest::newRow("size 16 inside") << 3 << 4 << 16;
        QTest::newRow("larger than surface") << -50 << -60 << 128;
        QTest::newRow("size 256") << -100 << -100 << 256;
        QTest::newRow("size 512") << -200 << -300 << 512;
    }
    void paintTileClipped()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(int, size);
        QImage s = Surface(40, 30);
        Paint2BPPTile(s, MixedTile, FourColors, x, y, size);
        const QString diff = CompareTileSquare(s, x, y, size);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }

    void clearAndOutline()
    {
        QImage s = Surface(40, 30);
        auto count = [&](QRgb c) {
            int n = 0;
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x)
                    n += s.pixel(x, y) == c;
            return n;
        };
        FastCls(s, 10, 5);
        QCOMPARE(count(Clear), 50);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 10; ++x)
                QCOMPARE(s.pixel(x, y), Clear);
        FastCls(s, 0, 30);
        FastCls(s, -3, 8);
        FastCls(s, 8, -3);
        QCOMPARE(count(Clear), 50);
        FastCls(s, 100, 12);
        QCOMPARE(count(Clear), 40 * 12);
        FastCls(s, 10000, 10000);
        QCOMPARE(count(Clear), 40 * 30);

        s.fill(Sentinel);
        PaintBlankTile(s, 38, 28, 16);
        PaintBlankTile(s, 45, 0, 16);  // wholly right of the surface
        PaintBlankTile(s, 0, -40, 16); // wholly above it
        PaintBlankTile(s, -20, 5, 16);
        QCOMPARE(count(Clear), 4);

        s.fill(Sentinel);
        DrawBox(s, 2, 3, 8, 6, 0xFFFF0000);
        QCOMPARE(count(0xFFFF0000), 2 * 7 + 2 * 2);
        QCOMPARE(s.pixel(2, 3), 0xFFFF0000u);
        QCOMPARE(s.pixel(8, 6), 0xFFFF0000u);
        QCOMPARE(s.pixel(5, 4), Sentinel);
        s.fill(Sentinel);
        DrawBox(s, -3, -3, 50, 10, 0xFFFF0000); // only its bottom edge is on the surface
        QCOMPARE(count(0xFFFF0000), 40);
        DrawBox(s, 100, 100, 120, 120, 0xFF00FF00);
        DrawBox(s, -120, 2, -100, 5, 0xFF00FF00);
        QCOMPARE(count(0xFF00FF00), 0);
    }

    void resolveBgColors()
    {
        modKrelin model;
        UseDistinctMasterPalette(model);
        std::vector<std::uint8_t> bytes(64);
        const std::uint8_t pal[16] = {0x00, 0x3F, 0x40, 0x7F, 0x85, 0xFF, 0x01, 0x02,
                                      0x10, 0x20, 0x30, 0x0D, 0x2A, 0xC0, 0x16, 0x27};
        std::copy(std::begin(pal), std::end(pal), bytes.begin() + 48);
        model.replaceImage(bytes);
        model.PalOffset = 48;
        const auto colors = ResolveBgColors(model);
        QVERIFY(colors);
        for (int i = 0; i < 16; ++i) {
            const int code = pal[i] % 64;
            QCOMPARE((*colors)[i], model.NesRed[code] + 256 * model.NesGreen[code] + 65536 * model.NesBlue[code]);
        }

        for (std::int32_t offset : {49, 64, -1, 1 << 30}) {
            model.PalOffset = offset;
            QVERIFY(!ResolveBgColors(model));
        }
    }

    void metaTileRecords()
    {
        modKrelin model;
        LoadNoiseStage(model, "1A");
        std::vector<std::uint8_t> bytes = model.image();
        // Sub-palette bytes 0..3, above 3, and the last metatile's record.
        const std::pair<int, std::uint8_t> cases[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 0x7E}, {6, 0xFF}, {255, 0x02}};
        for (auto [n, sub] : cases)
            bytes[model.MetaPalOffset + n] = sub;
        model.replaceImage(bytes);
        for (auto [n, sub] : cases) {
            QImage s = Surface(5 * 34, 4 * 34);
            DrawMetaTile(s, model, 3, 1, n, model.BgColors()); // odd grid positions: pixel (51, 17)
            const MetaTileParts parts = ReadMetaTile(model, n);
            QCOMPARE(parts.subPalette, sub);
            QCOMPARE(parts.tileSlots[3], (model.ChrOffset + 16 * bytes[model.MetaTileOffset + 4 * n + 3]) / 16);
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x)
                    if (x < 51 || x >= 51 + 33 || y < 17 || y >= 17 + 33)
                        QCOMPARE(s.pixel(x, y), Sentinel);
            const QString diff = CompareMetaTile(s, model, n, 51, 17, Sentinel);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }

        // Tiles whose bytes run past the image end show as cleared squares.
        modKrelin tiny;
        UseDistinctMasterPalette(tiny);
        std::vector<std::uint8_t> t(40);
        std::copy(std::begin(MixedTile), std::end(MixedTile), t.begin() + 16);
        const std::uint8_t record[5] = {1, 0, 2, 255, 3};
        std::copy(std::begin(record), std::end(record), t.begin() + 32);
        tiny.replaceImage(t);
        tiny.MetaTileOffset = 32;
        tiny.MetaPalOffset = 36;
        QVERIFY(Resolve(tiny));
        QImage s = Surface(33, 33);
        DrawMetaTile(s, tiny, 0, 0, 0, tiny.BgColors());
        const QString diff = CompareMetaTile(s, tiny, 0, 0, 0, Sentinel);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(s.pixel(20, 20), Clear);
    }

    void levelFrame_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("frame");
        QTest::newRow("1A frame 0") << "1A" << 0;
        QTest::newRow("1A frame 6") << "1A" << 6;
        QTest::newRow("3 frame 23") << "3" << 23;
        QTest::newRow("7 frame 0") << "7" << 0;
    }
    void levelFrame()
    {
        QFETCH(QString, stage);
        QFETCH(int, frame);
        modKrelin model;
        LoadNoiseStage(model, qPrintable(stage));
        QImage s = Surface(545, 513);
        FrameCache cache;
        cache.fill(-5);
        DrawLevelFrame(s, model, frame, model.BgColors(), cache);
        const auto &img = model.image();
        const std::size_t first = std::size_t(model.LevelOffset) + 240 * frame;
        const QString diff = CompareGrid(s, model, 16, 15, [&](int i, int j) { return img[first + 16 * i + j]; });
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        for (int k = 0; k < 240; ++k)
            QCOMPARE(cache[k], img[first + k]);
    }

    void levelFrameAtImageEnd()
    {
        // Tiles, metatiles, sub-palettes and palette first; three frames end the image.
        constexpr int level = 0x1520, frames = 3;
        modKrelin model;
        UseDistinctMasterPalette(model);
        model.replaceImage(MakeNoiseImage(level + 240 * frames));
        model.ChrOffset = 0x10;
        model.MetaTileOffset = 0x1010;
        model.MetaPalOffset = 0x1410;
        model.PalOffset = 0x1510;
        model.LevelOffset = level;
        QVERIFY(Resolve(model));
        const std::vector<std::uint8_t> full = model.image();

        QImage s = Surface(545, 513);
        FrameCache cache;
        DrawLevelFrame(s, model, frames - 1, model.BgColors(), cache);
        auto cell = [&](int f, std::size_t limit) {
            return [&, f, limit](int i, int j) {
                const std::size_t at = std::size_t(level) + 240 * f + 16 * i + j;
                return at < limit ? int(full[at]) : -1;
            };
        };
        QString diff = CompareGrid(s, model, 16, 15, cell(frames - 1, full.size()));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(cache[239], full.back());

        // A frame wholly past the end: everything cleared, every cache entry 0.
        cache.fill(77);
        DrawLevelFrame(s, model, frames, model.BgColors(), cache);
        diff = CompareGrid(s, model, 16, 15, [](int, int) { return -1; });
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QVERIFY(std::all_of(cache.begin(), cache.begin() + 240, [](auto v) { return v == 0; }));

        // The image cut inside the last frame: the first 100 cells drawn, the rest cleared.
        const std::size_t cut = level + 240 * (frames - 1) + 100;
        model.replaceImage(std::vector<std::uint8_t>(full.begin(), full.begin() + cut));
        DrawLevelFrame(s, model, frames - 1, model.BgColors(), cache);
        diff = CompareGrid(s, model, 16, 15, cell(frames - 1, cut));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(cache[99], full[cut - 1]);
        QCOMPARE(cache[100], 0);
    }

    void tablePage_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("0") << 0;
        QTest::newRow("7") << 7;
        QTest::newRow("15") << 15;
    }
    void tablePage()
    {
        QFETCH(int, page);
        modKrelin model;
        LoadNoiseStage(model, "5");
        QImage s = Surface(TablePageWidth, TablePageHeight);
        QCOMPARE(s.size(), QSize(67, 271));
        DrawTablePage(s, model, page, model.BgColors());
        const QString diff = CompareGrid(s, model, 2, 8, [&](int i, int j) { return 16 * page + 2 * i + j; });
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        if (page == 15)
            QCOMPARE(CompareMetaTile(s, model, 255, 34, 238, Clear), QString());
    }

    void selectedMetaTile()
    {
        modKrelin model;
        LoadNoiseStage(model, "2B");
        QImage s = Surface(33, 33);
        DrawSelectedMetaTile(s, model, 200, model.BgColors());
        QCOMPARE(CompareMetaTile(s, model, 200, 0, 0, Sentinel), QString());
        DrawSelectedMetaTile(s, model, 17, model.BgColors());
        QCOMPARE(CompareMetaTile(s, model, 17, 0, 0, Sentinel), QString());
    }
};

QTEST_GUILESS_MAIN(TestRender)
#include "test_render.moc"
