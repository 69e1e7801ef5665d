// Comparing the open image with another through the real windows: File > Compare With…,
// the marks on the map, the table and the overview, the Differences window, F7 and
// Shift+F7, following edits, Stop Comparing.
#include "CompareSession.h"

#include "core/Patch.h"
#include "edit/EditCommands.h"
#include "StageMapSession.h"
#include "render/MapHint.h"
#include "views/StatusText.h"

#include <QDir>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

class TestCompare : public QObject
{
    Q_OBJECT

private slots:
    void marksAndList();
    void clickGoesThere_data();
    void clickGoesThere();
    void walkInOrder();
    void followsEdits();
    void stopAndOpenEnd();
    void stageTakenOff();
    void refusedFiles_data();
    void refusedFiles();
    void shorterImage();
};

// The map marks exactly the differing cells of the frame shown, in their own colour; the
// table its differing metatile; the overview the differing frames; the window lists each.
void TestCompare::marksAndList()
{
    CompareSession s;
    QVERIFY(s.compareWith(s.referencePath));
    QVERIFY(s.list() && s.list()->isVisible());
    QCOMPARE(s.list()->windowTitle(), QStringLiteral("Differences from planted.nes"));
    QVERIFY(s.markedCells().none()); // frame 0 differs in nothing
    Controls(s.window).hLevel_Frames->setValue(2);
    QCOMPARE(s.markedCells(), CellsAt({{4, 3}}));
    QVERIFY(HasDiffMark(s.map(), 4, 3));
    QVERIFY(!HasDiffMark(s.map(), 5, 3) && !HasDiffMark(s.map(), 4, 4));
    std::bitset<MetaTileCount> metaTiles;
    metaTiles.set(0x10);
    QCOMPARE(s.editor().tableView().differences(), metaTiles);
    Controls(s.window).hsTable->setValue(1); // metatiles 10..1F: 10 in the first cell
    QVERIFY(HasDiffMark(s.table(), 0, 0));
    QVERIFY(!HasDiffMark(s.table(), 1, 0));

    // The stage map rings the differing cells in every frame and underlines the frames.
    const StageMap stageMap(s.window.get());
    QCOMPARE(stageMap.canvas().diffFrames(), (std::vector<int>{1, 2}));
    const QImage shown = stageMap.picture();
    const QRect cell = stageMap.canvas().layout().cellRect({2, 3, 4}).translated(-stageMap.canvas().horizontalScrollBar()->value(), 0);
    QCOMPARE(shown.pixel(cell.left() + 2, cell.center().y()), DiffMarkColor);
    const QRect other = cell.translated(cell.width(), 0);
    QVERIFY(shown.pixel(other.left() + 2, other.center().y()) != DiffMarkColor);

    const QStringList three = s.entries(QStringLiteral("Stage 3"));
    const Bytes &b = s.model.image();
    const Planted p;
    const auto hex = [](int v) { return QStringLiteral("%1").arg(v, 2, 16, QChar(u'0')).toUpper(); };
    const QString palette = QStringLiteral("Palette entry 5: $%1 → $%2")
                                .arg(hex(PlantedCopy(b)[std::size_t(p.palette)]), hex(b[std::size_t(p.palette)]));
    QCOMPARE(three.size(), 5);
    QVERIFY2(three[0].startsWith(QStringLiteral("Frame 1: room ")), qPrintable(three.join(u'|')));
    QCOMPARE(three[1], QStringLiteral("Frame 2: 1 cell"));
    QCOMPARE(three[2], QStringLiteral("Metatile 10"));
    QCOMPARE(three[3], QStringLiteral("Tile 1C"));
    QCOMPARE(three[4], palette);
}

void TestCompare::clickGoesThere_data()
{
    QTest::addColumn<int>("startStage");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("frame"); // -1: as it was
    QTest::addColumn<int>("page");  // -1: as it was
    QTest::newRow("a cell's frame") << int(S3) << "Frame 2" << 2 << -1;
    QTest::newRow("a room's frame, from another stage") << int(S1A) << "Frame 1" << 1 << -1;
    QTest::newRow("a metatile's page") << int(S3) << "Metatile 10" << -1 << 1;
    QTest::newRow("a tile: the stage") << int(S5) << "Tile 1C" << 0 << 0;
}

