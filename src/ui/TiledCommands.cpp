#include "TiledCommands.h"

#include "core/JournalFile.h"
#include "core/Preferences.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditHistory.h"
#include "render/Palette.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledImport.h"
#include "tiled/TiledLiveFolder.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMenu>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <utility>

namespace krelin {

namespace {

const QString TmxFilter = QStringLiteral("TMX Maps (*.tmx)");
const QString TmjFilter = QStringLiteral("TMJ Maps (*.tmj)");
const QString DontAskAgain = QStringLiteral("Don't ask again");

// "12 cells and 1 room": what a map changes in a stage.
QString changesText(const modKrelin &model, const TiledStageImport &import)
{
    const Stage &stage = *import.stage;
    int cells = 0, rooms = 0;
    for (int f = 0; f < stage.Frames; ++f) {
        rooms += model.byteAt(FrameRoomOffset(stage, f)) != import.rooms[std::size_t(f)];
        for (int k = 0; k < FrameBytes; ++k)
            cells += model.byteAt(FrameOffset(stage, f) + k) != import.cells[std::size_t(FrameBytes * f + k)];
    }
    const auto counted = [](int n, const char *one, const char *many) {
        return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
    };
    return counted(cells, "cell", "cells") + QStringLiteral(" and ") + counted(rooms, "room", "rooms");
}

} // namespace

TiledCommands::TiledCommands(modKrelin &model, EditHistory &history, Desktop &desktop, Preferences &preferences,
                             QWidget *window)
    : QObject(window)
    , model(model)
    , history(history)
    , desktop(desktop)
    , preferences(preferences)
    , window(window)
    , exportFilter(TmxFilter)
{
    setObjectName(QStringLiteral("tiledCommands"));
    mnuExportTiled = new QAction(QStringLiteral("Stage as &Tiled Map…"), this);
    mnuExportTiled->setObjectName(QStringLiteral("mnuExportTiled"));
    mnuImport = new QMenu(QStringLiteral("&Import"), window);
    mnuImport->setObjectName(QStringLiteral("mnuImport"));
    mnuImportTiled = mnuImport->addAction(QStringLiteral("&Tiled Map…"));
    mnuImportTiled->setObjectName(QStringLiteral("mnuImportTiled"));
    mnuEditInTiled = new QAction(QStringLiteral("Edit Stage in &Tiled"), this);
    mnuEditInTiled->setObjectName(QStringLiteral("mnuEditInTiled"));
    // The map is of the stage shown.
    auto enable = [this] {
        for (QAction *action : {mnuExportTiled, mnuImportTiled, mnuEditInTiled})
            action->setEnabled(this->model.currentStage() != nullptr);
    };
    enable();
    connect(&model, &modKrelin::stageChanged, this, enable);
    connect(mnuExportTiled, &QAction::triggered, this, &TiledCommands::mnuExportTiled_Click);
    connect(mnuImportTiled, &QAction::triggered, this, &TiledCommands::mnuImportTiled_Click);
    connect(mnuEditInTiled, &QAction::triggered, this, &TiledCommands::mnuEditInTiled_Click);

    // The live folders of programs that ended without clearing them, off the window's
    // thread: their maps are read to tell work not taken in.
    auto *leftovers = new QFutureWatcher<QStringList>(this);
    connect(leftovers, &QFutureWatcher<QStringList>::finished, this, [this, leftovers] {
        leftoversCleared(leftovers->result());
        leftovers->deleteLater();
    });
    leftovers->setFuture(QtConcurrent::run(&TiledLiveFolder::RemoveLeftovers, KeptMapsFolder()));
}

QString TiledCommands::KeptMapsFolder()
{
    return QDir(JournalFolder()).filePath(QStringLiteral("tiled"));
}

void TiledCommands::leftoversCleared(const QStringList &kept)
{
    if (kept.isEmpty())
        return;
    QStringList names;
    for (const QString &map : kept)
        names << QDir::toNativeSeparators(map);
    emit warning(QStringLiteral("Krelin ended before it took in %1 saved in Tiled. %2 kept:\n\n%3\n\nFile > Import > "
                                "Tiled Map takes a map in; the files are yours to keep or delete.")
                     .arg(kept.size() == 1 ? QStringLiteral("a map") : QStringLiteral("maps"),
                          kept.size() == 1 ? QStringLiteral("It is") : QStringLiteral("They are"),
                          names.join(u'\n')));
}

TiledCommands::~TiledCommands() = default;

QString TiledCommands::liveFolder() const
{
    return live ? live->folderPath() : QString();
}

QList<InputFile> TiledCommands::exportInputs() const
{
    // The open image, and the maps whose saves in Tiled come back here.
    QList<InputFile> inputs{{model.RomFileName, QStringLiteral("open cartridge image")}};
    if (live)
        for (const QString &map : live->mapPaths())
            inputs.append({map, QStringLiteral("map edited in Tiled")});
    return inputs;
}

const Stage *TiledCommands::shownStage()
{
    const Stage *stage = model.currentStage();
    if (!stage)
        return nullptr;
    // An image opened after the stage was chosen may be too short for it.
    const QString problem = StageFitProblem(*stage, model.romSize());
    if (!problem.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), problem, Desktop::Icon::Warning);
        return nullptr;
    }
    return stage;
}

