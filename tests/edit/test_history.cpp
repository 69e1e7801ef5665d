// The edit history: every kind of edit done, undone and redone byte for byte, the views
// after an undo, the modified state through saving and undoing, and what empties it.
#include "MainWindowSession.h"
#include "Bytes.h"

#include "core/RomFile.h"
#include "core/StageTable.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"
#include "edit/PatchEdits.h"
#include "edit/RecordedStep.h"
#include "widgets/ColorSwatch.h"
#include "paleditor/frmPalEditor.h"
#include "render/Palette.h"
#include "render/TileEditorView.h"
#include "core/TileCodec.h"
#include "tileeditor/frmTileEditor.h"

#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUndoView>

using namespace krelin;
using namespace krelin::testing;

namespace {

void pressCtrl(QWidget *window, Qt::Key key, Qt::KeyboardModifiers extra = {})
{
    QTest::keyClick(window, key, Qt::ControlModifier | extra);
}

} // namespace

class TestHistory : public QObject
{
    Q_OBJECT

private slots:
    void everyKindOfEdit_data();
    void everyKindOfEdit();
    void placementsUndoneFromTheKeyboard();
    void undoElsewhereRefreshesTheViews();
    void modifiedFollowsTheSavedStep();
    void whatEmptiesTheHistory();
    void historyWindowJumpsToAStep();
    void toolWindowEditsUndoneInTheirWindows();
    void patchStepsKeepWhatTheyChanged();
    void oldestStepsGoPastTheBudget();
    void savedStepKeptThroughTheTrim_data();
    void savedStepKeptThroughTheTrim();
};

void TestHistory::everyKindOfEdit_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QList<qint64>>("changed"); // stage 2A of the sample
    const Stage &s = StageTable[S2A];
    // {hex}, {dec}: the byte the step writes, as two hexadecimal digits and in decimal.
    QTest::newRow("place") << 0 << "Place Metatile {hex} in 2A, frame 3, row 14, column 15"
                           << QList<qint64>{s.LevelOffset + 240 * 3 + 16 * 14 + 15};
    QTest::newRow("room") << 1 << "Set Room {hex} for 2A, frame 6" << QList<qint64>{s.FrameTableOffset + 6};
    // Pixel (2, 5) of tile 0x41: bit 0x20 of the tile's bytes 5 and 13.
    QTest::newRow("pixel") << 2 << "Paint 1 Pixel of tile 41"
                           << QList<qint64>{s.ChrOffset + 16 * 0x41 + 5, s.ChrOffset + 16 * 0x41 + 13};
    QTest::newRow("tile number") << 3 << "Set Tile Number {hex} for Metatile FF, quadrant 2"
                                 << QList<qint64>{s.MetaTileOffset + 4 * 255 + 2};
    QTest::newRow("sub-palette") << 4 << "Set Sub-palette {dec} for Metatile 11" << QList<qint64>{s.MetaPalOffset + 17};
    QTest::newRow("palette colour") << 5 << "Set Palette Entry 13 of 2A to ${hex}" << QList<qint64>{s.PalOffset + 13};
}