void TestCompare::clickGoesThere()
{
    QFETCH(int, startStage);
    QFETCH(QString, entry);
    QFETCH(int, frame);
    QFETCH(int, page);
    CompareSession s;
    QVERIFY(s.compareWith(s.referencePath));
    Controls(s.window).mnuEdit_Level_Click(startStage);
    QTreeWidgetItem *item = s.entry(QStringLiteral("Stage 3"), entry);
    QVERIFY(item);
    QTreeWidget *tree = s.list()->list();
    tree->scrollToItem(item);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    QCOMPARE(s.shownStage(), int(S3));
    QCOMPARE(s.frame(), frame < 0 ? 0 : frame);
    QCOMPARE(Controls(s.window).hsTable->value(), page < 0 ? 0 : page);
    if (entry == QLatin1String("Frame 2"))
        QCOMPARE(s.markedCells(), CellsAt({{4, 3}}));
}

// F7 walks the differences in order from the frame shown, Shift+F7 back; past the last
// one it comes round to the first and says so.
void TestCompare::walkInOrder()
{
    CompareSession s;
    QVERIFY(s.compareWith(s.referencePath));
    s.window->activateWindow();
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(s.window.get());
    const auto f7 = [&](Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(s.window.get(), Qt::Key_F7, modifiers);
        return Controls(s.window).sbStatus->currentMessage();
    };
    QVERIFY(f7().startsWith(QStringLiteral("Stage 3, frame 1: room ")));
    QCOMPARE(s.frame(), 1);
    QVERIFY(f7().startsWith(QStringLiteral("Stage 3, frame 2: row 3, column 4: ")));
    QCOMPARE(s.frame(), 2);
    QCOMPARE(f7(), QStringLiteral("Stage 3: metatile 10"));
    QCOMPARE(Controls(s.window).hsTable->value(), 1);
    QCOMPARE(f7(), QStringLiteral("Stage 3: tile 1C"));
    QVERIFY(f7().startsWith(QStringLiteral("Stage 3: palette entry 5: ")));
    QCOMPARE(f7(Qt::ShiftModifier), QStringLiteral("Stage 3: tile 1C"));
    QCOMPARE(f7(Qt::ShiftModifier), QStringLiteral("Stage 3: metatile 10"));

    // Walking on to the end comes round to the first difference, and says so.
    const DiffPlace first = *s.compare().differences().first();
    QString said;
    for (int i = 0; i < 20 && !said.contains(QStringLiteral("back to the first")); ++i)
        said = f7();
    // Said alone, where the whole of it is read, then where F7 went.
    QCOMPARE(said, QStringLiteral("No more differences: back to the first."));
    QCOMPARE(s.shownStage(), first.stage);
    QTRY_VERIFY(Controls(s.window).sbStatus->currentMessage().startsWith(QStringLiteral("Stage ")));
}

// An edit that makes a cell equal takes its mark away, one that makes a cell differ adds
// one; undo gives them back; the list follows.
void TestCompare::followsEdits()
{
    CompareSession s;
    QVERIFY(s.compareWith(s.referencePath));
    Controls(s.window).hLevel_Frames->setValue(2);
    const Bytes reference = PlantedCopy(s.model.image());
    const Planted p;
    QUndoStack &stack = Controls(s.window).history().stack();

    Controls(s.window).history().push(new PlaceMetaTileCommand(s.model, 2, 4, 3, reference[std::size_t(p.cell)]));
    QVERIFY(s.markedCells().none());
    QVERIFY(!HasDiffMark(s.map(), 4, 3));
    QCOMPARE(s.entries(QStringLiteral("Stage 3")).size(), 4);

    const int other = s.model.byteAt(LevelCellOffset(StageThree, 2, 6, 5)) ^ 0x02;
    Controls(s.window).history().push(new PlaceMetaTileCommand(s.model, 2, 6, 5, other));
    QCOMPARE(s.markedCells(), CellsAt({{6, 5}}));
    QVERIFY(HasDiffMark(s.map(), 6, 5));
    QVERIFY(s.entries(QStringLiteral("Stage 3")).contains(QStringLiteral("Frame 2: 1 cell")));

    stack.undo();
    stack.undo();
    QCOMPARE(s.markedCells(), CellsAt({{4, 3}}));
    QVERIFY(HasDiffMark(s.map(), 4, 3) && !HasDiffMark(s.map(), 6, 5));
    QCOMPARE(s.compare().differences(), ImageDiff(reference, s.model.image()));
}

// Stop Comparing takes every mark away and closes the window; so does opening an image.
void TestCompare::stopAndOpenEnd()
{
    CompareSession s;
    QAction *stop = Controls(s.window).named<QAction>("mnuStopComparing");
    QVERIFY(!stop->isEnabled());
    QVERIFY(s.compareWith(s.referencePath));
    Controls(s.window).hLevel_Frames->setValue(2);
    const StageMap stageMap(s.window.get());
    QVERIFY(stop->isEnabled());
    stop->trigger();
    QVERIFY(!s.compare().comparing());
    QVERIFY(!stop->isEnabled() && !Controls(s.window).named<QAction>("mnuNextDifference")->isEnabled());
    QVERIFY(s.markedCells().none() && !HasDiffMark(s.map(), 4, 3));
    QVERIFY(s.editor().tableView().differences().none());
    QVERIFY(stageMap.canvas().diffFrames().empty());
    QTRY_VERIFY(!s.list());

    QVERIFY(s.compareWith(s.referencePath));
    QVERIFY(s.window->OpenRom(s.romPath));
    QVERIFY(!s.compare().comparing());
    QTRY_VERIFY(!s.list());
}

