#include "TileSheetCommands.h"

#include "ExportMenu.h"
#include "core/SameFile.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/TileEdits.h"
#include "render/LevelPicture.h"
#include "render/Palette.h"
#include "render/TileEditorView.h"
#include "render/TileSheet.h"
#include "views/LevelEditor.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace krelin {

namespace {

// The colours the image holds now, as the command line reads a saved image, even when
// the window has not been refreshed since its palette bytes changed.
SheetColors sheetColors(const modKrelin &model, int p)
{
    return SheetColorsOf(ResolveBgColors(model).value_or(model.BgColors()), p);
}

QString stageNames(const std::vector<const Stage *> &stages)
{
    QStringList names;
    for (const Stage *stage : stages)
        names << QLatin1String(stage->name);
    return names.join(QStringLiteral(", "));
}

int changedTiles(const std::uint8_t *now, const std::vector<std::uint8_t> &imported)
{
    int changed = 0;
    for (int t = 0; t < TilesPerBank; ++t)
        changed += !std::equal(imported.begin() + TileBytes * t, imported.begin() + TileBytes * (t + 1),
                               now + TileBytes * t);
    return changed;
}

} // namespace

TileSheetCommands::TileSheetCommands(modKrelin &model, EditHistory &history, LevelEditor &editor, Desktop &desktop,
                                     QWidget *window)
    : QObject(window)
    , model(model)
    , history(history)
    , editor(editor)
    , desktop(desktop)
    , window(window)
{
    setObjectName(QStringLiteral("tileSheetCommands"));
    mnuExportTiles = new QAction(QStringLiteral("Export &Tiles…"), this);
    mnuExportTiles->setObjectName(QStringLiteral("mnuExportTiles"));
    mnuImportTiles = new QAction(QStringLiteral("&Import Tiles…"), this);
    mnuImportTiles->setObjectName(QStringLiteral("mnuImportTiles"));
    // The tiles are the stage's shown.
    auto enable = [this] {
        for (QAction *action : {mnuExportTiles, mnuImportTiles})
            action->setEnabled(this->model.currentStage() != nullptr);
    };
    enable();
    connect(&model, &modKrelin::stageChanged, this, enable);
    connect(mnuExportTiles, &QAction::triggered, this, &TileSheetCommands::mnuExportTiles_Click);
    connect(mnuImportTiles, &QAction::triggered, this, &TileSheetCommands::mnuImportTiles_Click);
}

int TileSheetCommands::sheetSubPalette()
{
    if (!model.currentStage())
        return -1;
    // An image opened after the stage was chosen may be too short for it.
    const QString problem = StageFitProblem(*model.currentStage(), model.romSize());
    if (!problem.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), problem, Desktop::Icon::Warning);
        return -1;
    }
    return ShownSubPalette(model, editor.SelectedMetaTile());
}

QString TileSheetCommands::startFolder() const
{
    if (!lastFolder.isEmpty() || model.RomFileName.isEmpty())
        return lastFolder;
    return QFileInfo(model.RomFileName).absolutePath();
}

bool TileSheetCommands::mnuExportTiles_Click()
{
    const int p = sheetSubPalette();
    if (p < 0)
        return false;
    const QString rom = QFileInfo(model.RomFileName).completeBaseName();
    const QString name = (rom.isEmpty() ? QStringLiteral("tiles") : rom) + QStringLiteral("-stage")
        + QLatin1String(model.currentStage()->name) + QStringLiteral("-tiles.png");
    const QString folder = startFolder();
    const QString path = AskForPngPath(desktop, window, QStringLiteral("Export Tiles"),
                                       folder.isEmpty() ? name : QDir(folder).filePath(name));
    if (path.isEmpty())
        return false;
    lastFolder = QFileInfo(path).absolutePath();
    // The dialog's "Replace?" is about a picture: the open cartridge (by any name or link)
    // is never one to replace.
    if (!model.RomFileName.isEmpty() && IsSameFile(path, model.RomFileName)) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 is the open cartridge image itself: the tiles were not written. "
                                           "Choose another file for the sheet.")
                                .arg(QDir::toNativeSeparators(path)),
                            Desktop::Icon::Warning);
        return false;
    }
    const std::uint8_t *tiles = model.bytesAt(TilesRange(model).offset, TileSheetBytes);
    const QString error = SavePng(EncodeTileSheet(tiles, sheetColors(model, p)), path);
    if (!error.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), error, Desktop::Icon::Warning);
        return false;
    }
    emit statusMessage(QStringLiteral("Tiles exported to %1 (sub-palette %2)").arg(QFileInfo(path).fileName()).arg(p));
    return true;
}

bool TileSheetCommands::mnuImportTiles_Click()
{
    const int p = sheetSubPalette();
    if (p < 0)
        return false;
    const QString path = desktop.getOpenFileName(window, QStringLiteral("Import Tiles"), startFolder(),
                                                 QStringLiteral("PNG Images (*.png)"));
    if (path.isEmpty())
        return false;
    lastFolder = QFileInfo(path).absolutePath();
    const QString name = QFileInfo(path).fileName();
    const TileSheetFile file = ReadTileSheetFile(path);
    const DecodedTileSheet sheet =
        file.ok() ? DecodeTileSheet(file.image, sheetColors(model, p)) : DecodedTileSheet{{}, file.error};
    if (!sheet.ok()) {
        const QString text = file.ok() ? QStringLiteral("Cannot import %1: %2.").arg(name, sheet.error) : file.error;
        desktop.showMessage(window, ProgramCaption(), text, Desktop::Icon::Warning);
        return false;
    }

    const Stage &stage = *model.currentStage();
    const int changed = changedTiles(model.bytesAt(TilesRange(model).offset, TileSheetBytes), sheet.tiles);
    if (changed == 0) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 holds the tiles of %2 as they are; nothing changed.")
                                .arg(name, stage.caption()),
                            Desktop::Icon::Information);
        return false;
    }
    const std::vector<const Stage *> sharing = StagesSharingTiles(stage);
    QString question = QStringLiteral("Import %1 into the tiles of %2? %3 of its 256 tiles change.\n\n")
                           .arg(name, stage.caption())
                           .arg(changed);
    question += sharing.empty() ? QStringLiteral("Only %1 uses these tiles.").arg(stage.caption())
                                : QStringLiteral("The tiles are shared with stages %1, which change too.")
                                      .arg(stageNames(sharing));
    if (sheet.nearest > 0)
        question += (sheet.nearest == 1 ? QStringLiteral("\n\n1 pixel has none of the four colours of sub-palette %2; "
                                                         "it takes the nearest.")
                                        : QStringLiteral("\n\n%1 pixels have none of the four colours of sub-palette "
                                                         "%2; each takes the nearest."))
                        .arg(sheet.nearest)
                        .arg(p);
    if (!desktop.askYesNo(window, QStringLiteral("Import Tiles"), question))
        return false;
    ImportTiles(history, sheet.tiles, name);
    emit statusMessage(QStringLiteral("%1 tiles imported from %2").arg(changed).arg(name));
    return true;
}

} // namespace krelin
