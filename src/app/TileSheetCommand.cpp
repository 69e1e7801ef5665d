#include "TileSheetCommand.h"

#include "ArgumentNames.h"

#include "Export.h"
#include "LibraryWarnings.h"
#include "ProgramFolder.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"
#include "render/TileSheet.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace krelin {

namespace {

constexpr char ExportOption[] = "--export-tiles";
constexpr char ImportOption[] = "--import-tiles";

// The image read and the stage applied to a model, with the master palette loaded; an
// empty string, or why not.
QString loadStage(modKrelin &model, const TileSheetRequest &request, const QString &programFolder,
                  QString *paletteWarning)
{
    const Stage *stage = FindStage(request.stageName);
    if (!stage)
        return QStringLiteral("Unknown stage \"%1\"; the stages are 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 and 7.")
            .arg(QuotableText(request.stageName));
    if (request.subPalette < 0 || request.subPalette > 3)
        return QStringLiteral("--subpalette takes 0, 1, 2 or 3.");
    RomReadResult rom = ReadRomFile(request.imagePath);
    if (!rom.ok())
        return rom.error;
    const QString fitProblem = StageFitProblem(*stage, qint64(rom.bytes.size()));
    if (!fitProblem.isEmpty())
        return ShownPath(request.imagePath) + QStringLiteral(": ") + fitProblem;
    const QString warning = LoadMasterPalette(model, programFolder);
    if (paletteWarning)
        *paletteWarning = warning;
    model.replaceImage(std::move(rom.bytes));
    model.ApplyStage(*stage);
    return {};
}

SheetColors colorsOf(const modKrelin &model, int subPalette)
{
    // The stage fits the image, so its palette bytes are there.
    return SheetColorsOf(ResolveBgColors(model).value_or(BgColorSet{}), subPalette);
}

void fail(const QString &message)
{
    std::fprintf(stderr, "krelin: %s\n", qPrintable(message));
}

} // namespace

bool WantsTileSheetCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (IsOptionArgument(argv[i], ExportOption) || IsOptionArgument(argv[i], ImportOption))
            return true;
    return false;
}

QString ExportTileSheet(const TileSheetRequest &request, const QString &programFolder, QString *paletteWarning)
{
    // The picture written over the cartridge it was drawn from would destroy it.
    if (IsSameFile(request.sheetPath, request.imagePath))
        return QStringLiteral("The output %1 is the cartridge image itself; choose another file for the sheet.")
            .arg(ShownPath(request.sheetPath));
    const QString overPalette = OutputOverInputProblem(
        request.sheetPath, {{MasterPalettePath(programFolder), QStringLiteral("palette file")}});
    if (!overPalette.isEmpty())
        return overPalette;
    modKrelin model;
    const QString problem = loadStage(model, request, programFolder, paletteWarning);
    if (!problem.isEmpty())
        return problem;
    if (const QString nameProblem = PngNameProblem(request.sheetPath, QStringLiteral("tile sheet")); !nameProblem.isEmpty())
        return nameProblem;
    const QImage sheet =
        EncodeTileSheet(model.bytesAt(TilesRange(model).offset, TileSheetBytes), colorsOf(model, request.subPalette));
    return Sentence(SavePng(sheet, request.sheetPath));
}

QString ImportTileSheet(const TileSheetRequest &request, const QString &programFolder, QString *paletteWarning,
                        qint64 *nearest)
{
    const QString overInput = OutputOverInputProblem(request.outPath,
                                                     {{request.imagePath, QStringLiteral("image")},
                                                      {request.sheetPath, QStringLiteral("sheet")},
                                                      {MasterPalettePath(programFolder), QStringLiteral("palette file")}});
    if (!overInput.isEmpty())
        return overInput;
    modKrelin model;
    const QString problem = loadStage(model, request, programFolder, paletteWarning);
    if (!problem.isEmpty())
        return problem;
    const TileSheetFile file = ReadTileSheetFile(request.sheetPath);
    if (!file.ok())
        return Sentence(file.error);
    const DecodedTileSheet sheet = DecodeTileSheet(file.image, colorsOf(model, request.subPalette));
    if (!sheet.ok())
        return QStringLiteral("Cannot import %1: %2.").arg(ShownPath(request.sheetPath), sheet.error);
    if (nearest)
        *nearest = sheet.nearest;
    std::vector<std::uint8_t> image = model.image();
    std::copy(sheet.tiles.begin(), sheet.tiles.end(), image.begin() + TilesRange(model).offset);
    return WriteRomFile(request.outPath, image);
}

int RunTileSheetCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("export-tiles"), QStringLiteral("Write the tile sheet to <file>."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("import-tiles"), QStringLiteral("Read the tile sheet from <file>."),
                      QStringLiteral("file")});
    parser.addOption({QStringLiteral("stage"), QStringLiteral("The stage."), QStringLiteral("stage")});
    parser.addOption({QStringLiteral("subpalette"), QStringLiteral("The sub-palette, 0 to 3."), QStringLiteral("n")});
    const QString usage = QStringLiteral("Usage: krelin --export-tiles SHEET.png --stage S [--subpalette N] IMAGE, or "
                                         "krelin --import-tiles SHEET.png --stage S [--subpalette N] IMAGE OUT");
    if (!parser.parse(app.arguments())) {
        fail(parser.errorText());
        return 1;
    }
    const bool exporting = parser.isSet(QStringLiteral("export-tiles"));
    const bool importing = parser.isSet(QStringLiteral("import-tiles"));
    const QStringList files = parser.positionalArguments();
    TileSheetRequest request;
    request.stageName = parser.value(QStringLiteral("stage"));
    if (exporting == importing || request.stageName.isEmpty() || files.size() != (exporting ? 1 : 2)) {
        fail(usage);
        return 1;
    }
    request.sheetPath = parser.value(exporting ? QStringLiteral("export-tiles") : QStringLiteral("import-tiles"));
    request.imagePath = files[0];
    if (importing)
        request.outPath = files[1];
    if (parser.isSet(QStringLiteral("subpalette"))) {
        bool ok = false;
        request.subPalette = parser.value(QStringLiteral("subpalette")).toInt(&ok);
        if (!ok || request.subPalette < 0 || request.subPalette > 3) {
            fail(QStringLiteral("--subpalette takes 0, 1, 2 or 3, not \"%1\".")
                     .arg(QuotableText(parser.value(QStringLiteral("subpalette")))));
            return 1;
        }
    }
    const QString programFolder = FindProgramFolder(QCoreApplication::applicationDirPath());
    QString paletteWarning;
    qint64 nearest = 0;
    // What libpng says goes into the one line a failure prints; after a success (a
    // warning about a chunk the sheet does not need) it is dropped.
    LibraryWarnings held;
    QString error = exporting ? ExportTileSheet(request, programFolder, &paletteWarning)
                              : ImportTileSheet(request, programFolder, &paletteWarning, &nearest);
    const QStringList said = held.finish();
    // Inside the sentence, before its full stop.
    if (!error.isEmpty() && !said.isEmpty()) {
        const bool stop = error.endsWith(QLatin1Char('.'));
        error = (stop ? error.chopped(1) : error) + QStringLiteral(" (%1)").arg(said.join(QStringLiteral("; ")))
            + (stop ? QStringLiteral(".") : QString());
    }
    if (!paletteWarning.isEmpty())
        fail(paletteWarning.simplified());
    if (!error.isEmpty()) {
        fail(error);
        return 1;
    }
    if (nearest > 0)
        std::printf("%lld %s of %s had none of the four colours of sub-palette %d, and took the nearest.\n",
                    static_cast<long long>(nearest), nearest == 1 ? "pixel" : "pixels", qPrintable(ShownPath(request.sheetPath)),
                    request.subPalette);
    return 0;
}

} // namespace krelin
