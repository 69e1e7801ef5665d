// The console judges the editor's pictures: the sample cartridge runs in the system's NES
// core, its viewer is moved with the controller through every frame of every stage, and
// the core's picture must equal, pixel for pixel, the editor's picture of that frame in
// Console Colours; again after an edit of each kind.
#include "ConsoleSession.h"
#include "TestFolders.h"

#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "edit/EditCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <iterator>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Pixels that differ between two RGB32 pictures of the same size.
int DifferingPixels(const QImage &a, const QImage &b)
{
    int count = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto *p = reinterpret_cast<const QRgb *>(a.constScanLine(y));
        const auto *q = reinterpret_cast<const QRgb *>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            count += (p[x] ^ q[x]) & 0xFFFFFF ? 1 : 0;
    }
    return count;
}

QByteArray Bytes(const modKrelin &model)
{
    return QByteArray(reinterpret_cast<const char *>(model.image().data()), qsizetype(model.romSize()));
}

} // namespace

class ConsoleTest : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    modKrelin model;
    std::vector<std::uint8_t> sample;
    std::unique_ptr<CoreHost> host;
    std::unique_ptr<ViewerControl> viewer;

    // The core's picture against the editor's; where they differ, both are written as PNG
    // files and named in the failure.
    bool agrees(const QString &what, QString *failure)
    {
        model.ApplyStage(StageTable[std::size_t(viewer->stage())]);
        const QImage editor = EditorConsolePicture(model, viewer->frame());
        const QImage console = host->picture();
        if (console.size() != editor.size()) {
            *failure = QStringLiteral("%1: the core's picture is %2 x %3, not 256 x 240")
                           .arg(what).arg(console.width()).arg(console.height());
            return false;
        }
        const int differing = DifferingPixels(console, editor);
        if (differing == 0)
            return true;
        const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/console-differences"));
        folder.mkpath(QStringLiteral("."));
        QString name = what;
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        const QString consolePath = folder.filePath(name + QStringLiteral("-console.png"));
        const QString editorPath = folder.filePath(name + QStringLiteral("-editor.png"));
        console.save(consolePath);
        editor.save(editorPath);
        *failure = QStringLiteral("%1: %2 pixels differ; the core's picture is %3, the editor's %4")
                       .arg(what).arg(differing).arg(consolePath, editorPath);
        return false;
    }

    // Gives the core the image as the model holds it now, the game going on, and lets the
    // viewer read everything again.
    void reloadIntoCore()
    {
        QString message;
        QCOMPARE(host->reloadImage(Bytes(model), &message), CoreHost::Reload::StateKept);
        viewer->run(ViewerControl::RereadFrames);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(scratch.isValid());
        const QString runtime = RuntimeFolder();
        const QString paletteProblem = LoadMasterPalette(model, runtime);
        QVERIFY2(paletteProblem.isEmpty(), qPrintable(paletteProblem));
        RomReadResult rom = ReadRomFile(runtime + QStringLiteral("/sample.nes"));
        QVERIFY2(rom.ok(), qPrintable(rom.error));
        sample = rom.bytes;
        model.replaceImage(rom.bytes);
        QString error;
        host = OpenConsole(model, scratch.path(), &error);
        QVERIFY2(host, qPrintable(error));
        QVERIFY2(host->loadImage(Bytes(model), &error), qPrintable(error));
        viewer = std::make_unique<ViewerControl>(*host);
        viewer->boot();
    }

    void init()
    {
        if (model.image() != sample) {
            model.replaceImage(sample);
            reloadIntoCore();
        }
    }

    void powerOnShowsTheFirstStage()
    {
        QCOMPARE(viewer->stage(), 0);
        QString failure;
        QVERIFY2(agrees(QStringLiteral("power-on"), &failure), qPrintable(failure));
    }

    void everyStage_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<int>("frame");
        for (int s = 0; s < StageCount; ++s) {
            const Stage &stage = StageTable[std::size_t(s)];
            for (int f = 0; f < stage.Frames; ++f)
                QTest::addRow("%s frame %d", stage.name, f) << s << f;
        }
    }

    void everyStage()
    {
        QFETCH(int, stage);
        QFETCH(int, frame);
        viewer->show(stage, frame);
        QString failure;
        QVERIFY2(agrees(QStringLiteral("stage %1 frame %2").arg(QLatin1String(StageTable[std::size_t(stage)].name)).arg(frame),
                        &failure),
                 qPrintable(failure));
    }

    // Right stops at the last frame, Left at the first; Start and Select go round.
    void buttonsStopAndWrap()
    {
        viewer->show(0, 0);
        QString failure;
        viewer->press(JoypadButton::Left);
        QVERIFY2(agrees(QStringLiteral("left at frame 0"), &failure), qPrintable(failure));
        viewer->press(JoypadButton::Start);
        QCOMPARE(viewer->stage(), StageCount - 1);
        QVERIFY2(agrees(QStringLiteral("start at the first stage"), &failure), qPrintable(failure));
        viewer->press(JoypadButton::Right);
        QCOMPARE(viewer->frame(), 0); // the last stage has one frame
        QVERIFY2(agrees(QStringLiteral("right at the last frame"), &failure), qPrintable(failure));
        viewer->press(JoypadButton::Select);
        QCOMPARE(viewer->stage(), 0);
        QVERIFY2(agrees(QStringLiteral("select at the last stage"), &failure), qPrintable(failure));
    }

    // An edit of each kind, made with the editor's own steps: the core, given the edited
    // image under the running game, shows the change as the editor does.
    void edits_data()
    {
        QTest::addColumn<int>("kind");
        const char *kinds[] = {"cell", "quadrant tile", "pixel", "sub-palette", "palette byte",
                               "entries 4 8 12 unlike entry 0"};
        for (int kind = 0; kind < int(std::size(kinds)); ++kind)
            QTest::newRow(kinds[kind]) << kind;
    }

    void edits()
    {
        QFETCH(int, kind);
        const int frame = 1, col = 4, row = 12;
        viewer->show(0, frame);
        model.ApplyStage(StageTable[0]);
        QString failure;
        QVERIFY2(agrees(QStringLiteral("before the %1 edit").arg(QTest::currentDataTag()), &failure), qPrintable(failure));
        const QImage before = host->picture();
        const QImage ownColorsBefore = EditorConsolePicture(model, frame, false);

        const int m = model.byteAt(LevelCellOffset(model, frame, col, row));
        const int tile = model.byteAt(QuadrantTileOffset(model, m, 0));
        const int sub = model.byteAt(SubPaletteOffset(model, m)) & 3;
        // The edit of this kind that the nth try makes; the first that the editor's
        // picture shows is kept.
        const auto edit = [&](int n) -> std::unique_ptr<QUndoCommand> {
            switch (kind) {
            case 0: return std::make_unique<PlaceMetaTileCommand>(model, frame, col, row, (m + n) & 0xFF);
            case 1: return std::make_unique<SetQuadrantTileCommand>(model, m, 0, (tile + n) & 0xFF);
            case 2: return std::make_unique<PaintPixelCommand>(model, TileOffset(model, tile), n / 4 % 8, n / 32 % 8, n % 4);
            case 3: return std::make_unique<SetSubPaletteCommand>(model, m, (sub + n) % 4);
            default: {
                const int entry = 4 * sub + 1 + n % 3;
                return std::make_unique<SetPaletteColorCommand>(model, entry,
                                                                (model.byteAt(PaletteEntryOffset(model, entry)) + 0x11 * n) & 0x3F);
            }
            }
        };
        if (kind == 5) {
            const int backdrop = model.byteAt(PaletteEntryOffset(model, 0));
            for (int p = 1; p < 4; ++p)
                SetPaletteColorCommand(model, 4 * p, (backdrop + 0x10 * p) & 0x3F).redo();
        } else {
            for (int n = 1;; ++n) {
                QVERIFY2(n < 64, "no edit of this kind shows in the frame");
                const auto step = edit(n);
                step->redo();
                if (EditorConsolePicture(model, frame) != before)
                    break;
                step->undo();
            }
        }

        reloadIntoCore();
        QVERIFY2(agrees(QStringLiteral("after the %1 edit").arg(QTest::currentDataTag()), &failure), qPrintable(failure));
        if (kind == 5) {
            // The console shows colour 0 of every sub-palette from entry 0: its picture
            // stays, while the editor's own colours show the new entries.
            QCOMPARE(host->picture(), before);
            QVERIFY(EditorConsolePicture(model, frame, false) != ownColorsBefore);
        } else {
            QVERIFY(host->picture() != before);
        }
    }
};

QTEST_GUILESS_MAIN(ConsoleTest)
#include "test_console.moc"
