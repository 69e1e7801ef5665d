// A stage as a Tiled map and back, without Tiled itself: what is written reads back exactly
// in every encoding the map editor writes, the tileset picture shows each metatile, the
// checksum tells another image from this one, and every bad map is refused with a
// message naming the file and the place, the image left as it was. (The layers' data and
// the XML reader alone: test_tiled_data.)
#include "Bytes.h"
#include "MapText.h"
#include "SyntheticImage.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditHistory.h"
#include "render/Palette.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledImport.h"
#include "tiled/TiledMapFile.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

// The sample with stage name applied and the program's palette.
void loadSample(modKrelin &model, const char *name)
{
    LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR));
    model.replaceImage(BytesOf(ReadFile(QStringLiteral(KRELIN_SAMPLE))));
    model.ApplyStage(*FindStage(name));
}

QByteArray exported(const modKrelin &model, TiledFormat format)
{
    return EncodeTiledStage(model, format, QStringLiteral("x-metatiles.png"), ResolveBgColors(model).value()).map;
}

TiledStageImport readBack(const modKrelin &model, const QByteArray &map, const QString &folder = {})
{
    const TiledMapRead read = ReadTiledMapBytes(map, folder, QStringLiteral("m.tmx"));
    if (!read.ok())
        return TiledStageImport{model.currentStage(), {}, {}, {}, read.error, read.files};
    return CheckTiledStageMap(read.map, QStringLiteral("m.tmx"), model, *model.currentStage());
}

Bytes levelBytes(const modKrelin &model)
{
    const ByteRange r = LevelRange(model, model.currentStage()->Frames);
    return Bytes(model.image().begin() + r.offset, model.image().begin() + r.end());
}

Bytes roomBytes(const modKrelin &model)
{
    const ByteRange r = FrameTableRange(model, model.currentStage()->Frames);
    return Bytes(model.image().begin() + r.offset, model.image().begin() + r.end());
}

} // namespace

class TestTiled : public QObject
{
    Q_OBJECT

private slots:
    // Every stage's map, in both formats, gives back its cells and rooms as the image holds
    // them: stage 3's frames 3 to 9 share their room bytes with stage 2A, whose rooms lie
    // beyond stage 3's, and come back all the same.
    void readsBack_data()
    {
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("format");
        for (const char *stage : {"1A", "2A", "3", "7"})
            for (const auto &[format, name] : {std::pair{TiledFormat::Tmx, "TMX"}, std::pair{TiledFormat::Tmj, "TMJ"}})
                QTest::addRow("%s %s", stage, name) << QString::fromLatin1(stage) << int(format);
    }
    void readsBack()
    {
        QFETCH(QString, stage);
        QFETCH(int, format);
        modKrelin model;
        loadSample(model, qPrintable(stage));
        const TiledStageImport back = readBack(model, exported(model, TiledFormat(format)));
        QVERIFY2(back.ok(), qPrintable(back.error));
        QCOMPARE(back.cells, levelBytes(model));
        QCOMPARE(back.rooms, roomBytes(model));
        QVERIFY(MadeFromThisImage(back, model));
        QVERIFY(TiledImportSummary(model, back, "a", "b").isEmpty());
    }

    // The layer in each encoding the map editor writes reads as the same cells.
    void encodings_data()
    {
        QTest::addColumn<QString>("compression");
        for (const char *c : {"csv", "", "zlib", "gzip", "zstd"})
            QTest::newRow(*c ? c : "base64") << QString::fromLatin1(c);
    }
    void encodings()
    {
        QFETCH(QString, compression);
        modKrelin model;
        loadSample(model, "3");
        QByteArray map = exported(model, TiledFormat::Tmx);
        if (compression != QLatin1String("csv"))
            map = WithEncoding(map, compression);
        const TiledStageImport back = readBack(model, map);
        QVERIFY2(back.ok(), qPrintable(back.error));
        QCOMPARE(back.cells, levelBytes(model));
    }

