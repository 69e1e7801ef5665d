// Comparing the open image with another through the real windows: File > Compare With…,
// the marks on the map, the table and the overview, the Differences window, F7 and
// Shift+F7, following edits, Stop Comparing; and the patch commands that show what they
// change (Apply Patch's preview) and describe themselves (Create Patch).
#include "MainWindowSession.h"
#include "Bytes.h"

#include "core/DiffReport.h"
#include "core/Patch.h"
#include "core/PatchInfo.h"
#include "core/StageTable.h"
#include "edit/EditCommands.h"
#include "overview/frmStageOverview.h"
#include "ui/CompareCommands.h"
#include "ui/DifferencesWindow.h"
#include "ui/OverviewCommands.h"
#include "ui/PatchCommands.h"
#include "ui/PatchPreviewDialog.h"
#include "render/MapHint.h"
#include "views/CellMarks.h"
#include "views/StatusText.h"
#include "views/StageOverviewView.h"

#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

const Stage &Three = StageTable[S3];

struct Planted
{
    qint64 cell = LevelCellOffset(Three, 2, 4, 3);
    qint64 room = FrameRoomOffset(Three, 1);
    qint64 metaTile = QuadrantTileOffset(Three, 0x10, 3);
    qint64 tile = TileOffset(Three, 0x1C) + 3;
    qint64 palette = PaletteEntryOffset(Three, 5);
};

// The sample with one cell, room, metatile, tile and palette entry of stage 3 changed.
Bytes PlantedCopy(const Bytes &image)
{
    const Planted p;
    Bytes copy = image;
    copy[std::size_t(p.cell)] ^= 0x01;
    copy[std::size_t(p.room)] ^= 0x01;
    copy[std::size_t(p.metaTile)] ^= 0x01;
    copy[std::size_t(p.tile)] ^= 0x11;
    copy[std::size_t(p.palette)] = std::uint8_t((copy[std::size_t(p.palette)] + 1) & 0x3F);
    return copy;
}

bool WriteBytes(const QString &path, const Bytes &bytes)
{
    return WriteFile(path, QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
}

struct CompareSession : Session
{
    QString referencePath = dir.filePath(QStringLiteral("planted.nes"));

    CompareSession()
    {
        WriteBytes(referencePath, PlantedCopy(model.image()));
        Controls(window).mnuEdit_Level_Click(S3);
    }
    CompareCommands &compare() { return Part<CompareCommands>(window.get()); }
    bool compareWith(const QString &path)
    {
        desktop.openAnswers << path;
        return compare().mnuCompareWith_Click();
    }
    DifferencesWindow *list() { return compare().differencesWindow(); }
    // The entries under the stage entry whose text starts with caption.
    QStringList entries(const QString &caption)
    {
        QCoreApplication::processEvents(); // the list is made once the edits at hand are done
        QStringList out;
        QTreeWidget *tree = list()->list();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(caption + u' '))
                for (int k = 0; k < tree->topLevelItem(i)->childCount(); ++k)
                    out << tree->topLevelItem(i)->child(k)->text(0);
        return out;
    }
    QTreeWidgetItem *entry(const QString &caption, const QString &start)
    {
        QTreeWidget *tree = list()->list();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            if (tree->topLevelItem(i)->text(0).startsWith(caption + u' '))
                for (int k = 0; k < tree->topLevelItem(i)->childCount(); ++k)
                    if (tree->topLevelItem(i)->child(k)->text(0).startsWith(start))
                        return tree->topLevelItem(i)->child(k);
        return nullptr;
    }
    std::bitset<FrameBytes> markedCells() { return editor().mapView().differingCells(); }
    int frame() { return Controls(window).hLevel_Frames->value(); }
    int shownStage() { return model.currentStage() ? int(model.currentStage() - StageTable.data()) : -1; }
};

std::bitset<FrameBytes> CellsAt(std::initializer_list<std::pair<int, int>> cells)
{
    std::bitset<FrameBytes> out;
    for (const auto &[col, row] : cells)
        out.set(std::size_t(row * FrameColumns + col));
    return out;
}

