// The round trip from the main window: patches made and applied through the File menu,
// a test run in an emulator (a script stands in for it), and where the selected metatile
// is used.
#include "MainWindowSession.h"

#include "core/Crc32.h"
#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "edit/ByteEditCommand.h"
#include "edit/EditHistory.h"
#include "core/MetaTileUses.h"
#include "paleditor/frmPalEditor.h"
#include "render/TableView.h"
#include "render/UseMarks.h"
#include "ui/EmulatorDialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QToolBar>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Sample()
{
    return ReadRomFile(QStringLiteral(KRELIN_SAMPLE)).bytes;
}

bool WriteBytes(const QString &path, const Bytes &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly)
        && f.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size())) == qint64(bytes.size());
}

// Two placements and a fix-up pair that differs from its copy, so that the image in memory
// and the image as a save writes it differ.
void EditLikeAHacker(Session &s)
{
    s.pick(12, 1, 4); // metatile 201
    s.clickOnMap(2, 3);
    s.clickOnMap(9, 10);
    QVERIFY(Controls(s.window).history().push(
        new ByteEditCommand(s.model, FixUpSource, {0xA5, 0x5A}, QStringLiteral("Edit"))));
    QVERIFY(ImageAsSaved(s.model.image()) != s.model.image());
}

// The amber ring just inside the cell's box: the pointer's white frame leaves it alone.
bool outlined(const QImage &map, int col, int row)
{
    return map.pixel(CellPitch * col + 1, CellPitch * row + 16) == UseOutlineColor;
}

// Whether the table shows metatile n's cell darker than a fresh drawing of its page.
bool dimmed(Session &s, int n)
{
    QImage fresh(s.table().size(), QImage::Format_RGB32);
    DrawTablePage(fresh, s.model, n / 16, s.model.BgColors());
    const QPoint p(CellPitch * (n % 2) + 8, CellPitch * (n % 16 / 2) + 8);
    return s.table().pixel(p) != fresh.pixel(p);
}

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QApplication::setQuitOnLastWindowClosed(false);
    }

    void patchThroughTheMenus_data();
    void patchThroughTheMenus();
    void refusedPatchLeavesTheImage_data();
    void refusedPatchLeavesTheImage();
    void patchThatCutsTheStageShort();
    void runInEmulator();
    void showUses();
};

void TestRoundTrip::patchThroughTheMenus_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("filter"); // empty: the one offered
    QTest::addColumn<QString>("written");
    QTest::newRow("IPS, named in full") << "hack.ips" << "" << "hack.ips";
    QTest::newRow("BPS, chosen by the filter") << "hack" << "BPS Patch (*.bps)" << "hack.bps";
}

// A patch made from the edited image and applied to a fresh copy gives the image a save
// would write; applying it is one step, undone and redone.
void TestRoundTrip::patchThroughTheMenus()
{
    QFETCH(QString, typed);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    EditLikeAHacker(s);
    const Bytes edited = s.model.image();
    s.desktop.openAnswers << QStringLiteral(KRELIN_SAMPLE);
    s.desktop.saveAnswers << s.dir.filePath(typed);
    if (!filter.isEmpty())
        s.desktop.saveFilterAnswers << filter;
    s.desktop.textAnswers << QString() << QString(); // a BPS patch's description and author
    QVERIFY2(Controls(s.window).mnuCreatePatch_Click(), qPrintable(s.desktop.messageTexts()));
    QVERIFY(QFile::exists(s.dir.filePath(written)));
    QVERIFY(s.model.image() == edited); // the fix-up went into the patch only
    QVERIFY(Controls(s.window).history().isModified());

    Session fresh;
    Controls(fresh.window).mnuEdit_Level_Click(S1A);
    const Bytes clean = fresh.model.image();
    fresh.desktop.openAnswers << s.dir.filePath(written);
    QVERIFY2(Controls(fresh.window).mnuApplyPatch_Click(), qPrintable(fresh.desktop.messageTexts()));
    QVERIFY(fresh.model.image() == ImageAsSaved(edited));
    QVERIFY(Controls(fresh.window).history().isModified());
    QUndoStack &stack = Controls(fresh.window).history().stack();
    QCOMPARE(stack.count(), 1);
    QCOMPARE(stack.undoText(), QStringLiteral("Apply Patch ") + written);
    QCOMPARE(cellDiff(fresh.map(), fresh.model, 2, 3, 201), QString());

    stack.undo();
    QVERIFY(fresh.model.image() == clean);
    QVERIFY(!Controls(fresh.window).history().isModified());
    QCOMPARE(cellDiff(fresh.map(), fresh.model, 2, 3, clean[0x583A + 16 * 3 + 2]), QString());
    stack.redo();
    QVERIFY(fresh.model.image() == ImageAsSaved(edited));
    QCOMPARE(cellDiff(fresh.map(), fresh.model, 9, 10, 201), QString());
}

