// The main window as a desktop program: pictures exported from the File menu (the same as
// the command line's), files dropped on the window, and the recent-files list. Settings
// live in a file of the test's own; the user's are never read or written.

#include "ScriptedDesktop.h"
#include "Bytes.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "render/LevelView.h"
#include "ui/ExportMenu.h"
#include "ui/RecentFiles.h"
#include "support/WindowControls.h"
#include "ui/frmKrelin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QProcess>
#include <QScrollBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <memory>

#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;
using krelin::testing::ScriptedDesktop;

namespace {

const QString SamplePath = QStringLiteral(KRELIN_SAMPLE);

int StageIndex(const char *name)
{
    return int(FindStage(QLatin1String(name)) - StageTable.data());
}

bool CopySample(const QString &to)
{
    QFile::remove(to);
    return QFile::copy(SamplePath, to);
}

// The picture the command line exports from a saved image.
QImage CommandLinePicture(const QString &image, const QString &out, const QString &stage, int frame = -1)
{
    QStringList arguments{QStringLiteral("--export"), out, QStringLiteral("--stage"), stage};
    if (frame >= 0)
        arguments << QStringLiteral("--frame") << QString::number(frame);
    QProcess process;
    process.start(QStringLiteral(KRELIN_EXECUTABLE), arguments << image);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

struct Editor
{
    modKrelin model;
    ScriptedDesktop desktop;
    std::unique_ptr<frmKrelin> window;

    explicit Editor(QSettings *settings = nullptr)
        : window(std::make_unique<frmKrelin>(model, desktop, QStringLiteral(KRELIN_RUNTIME_DIR), settings))
    {
    }
};

// Sends a drag over the window and, when it is taken, the drop; returns whether the drag
// was accepted and with which action.
Qt::DropAction Drop(QWidget *window, QMimeData *data, Qt::DropActions possible = Qt::CopyAction)
{
    const QPoint at(100, 100);
    QDragEnterEvent enter(at, possible, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted())
        return Qt::IgnoreAction;
    QDropEvent drop(at, possible, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    QCoreApplication::processEvents(); // the file opens once the drop has finished
    return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QApplication::setQuitOnLastWindowClosed(false);
    }

    // Exported from the window after edits and a palette change the window has not been
    // refreshed for, the pictures equal the command line's of the saved image.
    void exportMatchesCommandLine()
    {
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("game.nes"));
        QVERIFY(CopySample(rom));
        Editor e;
        frmKrelin &w = *e.window;
        QVERIFY(!Controls(w).mnuExport->mnuExportFrame->isEnabled() && !Controls(w).mnuExport->mnuExportStage->isEnabled());
        QVERIFY(w.OpenRom(rom));
        QVERIFY(Controls(w).mnuEdit_Level_Click(StageIndex("3")));
        Controls(w).hLevel_Frames->setValue(5);
        QVERIFY(e.model.writeByte(LevelCellOffset(e.model, 5, 3, 4), 0x11));
        for (int i = 0; i < 16; ++i)
            QVERIFY(e.model.writeByte(e.model.PalOffset + i, std::uint8_t((e.model.byteAt(e.model.PalOffset + i) + 5) % 64)));
        const auto shownColors = e.model.BgColors();

        e.desktop.saveAnswers << dir.filePath(QStringLiteral("frame")) << dir.filePath(QStringLiteral("strip.png"));
        Controls(w).mnuExport->mnuExportFrame->trigger();
        QVERIFY(e.desktop.saveDialogs.last().start.startsWith(dir.path()));
        QVERIFY(e.model.BgColors() == shownColors); // the window keeps showing what it showed
        QVERIFY(Controls(w).mnuEdit_Level_Click(StageIndex("2A")));
        Controls(w).mnuExport->mnuExportStage->trigger();
        QVERIFY2(e.desktop.messages.isEmpty(), qPrintable(e.desktop.messageTexts()));

        Controls(w).mnuSaveRom_Click();
        const QImage cliFrame = CommandLinePicture(rom, dir.filePath(QStringLiteral("cli-frame.png")), "3", 5);
        const QImage cliStrip = CommandLinePicture(rom, dir.filePath(QStringLiteral("cli-strip.png")), "2a");
        QVERIFY(!cliFrame.isNull() && !cliStrip.isNull());
        QCOMPARE(QImage(dir.filePath(QStringLiteral("frame.png"))).convertToFormat(QImage::Format_RGB32), cliFrame);
        QCOMPARE(QImage(dir.filePath(QStringLiteral("strip.png"))).convertToFormat(QImage::Format_RGB32), cliStrip);
    }

    // The pictures, the tile sheet, the Tiled map and the patch the window writes are never
    // the open cartridge, whatever the name it is given by: a refusal that says so, and the
    // file left as it was.
    void outputIsNeverTheOpenImage_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("its own name") << "game.nes";
        QTest::newRow("another spelling") << "./sub/../game.nes";
        QTest::newRow("a symbolic link") << "link.nes";
        QTest::newRow("a hard link") << "hard.nes";
    }
    void outputIsNeverTheOpenImage()
    {
        QFETCH(QString, spelling);
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("game.nes")), clean = dir.filePath(QStringLiteral("clean.nes"));
        QVERIFY(CopySample(rom) && CopySample(clean) && QDir(dir.path()).mkdir(QStringLiteral("sub")));
        QVERIFY(QFile::link(rom, dir.filePath(QStringLiteral("link.nes"))));
        QVERIFY(::link(QFile::encodeName(rom).constData(), QFile::encodeName(dir.filePath(QStringLiteral("hard.nes"))).constData()) == 0);
        const QByteArray original = ReadFile(rom);
        Editor e;
        frmKrelin &w = *e.window;
        QVERIFY(w.OpenRom(rom));
        QVERIFY(Controls(w).mnuEdit_Level_Click(StageIndex("1A")));
        QVERIFY(e.model.writeByte(LevelCellOffset(e.model, 0, 1, 1), 0x33)); // unsaved work, unlike the file

