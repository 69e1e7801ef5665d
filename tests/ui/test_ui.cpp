// The main window and the About box driven headless: start-up state, menus and layout,
// the master palette at start, opening and saving cartridge files, quitting, the tray,
// the web links, the About box and refused stage choices. Every dialog, message box,
// link and sound goes through ScriptedDesktop.

#include "ScriptedDesktop.h"
#include "Bytes.h"
#include "FileSizeLimit.h"
#include "TestFolders.h"

#include "core/Patch.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/StandardPalette.h"
#include "core/modKrelin.h"
#include "edit/ByteEditCommand.h"
#include "edit/EditHistory.h"
#include "views/LevelEditor.h"
#include "widgets/QtDesktop.h"
#include "tileeditor/frmTileEditor.h"
#include "ui/PatchPreviewDialog.h"
#include "ui/frmAbout.h"
#include "support/WindowControls.h"
#include "ui/frmKrelin.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSet>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <QUrlQuery>

#include <unistd.h>

#include <memory>

using namespace krelin;
using namespace krelin::testing;
using krelin::testing::ScriptedDesktop;

namespace {

using Bytes = std::vector<std::uint8_t>;

const QString RuntimeDir = krelin::testing::RuntimeFolder();
const QString SamplePath = RuntimeDir + QStringLiteral("/sample.nes");
constexpr qint64 SampleSize = 0x20010;
const QString Caption = QStringLiteral("Krelin V0.5.1");

QByteArray Pattern(qint64 size)
{
    QByteArray data(size, '\0');
    for (qint64 i = 0; i < size; ++i)
        data[i] = char((i * 7 + i / 251) & 0xFF);
    data.replace(0, 4, QByteArray("NES\x1A", 4)); // the signature every cartridge image starts with
    return data;
}

// An unsaved edit, as the program makes one: a step of the edit history.
void Edit(struct Editor &e, qint64 offset, std::uint8_t value);

QByteArray ToBytes(const Bytes &image)
{
    return QByteArray(reinterpret_cast<const char *>(image.data()), qsizetype(image.size()));
}

// The sample image copied to dir as name, with the pair at 0x12008 and the pair at
// 0x1C997 set to values that differ from each other, so that the save fix-up shows.
QByteArray CopySampleWithDistinctPairs(const QTemporaryDir &dir, const QString &name)
{
    QByteArray data = ReadFile(SamplePath);
    if (data.size() != SampleSize)
        return {};
    data[0x12008] = char(0x11);
    data[0x12009] = char(0x22);
    data[0x1C997] = char(0xA5);
    data[0x1C998] = char(0x5A);
    return WriteFile(dir.filePath(name), data) ? data : QByteArray();
}

// A menu's shown entries: "text|shortcut" for a command, "text>" for a submenu, "-" for a
// separator.
QStringList Entries(const QMenu *menu)
{
    QStringList entries;
    for (QAction *a : menu->actions()) {
        if (!a->isVisible())
            continue;
        if (a->isSeparator())
            entries << QStringLiteral("-");
        else if (a->menu())
            entries << a->text() + u'>';
        else
            entries << a->text() + u'|' + a->shortcut().toString(QKeySequence::PortableText);
    }
    return entries;
}

// Everything of the main window that opening or refusing a file could change.
struct FileState
{
    QByteArray image;
    QString caption;
    QString romFileName;
    bool editEnabled, saveEnabled, saveAsEnabled;

    bool operator==(const FileState &) const = default;
};

// Everything that choosing a stage changes.
struct StageState
{
    QList<bool> checks;
    std::array<std::int32_t, 8> offsets;
    int framesMax, framesValue, tableMax, tableValue;
    bool loaded;
    int rooms;

    bool operator==(const StageState &) const = default;
};

// One main window with its own model and scripted desktop.
struct Editor
{
    modKrelin model;
    ScriptedDesktop desktop;
    std::unique_ptr<frmKrelin> window;

    explicit Editor(const QString &programFolder = RuntimeDir, bool systemTray = true)
    {
        desktop.systemTray = systemTray;
        window = std::make_unique<frmKrelin>(model, desktop, programFolder);
    }

    bool open(const QString &path)
    {
        desktop.openAnswers.enqueue(path);
        const qsizetype before = desktop.openDialogs.size();
        Controls(window).mnuOpenRom_Click();
        return desktop.openDialogs.size() == before + 1 && desktop.openAnswers.isEmpty();
    }

    FileState fileState() const
    {
        return {ToBytes(model.image()), window->windowTitle(), model.RomFileName,
                Controls(window).mnuEdit->menuAction()->isEnabled(), Controls(window).mnuSaveRom->isEnabled(),
                Controls(window).mnuSaveRomAs->isEnabled()};
    }

    StageState stageState() const
    {
        StageState s;
        for (QAction *a : Controls(window).mnuEdit_Level_Stage)
            s.checks << a->isChecked();
        s.offsets = {model.PalOffset,      model.ChrOffset,        model.MetaTileOffset, model.MetaPalOffset,
                     model.LevelOffset,    model.FrameTableOffset, model.FirstRoom,      model.LastRoom};
        s.framesMax = Controls(window).hLevel_Frames->maximum();
        s.framesValue = Controls(window).hLevel_Frames->value();
        s.tableMax = Controls(window).hsTable->maximum();
        s.tableValue = Controls(window).hsTable->value();
        s.loaded = Controls(window).editor().stageLoaded();
        s.rooms = Controls(window).cboRoomEditor->count();
        return s;
    }
};

void Edit(Editor &e, qint64 offset, std::uint8_t value)
{
    QVERIFY(Controls(e.window).history().push(new ByteEditCommand(e.model, offset, {value}, QStringLiteral("Edit"))));
}

} // namespace

class TestUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // As in main(): the window hides to the tray, so a closed last window is no reason to end.
        QApplication::setQuitOnLastWindowClosed(false);
        QCOMPARE(QFileInfo(SamplePath).size(), SampleSize);
    }

    // ---- start-up ----------------------------------------------------------------------

    void startUp()
    {
        Editor e;
        frmKrelin &w = *e.window;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
        QCOMPARE(w.windowTitle(), Caption);
        QCOMPARE(Controls(w).TrayIcon->toolTip(), Caption);

        QVERIFY(Controls(w).mnuOpenRom->isEnabled());
        for (QAction *a : {Controls(w).mnuEdit->menuAction(), Controls(w).mnuSaveRom, Controls(w).mnuSaveRomAs, Controls(w).mnuEditPalette, Controls(w).mnuTileEditor,
                           Controls(w).mnuRefresh, Controls(w).mnuCreatePatch, Controls(w).mnuApplyPatch, Controls(w).mnuRunInEmulator,
                           Controls(w).mnuExportTiles, Controls(w).mnuImportTiles,
                           Controls(w).named<QAction>("mnuExportTiled"), Controls(w).named<QAction>("mnuImportTiled"),
                           Controls(w).named<QAction>("mnuEditInTiled"),
                           Controls(w).named<QAction>("mnuCompareWith"), Controls(w).named<QAction>("mnuStopComparing"),
                           Controls(w).named<QAction>("mnuNextDifference")})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        QVERIFY(!Controls(w).mnuRefresh->isVisible());
        QVERIFY(!Controls(w).cmdEditTile->isEnabled());

        QStringList bar;
        for (QAction *a : w.menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, QStringList({"&File", "&Edit", "&View", "&Tools", "&Help"}));
        QCOMPARE(Entries(Controls(w).mnuFile),
                 QStringList({"&Open|Ctrl+O", "Recent Files>", "Open &Backup…|", "-", "&Save|Ctrl+S", "S&ave As|F12", "&Export>",
                              "&Import>", "Export &Tiles…|", "&Import Tiles…|", "-", "&Create Patch…|", "A&pply Patch…|",
                              "Co&mpare With…|", "-", "&Quit|Ctrl+Q"}));
        QCOMPARE(Entries(Controls(w).mnuEdit), QStringList({"&Undo|Ctrl+Z", "&Redo|Ctrl+Y", "&History|", "-",
                                                  "&Palette|Ctrl+P", "&Level>", "&Go To…|Ctrl+G",
                                                  "&Tile Editor|", "-",
                                                  "&Show Uses|Ctrl+U", "-", "Select &All|Ctrl+A",
                                                  "&Copy|Ctrl+C", "&Keep as Stamp…|Ctrl+Shift+C", "Pa&ste|Ctrl+V", "&Delete|Del", "T&ools>",
                                                  "Replace &Metatile…|", "-", "Pre&ferences…|Ctrl+,"}));
        QCOMPARE(Entries(Controls(w).named<QMenu>("mnuEdit_Tools")), QStringList({"&Place|", "Pa&int|B", "&Fill|F"}));
        QCOMPARE(Entries(Controls(w).named<QMenu>("mnuView")), QStringList({"Stage &Map|F3", "&Frame Lines|", "S&tamps|", "Console Co&lours|", "-", "Zoom &In|Ctrl++",
                                                                         "Zoom &Out|Ctrl+-", "&Whole Stage|Ctrl+0", "-",
                                                                         "&Differences|",
                                                                         "&Next Difference|F7",
                                                                         "&Previous Difference|Shift+F7",
                                                                         "Stop &Comparing|"}));
        QCOMPARE(Entries(Controls(w).mnuTools),
                 QStringList({"&Play|F6", "-", "&Run in Emulator|F5", "&Emulator…|", "-", "Edit Stage in &Tiled|"}));
        QCOMPARE(Entries(Controls(w).mnuExport),
                 QStringList({"Frame as PNG…|", "Stage as PNG…|", "-", "Stage as &Tiled Map…|"}));
        QCOMPARE(Entries(Controls(w).named<QMenu>("mnuImport")), QStringList({"&Tiled Map…|"}));
        QVERIFY(Controls(w).mnuRefresh->shortcut().isEmpty()); // F5 belongs to the emulator
        QVERIFY(!Controls(w).mnuUndo->isEnabled() && !Controls(w).mnuRedo->isEnabled());
        QCOMPARE(Entries(Controls(w).mnuEdit_Level),
                 QStringList({"Stage 1A|", "Stage 1B|", "Stage 1C|", "Stage 2A|", "Stage 2B|", "Stage 2C|",
                              "Stage 3|", "Stage 4A|", "Stage 4B|", "Stage 5|", "Stage 6|", "Stage 7|"}));
        // The handlers' stage numbers follow the menu's order.
        for (int i = 0; i < StageCount; ++i)
            QCOMPARE(Controls(w).mnuEdit_Level_Stage[i], Controls(w).mnuEdit_Level->actions().at(i));
        QCOMPARE(Entries(Controls(w).mnuHelp), QStringList({"&About|F1", "-", "&Web>"}));
        const QStringList web = Entries(Controls(w).mnuWeb);
        QCOMPARE(web.size(), 5);
        QCOMPARE(web[0], QStringLiteral("&Velquin|"));
        QVERIFY(web[1] != "-" && web[2] != "-");
        QCOMPARE(web.mid(3), QStringList({"-", "&Email Author|"}));

        QCOMPARE(w.centralWidget()->size(), QSize(645, 527));
        QCOMPARE(Controls(w).picEditor->geometry(), QRect(8, 0, 549, 517));
        QCOMPARE(Controls(w).hLevel_Frames->geometry(), QRect(8, 512, 549, 13));
        QCOMPARE(Controls(w).picTile->geometry(), QRect(564, 84, 73, 277));
        QCOMPARE(Controls(w).hsTable->geometry(), QRect(564, 360, 73, 13));
        QCOMPARE(Controls(w).picSelectedTile->geometry(), QRect(580, 384, 39, 39));
        QCOMPARE(Controls(w).cmdEditTile->geometry(), QRect(572, 428, 57, 21));
        QCOMPARE(Controls(w).cmdEditTile->text(), QStringLiteral("Edit Tile"));
        QCOMPARE(Controls(w).cboRoomEditor->geometry(), QRect(564, 492, 81, 21));
        // Where the map and its scroll bar overlap, the scroll bar gets the pointer.
        QCOMPARE(w.centralWidget()->childAt(100, 515), Controls(w).hLevel_Frames);
    }

    void masterPaletteAtStart_data()
    {
        QTest::addColumn<int>("size"); // -1: no file
        QTest::addColumn<QString>("complaint"); // empty: the file is used
        QTest::newRow("missing") << -1 << "missing";
        QTest::newRow("empty") << 0 << "0 bytes";
        QTest::newRow("207 bytes") << 207 << "207";
        QTest::newRow("208 bytes") << 208 << "";
    }
    void masterPaletteAtStart()
    {
        QFETCH(int, size);
        QFETCH(QString, complaint);
        QTemporaryDir folder;
        const QString path = QDir(folder.path()).filePath(QStringLiteral("Krelin.d_p"));
        QByteArray data(qMax(size, 0), '\0');
        for (int i = 0; i < data.size(); ++i)
            data[i] = char(255 - i);
        if (size >= 0)
            QVERIFY(WriteFile(path, data));

        Editor e(folder.path());
        QCOMPARE(e.window->windowTitle(), Caption);
        // The warning waits for the window to be on the screen, and sits over it.
        QVERIFY(e.desktop.messages.isEmpty());
        e.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.window.get()));
        if (complaint.isEmpty()) {
            QTest::qWait(20);
            QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
            QCOMPARE(e.model.NesRed[0], std::int16_t(255 - 16));
            QCOMPARE(e.model.NesBlue[63], std::int16_t(255 - 207));
            return;
        }
        QTRY_COMPARE(e.desktop.messages.size(), 1);
        QVERIFY(e.desktop.messages[0].overShownParent);
        const QString text = e.desktop.messages[0].text;
        QVERIFY2(text.contains(QDir::toNativeSeparators(path)) && text.contains(complaint), qPrintable(text));
        for (int n = 0; n < 64; ++n) {
            QCOMPARE(e.model.NesRed[n], std::int16_t(StandardPalette[n].red));
            QCOMPARE(e.model.NesGreen[n], std::int16_t(StandardPalette[n].green));
            QCOMPARE(e.model.NesBlue[n], std::int16_t(StandardPalette[n].blue));
        }
    }

    // ---- opening ---------------------------------------------------------------------------

    void openTakesWholeFile()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString path = dir.filePath(QStringLiteral("sub/my game.nes"));
        const QByteArray data = Pattern(SampleSize);
        QVERIFY(WriteFile(path, data));
        Editor e;
        QVERIFY(e.open(path));
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
        QCOMPARE(ToBytes(e.model.image()), data);
        QVERIFY(!Controls(e.window).history().isModified());
        const FileState opened = e.fileState();
        QCOMPARE(opened.caption, Caption + QStringLiteral(" - MY GAME.NES[*]"));
        QVERIFY(!e.window->isWindowModified());
        QVERIFY(opened.editEnabled && opened.saveEnabled && opened.saveAsEnabled);
        for (QAction *a : {Controls(e.window).mnuCreatePatch, Controls(e.window).mnuApplyPatch, Controls(e.window).mnuRunInEmulator})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));

        // The command line's way in; the largest accepted size is 16 MiB.
        const QString big = dir.filePath(QStringLiteral("big.Nes"));
        QFile f(big);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("NES\x1A") == 4 && f.resize(16 * 1024 * 1024));
        f.close();
        QVERIFY(e.window->OpenRom(big));
        QCOMPARE(e.model.romSize(), 16 * 1024 * 1024);
        QCOMPARE(e.window->windowTitle(), Caption + QStringLiteral(" - BIG.NES[*]"));
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("imageOpenBefore");
        QTest::addColumn<bool>("commandLine");
        for (const char *kind : {"missing", "folder", "empty", "over 16 MiB", "unreadable"}) {
            QTest::addRow("%s, nothing open", kind) << kind << false << false;
            QTest::addRow("%s, image open", kind) << kind << true << false;
            QTest::addRow("%s, command line", kind) << kind << true << true;
        }
        QTest::addRow("dialog cancelled, nothing open") << "cancelled" << false << false;
        QTest::addRow("dialog cancelled, image open") << "cancelled" << true << false;
    }
    void refusedFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, imageOpenBefore);
        QFETCH(bool, commandLine);
        QTemporaryDir dir;
        QString path = dir.filePath(QStringLiteral("refused.nes"));
        if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("refused.nes")));
        } else if (kind == "empty") {
            QVERIFY(WriteFile(path, {}));
        } else if (kind == "over 16 MiB") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.resize(16 * 1024 * 1024 + 1));
        } else if (kind == "unreadable") {
            if (geteuid() == 0)
                QSKIP("root reads any file");
            QVERIFY(WriteFile(path, Pattern(SampleSize)));
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        } else if (kind == "cancelled") {
            path.clear();
        }
        Editor e;
        if (imageOpenBefore) {
            QVERIFY(e.window->OpenRom(SamplePath));
            Edit(e, 5, std::uint8_t(~e.model.byteAt(5))); // an unsaved edit survives too
            e.desktop.saveChangesAnswers.enqueue(Desktop::SaveAnswer::Discard);
        }
        const FileState before = e.fileState();
        if (commandLine)
            QVERIFY(!e.window->OpenRom(path));
        else
            QVERIFY(e.open(path));
        QVERIFY(e.fileState() == before);
        QCOMPARE(Controls(e.window).history().isModified(), imageOpenBefore);
        if (path.isEmpty()) {
            QVERIFY(e.desktop.messages.isEmpty());
            return;
        }
        QCOMPARE(e.desktop.messages.size(), 1);
        QVERIFY2(e.desktop.messages[0].text.contains(QDir::toNativeSeparators(path)),
                 qPrintable(e.desktop.messages[0].text));
        QCOMPARE(e.desktop.messages[0].icon, Desktop::Icon::Warning);
    }

    void commandLineFileAtStart()
    {
        // As main() does: the window is shown, then the file named on the command line
        // opened. A refusal is told over the window once it is on the screen.
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("missing.nes"));
        Editor e;
        e.window->show();
        QVERIFY(!e.window->OpenRom(missing));
        QTRY_COMPARE(e.desktop.messages.size(), 1);
        QVERIFY(e.desktop.messages[0].overShownParent);
        QVERIFY(e.desktop.messages[0].text.contains(QDir::toNativeSeparators(missing)));
    }

    // ---- saving ------------------------------------------------------------------------------

    void saveAndSaveAs()
    {
        QTemporaryDir dir;
        const QByteArray original = CopySampleWithDistinctPairs(dir, QStringLiteral("game.nes"));
        QVERIFY(!original.isEmpty());
        const QString first = dir.filePath(QStringLiteral("game.nes"));
        const QString second = dir.filePath(QStringLiteral("copy two.nes"));
        QByteArray expected = original;
        expected[0x12008] = char(0xA5);
        expected[0x12009] = char(0x5A);
        Editor e;
        QVERIFY(e.open(first));

        // Save: the fix-up is written, and a longer old file (another program's, which the
        // user chose to overwrite) is cut to the image's length.
        QVERIFY(WriteFile(first, original + QByteArray(5000, char(0xEE))));
        e.desktop.choiceAnswers << QStringLiteral("Overwrite");
        Controls(e.window).mnuSaveRom_Click();
        QCOMPARE(e.desktop.choiceQuestions.size(), 1);
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
        QVERIFY(e.desktop.saveDialogs.isEmpty());
        QCOMPARE(ReadFile(first), expected);
        QVERIFY(!Controls(e.window).history().isModified());

        // Save As, then Save: both go to the new name.
        Edit(e, 0x1C997, 0x66);
        QVERIFY(e.window->isWindowModified());
        e.desktop.saveAnswers.enqueue(second);
        Controls(e.window).mnuSaveRomAs_Click();
        QCOMPARE(e.desktop.saveDialogs.size(), 1);
        expected[0x1C997] = expected[0x12008] = char(0x66);
        QCOMPARE(ReadFile(second), expected);
        QCOMPARE(e.window->windowTitle(), Caption + QStringLiteral(" - COPY TWO.NES[*]"));
        QVERIFY(!e.window->isWindowModified());
        Edit(e, 0x100, 0x42);
        Controls(e.window).mnuSaveRom_Click();
        expected[0x100] = char(0x42);
        QCOMPARE(ReadFile(second), expected);
        QCOMPARE(ReadFile(first).at(0x100), original.at(0x100));
        QCOMPARE(e.window->windowTitle(), Caption + QStringLiteral(" - COPY TWO.NES[*]"));
        QVERIFY(!Controls(e.window).history().isModified());
        QVERIFY(e.desktop.messages.isEmpty());
    }

    void saveAsAddsExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written"); // empty: nothing is written
        QTest::addColumn<int>("replace");     // answer to "already exists": -1 not asked, 0 No, 1 Yes
        QTest::newRow("no extension") << "level" << "level.nes" << -1;
        QTest::newRow("ends in a dot") << "level." << "level.nes" << -1;
        QTest::newRow("own extension kept") << "level.rom" << "level.rom" << -1;
        QTest::newRow("name taken, kept") << "taken" << "" << 0;
        QTest::newRow("name taken, replaced") << "taken" << "taken.nes" << 1;
    }
    void saveAsAddsExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(int, replace);
        QTemporaryDir dir;
        const QString taken = dir.filePath(QStringLiteral("taken.nes"));
        QVERIFY(WriteFile(taken, "older"));
        Editor e;
        QVERIFY(e.window->OpenRom(SamplePath));
        e.desktop.saveAnswers.enqueue(dir.filePath(typed));
        if (replace >= 0)
            e.desktop.yesNoAnswers.enqueue(replace == 1);
        Controls(e.window).mnuSaveRomAs_Click();
        QCOMPARE(e.desktop.questions.size(), replace >= 0 ? 1 : 0);
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), written.isEmpty() || replace == 1 ? 1 : 2);
        if (written.isEmpty()) {
            QCOMPARE(ReadFile(taken), QByteArray("older"));
            return;
        }
        QCOMPARE(ReadFile(dir.filePath(written)), ToBytes(e.model.image()));
        QCOMPARE(e.window->windowTitle(), Caption + QStringLiteral(" - ") + written.toUpper() + QStringLiteral("[*]"));
    }

    // F12 and Escape in the file dialog leave every byte as it was: a patch made from the
    // file as it is on disk still fits the image.
    void cancelledSaveAs()
    {
        QTemporaryDir dir;
        const QByteArray original = CopySampleWithDistinctPairs(dir, QStringLiteral("game.nes"));
        QVERIFY(!original.isEmpty());
        Editor e;
        QVERIFY(e.open(dir.filePath(QStringLiteral("game.nes"))));
        const QString caption = e.window->windowTitle();
        e.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(e.window.get()));
        e.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(e.window.get()));
        e.desktop.saveAnswers.enqueue(QString());
        QTest::keyClick(e.window.get(), Qt::Key_F12);
        QCOMPARE(e.desktop.saveDialogs.size(), 1);
        QVERIFY(e.desktop.messages.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"game.nes"}));
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("game.nes"))), original);
        QCOMPARE(e.window->windowTitle(), caption);
        QCOMPARE(ToBytes(e.model.image()), original);
        QVERIFY(!Controls(e.window).history().isModified());
        QVERIFY(!Controls(e.window).mnuUndo->isEnabled());

        // A BPS patch names the checksum of the image it was made for: the file's.
        QByteArray patched = original;
        patched[0x100] = char(0x42);
        const QString patch = dir.filePath(QStringLiteral("hack.bps"));
        QVERIFY(WriteFile(patch, ToBytes(MakeBpsPatch(BytesOf(original), BytesOf(patched)))));
        e.desktop.openAnswers.enqueue(patch);
        Controls(e.window).mnuApplyPatch->trigger();
        PatchPreviewDialog *preview = Controls(e.window).patchPreview();
        QVERIFY2(preview, qPrintable(e.desktop.messageTexts()));
        QTest::mouseClick(preview->cmdApply, Qt::LeftButton);
        QCOMPARE(ToBytes(e.model.image()), patched);
    }

    void failedWrites()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("gone")));
        const QString inGone = dir.filePath(QStringLiteral("gone/game.nes"));
        QVERIFY(QFile::copy(SamplePath, inGone));
        Editor e;
        QVERIFY(e.open(inGone));
        const QString caption = e.window->windowTitle();
        auto failedOnce = [&e](const QString &path) {
            return e.desktop.messages.size() == 1 && e.desktop.messages[0].icon == Desktop::Icon::Warning
                && e.desktop.messages[0].text.contains(QDir::toNativeSeparators(path));
        };

        // The file's folder was removed after opening.
        QVERIFY(QDir(dir.filePath(QStringLiteral("gone"))).removeRecursively());
        Controls(e.window).mnuSaveRom_Click();
        QVERIFY2(failedOnce(inGone), qPrintable(e.desktop.messageTexts()));
        QVERIFY(!QFileInfo::exists(inGone));

        // Save As onto a folder: the folder stays, the window keeps the old name.
        const QString folder = dir.filePath(QStringLiteral("folder.nes"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.nes")));
        e.desktop.clearLog();
        e.desktop.saveAnswers.enqueue(folder);
        Controls(e.window).mnuSaveRomAs_Click();
        QVERIFY2(failedOnce(folder), qPrintable(e.desktop.messageTexts()));
        QVERIFY(QFileInfo(folder).isDir());
        QCOMPARE(e.window->windowTitle(), caption);
        QCOMPARE(e.model.RomFileName, QFileInfo(inGone).absoluteFilePath());

        // The disk fills up during the write (a file size limit): the old file survives whole.
        const QByteArray original = CopySampleWithDistinctPairs(dir, QStringLiteral("full.nes"));
        const QString full = dir.filePath(QStringLiteral("full.nes"));
        QVERIFY(e.window->OpenRom(full));
        Edit(e, 0x100, std::uint8_t(~e.model.byteAt(0x100)));
        e.desktop.clearLog();
        {
            const testing::FileSizeLimit limit(4096);
            QVERIFY(limit.isSet());
            Controls(e.window).mnuSaveRom_Click();
        }
        QVERIFY2(failedOnce(full), qPrintable(e.desktop.messageTexts()));
        QVERIFY2(e.desktop.messages[0].text.contains(QStringLiteral("file size limit")), qPrintable(e.desktop.messageTexts()));
        QCOMPARE(ReadFile(full), original);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"full.nes"}));
        QVERIFY(Controls(e.window).history().isModified()); // the edit is still unsaved
    }

    // A file without write permission for its owner is refused, by Save and by Save As
    // alike and whoever runs the program; the unsaved edit stays in the window.
    void readOnlyTarget()
    {
        QTemporaryDir dir;
        const QByteArray original = CopySampleWithDistinctPairs(dir, QStringLiteral("game.nes"));
        QVERIFY(WriteFile(dir.filePath(QStringLiteral("other.nes")), original));
        Editor e;
        const QString path = dir.filePath(QStringLiteral("game.nes"));
        QVERIFY(e.open(path));
        Edit(e, 0x100, std::uint8_t(~e.model.byteAt(0x100)));
        for (const QString &name : {QStringLiteral("game.nes"), QStringLiteral("other.nes")})
            QVERIFY(QFile::setPermissions(dir.filePath(name), QFileDevice::ReadOwner | QFileDevice::ReadGroup));

        Controls(e.window).mnuSaveRom_Click();
        e.desktop.saveAnswers.enqueue(dir.filePath(QStringLiteral("other.nes")));
        Controls(e.window).mnuSaveRomAs_Click();
        const QStringList expected{
            QStringLiteral("Cannot save %1: the file is read-only.").arg(QDir::toNativeSeparators(path)),
            QStringLiteral("Cannot save %1: the file is read-only.")
                .arg(QDir::toNativeSeparators(dir.filePath(QStringLiteral("other.nes"))))};
        QCOMPARE(e.desktop.messages.size(), 2);
        QCOMPARE(QStringList({e.desktop.messages[0].text, e.desktop.messages[1].text}), expected);
        QCOMPARE(ReadFile(path), original);
        QCOMPARE(ReadFile(dir.filePath(QStringLiteral("other.nes"))), original);
        QCOMPARE(e.model.RomFileName, QFileInfo(path).absoluteFilePath());
        QVERIFY(Controls(e.window).history().isModified());
    }

    void saveFixUpNeedsLongEnoughImage_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("how"); // Save, Save As, or a Save whose write fails
        QTest::newRow("64 KiB, Save") << qint64(0x10000) << "save";
        QTest::newRow("64 KiB, Save As") << qint64(0x10000) << "save as";
        QTest::newRow("64 KiB, failed write") << qint64(0x10000) << "fail";
        QTest::newRow("one byte short") << qint64(117144) << "save";
        QTest::newRow("just long enough") << qint64(117145) << "save";
    }
    void saveFixUpNeedsLongEnoughImage()
    {
        QFETCH(qint64, size);
        QFETCH(QString, how);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString path = dir.filePath(QStringLiteral("sub/short.nes"));
        QByteArray data = Pattern(size);
        QVERIFY(WriteFile(path, data));
        Editor e;
        QVERIFY(e.open(path));
        QString target = path;
        if (how == "save as") {
            target = dir.filePath(QStringLiteral("short2.nes"));
            e.desktop.saveAnswers.enqueue(target);
            Controls(e.window).mnuSaveRomAs_Click();
        } else {
            if (how == "fail")
                QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively());
            Controls(e.window).mnuSaveRom_Click();
        }
        QCOMPARE(e.desktop.messages.size(), size >= 117145 ? 0 : 1);
        if (how == "fail") {
            // Only the failure is reported, not a save that did not happen.
            QCOMPARE(e.desktop.messages[0].icon, Desktop::Icon::Warning);
            return;
        }
        if (size >= 117145) {
            data[0x12008] = data[0x1C997];
            data[0x12009] = data[0x1C998];
        } else {
            QCOMPARE(e.desktop.messages[0].icon, Desktop::Icon::Information);
            QVERIFY2(e.desktop.messages[0].text.contains(QString::number(size)), qPrintable(e.desktop.messageTexts()));
        }
        QCOMPARE(ReadFile(target), data);
        QCOMPARE(ToBytes(e.model.image()), data);
    }

    // ---- quitting ------------------------------------------------------------------------------

    // Every way out of the image (quitting three ways, opening another image two ways),
    // without changes and with each answer to the unsaved-changes question.
    void waysOut_data()
    {
        QTest::addColumn<int>("way");
        QTest::addColumn<QString>("answer");
        const char *ways[] = {"File > Quit", "tray Quit", "close box", "File > Open", "open a file"};
        for (int way = 0; way < 5; ++way)
            for (const char *answer : {"no changes", "save", "failed save", "discard", "cancel"})
                QTest::addRow("%s, %s", ways[way], answer) << way << QString::fromLatin1(answer);
    }
    void waysOut()
    {
        QFETCH(int, way);
        QFETCH(QString, answer);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        const QString path = dir.filePath(QStringLiteral("sub/game.nes"));
        const QByteArray original = CopySampleWithDistinctPairs(dir, QStringLiteral("sub/game.nes"));
        QVERIFY(!original.isEmpty());
        Editor e;
        e.window->show();
        QVERIFY(e.window->OpenRom(path));
        e.window->mnuAbout_Click(); // other windows open change nothing
        QVERIFY(Controls(e.window).mnuEdit_Level_Click(0));
        Controls(e.window).cmdEditTile_Click();
        QCoreApplication::processEvents();
        e.desktop.clearLog();
        const bool changed = answer != "no changes";
        if (changed)
            Edit(e, 0x100, std::uint8_t(~e.model.byteAt(0x100)));
        if (answer == "save" || answer == "failed save")
            e.desktop.saveChangesAnswers.enqueue(Desktop::SaveAnswer::Save);
        else if (answer == "discard")
            e.desktop.saveChangesAnswers.enqueue(Desktop::SaveAnswer::Discard);
        else if (answer == "cancel")
            e.desktop.saveChangesAnswers.enqueue(Desktop::SaveAnswer::Cancel);
        if (answer == "failed save") // the file's folder went away
            QVERIFY(QDir(dir.filePath(QStringLiteral("sub"))).removeRecursively());
        const QByteArray imageBefore = ToBytes(e.model.image());

        bool closeAccepted = true;
        switch (way) {
        case 0: Controls(e.window).mnuFile_Quit->trigger(); break;
        case 1: Controls(e.window).mnuTrayIconRight_Quit->trigger(); break;
        case 2: closeAccepted = e.window->close(); break;
        case 3: QVERIFY(e.open(SamplePath) || answer != "no changes"); break;
        case 4: e.window->OpenRom(SamplePath); break;
        }

        const bool goesOn = answer == "no changes" || answer == "save" || answer == "discard";
        QCOMPARE(e.desktop.saveQuestions.size(), changed ? 1 : 0);
        if (changed)
            QCOMPARE(e.desktop.saveQuestions[0].text, QStringLiteral("Save changes to GAME.NES?"));
        if (way <= 2) {
            QCOMPARE(e.desktop.quits, goesOn ? 1 : 0);
            // On the way out the tile editor goes without its notice.
            QCOMPARE((Controls(e.window).tileEditor == nullptr), goesOn);
            QCOMPARE(closeAccepted, goesOn || way != 2);
        } else {
            // The dialog is shown only once the user has decided what becomes of the changes.
            if (way == 3)
                QCOMPARE(e.desktop.openDialogs.size(), goesOn ? 1 : 0);
            QCOMPARE(e.model.RomFileName, goesOn ? QFileInfo(SamplePath).absoluteFilePath()
                                                 : QFileInfo(path).absoluteFilePath());
        }
        if (!goesOn) {
            // Nothing quits, nothing is lost: the image and its unsaved state stay, byte for
            // byte (a save that failed puts no fix-up into the image).
            QCOMPARE(ToBytes(e.model.image()), imageBefore);
            QVERIFY(Controls(e.window).history().isModified());
            QVERIFY(Controls(e.window).mnuUndo->isEnabled());
        }
        if (answer == "failed save") {
            QCOMPARE(e.desktop.messages.size(), 1);
            QVERIFY(e.desktop.messages[0].text.contains(QDir::toNativeSeparators(path)));
        } else {
            QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
            QByteArray expected = original;
            if (answer == "save") {
                expected[0x100] = char(imageBefore[0x100]);
                expected[0x12008] = expected[0x1C997];
                expected[0x12009] = expected[0x1C998];
            }
            QCOMPARE(ReadFile(path), expected);
        }
    }

    // ---- the tray --------------------------------------------------------------------------------

    void minimise_data()
    {
        QTest::addColumn<bool>("tray");
        QTest::newRow("with a tray") << true;
        QTest::newRow("without a tray") << false;
    }
    void minimise()
    {
        QFETCH(bool, tray);
        Editor e(RuntimeDir, tray);
        frmKrelin &w = *e.window;
        auto trayMenu = [&w] {
            w.TrayIcon_PrepareMenu();
            return Entries(Controls(w).mnuTrayIconRight);
        };
        const QStringList up{"Quit|"}, down{"Restore|", "-", "Quit|"};
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(trayMenu(), up);
        for (int round = 0; round < 2; ++round) {
            w.showMinimized();
            if (tray) {
                QTRY_VERIFY(w.isHidden());
            } else {
                QTest::qWait(50);
                QVERIFY(w.isMinimized() && !w.isHidden());
            }
            QCOMPARE(trayMenu(), down);
            // Back from the tray icon, then from its menu; it stays up once the queued work has run.
            if (round == 0)
                w.TrayIcon_Activated();
            else
                Controls(w).mnuTrayIconRight_Restore->trigger();
            QVERIFY(w.isVisible() && !w.isMinimized());
            QTest::qWait(50);
            QVERIFY(w.isVisible() && !w.isMinimized());
            QCOMPARE(trayMenu(), up);
        }
        QCOMPARE(e.desktop.quits, 0);
    }

    // ---- links -------------------------------------------------------------------------------------

    void webLinks()
    {
        Editor e;
        frmKrelin &w = *e.window;
        for (QAction *a : {Controls(w).mnuNavVelquin, Controls(w).mnuNavKrelinPage, Controls(w).mnuNavNesdevWiki, Controls(w).mnuNavEmailAuthor})
            a->trigger();
        QCOMPARE(e.desktop.urls.size(), 4);
        for (int i = 0; i < 3; ++i) {
            const QUrl &url = e.desktop.urls[i];
            QVERIFY2(url.isValid() && url.scheme().startsWith(QStringLiteral("http")), qPrintable(url.toString()));
            QVERIFY(!url.host().isEmpty());
        }
        QCOMPARE(QSet<QUrl>(e.desktop.urls.begin(), e.desktop.urls.begin() + 3).size(), 3);

        const QUrl mail = e.desktop.urls[3];
        QCOMPARE(mail.scheme(), QStringLiteral("mailto"));
        QCOMPARE(QUrlQuery(mail).queryItemValue(QStringLiteral("subject"), QUrl::FullyDecoded),
                 QStringLiteral("Krelin Version 0.51"));
        // The address is the one the About box gives for bug reports.
        w.mnuAbout_Click();
        QVERIFY(Controls(w).aboutBox->lblDescription->text().endsWith(mail.path()));
        QVERIFY(e.desktop.messages.isEmpty());

        // Without a browser or a mail program the user is told, with the address.
        e.desktop.linksOpen = false;
        Controls(w).mnuNavVelquin->trigger();
        Controls(w).mnuNavEmailAuthor->trigger();
        QCOMPARE(e.desktop.messages.size(), 2);
        QVERIFY2(e.desktop.messages[0].text.contains(e.desktop.urls[0].toString()), qPrintable(e.desktop.messageTexts()));
        QVERIFY2(e.desktop.messages[1].text.contains(mail.path()), qPrintable(e.desktop.messageTexts()));
        QVERIFY(!e.desktop.messages[1].text.contains(QStringLiteral("mailto:")));
    }

    // ---- the About box -------------------------------------------------------------------------------

    void aboutBox()
    {
        // The program folder has no Krelin.WAV: no error for that.
        QTemporaryDir folder;
        QVERIFY(QFile::copy(QDir(RuntimeDir).filePath(QStringLiteral("Krelin.d_p")),
                            QDir(folder.path()).filePath(QStringLiteral("Krelin.d_p"))));
        const QStringList chime{QDir(folder.path()).filePath(QStringLiteral("Krelin.WAV"))};
        Editor e(folder.path());
        frmKrelin &w = *e.window;
        w.show();
        Controls(w).mnuAbout->trigger();
        frmAbout *box = w.findChild<frmAbout *>();
        QVERIFY(box && box == Controls(w).aboutBox && box->isVisible());
        QCOMPARE(box->windowTitle(), QStringLiteral("About Krelin V0.5.1"));
        QCOMPARE(box->lblVersion->text(), QStringLiteral("Version 0.5.1"));
        QCOMPARE(box->lblTitle->text(), QStringLiteral("Krelin Version 0.5.1"));
        const QStringList lines = box->lblDescription->text().split(u'\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[3].startsWith(QStringLiteral("Any Bugs Report To ")) && lines[3].size() > 19);
        QCOMPARE(box->cmdClose->text(), QStringLiteral("&CLOSE"));
        QCOMPARE(box->minimumSize(), QSize(382, 244));
        QCOMPARE(box->maximumSize(), QSize(382, 244));
        QCOMPARE(box->size(), QSize(382, 244));
        // A dialog: no minimise or maximise button.
        QCOMPARE(box->windowType(), Qt::Dialog);
        QCOMPARE(box->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint), Qt::WindowFlags());
        QCOMPARE(e.desktop.soundsPlayed, chime);
        QCOMPARE(e.desktop.soundStops, 0);

        // Minimised, it comes back restored when asked for again.
        box->showMinimized();
        QVERIFY(box->isMinimized());
        w.mnuAbout_Click();
        QVERIFY(box->isVisible() && !box->isMinimized());
        QCOMPARE(Controls(w).aboutBox, box);

        // Asked for again while open: the same box, no second chime.
        w.mnuAbout_Click();
        QCOMPARE(w.findChildren<frmAbout *>().size(), 1);
        QCOMPARE(Controls(w).aboutBox, box);
        QCOMPARE(e.desktop.soundsPlayed, chime);

        // Closing stops the chime and lets the box go; the next one chimes again.
        QTest::mouseClick(box->cmdClose, Qt::LeftButton);
        QCOMPARE(e.desktop.soundStops, 1);
        QTRY_VERIFY((Controls(w).aboutBox == nullptr));
        QTRY_COMPARE(w.findChildren<frmAbout *>().size(), 0);
        w.mnuAbout_Click();
        QCOMPARE(e.desktop.soundsPlayed.size(), 2);
        Controls(w).aboutBox->close();
        QCOMPARE(e.desktop.soundStops, 2);
        QTRY_VERIFY((Controls(w).aboutBox == nullptr));
        // Escape closes it too.
        w.mnuAbout_Click();
        QVERIFY(QTest::qWaitForWindowExposed(Controls(w).aboutBox));
        Controls(w).aboutBox->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Controls(w).aboutBox));
        QTest::keyClick(Controls(w).aboutBox, Qt::Key_Escape);
        QCOMPARE(e.desktop.soundStops, 3);
        QTRY_VERIFY((Controls(w).aboutBox == nullptr));
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));
        QCOMPARE(e.desktop.quits, 0);

        // The real desktop takes a missing chime, and stopping one that never played, quietly.
        QtDesktop real;
        real.playSound(chime[0]);
        real.stopSound();
    }

    // The real desktop's message boxes are wide enough for their title beside a title
    // bar's icon and buttons: the tile editor's short notice under "Krelin V0.5" had its
    // title cut to "Kre… 0.5". Each box is measured while it is open, then closed.
    void messageBoxesHaveRoomForTheirTitle()
    {
        QtDesktop real;
        QFont bold = QApplication::font();
        bold.setBold(true);
        const int title = QFontMetrics(bold).horizontalAdvance(ShortCaption());
        QList<int> widths;
        const auto measure = [&widths] {
            QTimer::singleShot(0, [&widths] {
                if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                    widths << box->width();
                    box->done(0);
                }
            });
        };
        bool ticked = true;
        measure();
        real.showMessage(nullptr, ShortCaption(), QStringLiteral("Editor Must Refresh!"), Desktop::Icon::None);
        measure();
        real.showMessageWithCheck(nullptr, ShortCaption(), QStringLiteral("Editor Must Refresh!"), QStringLiteral("Don't ask again"), &ticked);
        measure();
        real.askYesNo(nullptr, ShortCaption(), QStringLiteral("Ok?"));
        QCOMPARE(widths.size(), 3);
        for (int width : widths) // an icon and three buttons, about 24 pixels each
            QVERIFY2(width >= title + 4 * 24, qPrintable(QStringLiteral("%1 < %2 + 96").arg(width).arg(title)));
        QVERIFY(!ticked);
    }

    // ---- refused stage choices ----------------------------------------------------------------------

    void stageTooLongForImage()
    {
        QTemporaryDir dir;
        const QString shortPath = dir.filePath(QStringLiteral("short.nes"));
        QVERIFY(WriteFile(shortPath, Pattern(0x10000)));
        // Long enough for stage 1A (up to 0x1900F), too short for stage 5 (up to 0x1C00F).
        const QString midPath = dir.filePath(QStringLiteral("mid.nes"));
        QVERIFY(WriteFile(midPath, Pattern(0x1C000)));
        Editor e;
        frmKrelin &w = *e.window;

        // No stage chosen yet.
        QVERIFY(w.OpenRom(shortPath));
        StageState before = e.stageState();
        QVERIFY(!before.loaded);
        QVERIFY(!Controls(w).mnuEdit_Level_Click(9));
        QCOMPARE(e.desktop.messages.size(), 1);
        const QString text = e.desktop.messages[0].text;
        QVERIFY2(text.contains(QStringLiteral("Stage 5")) && text.contains(QStringLiteral("114704"))
                     && text.contains(QStringLiteral("65536")),
                 qPrintable(text));
        QVERIFY(e.stageState() == before);
        // Chosen from the menu, the command's own check mark is taken back too.
        Controls(w).mnuEdit_Level_Stage[9]->trigger();
        QCOMPARE(e.desktop.messages.size(), 2);
        QVERIFY(e.stageState() == before);
        QVERIFY(!Controls(w).mnuEditPalette->isEnabled() && !Controls(w).mnuTileEditor->isEnabled() && !Controls(w).cmdEditTile->isEnabled());

        // Stage 1A chosen and scrolled, then an image that holds 1A but not 5.
        QVERIFY(w.OpenRom(SamplePath));
        Controls(w).mnuEdit_Level_Stage[0]->trigger();
        Controls(w).hLevel_Frames->setValue(3);
        Controls(w).hsTable->setValue(2);
        QVERIFY(w.OpenRom(midPath));
        e.desktop.clearLog();
        before = e.stageState();
        QVERIFY(before.loaded && before.checks[0]);
        QCOMPARE(before.framesMax, 6);
        QCOMPARE(before.framesValue, 3);
        Controls(w).mnuEdit_Level_Stage[9]->trigger();
        QCOMPARE(e.desktop.messages.size(), 1);
        QVERIFY(e.desktop.messages[0].text.contains(QStringLiteral("Stage 5")));
        QVERIFY(e.stageState() == before);
        QVERIFY(!Controls(e.window).history().isModified());
    }
};

QTEST_MAIN(TestUi)
#include "test_ui.moc"
