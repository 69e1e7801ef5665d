#include "TiledLiveFolder.h"

#include "TiledExport.h"
#include "core/EmulatorRun.h"
#include "core/FileReader.h"
#include "core/modKrelin.h"
#include "tiled/TiledMapFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace krelin {

namespace {

// The file at path, or nothing while it cannot be read (being replaced, say).
QByteArray contentsOf(const QString &path)
{
    const FileReadResult file = ReadWholeFile(path, MaxTiledFileSize);
    return file.ok() ? QByteArray(reinterpret_cast<const char *>(file.bytes.data()), qsizetype(file.bytes.size()))
                     : QByteArray();
}

} // namespace

TiledLiveFolder::TiledLiveFolder(QObject *parent)
    : QObject(parent)
{
    settle.setSingleShot(true);
    settle.setInterval(SettleMilliseconds);
    connect(&settle, &QTimer::timeout, this, &TiledLiveFolder::readChanges);
    // A save that replaces the file (written beside it, then renamed over it) changes the
    // folder; one that writes into the file changes the file.
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &TiledLiveFolder::changed);
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &TiledLiveFolder::changed);
}

TiledLiveFolder::~TiledLiveFolder() = default;

QString TiledLiveFolder::folderPath() const
{
    return folder ? folder->path() : QString();
}

QString TiledLiveFolder::mapPath(const Stage &stage) const
{
    for (const Map &map : maps)
        if (map.stage == &stage)
            return map.path;
    return {};
}

QString TiledLiveFolder::start(const QString &command, const modKrelin &model, const BgColorSet &colors,
                               const QString &mapName)
{
    if (QProcess::splitCommand(command).isEmpty())
        return QStringLiteral("Cannot start Tiled: no command for it is set. Set one in Edit > Preferences > Tiled.");
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/krelin-tiled-XXXXXX"));
        if (!folder->isValid()) {
            const QString why = folder->errorString();
            folder.reset();
            return QStringLiteral("Cannot start Tiled: no temporary folder for the map could be made in %1: %2.")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), why);
        }
        watcher.addPath(folder->path());
    }
    const Stage *stage = model.currentStage();
    const QString path = folder->filePath(QFileInfo(mapName).fileName());
    const QString written = WriteTiledStage(model, path, colors);
    if (!written.isEmpty())
        return QStringLiteral("Cannot start Tiled: %1").arg(written);
    Map *map = nullptr;
    for (Map &m : maps)
        if (m.path == path)
            map = &m;
    if (!map)
        map = &maps.emplace_back(Map{stage, path, {}});
    map->stage = stage;
    map->last = contentsOf(path);
    watcher.addPath(path);

    QStringList words = EmulatorArguments(command, path);
    QProcess process;
    process.setProgram(words.takeFirst());
    process.setArguments(words);
    if (!process.startDetached())
        return QStringLiteral("Cannot start Tiled \"%1\": %2.").arg(process.program(), process.errorString());
    return {};
}

void TiledLiveFolder::stopAll()
{
    maps.clear();
    settle.stop();
    const QStringList files = watcher.files();
    if (!files.isEmpty())
        watcher.removePaths(files);
}

void TiledLiveFolder::changed()
{
    if (!maps.empty())
        settle.start();
}

void TiledLiveFolder::readChanges()
{
    // Announced after the loop: a handler may start another map or stop them all.
    std::vector<std::pair<const Stage *, QString>> saved;
    for (Map &map : maps) {
        // A file replaced by another is no longer the one watched.
        if (!watcher.files().contains(map.path) && QFileInfo::exists(map.path))
            watcher.addPath(map.path);
        const QByteArray now = contentsOf(map.path);
        if (now.isEmpty() || now == map.last)
            continue;
        map.last = now;
        saved.emplace_back(map.stage, map.path);
    }
    for (const auto &[stage, path] : saved)
        emit mapSaved(stage, path);
}

} // namespace krelin