        e.desktop.saveAnswers << dir.filePath(spelling);
        QVERIFY(!Controls(w).mnuExport->ExportFrame());
        QCOMPARE(e.desktop.messages.size(), 1);
        QVERIFY2(e.desktop.messages.first().text.contains(QStringLiteral("open cartridge image itself")),
                 qPrintable(e.desktop.messageTexts()));
        QCOMPARE(ReadFile(rom), original);

        // The tile sheet and the Tiled map (and its picture, NAME-metatiles.png) likewise.
        QVERIFY(QFile::link(rom, dir.filePath(QStringLiteral("image.tmx"))));
        QVERIFY(QFile::link(rom, dir.filePath(QStringLiteral("game-metatiles.png"))));
        for (const auto &[action, output] : {std::pair{"mnuExportTiles", spelling},
                                             std::pair{"mnuExportTiled", QStringLiteral("image.tmx")},
                                             std::pair{"mnuExportTiled", QStringLiteral("game.tmx")}}) {
            e.desktop.clearLog();
            e.desktop.saveAnswers << dir.filePath(output);
            Controls(w).named<QAction>(action)->trigger();
            QCOMPARE(e.desktop.messages.size(), 1);
            QVERIFY2(e.desktop.messages.first().text.contains(QStringLiteral("open cartridge image")),
                     qPrintable(e.desktop.messageTexts()));
            QCOMPARE(ReadFile(rom), original);
        }

