// The command-line export: the PNG holds exactly what the level-map surface shows, and
// every bad request ends with a one-line message, a non-zero status and no file.
#include "Bytes.h"
#include "RunKrelin.h"
#include "app/Export.h"
#include "app/TileSheetCommand.h"
#include "app/TiledCommand.h"
#include "SyntheticImage.h"
#include "OddFiles.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/Palette.h"
#include "render/TilePainter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Runs the program; fileSizeLimit, when set, is the largest file (in bytes) it may write.
ProgramRun runKrelin(const QStringList &arguments, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    RunOptions options;
    if (fileSizeLimit != RLIM_INFINITY)
        options.childModifier = [fileSizeLimit] {
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = fileSizeLimit;
            setrlimit(RLIMIT_FSIZE, &limit);
        };
    return RunKrelin(arguments, options);
}

// The sample image with a stage's offsets and the shipped master palette, as the
// exporter should see it.
void loadStage(modKrelin &model, const Stage &stage)
{
    RomReadResult rom = ReadRomFile(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(rom.ok());
    QVERIFY(LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR)).isEmpty());
    model.replaceImage(std::move(rom.bytes));
    UseStageOffsets(model, stage);
    QVERIFY(ResolveBgColors(model));
}

// Compares frame f of the stage with the picture's 543 x 509 area at (left, 0), in the
// colours of the image's palette bytes or as the console shows them.
QString compareFrame(const QImage &picture, const modKrelin &model, int frame, int left, bool console = false)
{
    const auto colors = console ? ExpectedConsoleColors(model) : ExpectedBgColors(model);
    for (int row = 0; row < FrameRows; ++row)
        for (int col = 0; col < FrameColumns; ++col) {
            const int n = model.image()[std::size_t(model.LevelOffset + 240 * frame + 16 * row + col)];
            const QString diff = CompareMetaTile(picture, model, n, left + 34 * col, 34 * row, ClearColor, colors);
            if (!diff.isEmpty())
                return QStringLiteral("frame %1: ").arg(frame) + diff;
        }
    // The gap lines between cells are cleared.
    for (int y = 0; y < 509; ++y)
        if (picture.pixel(left + 33, y) != ClearColor)
            return QStringLiteral("frame %1: gap column at y %2 is not cleared").arg(frame).arg(y);
    return {};
}

} // namespace

class TestExport : public QObject
{
    Q_OBJECT

private slots:
    void exportsOneFrame();
    void exportsWholeStageStrip();
    void exportsInConsoleColours();
    void refusesBadRequests_data();
    void refusesBadRequests();
    void refusesOutputThatIsTheImage_data();
    void refusesOutputThatIsTheImage();
    void outputNeverThePaletteFile();
    void reportsFileSizeLimit();
    void helpWithoutDisplay();
    void messagesAreSentences_data();
    void messagesAreSentences();
    void programThatDoesNotEndFails();
};

void TestExport::exportsOneFrame()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("frame.png"));
    const ProgramRun run = runKrelin({QStringLiteral("--export"), out, QStringLiteral("--stage"), QStringLiteral("3"),
                               QStringLiteral("--frame"), QStringLiteral("5"), QStringLiteral(KRELIN_SAMPLE)});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QImage picture(out);
    QCOMPARE(picture.size(), QSize(543, 509));
    modKrelin model;
    loadStage(model, *FindStage(QStringLiteral("3")));
    const QString diff = compareFrame(picture.convertToFormat(QImage::Format_RGB32), model, 5, 0);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestExport::exportsWholeStageStrip()
{
    QTemporaryDir dir;
    for (const char *name : {"2A", "7"}) {
        const Stage &stage = *FindStage(QLatin1String(name));
        const QString out = dir.filePath(QStringLiteral("strip-%1.png").arg(QLatin1String(name)));
        const ProgramRun run = runKrelin({QStringLiteral("--export"), out, QStringLiteral("--stage"),
                                   QString::fromLatin1(name).toLower(), QStringLiteral(KRELIN_SAMPLE)});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QImage picture = QImage(out).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(544 * stage.Frames - 1, 509));
        modKrelin model;
        loadStage(model, stage);
        for (int f = 0; f < stage.Frames; ++f) {
            const QString diff = compareFrame(picture, model, f, 544 * f);
            QVERIFY2(diff.isEmpty(), qPrintable(diff));
        }
    }
}

