#include "TiledCommand.h"

#include "ArgumentNames.h"

#include "Export.h"
#include "ProgramFolder.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/Palette.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledImport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace krelin {

namespace {

constexpr char ExportOption[] = "--export-tiled";
constexpr char ImportOption[] = "--import-tiled";

// The image read into model with the stage applied; an empty string, or why not.
QString loadStage(modKrelin &model, const TiledRequest &request)
{
    const Stage *stage = FindStage(request.stageName);
    if (!stage)
        return QStringLiteral("Unknown stage \"%1\"; the stages are 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 and 7.")
            .arg(QuotableText(request.stageName));
    RomReadResult rom = ReadRomFile(request.imagePath);
    if (!rom.ok())
        return rom.error;
    const QString fitProblem = StageFitProblem(*stage, qint64(rom.bytes.size()));
    if (!fitProblem.isEmpty())
        return ShownPath(request.imagePath) + QStringLiteral(": ") + fitProblem;
    model.replaceImage(std::move(rom.bytes));
    model.ApplyStage(*stage);
    return {};
}

void fail(const QString &message)
{
    std::fprintf(stderr, "krelin: %s\n", qPrintable(message));
}

} // namespace

bool WantsTiledCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (IsOptionArgument(argv[i], ExportOption) || IsOptionArgument(argv[i], ImportOption))
            return true;
    return false;
}

QString ExportTiledMap(const TiledRequest &request, const QString &programFolder, QString *paletteWarning)
{
    if (!TiledFormatFor(request.mapPath))
        return QStringLiteral("The map %1 needs a name ending in .tmx (TMX) or .tmj (TMJ).").arg(ShownPath(request.mapPath));
    modKrelin model;
    const QString problem = loadStage(model, request);
    if (!problem.isEmpty())
        return problem;
    const QString warning = LoadMasterPalette(model, programFolder);
    if (paletteWarning)
        *paletteWarning = warning;
    // The stage fits the image, so its palette bytes are there.
    return WriteTiledStage(model, request.mapPath, ResolveBgColors(model).value_or(BgColorSet{}),
                           {{request.imagePath, QStringLiteral("image")},
                            {MasterPalettePath(programFolder), QStringLiteral("palette file")}});
}

QString ImportTiledMap(const TiledRequest &request, QStringList *summary)
{
    // Every file read is an input that the output may not name: the image, the map, and
    // the tileset file the map names, known once the map is read.
    QList<InputFile> inputs{{request.imagePath, QStringLiteral("image")}, {request.mapPath, QStringLiteral("map")}};
    if (const QString problem = OutputOverInputProblem(request.outPath, inputs); !problem.isEmpty())
        return problem;
    modKrelin model;
    const QString problem = loadStage(model, request);
    if (!problem.isEmpty())
        return problem;
    const TiledStageImport import = ReadTiledStageMap(request.mapPath, model, *model.currentStage());
    if (!import.ok())
        return import.error;
    for (const QString &file : import.files)
        if (file != request.mapPath)
            inputs.append({file, QStringLiteral("tileset")});
    if (const QString problem = OutputOverInputProblem(request.outPath, inputs); !problem.isEmpty())
        return problem;
    if (!request.otherImage && !MadeFromThisImage(import, model))
        return OtherImageText(import, model, ShownPath(request.mapPath))
            + QStringLiteral(" Add --other-image to import it all the same.");
    if (summary)
        *summary = TiledImportSummary(model, import, ShownPath(request.imagePath), ShownPath(request.outPath));
    return WriteRomFile(request.outPath, ImageWithMap(model.image(), import));
}

int RunTiledCommand(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("export-tiled"), QStringLiteral("Write the map to <file>."), QStringLiteral("file")});
    parser.addOption({QStringLiteral("import-tiled"), QStringLiteral("Read the map from <file>."), QStringLiteral("file")});
    parser.addOption({QStringLiteral("stage"), QStringLiteral("The stage."), QStringLiteral("stage")});
    parser.addOption({QStringLiteral("other-image"), QStringLiteral("Import a map made from another image.")});
    const QString usage = QStringLiteral("Usage: krelin --export-tiled OUT.tmx|OUT.tmj --stage S IMAGE, or "
                                         "krelin --import-tiled IN.tmx|IN.tmj --stage S [--other-image] IMAGE OUT");
    if (!parser.parse(app.arguments())) {
        fail(parser.errorText());
        return 1;
    }
    const bool exporting = parser.isSet(QStringLiteral("export-tiled"));
    const bool importing = parser.isSet(QStringLiteral("import-tiled"));
    const QStringList files = parser.positionalArguments();
    TiledRequest request;
    request.stageName = parser.value(QStringLiteral("stage"));
    request.otherImage = parser.isSet(QStringLiteral("other-image"));
    if (exporting == importing || request.stageName.isEmpty() || files.size() != (exporting ? 1 : 2)
        || (exporting && request.otherImage)) {
        fail(usage);
        return 1;
    }
    request.mapPath = parser.value(exporting ? QStringLiteral("export-tiled") : QStringLiteral("import-tiled"));
    request.imagePath = files[0];
    if (importing)
        request.outPath = files[1];
    QString paletteWarning;
    QStringList summary;
    const QString error = exporting
        ? ExportTiledMap(request, FindProgramFolder(QCoreApplication::applicationDirPath()), &paletteWarning)
        : ImportTiledMap(request, &summary);
    if (!paletteWarning.isEmpty())
        fail(paletteWarning.simplified());
    if (!error.isEmpty()) {
        fail(error);
        return 1;
    }
    if (importing && summary.isEmpty())
        std::printf("%s changes nothing: %s holds the image as it was.\n", qPrintable(ShownPath(request.mapPath)),
                    qPrintable(ShownPath(request.outPath)));
    else if (importing)
        std::printf("%s\n", qPrintable(summary.join(u'\n')));
    return 0;
}

} // namespace krelin