void TestHistory::everyKindOfEdit()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(QList<qint64>, changed);
    modKrelin model;
    RomReadResult read = ReadRomFile(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(read.ok());
    model.replaceImage(std::move(read.bytes));
    model.ApplyStage(StageTable[S2A]);
    EditHistory history(model);
    const Bytes original = model.image();
    // A value that differs from the one in place, and one that is the one in place.
    const auto other = [&](qint64 offset, int highest) { return (model.byteAt(offset) + 1) % (highest + 1); };
    auto make = [&](bool change) -> ByteEditCommand * {
        const qint64 at = changed.first();
        switch (kind) {
        case 0: return new PlaceMetaTileCommand(model, 3, 15, 14, change ? other(at, 255) : model.byteAt(at));
        case 1: return new SetRoomCommand(model, 6, change ? other(at, 255) : model.byteAt(at));
        case 2: {
            const int color = GetTilePixel(model.bytesAt(at - 5, 16), 2, 5);
            return new PaintPixelCommand(model, at - 5, 2, 5, change ? 3 - color : color);
        }
        case 3: return new SetQuadrantTileCommand(model, 255, 2, change ? other(at, 255) : model.byteAt(at));
        case 4: return new SetSubPaletteCommand(model, 17, change ? other(at, 3) : model.byteAt(at));
        default: return new SetPaletteColorCommand(model, 13, change ? other(at, 63) : model.byteAt(at));
        }
    };
    // Writing what is in place makes no step.
    QVERIFY(!history.push(make(false)));
    QCOMPARE(history.stack().count(), 0);
    QVERIFY(!history.isModified());

    QVERIFY(history.push(make(true)));
    const int value = model.byteAt(changed.first());
    name.replace(QLatin1String("{hex}"), HexByte(value)).replace(QLatin1String("{dec}"), QString::number(value));
    QCOMPARE(history.stack().undoText(), name);
    const Bytes edited = model.image();
    QCOMPARE(ChangedOffsets(original, edited), changed);
    QVERIFY(history.isModified());
    // Undoing and redoing announce the bytes they write, as any change does.
    QSignalSpy written(&model, &modKrelin::imageChanged);
    history.stack().undo();
    QVERIFY(model.image() == original);
    QVERIFY(!history.isModified());
    history.stack().redo();
    QVERIFY(model.image() == edited);
    QCOMPARE(written.size(), 2);
    QCOMPARE(written.at(0).at(0).toLongLong(), written.at(1).at(0).toLongLong());
}

void TestHistory::placementsUndoneFromTheKeyboard()
{
    Session s;
    s.window->activateWindow();
    Controls(s.window).mnuEdit_Level_Click(S1A);
    const Bytes original = s.model.image();
    s.pick(12, 1, 4); // metatile 201
    const QPoint cells[] = {{2, 3}, {3, 3}, {9, 10}};
    for (const QPoint &c : cells)
        s.clickOnMap(c.x(), c.y());
    QCOMPARE(Controls(s.window).history().stack().count(), 3);
    QCOMPARE(Controls(s.window).mnuUndo->text(), QStringLiteral("&Undo Place Metatile C9 in 1A, frame 0, row 10, column 9"));
    const Bytes placed = s.model.image();
    s.clickOnMap(9, 10); // the byte is in place already: no step
    QCOMPARE(Controls(s.window).history().stack().count(), 3);

    for (int i = 2; i >= 0; --i) {
        pressCtrl(s.window.get(), Qt::Key_Z);
        const QPoint c = cells[i];
        const int old = original[std::size_t(0x583A + 16 * c.y() + c.x())];
        QCOMPARE(s.byte(0x583A + 16 * c.y() + c.x()), old);
        QCOMPARE(s.editor().FrameMetaTiles()[16 * c.y() + c.x()], old);
        const QString diff = cellDiff(s.map(), s.model, c.x(), c.y(), old);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
    QVERIFY(s.model.image() == original);
    QVERIFY(!Controls(s.window).mnuUndo->isEnabled());
    QCOMPARE(Controls(s.window).mnuRedo->text(), QStringLiteral("&Redo Place Metatile C9 in 1A, frame 0, row 3, column 2"));
    pressCtrl(s.window.get(), Qt::Key_Y);
    pressCtrl(s.window.get(), Qt::Key_Z, Qt::ShiftModifier);
    QCOMPARE(ChangedOffsets(original, s.model.image()), (QList<qint64>{0x583A + 16 * 3 + 2, 0x583A + 16 * 3 + 3}));
    const QString diff = cellDiff(s.map(), s.model, 3, 3, 201);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    Q_UNUSED(placed);
}

void TestHistory::undoElsewhereRefreshesTheViews()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    // A placement on frame 2, then frame 0 on screen: undoing it shows frame 2 again, as
    // the image now is, so the user sees what came back.
    const qint64 placedAt = 0x583A + 240 * 2 + 16 * 4 + 4;
    const int before = s.byte(placedAt);
    s.pick(0, before == 1 ? 0 : 1, 0); // metatile 0 or 1, whichever is not there
    Controls(s.window).hLevel_Frames->setValue(2);
    s.clickOnMap(4, 4);
    QVERIFY(s.byte(placedAt) != before);
    Controls(s.window).hLevel_Frames->setValue(0);
    // A metatile's tile number changed under the table: undo redraws the table, and
    // leaves the frame shown as it is (the step changed no frame).
    const int old = s.byte(s.model.MetaTileOffset + 4 * 3);
    QVERIFY(Controls(s.window).history().push(new SetQuadrantTileCommand(s.model, 3, 0, (old + 1) % 256)));
    Controls(s.window).mnuRefresh_Click();
    Controls(s.window).history().stack().undo();
    QCOMPARE(s.byte(s.model.MetaTileOffset + 4 * 3), old);
    QCOMPARE(Controls(s.window).hLevel_Frames->value(), 0);
    QString diff = cellDiff(s.table(), s.model, 1, 1, 3);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
    Controls(s.window).history().stack().undo();
    QCOMPARE(s.byte(placedAt), before);
    QCOMPARE(Controls(s.window).hLevel_Frames->value(), 2);
    for (int i = 0; i < 240; ++i)
        QCOMPARE(s.editor().FrameMetaTiles()[std::size_t(i)], s.byte(0x583A + 240 * 2 + i));
    // After a stage change, undoing writes the first stage's bytes back all the same, and
    // shows that stage's frame.
    Controls(s.window).history().stack().redo();
    Controls(s.window).mnuEdit_Level_Click(S5);
    Controls(s.window).history().stack().undo();
    QCOMPARE(s.byte(placedAt), before);
    QCOMPARE(s.model.currentStage(), &StageTable[S1A]);
    QVERIFY(Controls(s.window).mnuEdit_Level_Stage[S1A]->isChecked());
    QCOMPARE(Controls(s.window).hLevel_Frames->value(), 2);
    diff = cellDiff(s.map(), s.model, 4, 4, before);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestHistory::modifiedFollowsTheSavedStep()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S3);
    s.pick(2, 0, 1); // metatile 34
    QVERIFY(!s.window->isWindowModified());
    s.clickOnMap(1, 1);
    QVERIFY(Controls(s.window).history().isModified() && s.window->isWindowModified());
    QVERIFY(Controls(s.window).mnuSaveRom_Click());
    QVERIFY(!Controls(s.window).history().isModified() && !s.window->isWindowModified());
    Controls(s.window).history().stack().undo(); // back past the save
    QVERIFY(Controls(s.window).history().isModified() && s.window->isWindowModified());
    Controls(s.window).history().stack().redo();
    QVERIFY(!Controls(s.window).history().isModified() && !s.window->isWindowModified());
    // Saving is not an edit: its fix-up makes no step.
    QCOMPARE(Controls(s.window).history().stack().count(), 1);
}

