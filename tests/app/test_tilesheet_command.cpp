// krelin --export-tiles and --import-tiles run as a user runs them: the sheet is indexed
// in the sub-palette's colours; exported, edited and imported, exactly the pixels edited
// change; every bad request ends with one line, status 1 and no file written or changed.
#include "Bytes.h"
#include "RunKrelin.h"
#include "SyntheticImage.h"
#include "core/Crc32.h"
#include "core/MasterPalette.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using namespace krelin::testing;

namespace {

const QString Sample = QStringLiteral(KRELIN_SAMPLE);

// The file's folder, every file in it with its bytes.
QMap<QString, QByteArray> Snapshot(const QDir &dir)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : dir.entryList(QDir::Files))
        files[name] = ReadFile(dir.filePath(name));
    return files;
}

// A PNG chunk of the type with data, its checksum wrong.
QByteArray BadChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray chunk;
    for (int shift : {24, 16, 8, 0})
        chunk += char(data.size() >> shift);
    chunk += type + data;
    const std::uint32_t wrong = Crc32(BytesOf(type + data)) ^ 1;
    for (int shift : {24, 16, 8, 0})
        chunk += char(wrong >> shift);
    return chunk;
}

} // namespace

class TestTileSheetCommand : public QObject
{
    Q_OBJECT

private slots:
    // Stage 3's tiles in sub-palette 2: an indexed sheet whose palette is that
    // sub-palette's colours; read back unchanged, the output is the image itself.
    void exportAndImportBack()
    {
        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("s.png")), out = dir.filePath(QStringLiteral("out.nes"));
        ProgramRun run = RunKrelin({"--export-tiles", sheet, "--stage", "3", "--subpalette", "2", Sample});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        modKrelin model;
        LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR));
        model.replaceImage(BytesOf(ReadFile(Sample)));
        model.ApplyStage(StageTable[6]);
        const auto bg = ExpectedBgColors(model);
        const QImage picture(sheet);
        QCOMPARE(picture.colorTable(), QList<QRgb>({bg[8], bg[9], bg[10], bg[11]}));
        for (int t : {0, 0x57, 0xFF})
            for (int i = 0; i < 64; ++i)
                QCOMPARE(picture.pixelIndex(8 * (t % 16) + i % 8, 8 * (t / 16) + i / 8),
                         DecodeTilePixel(model.bytesAt(model.ChrOffset + 16 * t, 16), i % 8, i / 8));

        run = RunKrelin({"--import-tiles", sheet, "--stage", "3", "--subpalette", "2", Sample, out});
        QVERIFY2(run.status == 0 && run.out.isEmpty(), qPrintable(run.err));
        QCOMPARE(ReadFile(out), ReadFile(Sample));
    }

    // A paint program saved the sheet in colours, one pixel off the palette: exactly the
    // pixels painted change, and the import says how many took the nearest colour.
    void editedSheet()
    {
        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("s.png")), out = dir.filePath(QStringLiteral("out.nes"));
        QCOMPARE(RunKrelin({"--export-tiles", sheet, "--stage", "1B", Sample}).status, 0);
        QImage picture = QImage(sheet).convertToFormat(QImage::Format_RGB32);
        const QList<QRgb> colors = QImage(sheet).colorTable();
        const Bytes before = BytesOf(ReadFile(Sample));
        const qint64 chr = StageTable[1].ChrOffset;
        // Tile 0x12, pixel (3, 4) to colour 3 minus a little; tile 0x80, pixel (7, 0) to 0.
        const int old1 = DecodeTilePixel(before.data() + chr + 16 * 0x12, 3, 4);
        const int new1 = old1 == 3 ? 2 : 3, new2 = DecodeTilePixel(before.data() + chr + 16 * 0x80, 7, 0) == 0 ? 1 : 0;
        picture.setPixel(8 * 2 + 3, 8 * 1 + 4, colors[new1] - 0x010000);
        picture.setPixel(8 * 0 + 7, 8 * 8 + 0, colors[new2]);
        QVERIFY(picture.save(sheet));
        const ProgramRun run = RunKrelin({"--import-tiles", sheet, "--stage", "1B", Sample, out});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QVERIFY2(run.out.startsWith("1 pixel of "), run.out.constData());
        const Bytes after = BytesOf(ReadFile(out));
        QList<qint64> expected;
        for (auto [t, j, r, v] : {std::tuple{0x12, 3, 4, new1}, std::tuple{0x80, 7, 0, new2}}) {
            const int was = DecodeTilePixel(before.data() + chr + 16 * t, j, r);
            if ((was ^ v) & 1)
                expected << chr + 16 * t + r;
            if ((was ^ v) & 2)
                expected << chr + 16 * t + 8 + r;
            QCOMPARE(DecodeTilePixel(after.data() + chr + 16 * t, j, r), v);
        }
        std::sort(expected.begin(), expected.end());
        QCOMPARE(ChangedOffsets(before, after), expected);
    }

    // What libpng says never makes a second line: a warning about a damaged chunk the
    // sheet does not need is dropped, a damaged picture's error ends the one line.
    void libraryWordsInOneLine()
    {
        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("s.png")), out = dir.filePath(QStringLiteral("out.nes"));
        QCOMPARE(RunKrelin({"--export-tiles", sheet, "--stage", "1A", Sample}).status, 0);
        const QByteArray png = ReadFile(sheet);
        const qsizetype afterHeader = 8 + 25;
        QVERIFY(WriteFile(sheet, png.left(afterHeader) + BadChunk("tEXt", QByteArray("Comment\0hi", 10)) + png.mid(afterHeader)));
        ProgramRun run = RunKrelin({"--import-tiles", sheet, "--stage", "1A", Sample, out});
        QVERIFY2(run.status == 0 && run.err.isEmpty() && run.out.isEmpty(), qPrintable(run.err));
        QCOMPARE(ReadFile(out), ReadFile(Sample));

        QByteArray damaged = png;
        const qsizetype data = damaged.indexOf("IDAT") + 4;
        const qsizetype length = qsizetype(std::uint8_t(damaged[data - 6])) << 8 | std::uint8_t(damaged[data - 5]);
        damaged[data + length] = char(damaged[data + length] ^ 0xFF); // its checksum
        QVERIFY(WriteFile(sheet, damaged));
        run = RunKrelin({"--import-tiles", sheet, "--stage", "1A", Sample, out});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("krelin: Cannot read ")) && run.err.count(u'\n') == 1
                     && run.err.endsWith(QStringLiteral("(libpng: IDAT: CRC error).\n")),
                 qPrintable(run.err));
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("arguments"); // SHEET, IMAGE, OUT, BIG stand for files
        QTest::addColumn<QString>("says");
        QTest::newRow("output is the image") << QStringList{"--import-tiles", "SHEET", "--stage", "1A", "IMAGE", "IMAGE"}
                                             << "same file as the image";
        QTest::newRow("output is the sheet") << QStringList{"--import-tiles", "SHEET", "--stage", "1A", "IMAGE", "SHEET"}
                                             << "same file as the sheet";
        QTest::newRow("sheet is the image") << QStringList{"--export-tiles", "IMAGE", "--stage", "1A", "IMAGE"}
                                            << "cartridge image itself";
        QTest::newRow("another size") << QStringList{"--import-tiles", "BIG", "--stage", "1A", "IMAGE", "OUT"}
                                      << "128 × 136";
        QTest::newRow("sub-palette 4") << QStringList{"--export-tiles", "OUT", "--stage", "1A", "--subpalette", "4", "IMAGE"}
                                       << "0, 1, 2 or 3";
        QTest::newRow("unknown stage") << QStringList{"--export-tiles", "OUT", "--stage", "8", "IMAGE"} << "Unknown stage";
        QTest::newRow("no output") << QStringList{"--import-tiles", "SHEET", "--stage", "1A", "IMAGE"} << "Usage";
        QTest::newRow("both") << QStringList{"--import-tiles", "SHEET", "--export-tiles", "OUT", "--stage", "1A", "IMAGE"}
                              << "Usage";
    }
    void refused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString image = dir.filePath(QStringLiteral("game.nes")), sheet = dir.filePath(QStringLiteral("s.png"));
        QVERIFY(WriteFile(image, ReadFile(Sample)));
        QCOMPARE(RunKrelin({"--export-tiles", sheet, "--stage", "1A", image}).status, 0);
        QVERIFY(QImage(128, 136, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("big.png"))));
        const auto files = Snapshot(QDir(dir.path()));
        for (QString &a : arguments)
            a = a == "SHEET" ? sheet : a == "IMAGE" ? image : a == "OUT" ? dir.filePath(QStringLiteral("out"))
                : a == "BIG" ? dir.filePath(QStringLiteral("big.png")) : a;
        const ProgramRun run = RunKrelin(arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.startsWith(QStringLiteral("krelin: ")) && run.err.count(u'\n') == 1 && run.err.contains(says),
                 qPrintable(run.err));
        QCOMPARE(Snapshot(QDir(dir.path())), files);
    }
};

QTEST_MAIN(TestTileSheetCommand)
#include "test_tilesheet_command.moc"