// The sample keeps palette entries 4, 8 and 12 equal to entry 0, as the game does; with
// them made unlike it, --console-colours draws colour 0 of every sub-palette from entry 0
// and the plain export from their own bytes.
void TestExport::exportsInConsoleColours()
{
    QTemporaryDir dir;
    const Stage &stage = *FindStage(QStringLiteral("3"));
    RomReadResult rom = ReadRomFile(QStringLiteral(KRELIN_SAMPLE));
    QVERIFY(rom.ok());
    const std::uint8_t unlike[] = {0x16, 0x2A, 0x12}; // red, green, blue; the backdrop is black
    for (int p = 1; p < 4; ++p)
        rom.bytes[std::size_t(stage.PalOffset + 4 * p)] = unlike[p - 1];
    const QString image = dir.filePath(QStringLiteral("unlike.nes"));
    QFile file(image);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(rom.bytes.data()), qint64(rom.bytes.size()));
    file.close();

    modKrelin model;
    QVERIFY(LoadMasterPalette(model, QStringLiteral(KRELIN_RUNTIME_DIR)).isEmpty());
    model.replaceImage(rom.bytes);
    UseStageOffsets(model, stage);
    QImage pictures[2];
    for (const bool console : {false, true}) {
        const QString out = dir.filePath(console ? QStringLiteral("console.png") : QStringLiteral("own.png"));
        QStringList arguments{QStringLiteral("--export"), out, QStringLiteral("--stage"), QStringLiteral("3"),
                              QStringLiteral("--frame"), QStringLiteral("5"), image};
        if (console)
            arguments.insert(arguments.size() - 1, QStringLiteral("--console-colours"));
        const ProgramRun run = runKrelin(arguments);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        pictures[console] = QImage(out).convertToFormat(QImage::Format_RGB32);
        const QString diff = compareFrame(pictures[console], model, 5, 0, console);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
    QVERIFY(pictures[0] != pictures[1]); // the frame shows colour 0 of other sub-palettes
}

void TestExport::refusesBadRequests_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("says");
    const QString sample = QStringLiteral(KRELIN_SAMPLE);
    QTest::newRow("unknown stage") << QStringList{QStringLiteral("--stage"), QStringLiteral("8"), sample}
                                   << QStringLiteral("Unknown stage");
    QTest::newRow("frame out of range")
        << QStringList{QStringLiteral("--stage"), QStringLiteral("1B"), QStringLiteral("--frame"), QStringLiteral("3"), sample}
        << QStringLiteral("no frame 3");
    QTest::newRow("frame not a number")
        << QStringList{QStringLiteral("--stage"), QStringLiteral("1B"), QStringLiteral("--frame"), QStringLiteral("x"), sample}
        << QStringLiteral("--frame");
    QTest::newRow("missing image") << QStringList{QStringLiteral("--stage"), QStringLiteral("1A"), QStringLiteral("@/none.nes")}
                                   << QStringLiteral("does not exist");
    QTest::newRow("image too short") << QStringList{QStringLiteral("--stage"), QStringLiteral("5"), QStringLiteral("@/short.nes")}
                                     << QStringLiteral("Stage 5 cannot be shown");
    QTest::newRow("no stage") << QStringList{sample} << QStringLiteral("Usage");
    // What was typed is quoted on the message's one line, a line break too.
    QTest::newRow("stage with a line break")
        << QStringList{QStringLiteral("--stage"), QStringLiteral("1\nA\x01"), sample} << QStringLiteral("\"1\\nA\\x01\"");
    QTest::newRow("frame with a line break")
        << QStringList{QStringLiteral("--stage"), QStringLiteral("1A"), QStringLiteral("--frame"), QStringLiteral("x\n2"), sample}
        << QStringLiteral("\"x\\n2\"");
}

void TestExport::refusesBadRequests()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QFile shortImage(dir.filePath(QStringLiteral("short.nes")));
    QVERIFY(shortImage.open(QIODevice::WriteOnly));
    shortImage.write(QByteArray("NES\x1A", 4) + QByteArray(0x10000 - 4, '\0'));
    shortImage.close();
    for (QString &a : arguments)
        a.replace(QStringLiteral("@"), dir.path());
    const QString out = dir.filePath(QStringLiteral("out.png"));
    const ProgramRun run = runKrelin(QStringList{QStringLiteral("--export"), out} + arguments);
    QVERIFY(run.status > 0);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QCOMPARE(run.err.trimmed().count(u'\n'), 0);
    QVERIFY(!QFileInfo::exists(out));

    // An output path that cannot be written.
    const QString unwritable = dir.filePath(QStringLiteral("no/such/folder/out.png"));
    const ProgramRun bad = runKrelin({QStringLiteral("--export"), unwritable, QStringLiteral("--stage"), QStringLiteral("1A"),
                               QStringLiteral(KRELIN_SAMPLE)});
    QVERIFY(bad.status > 0);
    QVERIFY2(bad.err.startsWith(QStringLiteral("krelin: Cannot write ")) && bad.err.endsWith(".\n"), qPrintable(bad.err));
}

