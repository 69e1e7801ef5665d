#include "Export.h"

#include "ArgumentNames.h"

#include "core/FileWriter.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/ShownText.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"

namespace krelin {

QString ExportLevel(const ExportRequest &request, const QString &programFolder, QString *paletteWarning)
{
    const Stage *stage = FindStage(request.stageName);
    if (!stage)
        return QStringLiteral("Unknown stage \"%1\"; the stages are 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 and 7.")
            .arg(QuotableText(request.stageName));
    if (request.frame < -1 || request.frame >= stage->Frames)
        return QStringLiteral("Stage %1 has frames 0 to %2; there is no frame %3.")
            .arg(QLatin1String(stage->name))
            .arg(stage->Frames - 1)
            .arg(request.frame);

    // Writing the picture over the cartridge it was drawn from would destroy the cartridge.
    // The two are compared as files, so another spelling or a link is caught too.
    if (IsSameFile(request.outputPath, request.imagePath))
        return QStringLiteral("The output %1 is the cartridge image itself; choose another file for the picture.")
            .arg(request.outputPath);
    if (const QString problem = PngNameProblem(request.outputPath, QStringLiteral("picture")); !problem.isEmpty())
        return problem;
    const QString overPalette = OutputOverInputProblem(
        request.outputPath, {{MasterPalettePath(programFolder), QStringLiteral("palette file")}});
    if (!overPalette.isEmpty())
        return overPalette;

    RomReadResult rom = ReadRomFile(request.imagePath);
    if (!rom.ok())
        return rom.error;
    const QString fitProblem = StageFitProblem(*stage, qint64(rom.bytes.size()));
    if (!fitProblem.isEmpty())
        return request.imagePath + QStringLiteral(": ") + fitProblem;

    modKrelin model;
    const QString warning = LoadMasterPalette(model, programFolder);
    if (paletteWarning)
        *paletteWarning = warning;
    model.replaceImage(std::move(rom.bytes));
    model.ApplyStage(*stage);
    // The stage fits the image, so its palette bytes are there.
    BgColorSet colors = ResolveBgColors(model).value_or(BgColorSet{});
    if (request.consoleColors)
        colors = ConsoleColors(colors);

    const QImage picture = request.frame >= 0 ? DrawFramePicture(model, request.frame, colors)
                                              : DrawStagePicture(model, *stage, colors);
    return Sentence(SavePng(picture, request.outputPath));
}

} // namespace krelin
