// Edits of many cells: the stamp's text form, the fill region, the one step a paste, a
// fill, a paint stroke or a replacement makes (and the writes it makes), merging, and the
// place an undo or a redo announces.
#include "Bytes.h"

#include "core/RomFile.h"
#include "core/Stamp.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/CellEdits.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"

#include <QSignalSpy>
#include <QTest>

#include <set>

using namespace krelin;
using namespace krelin::testing;

Q_DECLARE_METATYPE(krelin::Stamp)

namespace {

// The sample on stage 1A (its level map at 0x583A, seven frames).
struct Image
{
    modKrelin model;
    EditHistory history{model};
    Bytes original;

    explicit Image(int stage = 0)
    {
        model.replaceImage(ReadRomFile(QStringLiteral(KRELIN_SAMPLE)).bytes);
        model.ApplyStage(StageTable[std::size_t(stage)]);
        original = model.image();
    }
    qint64 cell(int frame, int col, int row) const { return LevelCellOffset(model, frame, col, row); }
};

Stamp Block(int columns, int rows, int first)
{
    Stamp stamp{columns, rows, {}};
    for (int i = 0; i < columns * rows; ++i)
        stamp.cells.push_back(std::uint8_t(first + i));
    return stamp;
}

} // namespace

class TestCells : public QObject
{
    Q_OBJECT

private slots:
    // ---- the stamp as text ------------------------------------------------------------------
    void stampToText()
    {
        QCOMPARE(StampToText(Stamp{3, 2, {0x2F, 0x05, 0x00, 0x10, 0xFF, 0x0A}}), QStringLiteral("2F 05 00\n10 FF 0A\n"));
        const Stamp big = Block(16, 15, 7);
        QCOMPARE(StampFromText(StampToText(big)), std::optional<Stamp>(big));
    }

