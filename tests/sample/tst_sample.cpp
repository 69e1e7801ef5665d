// The sample cartridge: the file the build writes is what the generator makes, every
// stage's data lies inside it without clashing, and the bytes the rest of the test suite
// and the editor lean on hold sensible values.
#include "Canvas.h"
#include "Levels.h"
#include "Pieces.h"
#include "SampleImage.h"
#include "TileArt.h"

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

    // The piece shown at (row, col) of a stage's frames laid side by side; -1 outside.
    int piece(const Stage &s, int row, int col) const
    {
        if (row < 0 || row >= FrameRows || col < 0 || col >= s.Frames * FrameColumns)
            return -1;
        const int frame = col / FrameColumns;
        return at(s.LevelOffset + qint64(FrameBytes) * frame + row * FrameColumns + col % FrameColumns)
            % sample::PieceCount;
    }

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
        QCOMPARE((at(6) >> 4) | (at(7) & 0xF0), 2); // mapper 2: one switchable bank, the last one fixed
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

    // Things drawn over several metatiles are never cut short, also where they cross
    // from one frame to the next.
    void manyCellThingsAreWhole()
    {
        using namespace sample;
        for (const Stage &s : StageTable)
            for (int row = 0; row < FrameRows; ++row)
                for (int col = 0; col < s.Frames * FrameColumns; ++col) {
                    const QByteArray where = QByteArray(s.name) + " row " + QByteArray::number(row) + " column "
                        + QByteArray::number(col);
                    const int p = piece(s, row, col);
                    const auto right = [&](int dc) { return piece(s, row, col + dc); };
                    const auto down = [&](int dr, int dc = 0) { return piece(s, row + dr, col + dc); };
                    if (p == CloudTL || p == TreeTL) {
                        QVERIFY2(right(1) == p + 1 && down(1) == p + 2 && down(1, 1) == p + 3, where);
                    } else if (p == DoorTop || p == WindowTop) {
                        QVERIFY2(down(1) == p + 1, where);
                    } else if (p == BushLeft) {
                        int c = 1;
                        while (right(c) == BushMid)
                            ++c;
                        QVERIFY2(right(c) == BushRight, where);
                    } else if (p == HillTop) {
                        QVERIFY2(down(1, -1) == HillLeft && down(1) == HillFill && down(1, 1) == HillRight, where);
                    } else if (p == PillarTop) {
                        int r = 1;
                        while (down(r) == Pillar)
                            ++r;
                        QVERIFY2(down(r) == PillarBase, where);
                    } else if (p == Ladder && down(1) != Ladder) {
                        QVERIFY2(down(1) != Sky && down(1) != -1, where); // a ladder stands on something
                    } else if (p == GroundTop || p == GroundTopLeft || p == GroundTopRight) {
                        QVERIFY2(down(1) != Sky, where); // ground is never a floating sliver
                    }
                }
    }

    // Where one stage's map runs straight on into the next one's, the ground lines meet.
    void consecutiveStagesJoin()
    {
        using namespace sample;
        const auto groundRow = [&](const Stage &s, int col) {
            for (int row = 0; row < FrameRows; ++row) {
                const int p = piece(s, row, col);
                if (p == GroundTop || p == GroundTopLeft || p == GroundTopRight)
                    return row;
            }
            return -1;
        };
        int joins = 0;
        for (std::size_t i = 0; i + 1 < StageTable.size(); ++i) {
            const Stage &a = StageTable[i], &b = StageTable[i + 1];
            if (a.LevelOffset + FrameBytes * a.Frames != b.LevelOffset)
                continue;
            ++joins;
            const int row = groundRow(a, a.Frames * FrameColumns - 1);
            QVERIFY2(row >= 0 && row == groundRow(b, 0), b.name);
        }
        QCOMPARE(joins, 9); // 1A..2C, 3..4B, 5..7
    }

    // Bits of a tile: plane 0 then plane 1, a byte a row, the leftmost pixel in bit 7.
    void tileEncoding()
    {
        sample::Canvas c(16, 16);
        c.set(0, 0, 1);
        c.set(7, 0, 2);
        c.set(3, 5, 3);
        c.set(8, 0, 3); // in the tile to the right: not encoded
        std::uint8_t tile[16];
        sample::EncodeTile(c, 0, 0, tile);
        const std::uint8_t expected[16] = {0x80, 0, 0, 0, 0, 0x10, 0, 0, 0x01, 0, 0, 0, 0, 0x10, 0, 0};
        QVERIFY(std::equal(tile, tile + 16, expected));
    }

    // A long strip is cut into frames of 15 rows of 16, one after another.
    void levelStripToFrames()
    {
        sample::LevelMap map(2);
        map.put(0, 0, 1);
        map.put(14, 15, 2);
        map.put(3, 16, 3);
        map.put(14, 31, 4);
        map.put(15, 0, 9); // outside: ignored
        const auto bytes = map.frameBytes();
        QCOMPARE(int(bytes.size()), 2 * FrameBytes);
        QCOMPARE(int(bytes[0]), 1);
        QCOMPARE(int(bytes[239]), 2);
        QCOMPARE(int(bytes[240 + 3 * 16]), 3);
        QCOMPARE(int(bytes[479]), 4);
        QCOMPARE(int(std::count(bytes.begin(), bytes.end(), 0)), 2 * FrameBytes - 4);
    }

    void writerRefusesClashes()
    {
        sample::SampleImage image;
        image.bytes.assign(64, 0);
        sample::RegionWriter out(image);
        out.put("a", 0, {1, 2, 3, 4});
        QVERIFY_THROWS_EXCEPTION(std::logic_error, out.put("b", 3, {9, 9}));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, out.put("c", 62, {9, 9, 9}));
        out.put("table 1", 10, {5, 6, 7}, true);
        out.put("table 2", 11, {6, 7, 8}, true); // overlaps table 1 and agrees
        QVERIFY_THROWS_EXCEPTION(std::logic_error, out.put("table 3", 12, {0}, true));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, out.put("d", 12, {7}));
        out.fillTheRest(1);
        const std::vector<std::uint8_t> kept = {1, 2, 3, 4};
        QVERIFY(std::equal(kept.begin(), kept.end(), image.bytes.begin()));
        QCOMPARE(int(image.bytes[13]), 8);
        QCOMPARE(int(image.regions.size()), 3);
    }

    // Every piece has a picture in every bank, except the plain backdrop.
    void everyPieceIsDrawn()
    {
        using namespace sample;
        for (Theme theme : {Theme::Forest, Theme::Castle, Theme::Mine, Theme::SkyFort}) {
            const auto pieces = DrawPieces(theme);
            for (int p = 0; p < PieceCount; ++p) {
                int lit = 0;
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        lit += pieces[std::size_t(p)].at(x, y) != 0;
                QVERIFY2(p == Sky ? lit == 0 : lit > 0, QByteArray::number(p));
            }
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
