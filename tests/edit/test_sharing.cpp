// Which stages share tiles, metatiles and room bytes, and how often the level maps place
// each metatile, on a small image built for the purpose.
#include "core/StageSharing.h"
#include "core/modKrelin.h"
#include "core/MetaTileUses.h"

#include <QTest>

using namespace krelin;

namespace {

const Stage &S(const char *name)
{
    return *FindStage(QLatin1String(name));
}

// An image that holds the data of stages 1A to 2C (size bytes of it), every level byte 0
// but a few placements.
void MakeImage(modKrelin &model, qint64 size)
{
    std::vector<std::uint8_t> bytes(std::size_t(size), 0);
    auto place = [&](const char *stage, int frame, int cell, std::uint8_t metaTile) {
        bytes[std::size_t(S(stage).LevelOffset + 240 * frame + cell)] = metaTile;
    };
    place("1A", 0, 0, 5);
    place("1A", 6, 239, 5); // the last cell of the stage's last frame
    place("1B", 2, 100, 5);
    place("2C", 0, 17, 9);
    place("2B", 13, 239, 255);
    model.replaceImage(std::move(bytes));
}

} // namespace

class TestSharing : public QObject
{
    Q_OBJECT

private slots:
    void sharedWith_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("text");
        auto row = [](const char *kind, const char *stage, int frame, const char *text) {
            QTest::addRow("%s %s %d", kind, stage, frame) << kind << stage << frame << text;
        };
        row("tiles", "1A", 0, "Shared with 1B, 1C");
        row("tiles", "2B", 0, "Shared with 2A, 2C");
        row("tiles", "6", 0, "Shared with 5, 7");
        row("metatiles", "2A", 0, "Shared with 1A, 1B, 1C, 2B, 2C");
        row("metatiles", "4B", 0, "Shared with 3, 4A");
        row("frames", "1A", 0, "");
        row("frames", "1C", 0, "Shared with 2B, 2C, 3, 4A, 4B, 5, 6, 7");
        // 2A's rooms start three bytes into the table of the nine, so longer stages reach them.
        row("frames", "2A", 0, "Shared with 2B, 3, 4A, 5, 6");
        row("room", "3", 3, "Shared with 2A, 2B, 4A, 5, 6");
        row("room", "3", 23, "");
        row("room", "7", 0, "Shared with 1C, 2B, 2C, 3, 4A, 4B, 5, 6");
        row("room", "7", 1, "");
    }

    void sharedWith()
    {
        QFETCH(QString, kind);
        QFETCH(QString, stage);
        QFETCH(int, frame);
        QFETCH(QString, text);
        const Stage &s = *FindStage(stage);
        const auto stages = kind == u"tiles" ? StagesSharingTiles(s)
            : kind == u"metatiles"           ? StagesSharingMetaTiles(s)
            : kind == u"frames"              ? StagesSharingFrameTable(s)
                                             : StagesSharingFrameRoom(s, frame);
        QCOMPARE(SharedWithText(stages), text);
    }

    void roomBoxNote()
    {
        QCOMPARE(FrameRoomSharingText(*FindStage("3"), 23),
                 QStringLiteral("The room of the frame on screen\nThis frame's room byte: this stage only\n"
                                "The stage's frame table: Shared with 1C, 2A, 2B, 2C, 4A, 4B, 5, 6, 7"));
    }

    void countsUses()
    {
        modKrelin model;
        MakeImage(model, 0x1A010);
        const MetaTileUses uses = CountMetaTileUses(model, S("1A"));
        QCOMPARE(uses.inStage[5], 2);
        QCOMPARE(uses.inShared[5], 3);
        QCOMPARE(uses.inShared[9], 1);
        QCOMPARE(uses.inShared[255], 1);
        QCOMPARE(uses.inStage[0], 7 * 240 - 2);
        QCOMPARE(uses.inShared[0], (7 + 3 + 2 + 7 + 14 + 1) * 240 - 5);
        QCOMPARE(std::count_if(uses.inShared.begin(), uses.inShared.end(), [](int n) { return n == 0; }), 252);
        QVERIFY(uses.isFree(1) && !uses.isFree(255));
        QCOMPARE(uses.counted.size(), std::size_t(6));
        QCOMPARE(UsesText(uses, S("1A"), 5), QStringLiteral("Metatile 05: 2 uses in stage 1A, 3 in stages 1A, 1B, 1C, 2A, 2B, 2C"));
        QCOMPARE(UsesText(uses, S("1A"), 0x9), QStringLiteral("Metatile 09: 0 uses in stage 1A, 1 in stages 1A, 1B, 1C, 2A, 2B, 2C"));
        QCOMPARE(UsesText(uses, S("1A"), 0xAB), QStringLiteral("Metatile AB: used by no frame of stages 1A, 1B, 1C, 2A, 2B, 2C"));

        QCOMPARE(CellsPlacing(model, S("1A"), 0, 5), std::vector<int>{0});
        QCOMPARE(CellsPlacing(model, S("1A"), 6, 5), std::vector<int>{239});
        QVERIFY(CellsPlacing(model, S("1A"), 7, 0).empty());
        QCOMPARE(CellsPlacing(model, S("1A"), 1, 0).size(), std::size_t(240));
    }

    // Stages whose data lies past the image's end are left out, and said to be.
    void skipsStagesTheImageCannotHold()
    {
        modKrelin model;
        MakeImage(model, 0x1A00F); // one byte short of 2A-2C's last tile
        const MetaTileUses uses = CountMetaTileUses(model, S("2B"));
        QCOMPARE(uses.inStage[255], 0);
        QCOMPARE(uses.inShared[5], 3);
        QVERIFY(uses.isFree(9));
        QCOMPARE(UsesText(uses, S("2B"), 9), QStringLiteral("Metatile 09: used by no frame of stages 1A, 1B, 1C "
                                                             "(2A, 2B, 2C not counted: the image does not hold their data)"));
        const MetaTileUses none = CountMetaTileUses(model, S("5"));
        QVERIFY(none.counted.empty());
        QCOMPARE(none.skipped.size(), std::size_t(3));
    }
};

QTEST_GUILESS_MAIN(TestSharing)
#include "test_sharing.moc"