        // A patch's name ends in .ips or .bps (another gets .ips): links so named that lead to
        // the open image or to the clean image chosen.
        QVERIFY(QFile::link(rom, dir.filePath(QStringLiteral("image.ips"))));
        QVERIFY(::link(QFile::encodeName(rom).constData(), QFile::encodeName(dir.filePath(QStringLiteral("image.bps"))).constData()) == 0);
        QVERIFY(QFile::link(clean, dir.filePath(QStringLiteral("clean.ips"))));
        for (const char *output : {"image.ips", "image.bps", "clean.ips"}) {
            e.desktop.clearLog();
            e.desktop.openAnswers << clean;
            e.desktop.saveAnswers << dir.filePath(QLatin1String(output));
            QVERIFY(!Controls(w).mnuCreatePatch_Click());
            QVERIFY2(e.desktop.messageTexts().contains(QStringLiteral("it is the same file as the image")),
                     qPrintable(e.desktop.messageTexts()));
        }
        QCOMPARE(ReadFile(rom), original);
        QCOMPARE(ReadFile(clean), original);
    }

    void exportRefusals()
    {
        QTemporaryDir dir;
        Editor e;
        frmKrelin &w = *e.window;
        QVERIFY(w.OpenRom(SamplePath));
        QVERIFY(Controls(w).mnuEdit_Level_Click(StageIndex("1A")));

        // A bare name whose .png exists already: the question, and No keeps the file.
        const QString existing = dir.filePath(QStringLiteral("old.png"));
        QVERIFY(QFile(existing).open(QIODevice::WriteOnly));
        e.desktop.saveAnswers << dir.filePath(QStringLiteral("old"));
        e.desktop.yesNoAnswers << false;
        QVERIFY(!Controls(w).mnuExport->ExportFrame());
        QCOMPARE(e.desktop.questions.size(), 1);
        QVERIFY(e.desktop.questions.first().text.contains(QStringLiteral("old.png")));
        QCOMPARE(QFileInfo(existing).size(), 0);
        e.desktop.saveAnswers << dir.filePath(QStringLiteral("old"));
        e.desktop.yesNoAnswers << true;
        QVERIFY(Controls(w).mnuExport->ExportFrame());
        QCOMPARE(QImage(existing).size(), QSize(LevelMapWidth, LevelMapHeight));

        // Cancelled: nothing happens. Unwritable: the reason, and no file.
        QVERIFY(!Controls(w).mnuExport->ExportStage());
        const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/x.png"));
        e.desktop.saveAnswers << unwritable;
        QVERIFY(!Controls(w).mnuExport->ExportStage());
        QCOMPARE(e.desktop.messages.size(), 1);
        QVERIFY(e.desktop.messages.first().text.contains(QStringLiteral("cannot write")));

        // An image too short for the stage shown takes the stage off the window, and with
        // it the pictures of it: no dialog.
        const QString shortRom = dir.filePath(QStringLiteral("short.nes"));
        QFile f(shortRom);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(ReadFile(SamplePath).left(0x10010)) == 0x10010);
        f.close();
        QVERIFY(Controls(w).mnuEdit_Level_Click(StageIndex("5")));
        QVERIFY(w.OpenRom(shortRom));
        e.desktop.clearLog();
        QVERIFY(!Controls(w).mnuExport->mnuExportFrame->isEnabled());
        QVERIFY(!Controls(w).mnuExport->ExportFrame());
        QVERIFY(e.desktop.saveDialogs.isEmpty());
    }

    void drop_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("opens");
        QTest::newRow("one image") << "image" << true;
        QTest::newRow("folder") << "folder" << false;
        QTest::newRow("two files") << "two" << false;
        QTest::newRow("web address") << "web" << false;
        QTest::newRow("text") << "text" << false;
    }

    void drop()
    {
        QFETCH(QString, kind);
        QFETCH(bool, opens);
        QTemporaryDir dir;
        const QString rom = dir.filePath(QStringLiteral("dropped.nes"));
        QVERIFY(CopySample(rom));
        Editor e;
        auto *data = new QMimeData;
        std::unique_ptr<QMimeData> owner(data);
        if (kind == "image")
            data->setUrls({QUrl::fromLocalFile(rom)});
        else if (kind == "folder")
            data->setUrls({QUrl::fromLocalFile(dir.path())});
        else if (kind == "two")
            data->setUrls({QUrl::fromLocalFile(rom), QUrl::fromLocalFile(SamplePath)});
        else if (kind == "web")
            data->setUrls({QUrl(QStringLiteral("https://example.org/dropped.nes"))});
        else
            data->setText(rom);

        // Offered as a move too, the drop is taken as a copy: the file stays where it was.
        const Qt::DropAction action = Drop(e.window.get(), data, Qt::CopyAction | Qt::MoveAction);
        QCOMPARE(action, opens ? Qt::CopyAction : Qt::IgnoreAction);
        QCOMPARE(e.model.RomFileName, opens ? rom : QString());
        QCOMPARE(Controls(e.window).mnuRecentFiles->files(), opens ? QStringList{rom} : QStringList{});
        QVERIFY(e.desktop.messages.isEmpty());
    }

    // A dropped file the window refuses gets the same message as one chosen in File > Open.
    void dropRefusedFile()
    {
        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty.nes"));
        QVERIFY(QFile(empty).open(QIODevice::WriteOnly));
        Editor dropped, chosen;
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(empty)});
        QCOMPARE(Drop(dropped.window.get(), &data), Qt::CopyAction);
        chosen.desktop.openAnswers << empty;
        Controls(chosen.window).mnuOpenRom_Click();
        QCOMPARE(dropped.desktop.messages.size(), 1);
        QCOMPARE(dropped.desktop.messageTexts(), chosen.desktop.messageTexts());
        QVERIFY(dropped.model.RomFileName.isEmpty());
    }

    void recentList()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat);
        Editor e(&settings);
        frmKrelin &w = *e.window;
        QVERIFY(!Controls(w).mnuRecentFiles->menuAction()->isEnabled());
        QStringList paths;
        for (const char *name : {"a.nes", "b.nes", "c.nes", "d.nes", "e.nes", "f.nes", "g.nes", "h.nes", "R&D.nes"}) {
            paths << dir.filePath(QLatin1String(name));
            QVERIFY(CopySample(paths.last()));
            QVERIFY(w.OpenRom(paths.last()));
        }
        // Newest first, eight at most; opening again moves a file up instead of adding it.
        QCOMPARE(Controls(w).mnuRecentFiles->files(), QStringList({paths[8], paths[7], paths[6], paths[5], paths[4], paths[3],
                                                         paths[2], paths[1]}));
        QVERIFY(w.OpenRom(paths[4]));
        e.desktop.saveAnswers << dir.filePath(QStringLiteral("saved.nes"));
        Controls(w).mnuSaveRomAs_Click();
        const QStringList expected{dir.filePath(QStringLiteral("saved.nes")), paths[4], paths[8], paths[7], paths[6],
                                   paths[5], paths[3], paths[2]};
        QCOMPARE(Controls(w).mnuRecentFiles->files(), expected);
        const QList<QAction *> entries = Controls(w).mnuRecentFiles->actions();
        QCOMPARE(entries.at(2)->text(), QStringLiteral("&3 R&&D.nes"));
        QCOMPARE(entries.at(7)->shortcut(), QKeySequence(QStringLiteral("Ctrl+8")));

        // Ctrl+3 opens the third entry as File > Open would.
        w.show();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_3, Qt::ControlModifier);
        QCOMPARE(e.model.RomFileName, paths[8]);

        // Kept in the settings: another window (another copy of the program) reads the list
        // and adds to it without losing what this one added since.
        Editor other(&settings);
        QCOMPARE(Controls(other.window).mnuRecentFiles->files(), Controls(w).mnuRecentFiles->files());
        QVERIFY(w.OpenRom(paths[0]));
        QVERIFY(other.window->OpenRom(paths[1]));
        QCOMPARE(QSettings(dir.filePath(QStringLiteral("krelin.conf")), QSettings::IniFormat)
                     .value(QStringLiteral("RecentFiles"))
                     .toStringList()
                     .mid(0, 3),
                 QStringList({paths[1], paths[0], paths[8]}));

        // A file that is gone is taken off the list with a message, and nothing opens.
        QVERIFY(QFile::remove(paths[8]));
        Controls(w).mnuRecentFiles->choose(1);
        QCOMPARE(e.model.RomFileName, paths[0]);
        QCOMPARE(e.desktop.messages.size(), 1);
        QVERIFY(e.desktop.messages.first().text.contains(QStringLiteral("R&D.nes")));
        QVERIFY(!Controls(w).mnuRecentFiles->files().contains(paths[8]));
        QCOMPARE(Controls(w).mnuRecentFiles->files().size(), 7);
    }
};

QTEST_MAIN(TestDesktop)
#include "test_desktop.moc"