void TestRoundTrip::refusedPatchLeavesTheImage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("patch"); // empty: no file
    QTest::addColumn<QString>("complaint");
    Bytes other = Sample();
    other[100] ^= 0xFF;
    Bytes target = other;
    target[200] ^= 0xFF;
    const Bytes bps = MakeBpsPatch(other, target);
    const Bytes ips = MakeIpsPatch(Sample(), target);
    const auto bytes = [](const Bytes &b, std::size_t cut = 0) {
        return QByteArray(reinterpret_cast<const char *>(b.data()), qsizetype(b.size() - cut));
    };
    QTest::newRow("missing") << "gone.ips" << QByteArray() << "does not exist";
    QTest::newRow("not a patch") << "notes.ips" << QByteArray("hello") << "neither";
    QTest::newRow("cut short") << "short.ips" << bytes(ips, 4) << "cut short";
    QTest::newRow("made for another image") << "other.bps" << bytes(bps)
                                             << QStringLiteral("%1").arg(Crc32(other), 8, 16, QChar(u'0')).toUpper();
    Bytes headless = Sample();
    headless[0] = 'X';
    QTest::newRow("taking the header off") << "headless.ips" << bytes(MakeIpsPatch(Sample(), headless))
                                            << "no cartridge header";
}

void TestRoundTrip::refusedPatchLeavesTheImage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, patch);
    QFETCH(QString, complaint);
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    const Bytes before = s.model.image();
    const QString path = s.dir.filePath(name);
    if (!patch.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(patch) == patch.size());
    }
    s.desktop.openAnswers << path;
    QVERIFY(!Controls(s.window).mnuApplyPatch_Click());
    QCOMPARE(s.desktop.messages.size(), 1);
    const QString text = s.desktop.messages[0].text;
    QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(complaint), qPrintable(text));
    QVERIFY(s.model.image() == before);
    QCOMPARE(Controls(s.window).history().stack().count(), 0);
    QVERIFY(!Controls(s.window).history().isModified());
}

// A patch that leaves the image too short for the stage shown takes the stage off the
// window, as opening such an image does, through the patch, its undo and its redo.
void TestRoundTrip::patchThatCutsTheStageShort()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S3);
    Controls(s.window).mnuEditPalette_Click();
    const Bytes clean = s.model.image();
    const Bytes shorter(clean.begin(), clean.begin() + 0x9000);
    const QString path = s.dir.filePath(QStringLiteral("cut.ips"));
    QVERIFY(WriteBytes(path, MakeIpsPatch(clean, shorter)));
    s.desktop.openAnswers << path;
    QVERIFY(Controls(s.window).mnuApplyPatch_Click());
    QVERIFY(s.model.image() == shorter);
    QVERIFY(!s.editor().stageLoaded());
    QVERIFY(!Controls(s.window).mnuEdit_Level_Stage[S3]->isChecked());
    QVERIFY(!Controls(s.window).palEditor);
    QCOMPARE(s.desktop.messages.size(), 1);
    QVERIFY(s.desktop.messages[0].text.startsWith(QStringLiteral("Stage 3 cannot be shown")));

    Controls(s.window).mnuUndo->trigger();
    QVERIFY(s.model.image() == clean);
    QVERIFY(!Controls(s.window).history().isModified());
    QVERIFY(Controls(s.window).mnuEdit_Level_Click(S3));
    Controls(s.window).mnuRedo->trigger();
    QVERIFY(s.model.image() == shorter);
    QVERIFY(!s.editor().stageLoaded());
    QCOMPARE(s.desktop.messages.size(), 2);
}