void TestExport::refusesOutputThatIsTheImage_data()
{
    QTest::addColumn<QString>("output"); // how the output names the image game.nes
    QTest::addColumn<QString>("says");
    const QString itself = QStringLiteral("is the cartridge image itself");
    QTest::newRow("same path") << "same" << itself;
    QTest::newRow("spelled another way") << "spelled" << itself;
    QTest::newRow("symbolic link") << "symlink" << itself;
    QTest::newRow("hard link") << "hardlink" << itself;
    // More links in a row than the system follows: refused as such, never written through.
    const QString tooMany = QStringLiteral("too many levels of symbolic links");
    QTest::newRow("45 symbolic links") << "chain" << tooMany;
    QTest::newRow("symbolic links in a loop") << "loop" << tooMany;
}

void TestExport::refusesOutputThatIsTheImage()
{
    QFETCH(QString, output);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), image));
    QString out = image;
    if (output == "spelled") {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
        out = dir.filePath(QStringLiteral("sub/../game.nes"));
    } else if (output == "symlink") {
        out = dir.filePath(QStringLiteral("link.png"));
        QVERIFY(QFile::link(image, out));
    } else if (output == "hardlink") {
        out = dir.filePath(QStringLiteral("hard.png"));
        QCOMPARE(::link(QFile::encodeName(image).constData(), QFile::encodeName(out).constData()), 0);
    } else if (output == "chain" || output == "loop") {
        out = dir.filePath(QStringLiteral("link.png"));
        QVERIFY(MakeLinkChain(output == "chain" ? image : out, out, 45));
    }
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const ProgramRun run = runKrelin({QStringLiteral("--export"), out, QStringLiteral("--stage"), QStringLiteral("1A"), image});
    QVERIFY(run.status > 0);
    QVERIFY2(run.err.contains(says), qPrintable(run.err));
    QCOMPARE(run.err.trimmed().count(u'\n'), 0);
    QFile original(QStringLiteral(KRELIN_SAMPLE)), kept(image);
    QVERIFY(original.open(QIODevice::ReadOnly) && kept.open(QIODevice::ReadOnly));
    QVERIFY(original.readAll() == kept.readAll());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
}

// The commands that draw read the palette file Krelin.d_p of their program's folder: an
// output that names it (here through a link) is refused by each of them, and the file is
// left as it was.
void TestExport::outputNeverThePaletteFile()
{
    QTemporaryDir program, dir;
    const QString palette = MasterPalettePath(program.path()), sample = QStringLiteral(KRELIN_SAMPLE);
    QVERIFY(QFile::copy(MasterPalettePath(QStringLiteral(KRELIN_RUNTIME_DIR)), palette));
    const QByteArray before = ReadFile(palette);
    const auto linked = [&](const char *name) {
        const QString link = dir.filePath(QLatin1String(name));
        return QFile::link(palette, link) ? link : QString();
    };
    const QString said = QStringLiteral("it is the same file as the palette file");

    const QString picture = ExportLevel({sample, linked("p.png"), QStringLiteral("1A")}, program.path());
    QVERIFY2(picture.contains(said), qPrintable(picture));
    TileSheetRequest sheet{linked("s.png"), QStringLiteral("1A"), 0, sample, {}};
    QVERIFY(ExportTileSheet(sheet, program.path()).contains(said));
    sheet.sheetPath = dir.filePath(QStringLiteral("tiles.png"));
    QCOMPARE(ExportTileSheet(sheet, program.path()), QString());
    sheet.outPath = linked("out.nes");
    QVERIFY(ImportTileSheet(sheet, program.path()).contains(said));
    TiledRequest map;
    map.mapPath = linked("m.tmx");
    map.stageName = QStringLiteral("1A");
    map.imagePath = sample;
    QVERIFY(ExportTiledMap(map, program.path()).contains(said));
    QCOMPARE(ReadFile(palette), before);
}

// A write stopped by the file size limit is an error like any other: the program is not
// killed, says why in one line, and leaves no file.
void TestExport::reportsFileSizeLimit()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("strip.png"));
    const ProgramRun run = runKrelin({QStringLiteral("--export"), out, QStringLiteral("--stage"), QStringLiteral("2A"),
                               QStringLiteral(KRELIN_SAMPLE)},
                              4096);
    QVERIFY2(run.status == 1, qPrintable(QStringLiteral("status %1: %2").arg(run.status).arg(run.err)));
    QVERIFY2(run.err.contains(QStringLiteral("file size limit")), qPrintable(run.err));
    QCOMPARE(run.err.trimmed().count(u'\n'), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// Help and version print in a terminal without a display, and the help names the ways
// to use the program without a window.
void TestExport::helpWithoutDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    // The standard output of a run that ended with status 0, or "failed".
    const auto run = [&](const QString &option) {
        RunOptions options;
        options.environment = environment;
        const ProgramRun done = RunKrelin({option}, options);
        return done.status == 0 ? QString::fromLocal8Bit(done.out) : QStringLiteral("failed: ") + done.err;
    };
    const QString help = run(QStringLiteral("--help"));
    for (const char *mode : {"--export OUT.png --stage S", "--make-patch", "--apply-patch", "[IMAGE]"})
        QVERIFY2(help.contains(QLatin1String(mode)), qPrintable(help));
    QCOMPARE(run(QStringLiteral("--version")).trimmed(), QStringLiteral("Krelin 0.5.1"));
}

