// The sample cartridge: the file the build writes is what the generator makes, every
// stage's data lies inside it without clashing, and the bytes the rest of the test suite
// and the editor lean on hold sensible values.
#include "SampleImage.h"

#include "core/RomFile.h"
#include "core/StageTable.h"

#include <QFile>
#include <QTest>

#include <set>

using namespace krelin;

class SampleTest : public QObject
{
    Q_OBJECT

private:
    std::vector<std::uint8_t> rom;

    int at(qint64 offset) const { return rom.at(std::size_t(offset)); }

    // The stage whose frame table is the longest one holding the given offset.
    static const Stage &TableOwner(qint64 offset)
    {
        const Stage *owner = nullptr;
        for (const Stage &s : StageTable)
            if (offset >= s.FrameTableOffset && offset < s.FrameTableOffset + s.Frames
                && (!owner || s.Frames > owner->Frames))
                owner = &s;
        return *owner;
    }

private slots:
    void initTestCase()
    {
        QFile file(QStringLiteral(KRELIN_SAMPLE));
        QVERIFY2(file.open(QIODevice::ReadOnly), KRELIN_SAMPLE);
        const QByteArray bytes = file.readAll();
        rom.assign(bytes.begin(), bytes.end());
    }

    void fileIsTheGeneratorsOutputEveryTime()
    {
        const sample::SampleImage first = sample::BuildSampleImage();
        const sample::SampleImage second = sample::BuildSampleImage();
        QVERIFY(first.bytes == second.bytes);
        QVERIFY(first.bytes == rom);
    }

    void headerAndSize()
    {
        QCOMPARE(qint64(rom.size()), qint64(0x20010));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(rom.data()), 4), QByteArray("NES\x1A"));
        QCOMPARE(at(4), 8); // 16 KiB program banks
        QCOMPARE(at(5), 0); // tile graphics live in the program banks
        QCOMPARE(qint64(rom.size()), 16 + at(4) * 16384LL);
    }

    void everyStageFits()
    {
        for (const Stage &stage : StageTable)
            QVERIFY2(StageFitProblem(stage, qint64(rom.size())).isEmpty(), stage.name);
    }

    // Every stage's data lies in a region the generator wrote, so filler never lands on
    // it; no two regions share a byte except the frame tables, which overlap by design.
    void regionsHoldAllStageDataWithoutClashing()
    {
        const auto regions = sample::BuildSampleImage().regions;
        for (std::size_t i = 0; i < regions.size(); ++i) {
            QVERIFY(regions[i].offset >= 0 && regions[i].offset + regions[i].length <= qint64(rom.size()));
            for (std::size_t j = i + 1; j < regions.size(); ++j) {
                const auto &a = regions[i], &b = regions[j];
                const bool overlap = a.offset < b.offset + b.length && b.offset < a.offset + a.length;
                QVERIFY2(!overlap || (a.frameTable && b.frameTable), (a.what + " / " + b.what).c_str());
            }
        }
        const auto covered = [&](qint64 offset, qint64 length) {
            for (const auto &r : regions)
                if (offset >= r.offset && offset + length <= r.offset + r.length)
                    return true;
            return false;
        };
        for (const Stage &s : StageTable) {
            QVERIFY2(covered(s.ChrOffset, TilesPerBank * TileBytes), s.name);
            QVERIFY2(covered(s.MetaTileOffset, MetaTileCount * 4), s.name);
            QVERIFY2(covered(s.MetaPalOffset, MetaTileCount), s.name);
            QVERIFY2(covered(s.PalOffset, PaletteBytes), s.name);
            QVERIFY2(covered(s.LevelOffset, qint64(FrameBytes) * s.Frames), s.name);
            for (int f = 0; f < s.Frames; ++f)
                QVERIFY2(covered(s.FrameTableOffset + f, 1), s.name);
        }
    }

    void coloursAreNesColourCodes()
    {
        for (const Stage &s : StageTable)
            for (int i = 0; i < PaletteBytes; ++i)
                QVERIFY2(at(s.PalOffset + i) < 64, s.name);
    }

    // Every metatile a stage shows picks one of the four sub-palettes, and each set
    // uses all four.
    void metatileSubPalettes()
    {
        for (const Stage &s : StageTable) {
            std::set<int> used;
            for (int n = 0; n < MetaTileCount; ++n) {
                QVERIFY2(at(s.MetaPalOffset + n) <= 3, s.name);
                used.insert(at(s.MetaPalOffset + n));
            }
            QCOMPARE(int(used.size()), 4);
        }
    }

    // Room bytes lie in the range of the stage whose table they belong to; the table
    // that several stages share also covers stage 2A's, whose bytes read as the shared ones.
    void roomBytes()
    {
        for (const Stage &s : StageTable)
            for (int f = 0; f < s.Frames; ++f) {
                const Stage &owner = TableOwner(s.FrameTableOffset + f);
                const int room = at(s.FrameTableOffset + f);
                QVERIFY2(room >= owner.FirstRoom && room <= owner.LastRoom, s.name);
            }
        const Stage *stage2A = FindStage(u"2A");
        QVERIFY(stage2A);
        QVERIFY(&TableOwner(stage2A->FrameTableOffset) != stage2A);
    }

    void saveFixUpPairsDiffer()
    {
        QVERIFY(at(FixUpSource) != at(FixUpTarget) || at(FixUpSource + 1) != at(FixUpTarget + 1));
    }

    // A frame of a level is a scene: several kinds of metatile, and something along the
    // bottom to stand on or fall into.
    void framesAreScenes()
    {
        for (const Stage &s : StageTable)
            for (int f = 0; f < s.Frames; ++f) {
                const qint64 frame = s.LevelOffset + qint64(FrameBytes) * f;
                std::set<int> kinds;
                int bottom = 0;
                for (int i = 0; i < FrameBytes; ++i)
                    kinds.insert(at(frame + i));
                for (int col = 0; col < FrameColumns; ++col)
                    bottom += at(frame + (FrameRows - 1) * FrameColumns + col) != 0;
                const QByteArray where = QByteArray(s.name) + " frame " + QByteArray::number(f);
                QVERIFY2(kinds.size() >= 6, where);
                QVERIFY2(bottom >= 8, where);
            }
    }

    // Four banks with their own art; metatile 0 is plain backdrop in every set.
    void tileBanks()
    {
        std::set<std::vector<std::uint8_t>> banks;
        for (const Stage &s : StageTable) {
            const auto begin = rom.begin() + s.ChrOffset;
            banks.insert(std::vector<std::uint8_t>(begin, begin + TilesPerBank * TileBytes));
            for (int part = 0; part < 4; ++part) {
                const int tile = at(s.MetaTileOffset + part);
                for (int b = 0; b < TileBytes; ++b)
                    QCOMPARE(at(s.ChrOffset + tile * TileBytes + b), 0);
            }
        }
        QCOMPARE(int(banks.size()), 4);
    }
};

QTEST_GUILESS_MAIN(SampleTest)
#include "tst_sample.moc"