// F5 without a command asks for one, which the settings keep for the next window; the
// run gets the image as a save writes it, in a file of its own that goes with the
// program; nothing of the image or its state changes.
void TestRoundTrip::runInEmulator()
{
    Session s;
    // A settings file of the test's own, never the user's.
    QSettings settings(s.dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
    const auto newWindow = [&] {
        s.window = std::make_unique<frmKrelin>(s.model, s.desktop, QStringLiteral(KRELIN_RUNTIME_DIR), &settings);
        s.window->show();
        // A warning raised before the window is on the screen waits for it.
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        QVERIFY(s.window->OpenRom(s.romPath));
    };
    newWindow();
    Controls(s.window).mnuEdit_Level_Click(S1A);
    EditLikeAHacker(s);
    const Bytes image = s.model.image();
    // The stand-in records its arguments and copies the file it was given.
    const QString script = s.dir.filePath(QStringLiteral("fake emu.sh"));
    const QString record = s.dir.filePath(QStringLiteral("args.txt"));
    const QString copy = s.dir.filePath(QStringLiteral("copy.nes"));
    {
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\ncp \"$1\" \"$(dirname \"$0\")/copy.tmp\"\nprintf '%s\\n' \"$@\" > \"$(dirname \"$0\")/args.tmp\"\n"
                "cd \"$(dirname \"$0\")\" && mv copy.tmp copy.nes && mv args.tmp args.txt\n");
        f.close();
        QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner));
    }

    QTest::keyClick(s.window.get(), Qt::Key_F5);
    EmulatorDialog *dialog = Controls(s.window).emulatorDialog;
    QVERIFY(dialog && dialog->isVisible());
    s.desktop.openAnswers << script;
    QTest::mouseClick(dialog->cmdBrowse, Qt::LeftButton);
    const QString command = QStringLiteral("\"%1\" %f").arg(script);
    QCOMPARE(dialog->txtCommand->text(), command);
    QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);

    QTRY_VERIFY(QFile::exists(record));
    QFile args(record);
    QVERIFY(args.open(QIODevice::ReadOnly));
    const QString ran = QString::fromLocal8Bit(args.readAll()).trimmed();
    QCOMPARE(QFileInfo(ran).fileName(), QStringLiteral("game.nes"));
    QVERIFY(!IsSameFile(ran, s.romPath));
    QVERIFY(ReadRomFile(copy).bytes == ImageAsSaved(image));
    QVERIFY(s.model.image() == image);
    QVERIFY(Controls(s.window).history().isModified());
    QVERIFY(ReadRomFile(s.romPath).bytes == Sample());

    // The run's file goes with the program; the command is kept: the next run asks nothing.
    QVERIFY(QFile::exists(ran) && QFile::remove(record));
    s.desktop.saveChangesAnswers << ScriptedDesktop::SaveAnswer::Discard;
    newWindow();
    QVERIFY(!QFile::exists(ran));
    Controls(s.window).mnuRunInEmulator->trigger();
    QVERIFY(!Controls(s.window).emulatorDialog);
    QTRY_VERIFY(QFile::exists(record));
    QVERIFY2(s.desktop.messages.isEmpty(), qPrintable(s.desktop.messageTexts()));

    // A command that cannot start says which and why.
    settings.setValue(QStringLiteral("emulator/command"), QStringLiteral("/nonexistent/emu %f"));
    Controls(s.window).mnuRunInEmulator->trigger();
    QCOMPARE(s.desktop.messages.size(), 1);
    const QString text = s.desktop.messages[0].text;
    QVERIFY2(text.contains(QStringLiteral("/nonexistent/emu")) && text.contains(QStringLiteral("No such file")),
             qPrintable(text));
    // Quoted as a shell would: refused, with the command as it should be written.
    settings.setValue(QStringLiteral("emulator/command"), QStringLiteral("'%1' %f").arg(script));
    Controls(s.window).mnuRunInEmulator->trigger();
    QCOMPARE(s.desktop.messages.size(), 2);
    QVERIFY2(s.desktop.messages[1].text.endsWith(QStringLiteral("double quotes instead: ") + command),
             qPrintable(s.desktop.messages[1].text));
}