bool HasDiffMark(const QImage &surface, int col, int row)
{
    return surface.pixel(CellPitch * col + 2, CellPitch * row + 12) == DiffMarkColor
        && surface.pixel(CellPitch * col + 12, CellPitch * row + 3) == DiffMarkColor;
}

} // namespace

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
    void patchPreview_data();
    void patchPreview();
    void patchPreviewOfLongMetadata();
    void describedPatch();
    void authorKept();
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

    Part<OverviewCommands>(s.window.get()).mnuStageOverview_Click();
    frmStageOverview *overview = Part<OverviewCommands>(s.window.get()).overview();
    QCOMPARE(overview->view().diffFrames(), (std::vector<int>{1, 2}));
    const QPoint edge = OverviewFrameOrigin(2) - QPoint(4, 4);
    QCOMPARE(overview->view().image().pixelIndex(edge), int(OverviewDifference));
    QVERIFY(overview->view().image().pixelIndex(OverviewFrameOrigin(0) - QPoint(4, 4)) != OverviewDifference);

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
    QVERIFY2(said.contains(QStringLiteral("no more differences: back to the first")), qPrintable(said));
    QCOMPARE(s.shownStage(), first.stage);
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

    const int other = s.model.byteAt(LevelCellOffset(Three, 2, 6, 5)) ^ 0x02;
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
    Part<OverviewCommands>(s.window.get()).mnuStageOverview_Click();
    QVERIFY(stop->isEnabled());
    stop->trigger();
    QVERIFY(!s.compare().comparing());
    QVERIFY(!stop->isEnabled() && !Controls(s.window).named<QAction>("mnuNextDifference")->isEnabled());
    QVERIFY(s.markedCells().none() && !HasDiffMark(s.map(), 4, 3));
    QVERIFY(s.editor().tableView().differences().none());
    QVERIFY(Part<OverviewCommands>(s.window.get()).overview()->view().diffFrames().empty());
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
        const int differing = s.model.byteAt(LevelCellOffset(Three, 0, col, 7)) ^ 1;
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

void TestCompare::patchPreview_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("apply");
    QTest::addColumn<bool>("same"); // the patch changes nothing
    QTest::newRow("IPS, cancelled") << "hack.ips" << false << false;
    QTest::newRow("BPS, applied") << "hack.bps" << true << false;
    QTest::newRow("BPS that changes nothing") << "none.bps" << false << true;
}

// Apply Patch shows what the patch would change, as --diff says it, and for a BPS patch
// its description; Cancel leaves everything as it was, Apply makes one step.
void TestCompare::patchPreview()
{
    QFETCH(QString, name);
    QFETCH(bool, apply);
    QFETCH(bool, same);
    CompareSession s;
    const Bytes clean = s.model.image();
    const Bytes target = same ? clean : PlantedCopy(clean);
    const QString path = s.dir.filePath(name);
    const QString error = WriteDescribedPatchFile(path, clean, target, {QStringLiteral("Room 1 reopened"),
                                                                       QStringLiteral("A. Hacker")});
    const bool bps = name.endsWith(QLatin1String(".bps"));
    if (bps)
        QVERIFY2(error.isEmpty(), qPrintable(error));
    else
        QVERIFY(WriteBytes(path, MakeIpsPatch(clean, target)));
    s.desktop.openAnswers << path;
    QVERIFY(Part<PatchCommands>(s.window.get()).mnuApplyPatch_Click());
    PatchPreviewDialog *preview = Controls(s.window).patchPreview();
    QVERIFY(preview);
    QVERIFY(s.model.image() == clean); // nothing before the answer
    const QString text = preview->text();
    if (same) {
        QVERIFY2(text.contains(QStringLiteral("The patch changes nothing.")), qPrintable(text));
        QVERIFY(preview->cmdApply->isHidden());
    } else {
        for (const QString &line : DiffSummary(ImageDiff(clean, target), QStringLiteral("the open image"),
                                               QStringLiteral("the patched image")))
            QVERIFY2(text.contains(line), qPrintable(line));
    }
    QCOMPARE(text.contains(QStringLiteral("Description: Room 1 reopened")), bps);
    QCOMPARE(text.contains(QStringLiteral("Author: A. Hacker")), bps);
    QVERIFY(preview->cmdCancel->isDefault());
    QVERIFY(s.desktop.messages.isEmpty());

    (apply ? preview->cmdApply : preview->cmdCancel)->click();
    QVERIFY(s.model.image() == (apply ? target : clean));
    QCOMPARE(Controls(s.window).history().stack().count(), apply ? 1 : 0);
}

