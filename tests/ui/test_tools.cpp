// The level map's tools driven through the real window as a user drives them: picking
// from the map, selecting, copying and pasting, Paint, Fill, Replace Metatile, Escape,
// the steps they make and the bytes a save writes.
#include "MainWindowSession.h"
#include "Bytes.h"
#include "SavedImage.h"

#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "ui/EditTools.h"
#include "ui/ReplaceDialog.h"
#include "widgets/HexSpinBox.h"
#include "views/CellMarks.h"
#include "views/MapTools.h"
#include "views/StatusText.h"
#include "widgets/FittedLabel.h"

#include <QApplication>
#include <QScopeGuard>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolBar>
#include <QUndoStack>

#include <set>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A session on stage 1A, its window active so that its keys reach it.
struct ToolSession : Session
{
    ToolSession(int stage = S1A)
    {
        window->activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
        Controls(window).mnuEdit_Level_Click(stage);
        QApplication::clipboard()->clear();
    }

    PictureSurface *mapSurface() { return Controls(window).picEditor; }
    QUndoStack &stack() { return Controls(window).history().stack(); }
    void key(int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(window.get(), Qt::Key(key), modifiers);
    }
    qint64 cell(int frame, int col, int row) const
    {
        return LevelCellOffset(*model.currentStage(), frame, col, row);
    }
    void rightClickOnMap(int col, int row)
    {
        moveOnMap(col, row);
        QTest::mouseClick(mapSurface(), Qt::RightButton, {}, cellPoint(col, row));
    }
    // A press at the first cell, moves through the others, a release at the last.
    void dragOnMap(const QList<QPoint> &cells, Qt::KeyboardModifiers modifiers = {})
    {
        moveOnMap(cells.first().x(), cells.first().y());
        QTest::mousePress(mapSurface(), Qt::LeftButton, modifiers, cellPoint(cells.first().x(), cells.first().y()));
        for (const QPoint &c : cells.mid(1))
            QTest::mouseMove(mapSurface(), cellPoint(c.x(), c.y()));
        QTest::mouseRelease(mapSurface(), Qt::LeftButton, modifiers, cellPoint(cells.last().x(), cells.last().y()));
    }
    QString lblTool() { return Controls(window).named<QLabel>("lblTool")->text(); }
};

// The image as the file held it, with the bytes given set: what a save must write, with
// its fix-up.
QByteArray Expected(const QString &path, const QMap<qint64, int> &bytes)
{
    QByteArray image = ReadFile(path);
    for (auto it = bytes.begin(); it != bytes.end(); ++it)
        image[it.key()] = char(it.value());
    ApplyFixUp(image);
    return image;
}

// Cell (col, row) of the map shows metatile n in its middle (the stamp's edges aside).
bool showsInMiddle(const QImage &map, const modKrelin &model, int col, int row, int n)
{
    const auto bg = ExpectedBgColors(model);
    for (const QPoint &p : {QPoint(8, 8), QPoint(24, 8), QPoint(8, 24), QPoint(24, 24), QPoint(12, 20)})
        if (map.pixel(CellPitch * col + p.x(), CellPitch * row + p.y())
            != ExpectedMetaTilePixel(model, bg, n, p.x(), p.y(), ClearColor))
            return false;
    return true;
}

// The 4-connected region of cells holding what cell start holds, in the bytes of one
// frame: worked out here cell by cell, apart from the program's own.
std::set<int> Region(const modKrelin &model, qint64 frameStart, int start)
{
    std::set<int> seen;
    QList<int> todo{start};
    const int value = model.byteAt(frameStart + start);
    while (!todo.isEmpty()) {
        const int c = todo.takeLast();
        if (c < 0 || c >= 240 || seen.count(c) || model.byteAt(frameStart + c) != value)
            continue;
        seen.insert(c);
        if (c % 16 > 0)
            todo << c - 1;
        if (c % 16 < 15)
            todo << c + 1;
        todo << c - 16 << c + 16;
    }
    return seen;
}

} // namespace

