#include "Export.h"

#include "core/FileWriter.h"
#include "core/MasterPalette.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/LevelView.h"
#include "render/Palette.h"
#include "render/TilePainter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

namespace krelin {

namespace {

// Each frame of a strip sits 544 pixels right of the one before: one map width and the
// one-pixel gap that separates neighbouring metatiles.
constexpr int StripPitch = LevelMapWidth + 1;

QImage drawFrame(const modKrelin &model, int frame)
{
    // Drawn on a surface the size of the window's, then cut to the map itself.
    QImage surface(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
    FrameCache cache{};
    DrawLevelFrame(surface, model, frame, cache);
    return surface.copy(0, 0, LevelMapWidth, LevelMapHeight);
}

} // namespace

QString QuotableText(const QString &text)
{
    QString quoted;
    for (const QChar c : text) {
        if (c == u'\n')
            quoted += QStringLiteral("\\n");
        else if (c == u'\t')
            quoted += QStringLiteral("\\t");
        else if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
                 || c.category() == QChar::Separator_Paragraph)
            quoted += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            quoted += c;
    }
    return quoted;
}

QString ExportLevel(const ExportRequest &request, const QString &programFolder, QString *paletteWarning)
{
    const Stage *stage = FindStage(request.stageName);
    if (!stage)
        return QStringLiteral("unknown stage \"%1\"; the stages are 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 and 7")
            .arg(QuotableText(request.stageName));
    if (request.frame < -1 || request.frame >= stage->Frames)
        return QStringLiteral("stage %1 has frames 0 to %2; there is no frame %3")
            .arg(QLatin1String(stage->name))
            .arg(stage->Frames - 1)
            .arg(request.frame);

    // Writing the picture over the cartridge it was drawn from would destroy the cartridge.
    // The two are compared as files, so another spelling or a link is caught too.
    if (IsSameFile(request.outputPath, request.imagePath))
        return QStringLiteral("the output %1 is the cartridge image itself; choose another file for the picture")
            .arg(request.outputPath);

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
    ResolveBgColors(model);

    QImage picture;
    if (request.frame >= 0) {
        picture = drawFrame(model, request.frame);
    } else {
        picture = QImage(StripPitch * stage->Frames - 1, LevelMapHeight, QImage::Format_RGB32);
        picture.fill(ClearColor);
        QPainter painter(&picture);
        for (int f = 0; f < stage->Frames; ++f)
            painter.drawImage(StripPitch * f, 0, drawFrame(model, f));
    }

    // Encode first, then replace the file whole: nothing is left behind on failure.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        return QStringLiteral("cannot encode the picture as PNG");
    const QString reason = ReplaceFileContents(request.outputPath, png);
    if (!reason.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(request.outputPath, reason);
    return {};
}

} // namespace krelin
