#include "ExportMenu.h"

#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"
#include "widgets/Desktop.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>

namespace krelin {

namespace {

const QString PngFilter = QStringLiteral("PNG Images (*.png)");

} // namespace

QString AskForPngPath(Desktop &desktop, QWidget *window, const QString &title, const QString &start)
{
    QString path = desktop.getSaveFileName(window, title, start, PngFilter);
    if (path.isEmpty())
        return {};
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QStringLiteral(".png");
        // The dialog asked about the name as typed, not about this one.
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(window, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path))))
            return {};
    }
    return path;
}

ExportMenu::ExportMenu(modKrelin &model, Desktop &desktop, QWidget *window)
    : QMenu(QStringLiteral("&Export"), window)
    , model(model)
    , desktop(desktop)
    , window(window)
{
    setObjectName(QStringLiteral("mnuExport"));
    mnuExportFrame = addAction(QStringLiteral("Frame as PNG…"));
    mnuExportFrame->setObjectName(QStringLiteral("mnuExportFrame"));
    mnuExportStage = addAction(QStringLiteral("Stage as PNG…"));
    mnuExportStage->setObjectName(QStringLiteral("mnuExportStage"));
    // The pictures are of the stage shown.
    auto enable = [this] {
        mnuExportFrame->setEnabled(this->model.currentStage() != nullptr);
        mnuExportStage->setEnabled(this->model.currentStage() != nullptr);
    };
    enable();
    connect(&model, &modKrelin::stageChanged, this, enable);
    connect(mnuExportFrame, &QAction::triggered, this, &ExportMenu::ExportFrame);
    connect(mnuExportStage, &QAction::triggered, this, &ExportMenu::ExportStage);
}

void ExportMenu::setFrame(int value)
{
    frame = value;
}

QString ExportMenu::baseName() const
{
    const QString rom = QFileInfo(model.RomFileName).completeBaseName();
    return (rom.isEmpty() ? QStringLiteral("level") : rom) + QStringLiteral("-stage")
        + QLatin1String(model.currentStage()->name);
}

bool ExportMenu::ExportFrame()
{
    if (!model.currentStage())
        return false;
    const int shown = frame;
    return exportPicture(QStringLiteral("Frame as PNG"), baseName() + QStringLiteral("-frame%1.png").arg(shown),
                         [this, shown](const BgColorSet &colors) { return DrawFramePicture(model, shown, colors); });
}

bool ExportMenu::ExportStage()
{
    const Stage *exported = model.currentStage();
    if (!exported)
        return false;
    return exportPicture(QStringLiteral("Stage as PNG"), baseName() + QStringLiteral(".png"),
                         [this, exported](const BgColorSet &colors) {
                             return DrawStagePicture(model, *exported, colors);
                         });
}

bool ExportMenu::exportPicture(const QString &title, const QString &suggestedName,
                               const std::function<QImage(const BgColorSet &)> &draw)
{
    // An image opened after the stage was chosen may be too short for it.
    const QString problem = StageFitProblem(*model.currentStage(), model.romSize());
    if (!problem.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), problem, Desktop::Icon::Warning);
        return false;
    }

    QString folder = lastFolder;
    if (folder.isEmpty() && !model.RomFileName.isEmpty())
        folder = QFileInfo(model.RomFileName).absolutePath();
    const QString start = folder.isEmpty() ? suggestedName : QDir(folder).filePath(suggestedName);
    const QString path = AskForPngPath(desktop, window, title, start);
    if (path.isEmpty())
        return false;
    lastFolder = QFileInfo(path).absolutePath();
    // The dialog's "Replace?" is about a picture: the open cartridge (by any name or link)
    // is never one to replace.
    if (!model.RomFileName.isEmpty() && IsSameFile(path, model.RomFileName)) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 is the open cartridge image itself: the picture was not written. "
                                           "Choose another file for the picture.")
                                .arg(QDir::toNativeSeparators(path)),
                            Desktop::Icon::Warning);
        return false;
    }

    // Drawn in the colours the image holds now, as the command line draws a saved image,
    // even when the window has not been refreshed since its palette bytes changed; as the
    // console shows them while Console Colours is on.
    BgColorSet colors = ResolveBgColors(model).value_or(model.BgColors());
    if (model.consoleColors())
        colors = ConsoleColors(colors);
    const QImage picture = draw(colors);

    const QString error = SavePng(picture, path);
    if (!error.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), error, Desktop::Icon::Warning);
        return false;
    }
    return true;
}

} // namespace krelin