// What a patch says of itself is shown as plain text, and only its start when it is long:
// the file decides its length, not the dialog.
void TestCompare::patchPreviewOfLongMetadata()
{
    CompareSession s;
    const Bytes clean = s.model.image();
    const QByteArray said = "<b>Made elsewhere</b> " + QByteArray(200000, 'x');
    const Bytes patch = MakeBpsPatch(clean, PlantedCopy(clean), Bytes(said.begin(), said.end()));
    const QString path = s.dir.filePath(QStringLiteral("long.bps"));
    QVERIFY(WriteBytes(path, patch));
    s.desktop.openAnswers << path;
    QVERIFY(Part<PatchCommands>(s.window.get()).mnuApplyPatch_Click());
    PatchPreviewDialog *preview = Controls(s.window).patchPreview();
    QVERIFY(preview);
    QLabel *label = preview->findChild<QLabel *>(QStringLiteral("lblPatchDescription"));
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QVERIFY(label->text().startsWith(QStringLiteral("Description: <b>Made elsewhere</b> xxx")));
    QVERIFY2(label->text().size() < 400 && label->text().endsWith(QStringLiteral("…")), qPrintable(label->text().left(80)));
    preview->cmdCancel->click();
    QVERIFY(s.model.image() == clean);
}

// Create Patch asks a BPS patch's description and author, which the patch keeps; the
// author is offered again next time. An IPS patch asks neither.
void TestCompare::describedPatch()
{
    CompareSession s;
    const int placed = s.model.byteAt(LevelCellOffset(Three, 0, 1, 1)) ^ 1;
    Controls(s.window).history().push(new PlaceMetaTileCommand(s.model, 0, 1, 1, placed));
    const QString path = s.dir.filePath(QStringLiteral("mine.bps"));
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << path;
    s.desktop.textAnswers << QStringLiteral("Stage 3 opened up") << QStringLiteral("A. Hacker");
    QVERIFY2(Controls(s.window).mnuCreatePatch_Click(), qPrintable(s.desktop.messageTexts()));
    const PatchInfo info = ReadPatchInfo(BytesOf(ReadFile(path)));
    QVERIFY(info.ok());
    QCOMPARE(info.metadata.description(), QStringLiteral("Stage 3 opened up"));
    QCOMPARE(info.metadata.author(), QStringLiteral("A. Hacker"));
    QVERIFY(info.metadata.field(u"Stages").split(QStringLiteral(", ")).contains(QStringLiteral("3")));

    // IPS: no questions.
    s.desktop.textQuestions.clear();
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << s.dir.filePath(QStringLiteral("mine.ips"));
    QVERIFY(Controls(s.window).mnuCreatePatch_Click());
    QVERIFY(s.desktop.textQuestions.isEmpty());

    // A cancelled question writes nothing.
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << s.dir.filePath(QStringLiteral("again.bps"));
    s.desktop.textAnswers << QString() << std::nullopt;
    QVERIFY(!Controls(s.window).mnuCreatePatch_Click());
    QVERIFY(!QFile::exists(s.dir.filePath(QStringLiteral("again.bps"))));
}

// The author given last is offered for the next patch, in the next run too.
void TestCompare::authorKept()
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
    const QString rom = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), rom));
    QFile::setPermissions(rom, QFile::ReadOwner | QFile::WriteOwner);
    for (const QString &author : {QStringLiteral("A. Hacker"), QStringLiteral("B. Hacker")}) {
        modKrelin model;
        ScriptedDesktop desktop;
        auto window = std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
        QVERIFY(window->OpenRom(rom));
        Controls(window).mnuEdit_Level_Click(S1A);
        const int placed = model.byteAt(LevelCellOffset(model, 0, 1, 1)) ^ 1;
        Controls(window).history().push(new PlaceMetaTileCommand(model, 0, 1, 1, placed));
        desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
        desktop.saveAnswers << dir.filePath(author + QStringLiteral(".bps"));
        desktop.textAnswers << QString() << author;
        QVERIFY2(Controls(window).mnuCreatePatch_Click(), qPrintable(desktop.messageTexts()));
        QCOMPARE(desktop.textQuestions.size(), 2);
        const QString offered = desktop.textQuestions[1].text.section(u'\n', 1);
        QCOMPARE(offered, author == QLatin1String("A. Hacker") ? QString() : QStringLiteral("A. Hacker"));
    }
}

QTEST_MAIN(TestCompare)
#include "test_compare.moc"
