// IPS and BPS patches: round trips through our writers, patches spelled out byte by byte
// from the formats' layout, and every kind of damaged patch refused.

#include "core/Crc32.h"
#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>

using namespace krelin;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const char *s)
{
    return Bytes(s, s + std::strlen(s));
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes Le32(std::uint32_t v)
{
    return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

// A BPS patch: "BPS1", the sizes given as encoded bytes, the body, and the three checksums.
Bytes Bps(const Bytes &sizes, const Bytes &body, const Bytes &source, const Bytes &target)
{
    const Bytes patch = Text("BPS1") + sizes + body + Le32(Crc32(source)) + Le32(Crc32(target));
    return patch + Le32(Crc32(patch));
}

Bytes Random(QRandomGenerator &random, std::size_t size)
{
    Bytes b(size);
    for (auto &v : b)
        v = std::uint8_t(random.bounded(256));
    return b;
}

// Every record of an IPS patch as (offset, size), read by the format's layout.
QList<QPair<qint64, qint64>> IpsRecords(const Bytes &p)
{
    QList<QPair<qint64, qint64>> records;
    std::size_t at = 5;
    while (at + 3 <= p.size() && std::memcmp(p.data() + at, "EOF", 3) != 0) {
        const qint64 offset = p[at] << 16 | p[at + 1] << 8 | p[at + 2];
        qint64 size = p[at + 3] << 8 | p[at + 4];
        at += 5;
        if (size == 0) {
            size = p[at] << 8 | p[at + 1];
            at += 3;
        } else {
            at += std::size_t(size);
        }
        records.append({offset, size});
    }
    return records;
}

} // namespace

class TestPatch : public QObject
{
    Q_OBJECT

private slots:
    void crc32()
    {
        // The check value that every description of this CRC gives.
        QCOMPARE(Crc32(Text("123456789")), 0xCBF43926u);
        QCOMPARE(Crc32(Text("6789"), Crc32(Text("12345"))), 0xCBF43926u);
        QCOMPARE(Crc32({}), 0u);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("change"); // bytes added (or removed, below zero) at the end
        for (const int format : {int(PatchFormat::Ips), int(PatchFormat::Bps)}) {
            const char *name = format == int(PatchFormat::Ips) ? "ips" : "bps";
            for (const int size : {1, 4096, 0x20010, 0x460000})
                for (const int change : {0, 77, -1, -size / 3, 70000}) {
                    if (size + change > 0)
                        QTest::addRow("%s %d%+d", name, size, change) << format << size << change;
                }
        }
    }

    // Scattered changes, a long run of one byte, a long stretch of new bytes, and (in the
    // large images) a change exactly at the offset that reads as "EOF".
    void roundTrip()
    {
        QFETCH(int, format);
        QFETCH(int, size);
        QFETCH(int, change);
        QRandomGenerator random(quint32(size + change + format));
        const Bytes original = Random(random, std::size_t(size));
        Bytes modified = original;
        modified.resize(std::size_t(size + change));
        if (change > 0)
            std::generate(modified.begin() + size, modified.end(), [&] { return std::uint8_t(random.bounded(256)); });
        const std::size_t n = modified.size();
        for (int k = 0; k < 40; ++k)
            modified[random.bounded(quint32(n))] ^= std::uint8_t(1 + random.bounded(255));
        if (n > 300000) {
            std::fill_n(modified.begin() + 1000, 200000, std::uint8_t(0xA5)); // run records
            std::copy_n(original.begin() + 2, 140000, modified.begin() + 210000); // long data records
        }
        if (n > IpsEofOffset)
            modified[IpsEofOffset] ^= 0xFF;

        const PatchResult patch = MakePatch(PatchFormat(format), original, modified);
        QVERIFY(patch.ok());
        const PatchResult applied = ApplyPatch(patch.bytes, original);
        QVERIFY2(applied.ok(), qPrintable(applied.error));
        QVERIFY(applied.bytes == modified);

        if (PatchFormat(format) == PatchFormat::Ips) {
            for (const auto &[offset, length] : IpsRecords(patch.bytes)) {
                QVERIFY(offset != IpsEofOffset);
                QVERIFY(length > 0 && length <= 0xFFFF);
            }
            if (n > 300000) // the 200,000-byte run costs a few run records, not its bytes
                QVERIFY(patch.bytes.size() < std::size_t(140000 + std::max(change, 0) + 10000));
        }
    }

    // A record may not start at 0x454F46 however the changes fall around it: a change
    // starting there, a run starting there, a long change whose 65,535-byte pieces reach it.
    void ipsNeverStartsAtEof()
    {
        const Bytes original(IpsEofOffset + 10, 0);
        for (const qint64 start : {IpsEofOffset, IpsEofOffset - 0xFFFF, IpsEofOffset - 2 * 0xFFFF}) {
            for (const bool run : {false, true}) {
                Bytes modified = original;
                for (qint64 i = start; i <= IpsEofOffset + 3; ++i)
                    modified[std::size_t(i)] = run ? 7 : std::uint8_t(1 + i % 251);
                const Bytes patch = MakeIpsPatch(original, modified);
                for (const auto &record : IpsRecords(patch))
                    QVERIFY(record.first != IpsEofOffset);
                QVERIFY(ApplyIpsPatch(patch, original).bytes == modified);
            }
        }
    }

    // Patches spelled out from the formats' descriptions, not made by our writers.
    void handWrittenPatches()
    {
        const Bytes image = Text("0123456789abcdef");
        // IPS: a record, a run, a record that grows the image past its end.
        const Bytes ips = Text("PATCH") + Bytes{0, 0, 2, 0, 3, 'X', 'Y', 'Z'} + Bytes{0, 0, 10, 0, 0, 0, 4, '-'}
            + Bytes{0, 0, 18, 0, 2, '!', '?'} + Text("EOF");
        PatchResult r = ApplyPatch(ips, image);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY((r.bytes == Text("01XYZ56789----ef") + Bytes{0, 0, '!', '?'}));
        // IPS with the new length after "EOF": the image is cut to 5 bytes.
        r = ApplyPatch(Text("PATCH") + Bytes{0, 0, 0, 0, 1, 'Q'} + Text("EOF") + Bytes{0, 0, 5}, image);
        QVERIFY(r.ok() && r.bytes == Text("Q1234"));

        // BPS with every action, a two-byte number, metadata and copies moving both ways.
        Bytes source(200);
        for (int i = 0; i < 200; ++i)
            source[std::size_t(i)] = std::uint8_t(i);
        const Bytes target{0, 1, 'x', 'y', 'z', 150, 151, 2, 151, 2, 151, 2};
        const Bytes sizes{0x48, 0x80, 0x8C, 0x82, 'h', 'i'}; // 200, 12, two bytes of metadata
        const Bytes body{0x84,                       // SourceRead 2
                         0x89, 'x', 'y', 'z',        // TargetRead 3
                         0x86, 0x2C, 0x81,           // SourceCopy 2 from +150
                         0x82, 0x2D, 0x81,           // SourceCopy 1 from -150 (after the first copy)
                         0x8F, 0x8C};                // TargetCopy 4 from +6, overlapping what it writes
        r = ApplyPatch(Bps(sizes, body, source, target), source);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(r.bytes == target);
    }

    void refusesDamagedPatches_data()
    {
        QTest::addColumn<Bytes>("patch");
        QTest::addColumn<QString>("says");
        auto row = [](const char *name, const Bytes &patch, const QString &says) {
            QTest::newRow(name) << patch << says;
        };
        auto hex = [](std::uint32_t crc) { return QString::number(crc, 16).toUpper().rightJustified(8, u'0'); };
        const Bytes image = Text("0123456789abcdef");
        const Bytes t4 = Text("0123"); // a four-byte target
        const Bytes sizes{0x90, 0x84, 0x80}; // source 16, target 4, no metadata
        const Bytes ips = Text("PATCH");
        row("neither format", Text("PATC"), "neither \"PATCH\" nor \"BPS1\"");
        row("ips without EOF", ips + Bytes{0, 0, 1, 0, 1, 'x'}, "without its \"EOF\"");
        row("ips cut in header", ips + Bytes{0, 0, 1, 0}, "inside its record at offset 0x000001");
        row("ips cut in data", ips + Bytes{0, 0, 1, 0, 4, 'x'}, "inside its record");
        row("ips cut in run", ips + Bytes{0, 0, 1, 0, 0, 0}, "inside its record");
        row("ips past 16 MiB", ips + Bytes{0xFF, 0xFF, 0xFF, 0, 2, 1, 2} + Text("EOF"), "past the 16 MiB");
        row("ips run past 16 MiB", ips + Bytes{0xFF, 0, 2, 0, 0, 0xFF, 0xFF, 1} + Text("EOF"), "past the 16 MiB");
        row("ips run of no bytes", ips + Bytes{0, 0, 1, 0, 0, 0, 0, 'x'} + Text("EOF"), "repeats a byte 0 times");
        row("ips bytes after EOF", ips + Text("EOF") + Bytes{0, 0}, "2 unexpected bytes");
        row("ips cut longer", ips + Text("EOF") + Bytes{0, 0, 17}, "cut the image to 17 bytes");
        row("ips cut to nothing", ips + Text("EOF") + Bytes{0, 0, 0}, "empty image");
        row("bps too short", Text("BPS1") + Bytes{0x80, 0x80}, "only 6 bytes");
        const Bytes good = Bps(sizes, {0x8D, 'a', 'b', 'c', 'd'}, image, Text("abcd"));
        Bytes flipped = good;
        flipped[8] ^= 1;
        row("bps damaged", flipped, "damaged or cut short");
        row("bps cut", Bytes(good.begin(), good.end() - 1), "damaged or cut short");
        const Bytes other = Text("0123456789abcdeF");
        row("bps other source", Bps(sizes, {0x8C}, other, t4),
            QStringLiteral("expects 16 bytes with the checksum %1, but this image has 16 bytes with the checksum %2")
                .arg(hex(Crc32(other)), hex(Crc32(image))));
        row("bps other size", Bps({0x91, 0x84, 0x80}, {0x8C}, image, t4), "expects 17 bytes");
        row("bps over 16 MiB", Bps({0x90, 0x01, 0x7F, 0x7E, 0x86, 0x80}, {}, image, t4), "larger than the 16 MiB");
        row("bps huge number", Bps(Bytes(12, 0), {}, image, t4), "far too large");
        row("bps metadata", Bps({0x90, 0x84, 0x88}, {0x80}, image, t4), "metadata");
        row("bps writes past end", Bps(sizes, {0x90}, image, t4), "writes past the end");
        row("bps reads past source", Bps({0x90, 0x94, 0x80}, {0xCC}, image, t4), "reads past the end");
        row("bps copy before source", Bps(sizes, {0x82, 0x83}, image, t4), "outside the source");
        row("bps copy past source", Bps(sizes, {0x8E, 0x9C}, image, t4), "outside the source");
        row("bps copy not yet made", Bps(sizes, {0x80, 0x83, 0x82}, image, t4), "not yet made");
        row("bps target read short", Bps(sizes, {0x8D, 'a'}, image, t4), "fewer bytes");
        row("bps too few actions", Bps(sizes, {0x84}, image, t4), "only 2 of the 4");
        row("bps wrong target", Bps(sizes, {0x8C}, image, Text("0124")), "not the");
    }

    // Refused with a message that says why, and nothing made.
    void refusesDamagedPatches()
    {
        QFETCH(Bytes, patch);
        QFETCH(QString, says);
        const PatchResult r = ApplyPatch(patch, Text("0123456789abcdef"));
        QVERIFY2(r.error.contains(says), qPrintable(r.error));
        QVERIFY(r.bytes.empty());
    }

    // Run records cost 8 bytes and write up to 65,535: their total is bounded, whatever
    // size the image ends at, and a patch past the bound is refused before any is applied.
    void ipsWritesBounded()
    {
        const Bytes image = Text("NES\x1A") + Bytes(60, 0);
        Bytes runs;
        for (int i = 0; i < 1024; ++i) // 1024 runs of 65,535 bytes: just under 64 MiB
            runs = runs + Bytes{0, 0, 0, 0, 0, 0xFF, 0xFF, std::uint8_t(i)};
        const Bytes tail = Bytes{0, 0, 0, 0, 4} + Text("NES\x1A") + Text("EOF");
        PatchResult r = ApplyPatch(Text("PATCH") + runs + tail, image);
        QVERIFY2(r.ok(), qPrintable(r.error));
        QCOMPARE(r.bytes.size(), std::size_t(0xFFFF));
        QCOMPARE(r.bytes[4], std::uint8_t(0xFF)); // the last run's byte

        r = ApplyPatch(Text("PATCH") + runs + Bytes{0, 0, 0, 0, 0, 0x04, 0x01, 1} + tail, image);
        QVERIFY2(r.error.contains(QStringLiteral("more than 64 MiB in all")), qPrintable(r.error));
        QVERIFY(r.bytes.empty());
        QCOMPARE(MaxIpsWrites, qint64(64) << 20);
    }

    // Every cut of a patch, and random damage, is refused or read within bounds.
    void damagedAnywhere()
    {
        QRandomGenerator random(12);
        const Bytes original = Random(random, 3000);
        Bytes modified = original;
        for (int k = 0; k < 60; ++k)
            modified[random.bounded(3000u)] = 0;
        for (const PatchFormat format : {PatchFormat::Ips, PatchFormat::Bps}) {
            const Bytes patch = MakePatch(format, original, modified).bytes;
            for (std::size_t cut = 0; cut < patch.size(); ++cut)
                QVERIFY(!ApplyPatch(Bytes(patch.begin(), patch.begin() + cut), original).ok());
            for (int k = 0; k < 2000; ++k) {
                Bytes bad = patch;
                bad[5 + random.bounded(quint32(bad.size() - 5))] = std::uint8_t(random.bounded(256));
                const PatchResult r = ApplyPatch(bad, original);
                QVERIFY(r.ok() != r.bytes.empty());
            }
        }
    }

    // A patch records the image as a save writes it; the model keeps its bytes meanwhile.
    void imageAsSaved()
    {
        for (const std::size_t size : {std::size_t(FixUpImageSize), std::size_t(FixUpImageSize - 1)}) {
            QRandomGenerator random(static_cast<quint32>(size));
            modKrelin model;
            model.replaceImage(Random(random, size));
            const Bytes saved = ImageAsSaved(model.image());
            QCOMPARE(ApplySaveFixUp(model), size == std::size_t(FixUpImageSize));
            QVERIFY(saved == model.image());
        }
    }

    void formatFromName()
    {
        QCOMPARE(PatchFormatForPath(QStringLiteral("/a/hack.IPS")), PatchFormat::Ips);
        QCOMPARE(PatchFormatForPath(QStringLiteral("hack.v2.bps")), PatchFormat::Bps);
        QVERIFY(!PatchFormatForPath(QStringLiteral("hack.bps.nes")));
        QVERIFY(!MakePatch(PatchFormat::Bps, Bytes(MaxImageSize + 1), Bytes(4)).ok());
    }
};

QTEST_GUILESS_MAIN(TestPatch)
#include "test_patch.moc"