QString TiledCommands::baseName() const
{
    const QString rom = QFileInfo(model.RomFileName).completeBaseName();
    return (rom.isEmpty() ? QStringLiteral("level") : rom) + QStringLiteral("-stage")
        + QLatin1String(model.currentStage()->name);
}

QString TiledCommands::startFolder() const
{
    if (!lastFolder.isEmpty() || model.RomFileName.isEmpty())
        return lastFolder;
    return QFileInfo(model.RomFileName).absolutePath();
}

bool TiledCommands::mnuExportTiled_Click()
{
    const Stage *stage = shownStage();
    if (!stage)
        return false;
    const QString suffix = exportFilter == TmjFilter ? QStringLiteral(".tmj") : QStringLiteral(".tmx");
    const QString folder = startFolder(), name = baseName() + suffix;
    QString chosen = exportFilter;
    QString path = desktop.getSaveFileNameAndFilter(window, QStringLiteral("Stage as Tiled Map"),
                                                    folder.isEmpty() ? name : QDir(folder).filePath(name),
                                                    TmxFilter + QStringLiteral(";;") + TmjFilter, &chosen);
    if (path.isEmpty())
        return false;
    exportFilter = chosen == TmjFilter ? TmjFilter : TmxFilter;
    if (QFileInfo(path).suffix().isEmpty()) {
        path += exportFilter == TmjFilter ? QStringLiteral(".tmj") : QStringLiteral(".tmx");
        // The dialog asked about the name as typed, not about this one.
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(window, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(path))))
            return false;
    }
    lastFolder = QFileInfo(path).absolutePath();
    if (!TiledFormatFor(path)) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 was not written: a Tiled map's name ends in .tmx (TMX) or .tmj (TMJ).")
                                .arg(QDir::toNativeSeparators(path)),
                            Desktop::Icon::Warning);
        return false;
    }
    // In the colours the image holds now, as the command line draws a saved image.
    const QString error =
        WriteTiledStage(model, path, ResolveBgColors(model).value_or(model.BgColors()), exportInputs());
    if (!error.isEmpty()) {
        desktop.showMessage(window, ProgramCaption(), error, Desktop::Icon::Warning);
        return false;
    }
    emit statusMessage(QStringLiteral("%1 exported to %2, its metatiles to %3")
                           .arg(stage->caption(), QFileInfo(path).fileName(),
                                QFileInfo(TilesetPicturePath(path)).fileName()));
    return true;
}

