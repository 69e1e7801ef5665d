// A stage through the real Tiled and the command line: tmxrasterizer draws an exported
// map as the editor draws the stage; Tiled's own writers (TMJ, and the layer packed with
// zlib, gzip or zstd) give maps that import as the image unchanged; a cell and a room
// changed by a script come back as exactly those bytes; what cannot be imported writes
// nothing.
#include "Bytes.h"
#include "MapText.h"
#include "RunKrelin.h"
#include "RunTiled.h"
#include "SyntheticImage.h"
#include "core/MasterPalette.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

const QString Sample = QStringLiteral(KRELIN_SAMPLE);

// The stage's map exported from the sample by the command line, as dir/s.tmx (or .tmj).
QString exportMap(const QTemporaryDir &dir, const QString &stage, const QString &suffix = QStringLiteral("tmx"))
{
    const QString map = dir.filePath(QStringLiteral("s.") + suffix);
    const ProgramRun run = RunKrelin({"--export-tiled", map, "--stage", stage, Sample});
    if (run.status != 0)
        qWarning("export: %s", qPrintable(run.err));
    return run.status == 0 ? map : QString();
}

} // namespace

class TestTiledTools : public QObject
{
    Q_OBJECT

private slots:
    // What tmxrasterizer draws of the map is the editor's own picture of the stage with
    // the lines between the tiles taken out (each tile pixel there a 2 x 2 block).
    void rendered_data()
    {
        QTest::addColumn<QString>("stage");
        for (const char *stage : {"1A", "2A", "3", "7"})
            QTest::newRow(stage) << QString::fromLatin1(stage);
    }
    void rendered()
    {
        QFETCH(QString, stage);
        QTemporaryDir dir;
        const QString map = exportMap(dir, stage), picture = dir.filePath(QStringLiteral("r.png"));
        QVERIFY(!map.isEmpty());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("s-metatiles.png"))));
        const TiledRun run = RunTiledProgram(QStringLiteral("tmxrasterizer"), {"--hide-layer", "Frames", map, picture});
        QVERIFY2(run.status == 0, qPrintable(run.output));
        const QImage rendered = QImage(picture).convertToFormat(QImage::Format_RGB32);

        modKrelin model;
        LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR));
        model.replaceImage(BytesOf(ReadFile(Sample)));
        const Stage &s = *FindStage(stage);
        model.ApplyStage(s);
        const QImage editor = DrawStagePicture(model, s, ResolveBgColors(model).value());
        QCOMPARE(rendered.size(), QSize(256 * s.Frames, 240));
        // Map pixel x lies in frame x / 256, cell (x mod 256) / 16, tile (x mod 16) / 8,
        // tile pixel x mod 8; the editor shows that tile pixel at 544 frame + 34 cell +
        // 17 tile + 2 pixel.
        const auto editorX = [](int x) { return 544 * (x / 256) + 34 * (x % 256 / 16) + 17 * (x % 16 / 8) + 2 * (x % 8); };
        const auto editorY = [](int y) { return 34 * (y / 16) + 17 * (y % 16 / 8) + 2 * (y % 8); };
        for (int y = 0; y < rendered.height(); ++y)
            for (int x = 0; x < rendered.width(); ++x)
                if (rendered.pixel(x, y) != editor.pixel(editorX(x), editorY(y)))
                    QFAIL(qPrintable(QStringLiteral("pixel (%1, %2) is %3, the editor shows %4")
                                         .arg(x)
                                         .arg(y)
                                         .arg(rendered.pixel(x, y), 8, 16)
                                         .arg(editor.pixel(editorX(x), editorY(y)), 8, 16)));
    }

    // Tiled reads the map (in the layer encoding given it) and writes it again in that
    // encoding, as TMX or TMJ; what it wrote imports as the image, unchanged.
    void writtenByTiled_data()
    {
        QTest::addColumn<QString>("from");        // the exported map's format
        QTest::addColumn<QString>("compression"); // its layer: "csv", "" (base64), "zlib" ...
        QTest::addColumn<QString>("to");          // the format Tiled writes
        QTest::newRow("TMX to TMJ") << "tmx" << "csv" << "tmj";
        QTest::newRow("TMJ to TMX") << "tmj" << "csv" << "tmx";
        QTest::newRow("base64") << "tmx" << "" << "tmx";
        QTest::newRow("zlib") << "tmx" << "zlib" << "tmx";
        QTest::newRow("gzip") << "tmx" << "gzip" << "tmj";
        QTest::newRow("zstd") << "tmx" << "zstd" << "tmx";
    }
    void writtenByTiled()
    {
        QFETCH(QString, from);
        QFETCH(QString, compression);
        QFETCH(QString, to);
        QTemporaryDir dir;
        const QString map = exportMap(dir, QStringLiteral("3"), from);
        QVERIFY(!map.isEmpty());
        if (compression != QLatin1String("csv"))
            QVERIFY(WriteFile(map, WithEncoding(ReadFile(map), compression)));
        const QString tiled = dir.filePath(QStringLiteral("t.") + to), out = dir.filePath(QStringLiteral("out.nes"));
        const TiledRun run = RunTiledProgram(QStringLiteral("tiled"), {"--export-map", map, tiled});
        QVERIFY2(run.status == 0, qPrintable(run.output));
        const QByteArray written = ReadFile(tiled);
        if (!compression.isEmpty() && compression != QLatin1String("csv"))
            QVERIFY2(written.contains(to == QLatin1String("tmx") ? "compression=\"" + compression.toLatin1() + '"'
                                                                 : "\"compression\":\"" + compression.toLatin1() + '"'),
                     written.left(2000).constData());
        const ProgramRun imported = RunKrelin({"--import-tiled", tiled, "--stage", "3", Sample, out});
        QVERIFY2(imported.status == 0, qPrintable(imported.err));
        QVERIFY2(imported.out.contains("changes nothing"), imported.out.constData());
        QCOMPARE(ReadFile(out), ReadFile(Sample));
    }

    // A script changes one cell and one room; Tiled writes the map again; the import
    // changes exactly those two bytes, and prints them as `krelin --diff` would.
    void scriptedChange()
    {
        QTemporaryDir dir;
        const QString map = exportMap(dir, QStringLiteral("2A"));
        QVERIFY(!map.isEmpty());
        const Stage &stage = *FindStage("2A");
        const Bytes before = BytesOf(ReadFile(Sample));
        const qint64 cell = LevelCellOffset(stage, 3, 10, 12), room = FrameRoomOffset(stage, 6);
        const std::uint8_t metaTile = std::uint8_t(before[std::size_t(cell)] ^ 0x21);
        const int newRoom = before[std::size_t(room)] == 40 ? 41 : 40;
        QByteArray text = WithCell(ReadFile(map), std::size_t(12 * 16 * stage.Frames + 16 * 3 + 10), metaTile + 1u);
        text = WithRoom(text, 6, QString::number(newRoom));
        QVERIFY(WriteFile(map, text));
        const QString tiled = dir.filePath(QStringLiteral("t.tmj")), out = dir.filePath(QStringLiteral("out.nes"));
        const TiledRun run = RunTiledProgram(QStringLiteral("tiled"), {"--export-map", map, tiled});
        QVERIFY2(run.status == 0, qPrintable(run.output));

        const ProgramRun imported = RunKrelin({"--import-tiled", tiled, "--stage", "2A", Sample, out});
        QVERIFY2(imported.status == 0, qPrintable(imported.err));
        const Bytes after = BytesOf(ReadFile(out));
        QCOMPARE(ChangedOffsets(before, after), (QList<qint64>{room, cell}));
        QCOMPARE(after[std::size_t(cell)], metaTile);
        QCOMPARE(after[std::size_t(room)], newRoom);
        const auto hex = [](int v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')).toUpper(); };
        const QString said = QString::fromUtf8(imported.out);
        QVERIFY2(said.contains(QStringLiteral("Stage 2A: 1 cell (frame 3: row 12, column 10: %1 → %2)")
                                   .arg(hex(before[std::size_t(cell)]), hex(metaTile))),
                 qPrintable(said));
        QVERIFY2(said.contains(QStringLiteral("Stage 2A: 1 room (frame 6: %1 → %2)")
                                   .arg(hex(before[std::size_t(room)]), hex(newRoom))),
                 qPrintable(said));
    }

    // The command line refuses with one line naming what is wrong, and writes nothing.
    void commandLineRefuses_data()
    {
        QTest::addColumn<QStringList>("arguments"); // MAP, IMAGE, OTHER, OUT stand for files
        QTest::addColumn<QString>("says");
        QTest::newRow("another stage") << QStringList{"--import-tiled", "MAP", "--stage", "3", "IMAGE", "OUT"}
                                       << "was made from Stage 2A (its \"stage\" property), not from Stage 3";
        QTest::newRow("another image") << QStringList{"--import-tiled", "MAP", "--stage", "2A", "OTHER", "OUT"}
                                       << "was made from another image: its checksum is";
        QTest::newRow("output is the image") << QStringList{"--import-tiled", "MAP", "--stage", "2A", "IMAGE", "IMAGE"}
                                             << "same file as the image";
        QTest::newRow("output is the map") << QStringList{"--import-tiled", "MAP", "--stage", "2A", "IMAGE", "MAP"}
                                           << "same file as the map";
        // The map's tileset in a file of its own (TSX) is read too: by its name or a link.
        QTest::newRow("output is the tileset") << QStringList{"--import-tiled", "MAPTSX", "--stage", "2A", "IMAGE", "TSX"}
                                               << "it is the same file as the tileset";
        QTest::newRow("output links to the tileset") << QStringList{"--import-tiled", "MAPTSX", "--stage", "2A", "IMAGE", "TSXLINK"}
                                                     << "it is the same file as the tileset";
        QTest::newRow("no format") << QStringList{"--export-tiled", "OUT", "--stage", "2A", "IMAGE"}
                                   << "needs a name ending in .tmx (TMX) or .tmj (TMJ)";
        QTest::newRow("unknown stage") << QStringList{"--export-tiled", "MAP", "--stage", "9", "IMAGE"} << "Unknown stage";
        QTest::newRow("usage") << QStringList{"--import-tiled", "MAP", "--stage", "2A", "IMAGE"} << "Usage";
    }
    void commandLineRefuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString map = exportMap(dir, QStringLiteral("2A"));
        QVERIFY(!map.isEmpty());
        const QString image = dir.filePath(QStringLiteral("image.nes")), other = dir.filePath(QStringLiteral("other.nes"));
        const QString out = dir.filePath(QStringLiteral("out.nes"));
        QVERIFY(QFile::copy(Sample, image));
        QByteArray bytes = ReadFile(Sample);
        bytes[0x19010] = char(bytes[0x19010] ^ 0x01); // a tile of stages 2A to 2C
        QVERIFY(WriteFile(other, bytes));
        // The same map with its tileset in ts.tsx beside it, and a link to that.
        const QString tsx = dir.filePath(QStringLiteral("ts.tsx")), tsxLink = dir.filePath(QStringLiteral("link.nes"));
        const QString mapTsx = dir.filePath(QStringLiteral("external.tmx"));
        QVERIFY(WriteFile(tsx, "<?xml version=\"1.0\"?>\n<tileset name=\"m\" tilewidth=\"16\" tileheight=\"16\" "
                               "tilecount=\"256\" columns=\"16\"/>\n"));
        QVERIFY(QFile::link(tsx, tsxLink));
        QVERIFY(WriteFile(mapTsx, Replaced(ReadFile(map), QStringLiteral("<tileset [^>]*>[^$]*?</tileset>"),
                                           QStringLiteral("<tileset firstgid=\"1\" source=\"ts.tsx\"/>"))));
        const QByteArray tsxBefore = ReadFile(tsx);
        for (QString &a : arguments)
            a = a == QLatin1String("MAP") ? map : a == QLatin1String("IMAGE") ? image : a == QLatin1String("OTHER") ? other
                : a == QLatin1String("OUT") ? out : a == QLatin1String("MAPTSX") ? mapTsx : a == QLatin1String("TSX") ? tsx
                : a == QLatin1String("TSXLINK") ? tsxLink : a;
        const QByteArray mapBefore = ReadFile(map);
        const ProgramRun run = RunKrelin(arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(QLatin1String("krelin: ")) && run.err.count(u'\n') == 1, qPrintable(run.err));
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(ReadFile(image), ReadFile(Sample));
        QCOMPARE(ReadFile(map), mapBefore);
        QCOMPARE(ReadFile(tsx), tsxBefore);
    }

    // A map made from another image goes in when asked for.
    void otherImageAskedFor()
    {
        QTemporaryDir dir;
        const QString map = exportMap(dir, QStringLiteral("2A"));
        const QString other = dir.filePath(QStringLiteral("other.nes")), out = dir.filePath(QStringLiteral("out.nes"));
        QByteArray bytes = ReadFile(Sample);
        bytes[0x19010] = char(bytes[0x19010] ^ 0x01);
        QVERIFY(WriteFile(other, bytes));
        const ProgramRun run = RunKrelin({"--import-tiled", map, "--stage", "2A", "--other-image", other, out});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(ReadFile(out), bytes);
    }
};

QTEST_GUILESS_MAIN(TestTiledTools)
#include "test_tiled_tools.moc"