// Every command's refusal is one line written alike: a sentence with a capital (or an
// option's or a file's name) first and a full stop last, or the command's usage.
void TestExport::messagesAreSentences_data()
{
    QTest::addColumn<QStringList>("arguments"); // IMAGE, OUT and MISSING stand for files
    const auto row = [](const char *name, const char *arguments) {
        QTest::newRow(name) << QString::fromLatin1(arguments).split(u' ');
    };
    row("export, unknown stage", "--export OUT.png --stage 9 IMAGE");
    row("export, frame out of range", "--export OUT.png --stage 1B --frame 7 IMAGE");
    row("export, frame not a number", "--export OUT.png --stage 1B --frame x IMAGE");
    row("export, not a PNG name", "--export OUT.txt --stage 1B IMAGE");
    row("export, over the image", "--export IMAGE --stage 1B IMAGE");
    row("export, missing image", "--export OUT.png --stage 1B MISSING");
    row("export, no stage", "--export OUT.png IMAGE");
    row("tile sheet, unknown stage", "--export-tiles OUT.png --stage 9 IMAGE");
    row("tile sheet, not a PNG name", "--export-tiles OUT.txt --stage 1A IMAGE");
    row("tile sheet, over the image", "--import-tiles OUT.png --stage 1A IMAGE IMAGE");
    row("tile sheet, sub-palette", "--export-tiles OUT.png --stage 1A --subpalette 5 IMAGE");
    row("Tiled, map name", "--export-tiled OUT.txt --stage 1A IMAGE");
    row("Tiled, unknown stage", "--export-tiled OUT.tmx --stage 9 IMAGE");
    row("Tiled, over the image", "--import-tiled OUT.tmx --stage 1A IMAGE IMAGE");
    row("play, not a PNG name", "--play IMAGE --frames 5 --screenshot OUT.txt");
    row("play, no frames", "--play IMAGE --frames 0 --screenshot OUT.png");
    row("play, over the image", "--play IMAGE --frames 5 --screenshot IMAGE");
    row("play, missing state", "--play IMAGE --frames 5 --state MISSING --screenshot OUT.png");
    row("play, bad press", "--play IMAGE --frames 5 --press 1:jump --screenshot OUT.png");
    row("diff, missing image", "--diff IMAGE MISSING");
    row("diff, usage", "--diff IMAGE");
    row("patch info, missing patch", "--patch-info MISSING");
    row("make patch, over an input", "--make-patch IMAGE IMAGE IMAGE");
    row("player, not a command", "--player");
}

void TestExport::messagesAreSentences()
{
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("game.nes"));
    QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), image));
    for (QString &a : arguments) {
        if (a == QLatin1String("IMAGE"))
            a = image;
        else if (a == QLatin1String("MISSING"))
            a = dir.filePath(QStringLiteral("gone.nes"));
        else if (a.startsWith(QLatin1String("OUT")))
            a = dir.filePath(QStringLiteral("out") + a.mid(3));
    }
    const ProgramRun run = runKrelin(arguments);
    QVERIFY(run.status > 0);
    QVERIFY2(run.err.startsWith(QStringLiteral("krelin: ")) && run.err.count(u'\n') == 1, qPrintable(run.err));
    const QString said = run.err.mid(8).trimmed();
    const bool named = said.startsWith(QLatin1String("--")) || said.startsWith(dir.path());
    QVERIFY2(said[0].isUpper() || named, qPrintable(said));
    QVERIFY2(said.startsWith(QLatin1String("Usage: ")) || said.endsWith(u'.'), qPrintable(said));
    // No full stop doubled, or after a space (".png" after one is a name's end).
    QVERIFY2(!said.contains(QLatin1String("..")) && !said.contains(QRegularExpression(QStringLiteral(" \\.( |$)"))),
             qPrintable(said));
}

// A program that hangs is killed and read as a failure, never as status 0.
void TestExport::programThatDoesNotEndFails()
{
    RunOptions options;
    options.timeoutMs = 300;
    const ProgramRun run = RunProgram(QStringLiteral("/bin/sleep"), {QStringLiteral("30")}, options);
    QCOMPARE(run.status, -1);
    QVERIFY2(run.err.contains(QStringLiteral("did not end")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestExport)
#include "test_export.moc"