class TestTools : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    // ---- what the user does, end to end -----------------------------------------
    void pickSelectCopyPasteSaveUndo()
    {
        ToolSession s;
        const Bytes original = s.model.image();
        // A right click picks the metatile of a cell: selection, preview, the table's page.
        const int picked = s.byte(s.cell(0, 5, 9));
        s.rightClickOnMap(5, 9);
        QCOMPARE(s.editor().SelectedMetaTile(), picked);
        QCOMPARE(Controls(s.window).hsTable->value(), picked / 16);
        QString diff = cellDiff(s.preview(), s.model, 0, 0, picked);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        QCOMPARE(Controls(s.window).sbStatus->lblMetaTile->text(), QStringLiteral("Metatile %1").arg(HexByte(picked)));
        QVERIFY(s.model.image() == original); // picking writes nothing
        // ... and a left click places it.
        s.clickOnMap(3, 4);
        const qint64 placed = s.cell(0, 3, 4);
        QCOMPARE(s.byte(placed), picked);
        QCOMPARE(s.stack().undoText(),
                 QStringLiteral("Place Metatile %1 in 1A, frame 0, row 4, column 3").arg(HexByte(picked)));

        // Shift + drag from cell (0, 0) to cell (row 1, column 2): 3 x 2 cells, outlined.
        s.dragOnMap({{0, 0}, {1, 1}, {2, 1}}, Qt::ShiftModifier);
        QCOMPARE(s.tools().selection(), QRect(0, 0, 3, 2));
        QCOMPARE(s.map().pixel(CellPitch * 2 + 32, CellPitch * 1 + 10), SelectionColor);
        QCOMPARE(s.stack().count(), 1); // selecting places nothing
        s.key(Qt::Key_C, Qt::ControlModifier);
        QString text;
        for (int row = 0; row < 2; ++row) {
            QStringList numbers;
            for (int col = 0; col < 3; ++col)
                numbers << HexByte(s.byte(s.cell(0, col, row)));
            text += numbers.join(u' ') + u'\n';
        }
        QCOMPARE(QApplication::clipboard()->text(), text);

        // To frame 1, the stamp over the map where it would land, and one click.
        s.key(Qt::Key_PageDown);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 1);
        s.moveOnMap(6, 7);
        s.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(s.lblTool(), QStringLiteral("Place 3 \u00D7 2"));
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col)
                QVERIFY(showsInMiddle(s.map(), s.model, 6 + col, 7 + row, original[std::size_t(s.cell(0, col, row))]));
        QCOMPARE(ChangedOffsets(original, s.model.image()), QList<qint64>{placed}); // nothing written yet
        QCOMPARE(s.stack().count(), 1);
        s.clickOnMap(6, 7);
        QMap<qint64, int> written{{placed, picked}};
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col) {
                written[s.cell(1, 6 + col, 7 + row)] = original[std::size_t(s.cell(0, col, row))];
                QCOMPARE(s.byte(s.cell(1, 6 + col, 7 + row)), int(original[std::size_t(s.cell(0, col, row))]));
            }
        QCOMPARE(s.stack().count(), 2);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paste 3 \u00D7 2 in 1A, frame 1"));

        // Ctrl+S writes exactly those seven bytes and the fix-up.
        s.key(Qt::Key_S, Qt::ControlModifier);
        diff = SavedImageDiffers(s.romPath, Expected(QStringLiteral(KRELIN_SAMPLE), written));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));

        // One Ctrl+Z takes the whole paste back; the placement stays (and the save's
        // fix-up, which is no edit).
        s.key(Qt::Key_Z, Qt::ControlModifier);
        Bytes saved = original;
        saved[FixUpTarget] = saved[FixUpSource];
        saved[FixUpTarget + 1] = saved[FixUpSource + 1];
        QCOMPARE(ChangedOffsets(saved, s.model.image()), QList<qint64>{placed});
        QCOMPARE(s.stack().count(), 2);
        QCOMPARE(s.stack().index(), 1);
        s.moveOnMap(12, 2); // the stamp follows the pointer away: the cells show the image
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col) {
                diff = cellDiff(s.map(), s.model, 6 + col, 7 + row, original[std::size_t(s.cell(1, 6 + col, 7 + row))]);
                QVERIFY2(diff.isEmpty(), qPrintable(diff));
            }
        // The stamp stays for more clicks, cut at the frame's edges; Escape drops it.
        s.clickOnMap(14, 14);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paste 2 \u00D7 1 in 1A, frame 1"));
        QCOMPARE(s.byte(s.cell(1, 15, 14)), int(original[std::size_t(s.cell(0, 1, 0))]));
        s.key(Qt::Key_Escape);
        QVERIFY(!s.tools().stamp());
        QVERIFY(s.tools().selection().isEmpty());
        QCOMPARE(s.lblTool(), QStringLiteral("Place"));
        s.clickOnMap(0, 0); // places the selected metatile again
        QCOMPARE(s.byte(s.cell(1, 0, 0)), picked);
    }

    void pastesAcrossStagesAndRefusesOtherText()
    {
        ToolSession s;
        // A stamp taken as text (lower case, tabs, CR LF) pastes into another stage.
        QApplication::clipboard()->setText(QStringLiteral("0a\t0B\r\n10 11\r\n"));
        Controls(s.window).mnuEdit_Level_Click(S3);
        s.moveOnMap(4, 4);
        s.key(Qt::Key_V, Qt::ControlModifier);
        s.clickOnMap(4, 4);
        const Stage &three = StageTable[S3];
        QCOMPARE(s.byte(LevelCellOffset(three, 0, 4, 4)), 0x0A);
        QCOMPARE(s.byte(LevelCellOffset(three, 0, 5, 4)), 0x0B);
        QCOMPARE(s.byte(LevelCellOffset(three, 0, 4, 5)), 0x10);
        QCOMPARE(s.byte(LevelCellOffset(three, 0, 5, 5)), 0x11);
        QCOMPARE(s.stack().count(), 1);

        // Anything else is refused with a message, and nothing changes.
        s.key(Qt::Key_Escape);
        QApplication::clipboard()->setText(QStringLiteral("Dear diary, today I drew a castle."));
        const Bytes before = s.model.image();
        s.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(s.desktop.messages.size(), 1);
        QVERIFY2(s.desktop.messages[0].text.contains(QLatin1String("\"Dear\"")), qPrintable(s.desktop.messageTexts()));
        QVERIFY(!s.tools().stamp());
        // A click then places the selected metatile alone, not the last stamp.
        s.clickOnMap(8, 8);
        QCOMPARE(s.byte(LevelCellOffset(three, 0, 8, 8)), s.editor().SelectedMetaTile());
        for (qint64 changed : ChangedOffsets(before, s.model.image()))
            QCOMPARE(changed, LevelCellOffset(three, 0, 8, 8));
    }

    void deleteFillsTheSelection()
    {
        ToolSession s;
        const Bytes original = s.model.image();
        s.pick(0, 1, 0); // metatile 1
        s.dragOnMap({{4, 2}, {5, 4}}, Qt::ShiftModifier);
        s.key(Qt::Key_Delete);
        QList<qint64> expected;
        for (int row = 2; row <= 4; ++row)
            for (int col = 4; col <= 5; ++col)
                if (original[std::size_t(s.cell(0, col, row))] != 1)
                    expected << s.cell(0, col, row);
        QCOMPARE(ChangedOffsets(original, s.model.image()), expected);
        QCOMPARE(s.stack().count(), 1);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Fill Selection 2 \u00D7 3 with 01 in 1A, frame 0"));
        s.key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(s.model.image() == original);
    }

    // ---- Paint and Fill -------------------------------------------------------------------
    void paintStrokeIsOneStep()
    {
        ToolSession s;
        const Bytes original = s.model.image();
        s.pick(3, 1, 2); // metatile 0x35
        s.key(Qt::Key_B);
        QCOMPARE(s.lblTool(), QStringLiteral("Paint"));
        QVERIFY(Controls(s.window).named<QAction>("mnuToolPaint")->isChecked());
        // A quick drag: from (1, 1) the pointer jumps to (5, 1), then to (5, 3).
        s.dragOnMap({{1, 1}, {5, 1}, {5, 3}});
        QList<qint64> expected;
        for (const QPoint &c : {QPoint(1, 1), QPoint(2, 1), QPoint(3, 1), QPoint(4, 1), QPoint(5, 1), QPoint(5, 2),
                                QPoint(5, 3)})
            if (original[std::size_t(s.cell(0, c.x(), c.y()))] != 0x35)
                expected << s.cell(0, c.x(), c.y());
        std::sort(expected.begin(), expected.end());
        QCOMPARE(ChangedOffsets(original, s.model.image()), expected);
        QCOMPARE(s.stack().count(), 1);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Paint %1 cells with 35 in 1A, frame 0").arg(expected.size()));
        for (qint64 offset : expected) {
            const int k = int(offset - s.cell(0, 0, 0));
            QVERIFY(showsInMiddle(s.map(), s.model, k % 16, k / 16, 0x35) || (k % 16 == 5 && k / 16 == 3));
        }
        // A second stroke is a second step; a plain move with no button paints nothing.
        s.moveOnMap(9, 9);
        s.moveOnMap(10, 9);
        QCOMPARE(s.stack().count(), 1);
        s.dragOnMap({{9, 9}});
        QCOMPARE(s.stack().count(), original[std::size_t(s.cell(0, 9, 9))] == 0x35 ? 1 : 2);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(s.model.image() == original);
        s.key(Qt::Key_Escape);
        QCOMPARE(s.lblTool(), QStringLiteral("Place"));
    }

    void paintWithAStampFromTheTable()
    {
        ToolSession s;
        // A drag over the table from (0, 1) to (1, 2) on page 2: metatiles 22, 23, 24, 25.
        Controls(s.window).hsTable->setValue(2);
        s.moveOnTable(0, 1);
        QTest::mousePress(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(0, 1));
        s.moveOnTable(1, 2);
        QTest::mouseRelease(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(1, 2));
        QVERIFY(s.tools().stamp());
        QCOMPARE(*s.tools().stamp(), (Stamp{2, 2, {0x22, 0x23, 0x24, 0x25}}));
        QCOMPARE(s.editor().SelectedMetaTile(), 0x22);
        s.clickOnMap(10, 3);
        QCOMPARE(s.byte(s.cell(0, 10, 3)), 0x22);
        QCOMPARE(s.byte(s.cell(0, 11, 3)), 0x23);
        QCOMPARE(s.byte(s.cell(0, 10, 4)), 0x24);
        QCOMPARE(s.byte(s.cell(0, 11, 4)), 0x25);
        QCOMPARE(s.stack().count(), 1);
        // A plain click on the table chooses one metatile: the stamp goes.
        s.pick(0, 0, 0);
        QVERIFY(!s.tools().stamp());
    }

    void fillRegionAndWholeFrame()
    {
        ToolSession s;
        const Bytes original = s.model.image();
        const qint64 frame = s.cell(0, 0, 0);
        // The largest region of the frame, found here cell by cell.
        int start = 0;
        std::size_t largest = 0;
        for (int c = 0; c < 240; ++c)
            if (const std::size_t n = Region(s.model, frame, c).size(); n > largest) {
                largest = n;
                start = c;
            }
        QVERIFY(largest > 1);
        const int with = (s.byte(frame + start) + 1) % 256;
        Controls(s.window).hsTable->setValue(with / 16);
        s.moveOnTable(with % 2, with % 16 / 2);
        QTest::mouseClick(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(with % 2, with % 16 / 2));
        QList<qint64> expected;
        for (int c : Region(s.model, frame, start))
            expected << frame + c;
        s.key(Qt::Key_F);
        QCOMPARE(s.lblTool(), QStringLiteral("Fill"));
        s.clickOnMap(start % 16, start / 16);
        QCOMPARE(ChangedOffsets(original, s.model.image()), expected);
        QCOMPARE(s.stack().count(), 1);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Fill %1 cells with %2 in 1A, frame 0").arg(largest).arg(HexByte(with)));

        // Select All and Delete make the frame one region; a click of Fill refills it all.
        s.key(Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(s.tools().selection(), QRect(0, 0, 16, 15));
        s.key(Qt::Key_Delete);
        s.pick(0, 0, 0);
        s.clickOnMap(7, 7);
        for (int c = 0; c < 240; ++c)
            QCOMPARE(s.byte(frame + c), 0);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Fill 240 cells with 00 in 1A, frame 0"));
        QCOMPARE(s.stack().count(), 3);
        for (int c = 0; c < 240; c += 37)
            QVERIFY(showsInMiddle(s.map(), s.model, c % 16, c / 16, 0));
        s.key(Qt::Key_Z, Qt::ControlModifier);
        for (int c = 0; c < 240; ++c)
            QCOMPARE(s.byte(frame + c), with);
    }

    // ---- Replace Metatile -------------------------------------------------------------------
    void replaceCountsFirstThenReplacesInOneStep_data()
    {
        QTest::addColumn<int>("scope"); // 0 frame, 1 stage, 2 stages sharing the table
        QTest::newRow("frame") << 0;
        QTest::newRow("stage") << 1;
        QTest::newRow("stages sharing the metatile table") << 2;
    }
    void replaceCountsFirstThenReplacesInOneStep()
    {
        QFETCH(int, scope);
        ToolSession s(S1B);
        const Bytes original = s.model.image();
        const Stage &stage = StageTable[S1B];
        // The metatile most used in the frame shown, and where it is, found here.
        std::map<int, int> counts;
        for (int c = 0; c < 240; ++c)
            ++counts[s.byte(stage.LevelOffset + c)];
        const int from = std::max_element(counts.begin(), counts.end(), [](auto a, auto b) { return a.second < b.second; })->first;
        std::vector<const Stage *> stages{&stage};
        if (scope == 2)
            for (const Stage &other : StageTable)
                if (&other != &stage && other.MetaTileOffset == stage.MetaTileOffset)
                    stages.push_back(&other);
        std::set<qint64> where;
        std::set<std::pair<const Stage *, int>> frames;
        for (const Stage *st : stages)
            for (int f = 0; f < (scope == 0 ? 1 : st->Frames); ++f)
                for (int c = 0; c < 240; ++c) {
                    const qint64 at = st->LevelOffset + 240 * f + c;
                    if (s.byte(at) == from) {
                        where.insert(at);
                        frames.insert({st, f});
                    }
                }
        const int to = (from + 7) % 256;

        s.rightClickOnMap(0, 0);
        Controls(s.window).hsTable->setValue(from / 16);
        s.moveOnTable(from % 2, from % 16 / 2);
        QTest::mouseClick(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(from % 2, from % 16 / 2));
        Controls(s.window).named<QAction>("mnuReplaceMetaTile")->trigger();
        auto *dialog = s.window->findChild<ReplaceDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->spnReplaceFrom->value(), from);
        QCOMPARE(dialog->spnReplaceFrom->text(), QStringLiteral("Metatile %1").arg(HexByte(from)));
        QVERIFY(!dialog->cmdReplace->isEnabled()); // with itself: nothing would change
        dialog->spnReplaceWith->setValue(to);
        (scope == 0 ? dialog->optReplaceFrame : scope == 1 ? dialog->optReplaceStage : dialog->optReplaceShared)->click();
        QVERIFY(dialog->optReplaceShared->text().contains(QLatin1String("1A, 1B, 1C, 2A, 2B, 2C")));
        QVERIFY2(dialog->lblReplaceCount->text().startsWith(
                     QStringLiteral("%1 cells in %2 frame%3").arg(where.size()).arg(frames.size()).arg(frames.size() == 1 ? "" : "s")),
                 qPrintable(dialog->lblReplaceCount->text()));
        QVERIFY(s.model.image() == original); // counting changes nothing
        QTest::mouseClick(dialog->cmdReplace, Qt::LeftButton);
        QCOMPARE(ChangedOffsets(original, s.model.image()), QList<qint64>(where.begin(), where.end()));
        for (qint64 at : where)
            QCOMPARE(s.byte(at), to);
        QCOMPARE(s.stack().count(), 1);
        // Named by where it replaced: the frame, the stage, or the stages it changed (the
        // one shown first, then in table order).
        QStringList changed{QStringLiteral("1B")};
        for (const Stage &other : StageTable)
            if (&other != &stage && std::any_of(frames.begin(), frames.end(), [&](auto f) { return f.first == &other; }))
                changed << QLatin1String(other.name);
        const QString of = scope == 0 ? QStringLiteral("1B, frame 0") : changed.join(QStringLiteral(", "));
        QCOMPARE(s.stack().undoText(),
                 QStringLiteral("Replace %1 with %2 in %3 cells of %4").arg(HexByte(from), HexByte(to)).arg(where.size()).arg(of));

        // Undone from another stage, it shows the first stage and frame it changed, and
        // says how many stages came back.
        Controls(s.window).mnuEdit_Level_Click(S3);
        Controls(s.window).hLevel_Frames->setValue(5);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(s.model.image() == original);
        QCOMPARE(s.model.currentStage(), &stage);
        int firstFrame = stage.Frames;
        for (const auto &[st, f] : frames)
            if (st == &stage)
                firstFrame = std::min(firstFrame, f);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), firstFrame);
        const QString said = Controls(s.window).sbStatus->currentMessage();
        if (changed.size() > 1)
            QCOMPARE(said, QStringLiteral("Undone in %1 stages: %2.").arg(changed.size()).arg(changed.join(", ")));
        else
            QVERIFY2(!said.contains(QLatin1String("stages")), qPrintable(said));
    }

    // Numbers typed into the dialog's fields, as a user types them, are the numbers the
    // step replaces: a field's text read whole, its "Metatile " included, on Enter (the
    // dialog's default button). What names no metatile is refused, never taken as 00.
    void replaceTakesTheNumbersTyped_data()
    {
        QTest::addColumn<QString>("field"); // the field typed into
        QTest::addColumn<QString>("keys");  // typed after selecting its number; "+2": Up twice
        QTest::newRow("With, typed") << "spnReplaceWith" << "2e";
        QTest::newRow("With, typed with a $") << "spnReplaceWith" << "$2E";
        QTest::newRow("With, stepped by the Up key") << "spnReplaceWith" << "+2";
        QTest::newRow("Replace, typed") << "spnReplaceFrom" << "{from}";
    }
    void replaceTakesTheNumbersTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, keys);
        ToolSession s(S1B);
        const Bytes original = s.model.image();
        const qint64 frame = StageTable[S1B].LevelOffset;
        // A metatile of the frame whose number has a letter: read as 00, it would be lost.
        int from = -1;
        for (int c = 0; c < 240 && from < 0; ++c)
            if (const int n = s.byte(frame + c); n % 16 >= 10 && n != 0x2E)
                from = n;
        QVERIFY(from > 0);
        // Typed into Replace, the dialog opens on the metatile it replaces with.
        const int to = field == QLatin1String("spnReplaceFrom") ? 0x2E : keys == QLatin1String("+2") ? (from + 2) % 256 : 0x2E;
        QVERIFY(from != to);
        const int selected = field == QLatin1String("spnReplaceFrom") ? to : from;
        s.moveOnMap(15, 14); // the pointer comes to the table from elsewhere, as a hand's does
        s.pick(selected / 16, selected % 2, selected % 16 / 2);
        QCOMPARE(s.editor().SelectedMetaTile(), selected);
        Controls(s.window).named<QAction>("mnuReplaceMetaTile")->trigger();
        auto *dialog = s.window->findChild<ReplaceDialog *>();
        QVERIFY(dialog && dialog->isVisible());
        auto *box = dialog->findChild<QSpinBox *>(field);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier); // the number, not "Metatile "
        if (keys.startsWith(u'+'))
            for (int i = 0; i < keys.mid(1).toInt(); ++i)
                QTest::keyClick(box, Qt::Key_Up);
        else
            QTest::keyClicks(box, QString(keys).replace(QLatin1String("{from}"), HexByte(from).toLower()));
        QCOMPARE(box->value(), field == QLatin1String("spnReplaceFrom") ? from : to);
        QVERIFY2(dialog->lblReplaceCount->text().contains(QLatin1String("will change")), qPrintable(dialog->lblReplaceCount->text()));
        QTest::keyClick(box, Qt::Key_Return);

        QTRY_VERIFY(!dialog->isVisible());
        QList<qint64> where;
        for (int c = 0; c < 240; ++c)
            if (original[std::size_t(frame + c)] == from)
                where << frame + c;
        QCOMPARE(ChangedOffsets(original, s.model.image()), where);
        for (qint64 at : where)
            QCOMPARE(s.byte(at), to);
        QCOMPARE(s.stack().undoText(), QStringLiteral("Replace %1 with %2 in %3 cells of 1B, frame 0")
                                           .arg(HexByte(from), HexByte(to))
                                           .arg(where.size()));
    }

    void replaceRefusesWhatNamesNoMetatile()
    {
        ToolSession s(S1B);
        const Bytes original = s.model.image();
        s.moveOnTable(1, 7);
        s.rightClickOnMap(0, 0); // a metatile the frame holds
        QVERIFY(s.editor().SelectedMetaTile() != 0x12);
        Controls(s.window).named<QAction>("mnuReplaceMetaTile")->trigger();
        auto *dialog = s.window->findChild<ReplaceDialog *>();
        QVERIFY(dialog);
        QSpinBox *with = dialog->spnReplaceWith;
        with->setFocus();
        QTest::keyClick(with, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(with, QStringLiteral("G!1x23"));
        QCOMPARE(with->text(), QStringLiteral("Metatile 12")); // only the digits, and two of them
        QCOMPARE(with->value(), 0x12);
        QVERIFY(dialog->cmdReplace->isEnabled());
        QTest::keyClick(with, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(with, Qt::Key_Backspace);
        QTest::keyClick(with, Qt::Key_Return); // an empty field: nothing is taken, not even 12
        QVERIFY(dialog->isVisible());
        QVERIFY(s.model.image() == original);
        QCOMPARE(s.stack().count(), 0);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->click();
        QTRY_VERIFY(!dialog->isVisible());
        QVERIFY(s.model.image() == original);
    }

    // ---- the status bar ------------------------------------------------------------------------
    // With a stamp beside the tool, the pointer's field is narrower: what it shows fits it,
    // whole or with its words shortened (the numbers whole), or cut with "…", never
    // without a sign; the whole text is its tool-tip. The client area keeps its size.
    void statusBarFitsItsTexts_data()
    {
        QTest::addColumn<double>("scale"); // of the desktop's font
        QTest::newRow("the desktop's font") << 1.0;
        QTest::newRow("a larger font") << 1.15;
        QTest::newRow("a much larger font") << 1.5;
    }
    void statusBarFitsItsTexts()
    {
        QFETCH(double, scale);
        const QFont desktopFont = QApplication::font();
        QFont font = desktopFont;
        font.setPointSizeF(font.pointSizeF() * scale);
        QApplication::setFont(font);
        const auto restore = qScopeGuard([&] { QApplication::setFont(desktopFont); });
        ToolSession s(S3);
        s.dragOnMap({{0, 0}, {1, 1}, {2, 1}}, Qt::ShiftModifier);
        s.key(Qt::Key_C, Qt::ControlModifier);
        s.key(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(s.lblTool(), QStringLiteral("Place 3 \u00D7 2"));
        s.moveOnMap(2, 11); // the byte at 0x9929
        const FittedLabel *field = Controls(s.window).sbStatus->lblPointer;
        const QString full = MapCellStatus(s.model, 0, 2, 11), brief = MapCellStatus(s.model, 0, 2, 11, TextLength::Brief);
        QVERIFY(full.endsWith(QLatin1String("Offset 0x9929")));
        QCOMPARE(brief, QStringLiteral("R 11 \u00B7 C 2 \u00B7 %1 \u00B7 0x9929").arg(HexByte(s.byte(0x9929))));
        QCOMPARE(field->toolTip(), full);
        const auto fits = [field](const QString &text) {
            return field->fontMetrics().horizontalAdvance(text) <= field->contentsRect().width();
        };
        const QString shown = field->text();
        QVERIFY2(fits(shown), qPrintable(shown));
        QCOMPARE(shown, fits(full) ? full : fits(brief) ? brief : shown);
        QVERIFY2(shown == full || shown == brief || shown.endsWith(QChar(0x2026)), qPrintable(shown));
        QCOMPARE(s.window->centralWidget()->size(), QSize(645, 527));

        // A message longer than its room is shown ending in "…", the whole as the bar's
        // tool-tip.
        MainStatusBar *bar = Controls(s.window).sbStatus;
        const QString note = QStringLiteral("A message that says far more than the room the status bar has left of its "
                                            "fields on the right could ever show");
        bar->showMessage(note, 5000);
        const QString said = bar->shownMessage();
        QVERIFY2(said.endsWith(QChar(0x2026)) && note.startsWith(said.chopped(1)), qPrintable(said));
        QVERIFY(bar->fontMetrics().horizontalAdvance(said) < bar->lblStage->x());
        QCOMPARE(bar->toolTip(), note);
    }

    // ---- history --------------------------------------------------------------------------
    void undoShowsTheFrameAndStageItChanged()
    {
        ToolSession s;
        s.pick(0, 1, 0);
        Controls(s.window).hLevel_Frames->setValue(4);
        s.clickOnMap(2, 2);
        Controls(s.window).mnuEdit_Level_Click(S2A);
        Controls(s.window).hLevel_Frames->setValue(1);
        s.key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.model.currentStage(), &StageTable[S1A]);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 4);
        QCOMPARE(Controls(s.window).sbStatus->lblFrame->text(), QStringLiteral("Frame 4 / 7"));
        Controls(s.window).hLevel_Frames->setValue(0);
        s.key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(Controls(s.window).hLevel_Frames->value(), 4);
        QVERIFY(showsInMiddle(s.map(), s.model, 2, 2, 1));
    }

    void selectedMetaTileKeepsItsMark()
    {
        ToolSession s;
        s.pick(1, 1, 3); // metatile 0x17
        const QImage &table = s.table();
        // The lines around its cell, while its page is shown; the metatile itself as it is.
        QCOMPARE(table.pixel(CellPitch * 1 + 33, CellPitch * 3 + 10), SelectedMarkColor);
        QCOMPARE(table.pixel(CellPitch * 1 - 1, CellPitch * 3 + 10), SelectedMarkColor);
        QCOMPARE(table.pixel(CellPitch * 1 + 10, CellPitch * 3 - 1), SelectedMarkColor);
        QCOMPARE(table.pixel(CellPitch * 1 + 10, CellPitch * 3 + 33), SelectedMarkColor);
        s.moveOnTable(0, 7); // the pointer's white frame elsewhere
        QString diff = cellDiff(table, s.model, 1, 3, 0x17);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
        // The pointer passes over it and its neighbours: the mark stays.
        s.moveOnTable(0, 3);
        s.moveOnTable(1, 2);
        s.moveOnTable(0, 0);
        QCOMPARE(table.pixel(CellPitch * 1 - 1, CellPitch * 3 + 10), SelectedMarkColor);
        QCOMPARE(table.pixel(CellPitch * 1 + 10, CellPitch * 3 - 1), SelectedMarkColor);
        // Another page: no mark; back on its page: the mark again.
        Controls(s.window).hsTable->setValue(2);
        QVERIFY(table.pixel(CellPitch * 1 + 33, CellPitch * 3 + 10) != SelectedMarkColor);
        Controls(s.window).hsTable->setValue(1);
        QCOMPARE(table.pixel(CellPitch * 1 + 33, CellPitch * 3 + 10), SelectedMarkColor);
        // Another selection takes the mark along.
        s.pick(1, 0, 0);
        QVERIFY(table.pixel(CellPitch * 1 - 1, CellPitch * 3 + 10) != SelectedMarkColor);
        QCOMPARE(table.pixel(33, 10), SelectedMarkColor);
    }

    // ---- the window keeps its client area ---------------------------------------------------
    void toolBarAboveTheClientArea()
    {
        ToolSession s;
        auto *bar = Controls(s.window).named<QToolBar>("tbTools");
        QCOMPARE(s.window->toolBarArea(bar), Qt::TopToolBarArea);
        QCOMPARE(s.window->centralWidget()->size(), QSize(645, 527));
        QVERIFY(bar->geometry().bottom() < s.window->centralWidget()->geometry().top());
        for (QAction *action : bar->actions())
            QVERIFY(action->isSeparator() || !action->icon().isNull());
    }
};

QTEST_MAIN(TestTools)
#include "test_tools.moc"