void TestHistory::whatEmptiesTheHistory()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    s.pick(1, 0, 0);
    s.clickOnMap(5, 5);
    Controls(s.window).mnuEdit_Level_Click(S4A); // choosing a stage keeps the history
    QCOMPARE(Controls(s.window).history().stack().count(), 1);
    s.desktop.saveChangesAnswers.enqueue(Desktop::SaveAnswer::Discard);
    QVERIFY(s.window->OpenRom(s.romPath)); // opening another image empties it
    QCOMPARE(Controls(s.window).history().stack().count(), 0);
    QVERIFY(!Controls(s.window).mnuUndo->isEnabled());
    QVERIFY(!Controls(s.window).history().isModified());
    // No step at all (what a paste that lands nowhere gives) is refused, not kept.
    QVERIFY(!Controls(s.window).history().push(nullptr));
    QCOMPARE(Controls(s.window).history().stack().count(), 0);
    QVERIFY(!Controls(s.window).history().isModified());
}

void TestHistory::historyWindowJumpsToAStep()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    const Bytes original = s.model.image();
    s.pick(1, 0, 0); // metatile 16
    for (int col = 0; col < 4; ++col)
        s.clickOnMap(col, 0);
    Controls(s.window).mnuHistory_Click();
    auto *view = qobject_cast<QUndoView *>(Controls(s.window).historyWindow);
    QVERIFY(view);
    QCOMPARE(view->model()->rowCount(), 5); // the image as opened, and four steps
    view->setCurrentIndex(view->model()->index(1, 0)); // after the first placement
    QCOMPARE(Controls(s.window).history().stack().index(), 1);
    QCOMPARE(ChangedOffsets(original, s.model.image()), (QList<qint64>{0x583A}));
    for (int col = 0; col < 4; ++col) {
        const QString diff = cellDiff(s.map(), s.model, col, 0, s.byte(0x583A + col));
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

void TestHistory::toolWindowEditsUndoneInTheirWindows()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S2B);
    const Bytes original = s.model.image();
    // The tile editor on metatile 0x21: paint one pixel of quadrant 0's tile, then undo
    // it with the keyboard while the tile editor is the active window.
    Controls(s.window).hsTable->setValue(2);
    s.moveOnTable(1, 0);
    QTest::mouseClick(Controls(s.window).picTile, Qt::LeftButton, {}, cellPoint(1, 0));
    Controls(s.window).cmdEditTile_Click();
    frmTileEditor *tiles = Controls(s.window).tileEditor;
    QVERIFY(tiles);
    tiles->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == tiles);
    const qint64 tile = s.model.ChrOffset + 16 * s.byte(s.model.MetaTileOffset + 4 * 0x21);
    const int color = GetTilePixel(s.model.bytesAt(tile, 16), 3, 6);
    tiles->picColorSelector_Click(3 - color);
    tiles->pic8x8Edit_MouseMove(3 * 16 + 8, 6 * 16 + 8);
    tiles->pic8x8Edit_MouseDown(Qt::RightButton);
    QCOMPARE(GetTilePixel(s.model.bytesAt(tile, 16), 3, 6), 3 - color);
    QCOMPARE(Controls(s.window).mnuUndo->text(), QStringLiteral("&Undo Paint 1 Pixel of tile ") + HexByte(s.byte(s.model.MetaTileOffset + 4 * 0x21)));
    const auto gridShows = [&] {
        QImage expected = tiles->pic8x8Edit->image();
        DrawTileGrid(expected, s.model, 0x21, 0, s.model.BgColors(), tiles->showsPixelGrid());
        return tiles->pic8x8Edit->image() == expected;
    };
    pressCtrl(tiles, Qt::Key_Z);
    QVERIFY(s.model.image() == original);
    QVERIFY(gridShows());
    pressCtrl(tiles, Qt::Key_Y);
    QCOMPARE(GetTilePixel(s.model.bytesAt(tile, 16), 3, 6), 3 - color);
    QVERIFY(gridShows());
    pressCtrl(tiles, Qt::Key_Z);

    // The palette editor, opened by its key from the tile editor: swatch 6 set to another
    // colour, undone from its window.
    pressCtrl(tiles, Qt::Key_P);
    frmPalEditor *palette = Controls(s.window).palEditor;
    QVERIFY(palette);
    palette->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == palette);
    palette->picPal_Click(6);
    const int code = (s.byte(s.model.PalOffset + 6) + 5) % 64;
    palette->picPalSelector_MouseMove(13 * (code % 16) + 6, 13 * (code / 16) + 6);
    palette->picPalSelector_Click();
    QCOMPARE(s.byte(s.model.PalOffset + 6), code);
    QCOMPARE(Controls(s.window).mnuUndo->text(), QStringLiteral("&Undo Set Palette Entry 6 of 2B to $") + HexByte(code));
    pressCtrl(palette, Qt::Key_Z);
    QVERIFY(s.model.image() == original);
    QCOMPARE(palette->picPal[6]->color(), ToQRgb(MasterColor(s.model, original[std::size_t(s.model.PalOffset + 6)])));
    // Saving works from a tool window too.
    pressCtrl(palette, Qt::Key_Y);
    pressCtrl(palette, Qt::Key_S);
    QVERIFY(!Controls(s.window).history().isModified());
}