bool TiledCommands::mnuImportTiled_Click()
{
    const Stage *stage = shownStage();
    if (!stage)
        return false;
    const QString path = desktop.getOpenFileName(window, QStringLiteral("Import Tiled Map"), startFolder(),
                                                 QStringLiteral("Tiled Maps (*.tmx *.tmj *.json);;All Files (*)"));
    if (path.isEmpty())
        return false;
    lastFolder = QFileInfo(path).absolutePath();
    const TiledStageImport import = ReadTiledStageMap(path, model, *stage);
    if (!import.ok()) {
        desktop.showMessage(window, ProgramCaption(), QStringLiteral("Cannot import the map. %1").arg(import.error),
                            Desktop::Icon::Warning);
        return false;
    }
    // A save in Tiled that comes while this import asks waits for the answer.
    const bool wasAsking = std::exchange(asking, true);
    const bool taken = takeIn(import, QFileInfo(path).fileName(), Source::Import);
    asking = wasAsking;
    answerWaiting();
    return taken;
}

bool TiledCommands::takeIn(const TiledStageImport &import, const QString &mapName, Source source)
{
    const Stage &stage = *import.stage;
    if (source != Source::LiveSave && !MadeFromThisImage(import, model)
        && !desktop.askYesNo(window, QStringLiteral("Import Tiled Map"),
                             OtherImageText(import, model, mapName)
                                 + QStringLiteral("\n\nIts metatile numbers may mean other metatiles here. "
                                                  "Import it all the same?")))
        return false;
    const QString imageName =
        model.RomFileName.isEmpty() ? QStringLiteral("the image") : QFileInfo(model.RomFileName).fileName();
    const QStringList summary = TiledImportSummary(model, import, imageName, mapName);
    if (summary.isEmpty()) {
        const QString same = QStringLiteral("%1 holds %2 as it is; nothing changed.").arg(mapName, stage.caption());
        if (source == Source::Import)
            desktop.showMessage(window, ProgramCaption(), same, Desktop::Icon::Information);
        else
            emit statusMessage(same);
        return source != Source::Import;
    }
    const QString changes = summary.join(u'\n');
    bool yes = true;
    if (source == Source::Import) {
        yes = desktop.askYesNo(window, QStringLiteral("Import Tiled Map"),
                               QStringLiteral("Import %1 into %2?\n\n%3").arg(mapName, stage.caption(), changes));
    } else if (source == Source::LiveSave && preferences.tiledSaveQuestion()) {
        bool dontAsk = false;
        yes = desktop.askYesNoWithCheck(window, QStringLiteral("Edit Stage in Tiled"),
                                        QStringLiteral("%1 was saved in Tiled. Take its changes into %2?\n\n%3")
                                            .arg(mapName, stage.caption(), changes),
                                        DontAskAgain, &dontAsk);
        // From now on each save is taken in at once; Preferences can ask again.
        if (dontAsk)
            preferences.setTiledSaveQuestion(false);
    }
    if (!yes)
        return false;
    const QString counts = changesText(model, import);
    // The history names the map and the stage it went into.
    CellsEditCommand *step = MakeTiledImportCommand(
        model, import, QStringLiteral("Import %1 into %2").arg(mapName, QLatin1String(stage.name)));
    if (!step)
        return false;
    history.push(step);
    emit statusMessage(QStringLiteral("%1 of %2 taken from %3").arg(counts, stage.caption(), mapName));
    return true;
}

bool TiledCommands::mayWriteLiveMap(const QString &path, QString *keptAside)
{
    // The map as Tiled left it, read on the window's thread: the user asked for this stage,
    // and hashing it takes no longer than writing it again.
    if (path.isEmpty() || !TiledLiveFolder::HoldsWorkNotTakenIn(path))
        return true;
    const QString name = QFileInfo(path).fileName();
    const Stage &stage = *model.currentStage();
    const int answer = desktop.askChoice(
        window, QStringLiteral("Edit Stage in Tiled"),
        QStringLiteral("%1 holds changes saved in Tiled that %2 has not taken in.\n\nTake them in first, or replace the "
                       "map with %2 as the editor has it (the map saved in Tiled is kept beside it)?")
            .arg(name, stage.caption()),
        {QStringLiteral("&Take In"), QStringLiteral("&Replace with the Editor's Stage"), QStringLiteral("Cancel")}, 0, 2);
    if (answer == 0) {
        QByteArray content;
        const TiledMapRead read = ReadTiledMap(path, &content);
        const TiledStageImport import = read.ok()
            ? CheckTiledStageMap(read.map, QDir::toNativeSeparators(path), model, stage)
            : TiledStageImport{&stage, {}, {}, {}, read.error, {}};
        if (!import.ok()) {
            emit warning(QStringLiteral("The map saved in Tiled cannot be taken in, so it was left as it is. %1\n\nTo "
                                        "write the editor's stage in its place, choose Edit Stage in Tiled again and "
                                        "Replace: the map saved in Tiled is then kept beside it.")
                             .arg(import.error));
            return false;
        }
        if (!takeIn(import, name, Source::ChosenTakeIn))
            return false;
        TiledLiveFolder::MarkTakenIn(path, TiledLiveFolder::ContentHash(content));
        return true;
    }
    if (answer != 1)
        return false;
    QString error;
    const QString aside = live->keepAside(path, &error);
    if (aside.isEmpty()) {
        emit warning(error + QStringLiteral(" The map was not replaced."));
        return false;
    }
    *keptAside = aside;
    return true;
}