// The outlines follow the selection, the pointer, placements, undo and frames; the line
// counts the selected metatile's uses; free metatiles are dimmed until placed.
void TestRoundTrip::showUses()
{
    Session s;
    Controls(s.window).mnuEdit_Level_Click(S1A);
    const Stage &stage = StageTable[S1A];
    const int m = s.byte(stage.LevelOffset + 16 * 5 + 4); // a metatile of frame 0
    s.pick(m / 16, m % 2, m % 16 / 2);
    auto outlinesMatch = [&](int n) {
        for (int cell = 0; cell < FrameBytes; ++cell)
            if (outlined(s.map(), cell % 16, cell / 16) != (s.editor().FrameMetaTiles()[cell] == n))
                return false;
        return true;
    };
    auto usesLine = [&](int n) { return UsesText(CountMetaTileUses(s.model, stage), stage, n); };
    QVERIFY(!outlined(s.map(), 4, 5));
    QTest::keyClick(s.window.get(), Qt::Key_U, Qt::ControlModifier);
    QVERIFY(Controls(s.window).mnuShowUses->isChecked() && Controls(s.window).tbUses->isVisible());
    QVERIFY(outlined(s.map(), 4, 5) && outlinesMatch(m));
    QCOMPARE(Controls(s.window).lblUses->text(), usesLine(m));

    s.moveOnMap(4, 5);
    s.moveOnMap(0, 14);
    QVERIFY(outlinesMatch(m));
    s.clickOnMap(0, 14);
    QVERIFY(outlined(s.map(), 0, 14) && outlinesMatch(m));
    QCOMPARE(Controls(s.window).lblUses->text(), usesLine(m));
    Controls(s.window).mnuUndo->trigger();
    QVERIFY(!outlined(s.map(), 0, 14) && outlinesMatch(m));
    QCOMPARE(Controls(s.window).lblUses->text(), usesLine(m));
    Controls(s.window).hLevel_Frames->setValue(1);
    QVERIFY(outlinesMatch(m));
    QCOMPARE(Controls(s.window).cboRoomEditor->toolTip(), FrameRoomSharingText(stage, 1));

    // A metatile no frame of 1A to 2C uses is dimmed; placed, it is not; undone, it is.
    const MetaTileUses uses = CountMetaTileUses(s.model, stage);
    int f = 0;
    while (f < 256 && !uses.isFree(f))
        ++f;
    QVERIFY(f < 256);
    s.pick(f / 16, f % 2, f % 16 / 2);
    QVERIFY(dimmed(s, f) && outlinesMatch(f));
    QVERIFY(!dimmed(s, f ^ 1) || uses.isFree(f ^ 1));
    s.clickOnMap(7, 7);
    QVERIFY(!dimmed(s, f) && outlined(s.map(), 7, 7));
    Controls(s.window).mnuUndo->trigger();
    QVERIFY(dimmed(s, f));

    Controls(s.window).mnuShowUses->trigger();
    QVERIFY(!Controls(s.window).tbUses->isVisible());
    QVERIFY(!dimmed(s, f) && outlinesMatch(-1));
}

QTEST_MAIN(TestRoundTrip)
#include "test_roundtrip.moc"