// A patch that cuts the image short of the stage takes the stage off the map; the marks
// go with it and paint nothing over what the empty map says.
void TestCompare::stageTakenOff()
{
    CompareSession s;
    QVERIFY(s.compareWith(s.referencePath));
    // Cells of the frame shown that differ, under where the empty map writes its words.
    for (int col = 5; col <= 10; ++col) {
        const int differing = s.model.byteAt(LevelCellOffset(StageThree, 0, col, 7)) ^ 1;
        Controls(s.window).history().push(new PlaceMetaTileCommand(s.model, 0, col, 7, differing));
    }
    QVERIFY(HasDiffMark(s.map(), 7, 7));
    const Bytes clean = s.model.image();
    const QString path = s.dir.filePath(QStringLiteral("cut.ips"));
    QVERIFY(WriteBytes(path, MakeIpsPatch(clean, Bytes(clean.begin(), clean.begin() + 0x9000))));
    s.desktop.openAnswers << path;
    QVERIFY(Controls(s.window).mnuApplyPatch_Click());
    QVERIFY(!s.editor().stageLoaded());
    QVERIFY(s.compare().comparing());
    QVERIFY(s.markedCells().none());
    QImage hint = s.map().copy();
    DrawMapHint(hint, EmptyMapHint(true));
    QVERIFY(s.map() == hint);
}

void TestCompare::refusedFiles_data()
{
    QTest::addColumn<QByteArray>("bytes"); // empty: no file
    QTest::addColumn<QString>("complaint");
    QTest::newRow("missing") << QByteArray() << "does not exist";
    QTest::newRow("not a cartridge") << QByteArray("hello, world") << "";
}

// A file that cannot be compared with is refused with a message naming it; nothing
// changes, and a comparison under way goes on.
void TestCompare::refusedFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, complaint);
    CompareSession s;
    const Bytes before = s.model.image();
    const QString path = s.dir.filePath(QStringLiteral("odd.nes"));
    if (!bytes.isEmpty())
        QVERIFY(WriteFile(path, bytes));
    QVERIFY(!s.compareWith(path));
    QVERIFY(!s.compare().comparing());
    QCOMPARE(s.desktop.messages.size(), 1);
    QVERIFY2(s.desktop.messages[0].text.contains(QDir::toNativeSeparators(path))
                 && s.desktop.messages[0].text.contains(complaint),
             qPrintable(s.desktop.messages[0].text));
    QVERIFY(s.model.image() == before);

    // The open file itself is no trouble: the same image.
    QVERIFY(s.compareWith(s.romPath));
    QVERIFY(s.compare().differences().identical());
    QVERIFY(!s.compareWith(path));
    QVERIFY(s.compare().comparing());
}

// An image of another size is compared as far as both go: the stages past the end of
// the shorter one are said not to be compared, and the sizes are listed.
void TestCompare::shorterImage()
{
    CompareSession s;
    const Bytes &image = s.model.image();
    const QString path = s.dir.filePath(QStringLiteral("short.nes"));
    QVERIFY(WriteBytes(path, Bytes(image.begin(), image.begin() + 0x9000)));
    QVERIFY(s.compareWith(path));
    QVERIFY(s.desktop.messages.isEmpty());
    QStringList top;
    for (int i = 0; i < s.list()->list()->topLevelItemCount(); ++i)
        top << s.list()->list()->topLevelItem(i)->text(0);
    QVERIFY2(top.filter(QStringLiteral("Not compared")).size() == 1, qPrintable(top.join(u'|')));
    QVERIFY2(top.filter(QStringLiteral("Sizes: short.nes has 36864 bytes")).size() == 1, qPrintable(top.join(u'|')));
    QVERIFY(!s.compare().differences().stage(S3).compared);
    QVERIFY(s.markedCells().none());
    Controls(s.window).named<QAction>("mnuNextDifference")->trigger(); // no stage to go to
    QCOMPARE(s.shownStage(), int(S3));
    QVERIFY(Controls(s.window).sbStatus->currentMessage().startsWith(QStringLiteral("No differences in the stages")));
}

QTEST_MAIN(TestCompare)
#include "test_compare.moc"