// A patch that makes the image 16 MiB long (one byte at its very end) and one that cuts it
// back, applied ten times each: every step keeps a few bytes, not a whole image, and
// the history still takes each of them back exactly.
void TestHistory::patchStepsKeepWhatTheyChanged()
{
    QTemporaryDir dir;
    const QString grow = dir.filePath(QStringLiteral("grow.ips")), shrink = dir.filePath(QStringLiteral("shrink.ips"));
    modKrelin model;
    RomReadResult read = ReadRomFile(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(read.ok());
    const Bytes original = read.bytes;
    const qint64 size = qint64(original.size());
    QVERIFY(WriteFile(grow, QByteArray("PATCH\xFF\xFF\xFF\x00\x01\x5A" "EOF", 14)));
    QVERIFY(WriteFile(shrink, QByteArray("PATCHEOF", 8) + QByteArray(1, char(size >> 16)) + QByteArray(1, char(size >> 8))
                                  + QByteArray(1, char(size))));
    model.replaceImage(original);
    EditHistory history(model);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(ApplyPatchToImage(history, grow).changed);
        QCOMPARE(model.romSize(), qint64(16) << 20);
        QVERIFY(ApplyPatchToImage(history, shrink).changed);
        QVERIFY(model.image() == original);
    }
    QCOMPARE(history.stack().count(), 20);
    QVERIFY2(history.bytesKept() < 20 * 1024, qPrintable(QString::number(history.bytesKept())));
    history.stack().undo();
    QCOMPARE(model.romSize(), qint64(16) << 20);
    QCOMPARE(model.byteAt((qint64(16) << 20) - 1), 0x5A);
    QCOMPARE(model.byteAt(size), 0);
    history.stack().setIndex(0);
    QVERIFY(model.image() == original);
}

