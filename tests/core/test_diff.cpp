// Comparing two images: a planted byte of each kind is found under every stage that reads
// it (positions worked out here from the layout's rules, not from the code's functions),
// the walk visits the differences in order, a comparison that follows edits matches one
// made afresh, and patches carry their description as plain text in valid BPS.

#include "TestFolders.h"

#include "core/ImageDiff.h"
#include "core/Patch.h"
#include "core/PatchInfo.h"
#include "core/RomFile.h"
#include "core/Version.h"

#include <QRandomGenerator>
#include <QTest>

using namespace krelin;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sample()
{
    return ReadRomFile(testing::RuntimeFolder() + QStringLiteral("/sample.nes")).bytes;
}

const Stage &S(const char *name)
{
    return *FindStage(QLatin1String(name));
}

int IndexOf(const char *name)
{
    return int(&S(name) - StageTable.data());
}

// Every difference, by walking forward from the first.
QList<DiffPlace> Walk(const ImageDiff &diff)
{
    QList<DiffPlace> places;
    for (auto p = diff.first(); p; p = diff.next(*p))
        places << *p;
    return places;
}

} // namespace

Q_DECLARE_METATYPE(DiffPlace)

class TestDiff : public QObject
{
    Q_OBJECT

private slots:
    // One changed byte, and the place it must show up at in each stage that reads it.
    void plantedByte_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QStringList>("stages");
        QTest::addColumn<DiffPlace>("place"); // its stage is filled in per listed stage
        QTest::addColumn<bool>("other");
        auto row = [](const char *name, qint64 offset, QStringList stages, DiffPlace place, bool other = false) {
            QTest::newRow(name) << offset << stages << place << other;
        };
        // Frames are 15 rows of 16 cells; the frame-to-room table has a byte per frame;
        // metatile records are four tile numbers; tiles are 16 bytes.
        row("cell", S("3").LevelOffset + 2 * 240 + 3 * 16 + 4, {"3"}, {0, DiffKind::Cell, 2, 3 * 16 + 4});
        row("last cell", S("7").LevelOffset + 239, {"7"}, {0, DiffKind::Cell, 0, 239});
        row("room of one stage", S("3").FrameTableOffset + 20, {"3"}, {0, DiffKind::Room, 20, 0});
        row("shared room byte", S("1C").FrameTableOffset + 1, {"1C", "2B", "3", "4A", "4B", "5", "6"},
            {0, DiffKind::Room, 1, 0});
        row("shared tile", S("1A").ChrOffset + 0x1C * 16 + 15, {"1A", "1B", "1C"}, {0, DiffKind::Tile, -1, 0x1C});
        row("metatile record", S("3").MetaTileOffset + 0x10 * 4 + 3, {"3", "4A", "4B"},
            {0, DiffKind::MetaTile, -1, 0x10});
        row("sub-palette", S("5").MetaPalOffset + 0xFF, {"5", "6", "7"}, {0, DiffKind::MetaTile, -1, 0xFF});
        row("palette entry", S("3").PalOffset + 5, {"3"}, {0, DiffKind::PaletteEntry, -1, 5});
        row("unread byte", 0x100, {}, {}, true);
    }

    void plantedByte()
    {
        QFETCH(qint64, offset);
        QFETCH(QStringList, stages);
        QFETCH(DiffPlace, place);
        QFETCH(bool, other);
        const Bytes a = Sample();
        Bytes b = a;
        b[std::size_t(offset)] ^= 0x5A;
        const ImageDiff diff(a, b);

        QList<DiffPlace> expected;
        for (const QString &name : stages) {
            place.stage = IndexOf(name.toLatin1().constData());
            expected << place;
        }
        QCOMPARE(Walk(diff), expected);
        const std::vector<ByteRange> unread = other ? std::vector<ByteRange>{{offset, 1}} : std::vector<ByteRange>{};
        QCOMPARE(diff.other(), unread);
        QVERIFY(!diff.identical());
        QVERIFY(ImageDiff(a, a).identical());
    }

    // The values a window shows, and the queries it asks, on differences of every kind in
    // one stage; the walk goes frame by frame (cells, then the room), then metatiles,
    // tiles and palette entries, stage after stage, and back the same way.
    void valuesAndWalk()
    {
        const Stage &s3 = S("3");
        const Bytes a = Sample();
        Bytes b = a;
        b[std::size_t(s3.LevelOffset + 20 * 240)] = std::uint8_t(a[std::size_t(s3.LevelOffset + 20 * 240)] + 1);
        b[std::size_t(s3.FrameTableOffset + 20)] ^= 1;
        b[std::size_t(s3.LevelOffset + 2 * 240 + 239)] ^= 1;
        b[std::size_t(s3.PalOffset + 15)] ^= 0x10;
        b[std::size_t(s3.ChrOffset)] ^= 1; // tile 0, shared with 4A and 4B
        b[std::size_t(s3.MetaPalOffset + 7)] ^= 3;
        const ImageDiff diff(a, b);

        const int i3 = IndexOf("3");
        const QList<DiffPlace> expected{
            {i3, DiffKind::Cell, 2, 239},       {i3, DiffKind::Cell, 20, 0},  {i3, DiffKind::Room, 20, 0},
            {i3, DiffKind::MetaTile, -1, 7},    {i3, DiffKind::Tile, -1, 0},  {i3, DiffKind::PaletteEntry, -1, 15},
            {IndexOf("4A"), DiffKind::MetaTile, -1, 7}, {IndexOf("4A"), DiffKind::Tile, -1, 0},
            {IndexOf("4B"), DiffKind::MetaTile, -1, 7}, {IndexOf("4B"), DiffKind::Tile, -1, 0}};
        QCOMPARE(Walk(diff), expected);
        QList<DiffPlace> back;
        for (auto p = diff.last(); p; p = diff.previous(*p))
            back.prepend(*p);
        QCOMPARE(back, expected);
        QCOMPARE(diff.next({i3, DiffKind::Cell, 3, -1}), expected[1]); // from a frame without any
        QCOMPARE(diff.previous({i3, DiffKind::Cell, 3, -1}), expected[0]);

        const StageDiff &d = diff.stage(i3);
        QCOMPARE(d.frames(), (std::vector<int>{2, 20}));
        QCOMPARE(d.cellsOfFrame(2).size(), std::size_t(1));
        QCOMPARE(d.cellsOfFrame(2)[0], (CellDiff{2, 14, 15, a[std::size_t(s3.LevelOffset + 2 * 240 + 239)],
                                                 b[std::size_t(s3.LevelOffset + 2 * 240 + 239)]}));
        QVERIFY(d.cellsOfFrame(3).empty());
        QVERIFY(d.roomDiffers(20) && !d.roomDiffers(2));
        QVERIFY(d.metaTileDiffers(7) && !d.metaTileDiffers(8) && d.tileDiffers(0) && !d.tileDiffers(1));
        QCOMPARE(d.metaTiles[0].b.subPalette, std::uint8_t(a[std::size_t(s3.MetaPalOffset + 7)] ^ 3));
        QCOMPARE(d.metaTiles[0].a.tiles[2], a[std::size_t(s3.MetaTileOffset + 7 * 4 + 2)]);
        QCOMPARE(d.palette[0].b, std::uint8_t(a[std::size_t(s3.PalOffset + 15)] ^ 0x10));
    }

    // Bytes past the shorter image are other, joined to other bytes just before them; a
    // stage whose data lies past the shorter end is left out, and what it reads is other.
    void sizes()
    {
        const Bytes a = Sample();
        Bytes longer = a;
        longer.insert(longer.end(), {1, 2, 3});
        longer[a.size() - 1] ^= 1; // the last byte, read by no stage
        ImageDiff diff(a, longer);
        QCOMPARE(diff.other(), (std::vector<ByteRange>{{qint64(a.size()) - 1, 4}}));
        QVERIFY(diff.differingStages().empty() && diff.stagesNotCompared().empty());

        const qint64 cut = S("3").ChrOffset; // stages 3 to 7 keep their tiles from here on
        Bytes shorter(a.begin(), a.begin() + cut);
        shorter[std::size_t(S("3").LevelOffset)] ^= 1;
        shorter[std::size_t(S("1A").ChrOffset)] ^= 1;
        diff.compare(shorter, a);
        QCOMPARE(diff.stagesNotCompared().size(), std::size_t(6));
        QCOMPARE(diff.stagesNotCompared().front(), &S("3"));
        QCOMPARE(diff.differingStages().size(), std::size_t(3)); // tile 0 of 1A, 1B, 1C
        QCOMPARE(diff.other(), (std::vector<ByteRange>{{S("3").LevelOffset, 1}, {cut, qint64(a.size()) - cut}}));
    }

    // Random edits of either image, from single bytes to long stretches and back to equal,
    // followed one at a time, leave the comparison as a fresh one would be; and its other
    // bytes are exactly the differing bytes that no stage reads.
    void followsEdits()
    {
        QRandomGenerator random(20);
        Bytes a = Sample(), b = a;
        ImageDiff followed(a, b);
        const qint64 size = qint64(a.size());
        for (int step = 0; step < 400; ++step) {
            Bytes &image = random.bounded(2) ? a : b;
            const Stage &stage = StageTable[random.bounded(StageCount)];
            const qint64 starts[] = {stage.LevelOffset, stage.ChrOffset, stage.MetaTileOffset, stage.MetaPalOffset,
                                     stage.PalOffset, stage.FrameTableOffset, random.bounded(size)};
            const qint64 at = std::min(size - 1, starts[random.bounded(7)] + random.bounded(300));
            const qint64 length = std::min(size - at, qint64(random.bounded(10) ? 1 + random.bounded(4) : random.bounded(3000)));
            const Bytes &other = &image == &a ? b : a;
            for (qint64 k = at; k < at + length; ++k)
                image[std::size_t(k)] = random.bounded(3) ? std::uint8_t(random.bounded(256)) : other[std::size_t(k)];
            followed.update(a, b, {at, length});
            QVERIFY2(followed == ImageDiff(a, b), qPrintable(QStringLiteral("step %1").arg(step)));
        }

        std::vector<bool> read(a.size());
        for (const Stage &s : StageTable)
            for (const ByteRange r : {TilesRange(s), MetaTileRecordsRange(s), SubPalettesRange(s), PaletteRange(s),
                                      LevelRange(s, s.Frames), FrameTableRange(s, s.Frames)})
                std::fill_n(read.begin() + r.offset, r.length, true);
        std::vector<bool> inOther(a.size());
        for (const ByteRange &r : followed.other())
            std::fill_n(inOther.begin() + r.offset, r.length, true);
        for (std::size_t k = 0; k < a.size(); ++k)
            QVERIFY2(inOther[k] == (a[k] != b[k] && !read[k]), qPrintable(QString::number(k, 16)));

        b.push_back(0); // a change of size compares afresh
        followed.update(a, b, {size, 1});
        QCOMPARE(followed, ImageDiff(a, b));
    }

    // A described BPS patch, read by the format's layout: the metadata's size and its lines
    // of text follow the image sizes; it still applies, and reads back.
    void describedPatch()
    {
        const Bytes a = Sample();
        Bytes b = a;
        b[std::size_t(S("3").PalOffset)] ^= 1;
        const PatchResult patch =
            MakeDescribedPatch(PatchFormat::Bps, a, b, {QStringLiteral("Two\nlines"), QStringLiteral("Ana Ñ")});
        QVERIFY(patch.ok());
        const QByteArray text = QStringLiteral("Description: Two lines\nAuthor: Ana Ñ\nProgram: Krelin %1\nStages: 3\n")
                                    .arg(VersionText())
                                    .toUtf8();
        // "BPS1", the two sizes (three bytes each at this size), then the metadata's size.
        const QByteArray bytes(reinterpret_cast<const char *>(patch.bytes.data()), qsizetype(patch.bytes.size()));
        QCOMPARE(bytes.mid(10, 1), QByteArray(1, char(0x80 | text.size())));
        QCOMPARE(bytes.mid(11, text.size()), text);
        QCOMPARE(ApplyPatch(patch.bytes, a).bytes, b);

        const PatchInfo info = ReadPatchInfo(patch.bytes);
        QVERIFY(info.ok() && info.checksumHolds());
        QCOMPARE(info.metadata.description(), QStringLiteral("Two lines"));
        QCOMPARE(info.metadata.author(), QStringLiteral("Ana Ñ"));
        QCOMPARE(info.sourceSize, qint64(a.size()));

        QVERIFY(!MakeDescribedPatch(PatchFormat::Ips, a, b, {{}, QStringLiteral("Ana")}).ok());
        QVERIFY(MakeDescribedPatch(PatchFormat::Ips, a, b, {}).ok());
    }

    // Another program's metadata is shown as it is, with no fields, and its control
    // characters cannot reach a terminal.
    void foreignMetadata()
    {
        const std::string xml = "<?xml version=\"1.0\"?>\n<patch>\x1b[2J</patch>";
        const PatchMetadata m = ParsePatchMetadata({reinterpret_cast<const std::uint8_t *>(xml.data()), xml.size()});
        QVERIFY(m.fields.isEmpty() && m.description().isEmpty());
        PatchInfo info;
        info.format = PatchFormat::Bps;
        info.metadataSize = qint64(xml.size());
        info.metadata = m;
        const QString shown = PatchInfoLines(info).join(u'\n');
        QVERIFY(shown.contains(QStringLiteral("  <patch>\uFFFD[2J</patch>")));
        QVERIFY(!shown.contains(QChar(0x1b)));
    }
};

QTEST_GUILESS_MAIN(TestDiff)
#include "test_diff.moc"