    // A tileset kept in a file of its own, TSX or TSJ, beside the map.
    void externalTileset_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("tileset");
        QTest::newRow("tsx") << "t.tsx"
                             << QByteArray("<?xml version=\"1.0\"?>\n<tileset version=\"1.8\" name=\"m\" tilewidth=\"16\" "
                                           "tileheight=\"16\" tilecount=\"256\" columns=\"16\">\n <image "
                                           "source=\"x.png\" width=\"256\" height=\"256\"/>\n</tileset>\n");
        QTest::newRow("tsj") << "t.tsj"
                             << QByteArray("{\"columns\":16, \"image\":\"x.png\", \"name\":\"m\", \"tilecount\":256, "
                                           "\"tileheight\":16, \"tilewidth\":16, \"type\":\"tileset\"}");
    }
    void externalTileset()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, tileset);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(name), tileset));
        modKrelin model;
        loadSample(model, "2A");
        const QByteArray map = Replaced(exported(model, TiledFormat::Tmx), QStringLiteral("<tileset [^>]*>[^$]*?</tileset>"),
                                        QStringLiteral("<tileset firstgid=\"1\" source=\"%1\"/>").arg(name));
        QVERIFY(map.contains(name.toLatin1()));
        const TiledStageImport back = readBack(model, map, dir.path());
        QVERIFY2(back.ok(), qPrintable(back.error));
        QCOMPARE(back.cells, levelBytes(model));
        // Without the file, the map names it.
        QVERIFY(QFile::remove(dir.filePath(name)));
        QVERIFY(readBack(model, map, dir.path()).error.contains(name));
    }

    // Each bad map is refused with a message naming the file and what is wrong.
    void refused_data()
    {
        QTest::addColumn<QString>("pattern"); // replaced in stage 1B's map (3 frames)
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("says");
        QTest::newRow("another width") << "width=\"48\" height=\"15\"" << "width=\"32\" height=\"15\""
                                      << "the map is 32 × 15 tiles; Stage 1B is 48 × 15";
        QTest::newRow("isometric") << "orientation=\"orthogonal\"" << "orientation=\"isometric\"" << "isometric";
        QTest::newRow("8-pixel tiles") << "tilewidth=\"16\" tileheight=\"16\" infinite" << "tilewidth=\"8\" tileheight=\"8\" infinite"
                                       << "8 × 8 pixels";
        QTest::newRow("infinite") << "infinite=\"0\"" << "infinite=\"1\"" << "infinite";
        QTest::newRow("flipped cell") << "CELL 0" << "2147483650" << "frame 0, row 0, column 0: the tile is flipped";
        QTest::newRow("empty cell") << "CELL 37" << "0" << "frame 2, row 0, column 5: the cell is empty";
        QTest::newRow("beyond 255") << "CELL 48" << "300" << "frame 0, row 1, column 0: the cell holds tile 299";
        QTest::newRow("another tileset")
            << "</tileset>" << "</tileset>\n <tileset firstgid=\"257\" name=\"props\" tilewidth=\"16\" tileheight=\"16\" "
                               "tilecount=\"10\" columns=\"10\"><image source=\"p.png\" width=\"160\" height=\"16\"/></tileset>"
            << "the map refers to more than one tileset";
        QTest::newRow("room out of range") << "ROOM 1" << "12" << "object \"Frame 1\": room 12 is not one of Stage 1B's rooms, 0 to 11";
        QTest::newRow("room not a number") << "ROOM 2" << "x" << "object \"Frame 2\": its room \"x\" is not a whole number";
        QTest::newRow("no room") << "<property name=\"room\"" << "<property name=\"rooms\"" << "Frame 0\": it has no \"room\" property";
        QTest::newRow("frame missing") << "name=\"Frame 2\"" << "name=\"Frame 7\"" << "object \"Frame 7\": it names no frame";
        QTest::newRow("another stage") << "name=\"stage\" value=\"1B\"" << "name=\"stage\" value=\"2A\""
                                       << "made from Stage 2A (its \"stage\" property), not from Stage 1B";
        QTest::newRow("no stage") << "name=\"stage\"" << "name=\"level\"" << "no \"stage\" property";
        QTest::newRow("no level layer") << "name=\"Level\"" << "name=\"Ground\"" << "no tile layer named \"Level\"";
        QTest::newRow("no frames layer") << "name=\"Frames\"" << "name=\"Rooms\"" << "no object layer named \"Frames\"";
        QTest::newRow("truncated") << "CUT" << "" << "damaged or truncated";
        QTest::newRow("damaged zlib") << "ZLIB" << "" << "the zlib data is damaged";
        QTest::newRow("one cell more") << "\n</data>" << ",5\n</data>" << "the layer's CSV data holds 721 cells, not 720";
        QTest::newRow("one row more") << "TALL" << "" << "the map is 48 × 16 tiles; Stage 1B is 48 × 15";
        QTest::newRow("json damaged") << "JSON" << "" << "damaged or truncated: line ";
        QTest::newRow("groups too deep") << "<layer id" << "GROUPS" << "its group layers lie more than 64 deep";
        QTest::newRow("chunks") << "<data encoding=\"csv\">" << "<data encoding=\"csv\"><chunk x=\"0\" y=\"0\"/>"
                                << "kept in chunks";
    }
    void refused()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, after);
        QFETCH(QString, says);
        modKrelin model;
        loadSample(model, "1B");
        QByteArray map = exported(model, TiledFormat::Tmx);
        if (pattern.startsWith(QLatin1String("CELL ")))
            map = WithCell(map, pattern.mid(5).toUInt(), after.toUInt());
        else if (pattern.startsWith(QLatin1String("ROOM ")))
            map = WithRoom(map, pattern.mid(5).toInt(), after);
        else if (pattern == QLatin1String("CUT"))
            map.truncate(map.size() / 2);
        else if (pattern == QLatin1String("ZLIB"))
            map = Replaced(WithEncoding(map, QStringLiteral("zlib")), QStringLiteral("compression=\"zlib\">\\s*........"),
                           QStringLiteral("compression=\"zlib\">AAAAAAAA"));
        else if (pattern == QLatin1String("JSON"))
            map = exported(model, TiledFormat::Tmj).left(500);
        else if (pattern == QLatin1String("TALL")) { // the map, its layer and its cells a row taller
            std::vector<std::uint32_t> ids = CsvIds(map);
            ids.insert(ids.end(), 48, 1);
            map = WithIds(map.replace("height=\"15\"", "height=\"16\""), ids);
        } else if (after == QLatin1String("GROUPS"))
            map.replace("<layer id", QByteArray("<group>").repeated(100000) + "<layer id");
        else
            map = Replaced(map, pattern, after);
        const Bytes before = model.image();
        const TiledStageImport back = readBack(model, map);
        QVERIFY2(!back.ok(), map.left(600).constData());
        QVERIFY2(back.error.startsWith(QLatin1String("m.tmx: ")), qPrintable(back.error));
        QVERIFY2(back.error.contains(says), qPrintable(back.error));
        QVERIFY(back.cells.empty() && back.rooms.empty());
        QCOMPARE(model.image(), before);
    }

    // Hostile bytes in a map are refused naming the line and the column where they lie (as
    // counted here from the map's text), and not taken for a map without its layer: before,
    // a layer named "Level" and two bytes that are not UTF-8 was "no tile layer named Level".
    void hostileBytesNamed_data()
    {
        QTest::addColumn<QByteArray>("inserted"); // into the layer's name, after "Lev"
        QTest::addColumn<QString>("says");
        QTest::newRow("FF FE") << QByteArray("\xFF\xFE") << "bytes that are not UTF-8 (FF)";
        QTest::newRow("overlong C0 AF") << QByteArray("\xC0\xAF") << "bytes that are not UTF-8 (C0 AF)";
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80") << "bytes that are not UTF-8 (ED A0 80)";
        QTest::newRow("U+FFFE") << QByteArray("\xEF\xBF\xBE") << "the character U+FFFE";
    }
    void hostileBytesNamed()
    {
        QFETCH(QByteArray, inserted);
        QFETCH(QString, says);
        modKrelin model;
        loadSample(model, "1B");
        QByteArray map = exported(model, TiledFormat::Tmx);
        const qsizetype at = map.indexOf("name=\"Level\"") + 9;
        map.insert(at, inserted);
        const qsizetype lineStart = map.lastIndexOf('\n', at) + 1;
        const QString where = QStringLiteral("line %1, column %2: ")
                                  .arg(map.left(at).count('\n') + 1)
                                  .arg(QString::fromUtf8(map.mid(lineStart, at - lineStart)).size() + 1);
        const TiledStageImport back = readBack(model, map);
        QVERIFY2(back.error.contains(where + says), qPrintable(back.error));

        // standalone="maybe" in the declaration, on the map's first line.
        const TiledStageImport maybe =
            readBack(model, exported(model, TiledFormat::Tmx).replace("?>", " standalone=\"maybe\"?>"));
        QVERIFY2(maybe.error.contains(QLatin1String("line 1, column ")) && maybe.error.contains(QLatin1String("standalone")),
                 qPrintable(maybe.error));
    }

    // A map refers to one tileset: a map that names one file 2,000 times is refused at the
    // second, having read the file once (before, every reference read and parsed it again:
    // 81 s for a tileset of 30 MiB), in both formats. The files read are reported, for the
    // commands that must not write over them.
    void oneTileset_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("TMX") << int(TiledFormat::Tmx);
        QTest::newRow("TMJ") << int(TiledFormat::Tmj);
    }
    void oneTileset()
    {
        QFETCH(int, format);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("t.tsx")),
                          "<?xml version=\"1.0\"?>\n<tileset name=\"m\" tilewidth=\"16\" tileheight=\"16\" tilecount=\"256\" "
                          "columns=\"16\"/>\n"));
        modKrelin model;
        loadSample(model, "2A");
        const bool tmx = TiledFormat(format) == TiledFormat::Tmx;
        const QByteArray one = tmx ? QByteArray("<tileset firstgid=\"1\" source=\"t.tsx\"/>")
                                   : QByteArray("{\"firstgid\":1, \"source\":\"t.tsx\"}");
        QByteArray text = exported(model, TiledFormat(format));
        text = tmx ? Replaced(text, QStringLiteral("<tileset [^>]*>[^$]*?</tileset>"), QString::fromLatin1(one))
                   : Replaced(text, QStringLiteral("\"tilesets\":\\s*\\[[^\\]]*\\]"),
                              QStringLiteral("\"tilesets\":[%1]").arg(QString::fromLatin1(one)));
        const QString map = dir.filePath(tmx ? QStringLiteral("m.tmx") : QStringLiteral("m.tmj"));
        QVERIFY(WriteFile(map, text));
        TiledMapRead read = ReadTiledMap(map);
        QVERIFY2(read.ok(), qPrintable(read.error));
        QCOMPARE(read.files, (QStringList{map, dir.filePath(QStringLiteral("t.tsx"))}));

        QByteArray many = one;
        for (int i = 1; i < 2000; ++i)
            many += (tmx ? "\n " : ",") + one;
        QVERIFY(WriteFile(map, text.replace(one, many)));
        read = ReadTiledMap(map);
        QVERIFY2(read.error.contains(QLatin1String("the map refers to more than one tileset")), qPrintable(read.error));
        QVERIFY(read.files.size() <= 2);
    }

    // The checksum follows what gives the cells their meaning (tiles, metatiles,
    // sub-palettes, palette), and nothing else.
    void checksum()
    {
        modKrelin model;
        loadSample(model, "3");
        const Stage &stage = *model.currentStage();
        const QString ours = StageImageChecksum(model.image(), stage);
        QCOMPARE(ours.size(), 8);
        for (const qint64 offset : {FrameOffset(stage, 23) + 239, FrameRoomOffset(stage, 0), qint64(0x10),
                                    FrameOffset(StageTable[0], 0), TileOffset(StageTable[0], 3), qint64(FixUpTarget)}) {
            Bytes other = model.image();
            other[std::size_t(offset)] ^= 0x40;
            QVERIFY2(StageImageChecksum(other, stage) == ours, qPrintable(QString::number(offset, 16)));
        }
        for (const qint64 offset : {TileOffset(stage, 0), TileOffset(stage, 255) + 15, QuadrantTileOffset(stage, 5, 2),
                                    SubPaletteOffset(stage, 255), PaletteEntryOffset(stage, 15)}) {
            Bytes other = model.image();
            other[std::size_t(offset)] ^= 0x40;
            QVERIFY2(StageImageChecksum(other, stage) != ours, qPrintable(QString::number(offset, 16)));
        }
    }

    // The tileset picture: metatile n at (16 (n mod 16), 16 (n div 16)), each tile pixel
    // one picture pixel, in the stage's colours.
    void tilesetPicture()
    {
        modKrelin model;
        loadSample(model, "5");
        const QByteArray png = EncodeTiledStage(model, TiledFormat::Tmx, "t.png", ResolveBgColors(model).value()).tileset;
        QImage sheet;
        QVERIFY(sheet.loadFromData(png, "PNG"));
        QCOMPARE(sheet.size(), QSize(256, 256));
        const auto bg = ExpectedBgColors(model);
        for (int n : {0, 1, 17, 128, 254, 255})
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const int dx = x < 8 ? 2 * x : 17 + 2 * (x - 8), dy = y < 8 ? 2 * y : 17 + 2 * (y - 8);
                    QCOMPARE(sheet.pixel(16 * (n % 16) + x, 16 * (n / 16) + y) | 0xFF000000u,
                             ExpectedMetaTilePixel(model, bg, n, dx, dy, 0) | 0xFF000000u);
                }
    }

    // The import is one step that writes exactly the cells and rooms that differ, shows
    // the first frame it changes, and undoes to the image as it was.
    void oneStep()
    {
        modKrelin model;
        loadSample(model, "2A");
        const Stage &stage = *model.currentStage();
        EditHistory history(model);
        const Bytes before = model.image();
        // Cell (frame, column, row) of the map, 7 frames wide.
        const auto cell = [](int f, int col, int row) { return std::size_t(row * 16 * 7 + 16 * f + col); };
        const auto next = [&](qint64 at) { return std::uint8_t(before[std::size_t(at)] + 1); };
        const qint64 a = LevelCellOffset(stage, 2, 5, 4), b = LevelCellOffset(stage, 6, 15, 14), r = FrameRoomOffset(stage, 5);
        const int room = before[std::size_t(r)] == 43 ? 42 : 43;
        QByteArray map = WithCell(exported(model, TiledFormat::Tmx), cell(2, 5, 4), 1u + next(a));
        map = WithCell(map, cell(6, 15, 14), 1u + next(b));
        map = WithRoom(map, 5, QString::number(room));
        const TiledStageImport back = readBack(model, map);
        QVERIFY2(back.ok(), qPrintable(back.error));
        QVERIFY(history.push(MakeTiledImportCommand(model, back, QStringLiteral("Import Tiled Map"))));
        QList<qint64> expected{r, a, b};
        std::sort(expected.begin(), expected.end());
        QCOMPARE(ChangedOffsets(before, model.image()), expected);
        QCOMPARE(model.byteAt(a), next(a));
        QCOMPARE(model.byteAt(b), next(b));
        QCOMPARE(model.byteAt(r), room);
        QCOMPARE(history.stack().count(), 1);
        const auto *step = static_cast<const CellsEditCommand *>(history.stack().command(0));
        QVERIFY(step->place() == EditPlace::In(&stage, 2));
        QCOMPARE(step->text(), QStringLiteral("Import Tiled Map"));
        history.stack().undo();
        QCOMPARE(model.image(), before);
        // The same map again, once in: nothing to do.
        history.stack().redo();
        QCOMPARE(MakeTiledImportCommand(model, readBack(model, map), QStringLiteral("x")), nullptr);
    }
};

QTEST_GUILESS_MAIN(TestTiled)
#include "test_tiled.moc"