// Past its memory budget the history lets the oldest steps go, once says so, and what it
// keeps still undoes and redoes byte for byte; the image on disk is never taken for one
// it no longer reaches.
void TestHistory::oldestStepsGoPastTheBudget()
{
    modKrelin model;
    model.replaceImage(Bytes(64 * 1024, 0));
    EditHistory history(model);
    QSignalSpy dropped(&history, &EditHistory::oldestStepsDropped);
    history.setMemoryBudget(42 * 1024); // five steps and a little
    std::vector<Bytes> states{model.image()};
    for (int i = 0; i < 8; ++i) { // each step rewrites 4 KiB: a little over 8 KiB kept
        Bytes next = states.back();
        std::fill_n(next.begin() + 4096 * i, 4096, std::uint8_t(i + 1));
        QVERIFY(history.push(new RecordedStep(model, ChangesBetween(model.image(), next), QStringLiteral("Fill"))));
        states.push_back(next);
        if (i == 1)
            history.markSaved();
    }
    // Trimmed well below the budget, not to its brim: the next few steps rebuild nothing.
    QCOMPARE(dropped.size(), 1);
    QVERIFY(history.bytesKept() <= history.memoryBudget());
    const int kept = history.stack().count();
    QVERIFY(kept > 0 && kept < 8);
    for (int k = 1; k <= kept; ++k) {
        history.stack().undo();
        QVERIFY(model.image() == states[std::size_t(8 - k)]);
        QVERIFY(history.isModified()); // the saved image lies beyond the oldest step kept
    }
    history.stack().setIndex(kept);
    QVERIFY(model.image() == states.back());
}

void TestHistory::savedStepKeptThroughTheTrim_data()
{
    QTest::addColumn<int>("saved"); // the step saved at, of nine
    for (int saved = 0; saved <= 9; ++saved)
        QTest::addRow("saved at step %d", saved) << saved;
}

// Saved at a step, back at step 7 of 9, then trimmed to the newest six steps: the image
// reads as saved exactly at the saved step, counted from the oldest step kept (saved at
// step 7: two undos make it modified, two redos saved again); a saved step that was let
// go is never reached again.
void TestHistory::savedStepKeptThroughTheTrim()
{
    QFETCH(int, saved);
    modKrelin model;
    model.replaceImage(Bytes(64 * 1024, 0));
    EditHistory history(model);
    for (int i = 0; i < 9; ++i) { // each step rewrites 4 KiB: a little over 8 KiB kept
        Bytes next = model.image();
        std::fill_n(next.begin() + 4096 * i, 4096, std::uint8_t(i + 1));
        QVERIFY(history.push(new RecordedStep(model, ChangesBetween(model.image(), next), QStringLiteral("Fill"))));
    }
    history.stack().setIndex(saved);
    history.markSaved();
    history.stack().setIndex(7);
    history.setMemoryBudget(70 * 1024);
    QCOMPARE(history.stack().count(), 6); // steps 3 to 8 of the nine
    QCOMPARE(history.stack().index(), 4);
    const int oldest = 3;
    for (int k : {4, 3, 2, 3, 4, 5, 6, 0, 1}) {
        history.stack().setIndex(k);
        QCOMPARE(history.isModified(), oldest + k != saved);
    }
}

QTEST_MAIN(TestHistory)
#include "test_history.moc"
