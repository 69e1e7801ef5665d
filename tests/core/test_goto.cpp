// What Go To reads from what is typed, and what it finds at an offset of the image: which
// stage reads the byte (the stage shown first) and what the byte is to it.
#include "Bytes.h"

#include "core/GoTo.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <QTest>

using namespace krelin;
using namespace krelin::testing;

Q_DECLARE_METATYPE(ImagePlace::Kind)

class TestGoTo : public QObject
{
    Q_OBJECT

private slots:
    void readsWhatIsTyped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("kind"); // -1: refused
        QTest::addColumn<QString>("stage");
        QTest::addColumn<qint64>("number"); // the frame, metatile or offset
        using K = GoToRequest::Kind;
        QTest::newRow("frame") << "12" << int(K::Frame) << "" << qint64(12);
        QTest::newRow("stage and frame, spaced") << " 3 : 12 " << int(K::StageFrame) << "3" << qint64(12);
        QTest::newRow("stage in lower case") << "4a:0" << int(K::StageFrame) << "4A" << qint64(0);
        QTest::newRow("metatile") << "m2f" << int(K::MetaTile) << "" << qint64(0x2F);
        QTest::newRow("offset") << "0x9929" << int(K::Offset) << "" << qint64(0x9929);
        QTest::newRow("offset with $") << "$1A01c" << int(K::Offset) << "" << qint64(0x1A01C);
        for (const char *refused : {"", "9:1", "M123", "0xZZ", "castle", "1234", "3:"})
            QTest::newRow(qPrintable(QStringLiteral("refused: '%1'").arg(QLatin1String(refused))))
                << QString::fromLatin1(refused) << -1 << "" << qint64(0);
    }
    void readsWhatIsTyped()
    {
        QFETCH(QString, text);
        QFETCH(int, kind);
        QFETCH(QString, stage);
        QFETCH(qint64, number);
        QString why;
        const std::optional<GoToRequest> request = ParseGoTo(text, &why);
        QCOMPARE(request.has_value(), kind >= 0);
        if (!request) {
            QVERIFY(!why.isEmpty());
            return;
        }
        QCOMPARE(int(request->kind), kind);
        QCOMPARE(request->stage ? QLatin1String(request->stage->name) : QString(), stage);
        const qint64 got = request->kind == GoToRequest::Kind::MetaTile ? request->metaTile
            : request->kind == GoToRequest::Kind::Offset                ? request->offset
                                                                        : request->frame;
        QCOMPARE(got, number);
    }

    void findsWhatLiesAtAnOffset_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<ImagePlace::Kind>("kind");
        QTest::addColumn<QString>("stage");
        QTest::addColumn<int>("what"); // 16 row + column of a cell, a frame, a metatile, tile or entry
        using K = ImagePlace::Kind;
        // 0x9929 - 0x9877 = 0xB2: stage 3's frame 0, row 11, column 2.
        QTest::newRow("a cell") << qint64(0x9929) << "" << K::Cell << "3" << 0xB2;
        QTest::newRow("a cell another stage reads") << qint64(0x9929) << "4A" << K::Cell << "3" << 0xB2;
        // 0x581B is the room of frame 0 of 1C, 2B, 2C, 3 ... : the stage shown first.
        QTest::newRow("a room, first reader") << qint64(0x581B) << "" << K::Room << "1C" << 0;
        QTest::newRow("a room, stage shown") << qint64(0x581C) << "3" << K::Room << "3" << 1;
        QTest::newRow("a metatile's record") << qint64(0x790A + 4 * 0x2F + 1) << "" << K::MetaTile << "1A" << 0x2F;
        QTest::newRow("the same, stage shown") << qint64(0x790A + 4 * 0x2F + 1) << "2B" << K::MetaTile << "2B" << 0x2F;
        QTest::newRow("a sub-palette byte") << qint64(0x7D0A + 0x40) << "" << K::MetaTile << "1A" << 0x40;
        QTest::newRow("a tile") << qint64(0x19010 + 16 * 0x1C + 5) << "" << K::Tile << "2A" << 0x1C;
        QTest::newRow("a palette entry") << qint64(0x8350 + 5) << "" << K::PaletteEntry << "3" << 5;
        QTest::newRow("the header") << qint64(3) << "3" << K::None << "" << -1;
        QTest::newRow("past the end") << qint64(0x7FFFFFFF) << "" << K::None << "" << -1;
    }
    void findsWhatLiesAtAnOffset()
    {
        QFETCH(qint64, offset);
        QFETCH(QString, shown);
        QFETCH(ImagePlace::Kind, kind);
        QFETCH(QString, stage);
        QFETCH(int, what);
        modKrelin model;
        model.replaceImage(BytesOf(ReadFile(QStringLiteral(KRELIN_SAMPLE))));
        const ImagePlace place = PlaceOfOffset(model, shown.isEmpty() ? nullptr : FindStage(shown), offset);
        QCOMPARE(place.kind, kind);
        QCOMPARE(place.stage ? QLatin1String(place.stage->name) : QString(), stage);
        switch (kind) {
        case ImagePlace::Kind::Cell: QCOMPARE(16 * place.cell.row + place.cell.col, what); break;
        case ImagePlace::Kind::Room: QCOMPARE(place.cell.frame, what); break;
        case ImagePlace::Kind::MetaTile: QCOMPARE(place.metaTile, what); break;
        case ImagePlace::Kind::Tile: QCOMPARE(place.tile, what); break;
        case ImagePlace::Kind::PaletteEntry: QCOMPARE(place.entry, what); break;
        case ImagePlace::Kind::None: break;
        }
    }
};

QTEST_APPLESS_MAIN(TestGoTo)
#include "test_goto.moc"