    void stampFromText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("columns"); // 0: refused
        QTest::addColumn<QString>("cells"); // the numbers read, or a word of the reason
        QTest::newRow("as copied") << "2F 05 00\n10 FF 0A\n" << 3 << "2F 05 00 10 FF 0A";
        QTest::newRow("no last newline") << "01 02" << 2 << "01 02";
        QTest::newRow("one digit, lower case") << "a b\nc d" << 2 << "0A 0B 0C 0D";
        QTest::newRow("tabs, CR LF, blank lines around") << "\r\n\t01\t02 \r\n03  04\r\n\r\n" << 2 << "01 02 03 04";
        QTest::newRow("a word") << "01 02\nhello 03" << 0 << "hello";
        QTest::newRow("above FF") << "100" << 0 << "100";
        QTest::newRow("a sign") << "-1" << 0 << "-1";
        QTest::newRow("rows of different lengths") << "01 02\n03" << 0 << "line 2 has 1 number, line 1 has 2";
        QTest::newRow("a longer row") << "01\n02 03" << 0 << "line 2 has 2 numbers, line 1 has 1";
        QTest::newRow("a blank line inside") << "01\n\n02" << 0 << "line 2 is empty";
        QTest::newRow("nothing") << "  \n \n" << 0 << "no metatile";
        QTest::newRow("too many columns") << QString("00 ").repeated(257) << 0 << "257 columns";
        QTest::newRow("too many rows") << QString("00\n").repeated(257) << 0 << "257 rows";
    }
    void stampFromText()
    {
        QFETCH(QString, text);
        QFETCH(int, columns);
        QFETCH(QString, cells);
        QString why;
        const std::optional<Stamp> stamp = StampFromText(text, &why);
        if (columns == 0) {
            QVERIFY(!stamp);
            QVERIFY2(why.contains(cells), qPrintable(why));
            return;
        }
        QVERIFY2(stamp, qPrintable(why));
        QCOMPARE(stamp->columns, columns);
        QStringList numbers;
        for (std::uint8_t n : stamp->cells)
            numbers << HexByte(n);
        QCOMPARE(numbers.join(u' '), cells);
        QCOMPARE(stamp->rows * stamp->columns, int(stamp->cells.size()));
    }

    // ---- the fill region ----------------------------------------------------------------------
    void fillRegionIsFourConnected()
    {
        FrameCells frame{};
        frame.fill(1);
        // A ring of 2s around (5, 5) ... (7, 7), broken at one corner only: the corner does
        // not connect the inside to the outside.
        for (int i = 4; i <= 8; ++i)
            for (int j : {4, 8}) {
                frame[std::size_t(16 * i + j)] = 2;
                frame[std::size_t(16 * j + i)] = 2;
            }
        frame[16 * 4 + 4] = 1;
        const auto inside = FillRegion(frame, 16 * 6 + 6);
        QCOMPARE(int(inside.count()), 9);
        for (int row = 5; row <= 7; ++row)
            for (int col = 5; col <= 7; ++col)
                QVERIFY(inside.test(std::size_t(16 * row + col)));
        QCOMPARE(int(FillRegion(frame, 16 * 4 + 5).count()), 15); // the ring, less its corner
        // The outside reaches every edge, and the broken corner.
        const auto outside = FillRegion(frame, 0);
        QCOMPARE(int(outside.count()), 240 - 9 - 15);
        QVERIFY(outside.test(16 * 4 + 4) && outside.test(239) && !outside.test(16 * 6 + 6));
        // A region does not wrap from one row's end to the next row's start.
        FrameCells stripes{};
        for (int k = 0; k < 240; ++k)
            stripes[std::size_t(k)] = std::uint8_t(k % 16 == 15 || k % 16 == 0 ? 200 : k / 16);
        QCOMPARE(int(FillRegion(stripes, 15).count()), 15); // column 15 alone
        QCOMPARE(int(FillRegion(frame, -1).count()), 0);
    }

    // ---- one step, few writes -------------------------------------------------------------------
    void pasteIsOneStepOfOneWritePerRow()
    {
        Image img;
        QSignalSpy writes(&img.model, &modKrelin::imageChanged);
        // A whole frame: its bytes lie in one run, one write.
        QVERIFY(img.history.push(MakePasteCommand(img.model, 2, 0, 0, Block(16, 15, 0))));
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0][0].toLongLong(), img.cell(2, 0, 0));
        QCOMPARE(writes[0][1].toLongLong(), 240);
        for (int k = 0; k < 240; ++k)
            QCOMPARE(img.model.byteAt(img.cell(2, 0, 0) + k), k);
        QCOMPARE(img.history.stack().undoText(), QStringLiteral("Paste 16 \u00D7 15 in 1A, frame 2"));
        writes.clear();
        img.history.stack().undo();
        QVERIFY(img.model.image() == img.original);
        QCOMPARE(writes.size(), 1);

        // 3 x 2: a write per row.
        auto *paste = MakePasteCommand(img.model, 1, 4, 5, Block(3, 2, 0xA0));
        QCOMPARE(paste->runCount(), 2);
        writes.clear();
        QVERIFY(img.history.push(paste));
        QCOMPARE(writes.size(), 2);
        QCOMPARE(ChangedOffsets(img.original, img.model.image()),
                 (QList<qint64>{img.cell(1, 4, 5), img.cell(1, 5, 5), img.cell(1, 6, 5), img.cell(1, 4, 6),
                                img.cell(1, 5, 6), img.cell(1, 6, 6)}));
    }

    void pasteIsCutAtTheFrameEdges()
    {
        Image img;
        auto *corner = MakePasteCommand(img.model, 0, 14, 13, Block(3, 3, 0x40));
        QCOMPARE(corner->text(), QStringLiteral("Paste 2 \u00D7 2 in 1A, frame 0"));
        QVERIFY(img.history.push(corner));
        QCOMPARE(ChangedOffsets(img.original, img.model.image()),
                 (QList<qint64>{img.cell(0, 14, 13), img.cell(0, 15, 13), img.cell(0, 14, 14), img.cell(0, 15, 14)}));
        QCOMPARE(img.model.byteAt(img.cell(0, 15, 14)), 0x44);
        // The next frame's first row is not touched; a stamp wholly off the frame makes
        // nothing, nor does an empty one.
        QCOMPARE(img.model.byteAt(img.cell(1, 0, 0)), img.original[std::size_t(img.cell(1, 0, 0))]);
        QVERIFY(!MakePasteCommand(img.model, 0, 16, 0, Block(2, 2, 0)));
        QVERIFY(!MakePasteCommand(img.model, 0, -2, 0, Block(2, 2, 0)));
        QVERIFY(!MakePasteCommand(img.model, 0, 0, 0, Stamp{}));
        // Left of and above the frame, the part that lands.
        auto *left = MakePasteCommand(img.model, 3, -1, -1, Block(2, 2, 0x50));
        QCOMPARE(left->text(), QStringLiteral("Paste 1 \u00D7 1 in 1A, frame 3"));
        QVERIFY(img.history.push(left));
        QCOMPARE(img.model.byteAt(img.cell(3, 0, 0)), 0x53);
    }

    void cellsOutsideTheImageAreLeftOut()
    {
        Image img;
        const qint64 size = img.model.romSize();
        CellsEditCommand edit(img.model, {{size - 1, 0x77}, {size, 0x01}, {size + 10, 0x02}, {5, 0x33}, {5, 0x44}},
                              QStringLiteral("%1 cells"), {});
        QCOMPARE(edit.text(), QStringLiteral("%1 cells").arg(int(img.original[std::size_t(size - 1)] != 0x77)
                                                             + int(img.original[5] != 0x44)));
        edit.redo();
        QCOMPARE(img.model.byteAt(size - 1), 0x77);
        QCOMPARE(img.model.byteAt(5), 0x44); // the later of two writes to one byte
        QCOMPARE(img.model.romSize(), size);
        edit.undo();
        QVERIFY(img.model.image() == img.original);
    }

    // ---- merging ---------------------------------------------------------------------------------
    void paintStrokeMergesIntoOneStep()
    {
        Image img;
        const qint64 a = img.cell(0, 2, 2), b = img.cell(0, 3, 2);
        const int x = (img.original[std::size_t(a)] + 1) % 256, y = (img.original[std::size_t(a)] + 2) % 256;
        QVERIFY(img.history.push(MakePaintCommand(img.model, 0, 2, 2, x, nullptr, 1)));
        QVERIFY(img.history.push(MakePaintCommand(img.model, 0, 3, 2, x, nullptr, 1)) || img.original[std::size_t(b)] == x);
        QVERIFY(img.history.push(MakePaintCommand(img.model, 0, 2, 2, y, nullptr, 1)));
        QCOMPARE(img.history.stack().count(), 1);
        QCOMPARE(img.model.byteAt(a), y);
        QCOMPARE(img.history.stack().undoText(),
                 QStringLiteral("Paint %1 cells with %2 in 1A, frame 0").arg(img.original[std::size_t(b)] == x ? 1 : 2).arg(HexByte(y)));
        img.history.stack().undo(); // the byte painted twice goes back to what it held first
        QVERIFY(img.model.image() == img.original);
        img.history.stack().redo();
        // Another stroke is another step.
        QVERIFY(img.history.push(MakePaintCommand(img.model, 0, 9, 9, (img.original[std::size_t(img.cell(0, 9, 9))] + 1) % 256, nullptr, 2)));
        QCOMPARE(img.history.stack().count(), 2);
        // A stroke that puts back what was there leaves no step behind.
        const int here = img.model.byteAt(img.cell(0, 12, 12));
        QVERIFY(img.history.push(MakePaintCommand(img.model, 0, 12, 12, (here + 1) % 256, nullptr, 3)));
        QCOMPARE(img.history.stack().count(), 3);
        img.history.push(MakePaintCommand(img.model, 0, 12, 12, here, nullptr, 3));
        QCOMPARE(img.history.stack().count(), 2);
        QCOMPARE(img.model.byteAt(img.cell(0, 12, 12)), here);
    }

    void quadrantStepsMergeWhileRepeated()
    {
        Image img;
        const qint64 at = QuadrantTileOffset(img.model, 9, 1);
        const int old = img.model.byteAt(at);
        for (int i = 1; i <= 5; ++i) // a scroll arrow held: one gesture
            QVERIFY(img.history.push(new SetQuadrantTileCommand(img.model, 9, 1, (old + i) % 256, 1)));
        QCOMPARE(img.history.stack().count(), 1);
        QCOMPARE(img.model.byteAt(at), (old + 5) % 256);
        // Another quadrant is another step.
        QVERIFY(img.history.push(new SetQuadrantTileCommand(img.model, 9, 2, (img.model.byteAt(at + 1) + 1) % 256, 2)));
        QCOMPARE(img.history.stack().count(), 2);
        img.history.stack().undo();
        img.history.stack().undo();
        QVERIFY(img.model.image() == img.original);
        // Stepping there and back again leaves nothing; another gesture is a step of its own.
        img.history.push(new SetQuadrantTileCommand(img.model, 9, 1, (old + 1) % 256, 3));
        img.history.push(new SetQuadrantTileCommand(img.model, 9, 1, old, 3));
        QCOMPARE(img.history.stack().count(), 0);
        img.history.push(new SetQuadrantTileCommand(img.model, 9, 1, (old + 1) % 256, 4));
        img.history.push(new SetQuadrantTileCommand(img.model, 9, 1, (old + 2) % 256, 5));
        QCOMPARE(img.history.stack().count(), 2);
        // Placements never merge: each click is its own step.
        for (int i = 1; i <= 2; ++i)
            img.history.push(new PlaceMetaTileCommand(img.model, 0, 1, 1, (img.original[std::size_t(img.cell(0, 1, 1))] + i) % 256));
        QCOMPARE(img.history.stack().count(), 4);
    }

    // ---- replacing ------------------------------------------------------------------------------
    void replaceFindsEachByteOnce()
    {
        Image img(1); // stage 1B
        const Stage &stage = StageTable[1];
        const int from = img.model.byteAt(stage.LevelOffset + 17);
        // Counted here: the bytes holding it in the frame, the stage, and the stages that
        // read the same metatile table (each byte once).
        std::set<qint64> frame, whole, shared;
        std::set<const Stage *> stages;
        for (const Stage &s : StageTable) {
            if (s.MetaTileOffset != stage.MetaTileOffset)
                continue;
            for (qint64 at = s.LevelOffset; at < s.LevelOffset + 240 * s.Frames; ++at)
                if (img.model.byteAt(at) == from) {
                    shared.insert(at);
                    stages.insert(&s);
                    if (&s == &stage) {
                        whole.insert(at);
                        if (at < s.LevelOffset + 240)
                            frame.insert(at);
                    }
                }
        }
        QVERIFY(shared.size() > whole.size() && whole.size() > frame.size());
        const auto found = [&](ReplaceScope scope) {
            const ReplaceTargets t = FindReplaceTargets(img.model, 0, scope, from);
            return std::set<qint64>(t.offsets.begin(), t.offsets.end());
        };
        QCOMPARE(found(ReplaceScope::Frame), frame);
        QCOMPARE(found(ReplaceScope::Stage), whole);
        QCOMPARE(found(ReplaceScope::SharedStages), shared);
        QCOMPARE(FindReplaceTargets(img.model, 0, ReplaceScope::SharedStages, from).stages, int(stages.size()));

        QVERIFY(img.history.push(MakeReplaceCommand(img.model, 0, ReplaceScope::SharedStages, from, (from + 1) % 256)));
        const QList<qint64> changed = ChangedOffsets(img.original, img.model.image());
        QCOMPARE(std::set<qint64>(changed.begin(), changed.end()), shared);
        QCOMPARE(img.history.stack().count(), 1);
        QVERIFY(!img.history.stack().command(0)->text().isEmpty());
        // Replacing with itself changes nothing and makes no step.
        QVERIFY(!img.history.push(MakeReplaceCommand(img.model, 0, ReplaceScope::Stage, 3, 3)));
    }

    // ---- where an undo or a redo shows -------------------------------------------------------------
    void undoAndRedoAnnounceTheirPlace()
    {
        Image img;
        QSignalSpy revisited(&img.history, &EditHistory::stepRevisited);
        QVERIFY(img.history.push(new PlaceMetaTileCommand(img.model, 3, 4, 5, (img.original[std::size_t(img.cell(3, 4, 5))] + 1) % 256)));
        QVERIFY(img.history.push(MakeFillRectCommand(img.model, 5, QRect(0, 0, 2, 2), 0x99)));
        QVERIFY(img.history.push(new SetSubPaletteCommand(img.model, 4, (img.model.byteAt(SubPaletteOffset(img.model, 4)) + 1) % 4)));
        QCOMPARE(revisited.size(), 0); // pushing shows nothing: the user is there
        const auto place = [&](int i) { return revisited[i][0].value<EditPlace>(); };
        img.history.stack().undo(); // the sub-palette: no frame
        QCOMPARE(place(0), EditPlace{});
        img.history.stack().undo();
        QCOMPARE(place(1), EditPlace::In(&StageTable[0], 5));
        img.history.stack().undo();
        QCOMPARE(place(2), EditPlace::In(&StageTable[0], 3));
        img.history.stack().redo();
        QCOMPARE(place(3), EditPlace::In(&StageTable[0], 3));
        img.history.stack().setIndex(3); // a jump: where the last step redone changed
        QCOMPARE(revisited.size(), 5);
        QCOMPARE(place(4), EditPlace{});
        img.history.stack().setIndex(1);
        QCOMPARE(place(5), EditPlace::In(&StageTable[0], 5));
    }
};

QTEST_GUILESS_MAIN(TestCells)
#include "test_cells.moc"