bool TiledCommands::mnuEditInTiled_Click()
{
    if (!shownStage())
        return false;
    if (!live) {
        live = std::make_unique<TiledLiveFolder>();
        connect(live.get(), &TiledLiveFolder::mapSaved, this, &TiledCommands::mapSaved);
    }
    // The stages of one image at a time.
    if (liveImage != model.RomFileName)
        live->stopAll();
    liveImage = model.RomFileName;
    const QString mapName = baseName() + QStringLiteral(".tmx");
    // A save of Tiled's that comes while this asks waits for the answer.
    const bool wasAsking = std::exchange(asking, true);
    QString keptAside;
    const bool mayWrite = mayWriteLiveMap(live->pathFor(mapName), &keptAside);
    asking = wasAsking;
    if (!mayWrite) {
        answerWaiting();
        return false;
    }
    const QString error =
        live->start(preferences.tiledCommand(), model, ResolveBgColors(model).value_or(model.BgColors()), mapName);
    // Saves that waited are of the map as it was: the one written now replaced it.
    std::erase_if(waiting, [&](const Save &save) { return save.path == live->mapPath(*model.currentStage()); });
    answerWaiting();
    if (!error.isEmpty()) {
        emit warning(error);
        return false;
    }
    QString said = QStringLiteral("Tiled was started on %1; each save there comes back here")
                       .arg(QDir::toNativeSeparators(live->mapPath(*model.currentStage())));
    if (!keptAside.isEmpty())
        said += QStringLiteral(". The map saved in Tiled is kept as %1").arg(QDir::toNativeSeparators(keptAside));
    emit statusMessage(said);
    return true;
}

void TiledCommands::imageOpened(const QString &path)
{
    if (live && path != liveImage)
        live->stopAll();
}

void TiledCommands::mapSaved(const Stage *stage, const QString &path, const TiledMapRead &read,
                             const QByteArray &hash)
{
    // A save that comes while another is asked about waits for the answer; a later save
    // of the same map takes the place of an earlier one.
    if (asking) {
        std::erase_if(waiting, [&](const Save &save) { return save.path == path; });
        waiting.push_back({stage, path, read, hash});
        return;
    }
    asking = true;
    const QString problem = StageFitProblem(*stage, model.romSize());
    if (!problem.isEmpty()) {
        emit warning(problem);
    } else {
        const TiledStageImport import =
            read.ok() ? CheckTiledStageMap(read.map, QDir::toNativeSeparators(path), model, *stage)
                      : TiledStageImport{stage, {}, {}, {}, read.error, {}};
        if (!import.ok())
            emit warning(QStringLiteral("The map saved in Tiled cannot be taken in. %1").arg(import.error));
        else if (takeIn(import, QFileInfo(path).fileName(), Source::LiveSave))
            TiledLiveFolder::MarkTakenIn(path, hash);
    }
    asking = false;
    answerWaiting();
}

void TiledCommands::answerWaiting()
{
    if (asking || waiting.empty())
        return;
    const Save next = waiting.front();
    waiting.erase(waiting.begin());
    mapSaved(next.stage, next.path, next.read, next.hash);
}

} // namespace krelin
