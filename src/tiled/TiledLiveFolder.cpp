#include "TiledLiveFolder.h"

#include "TiledExport.h"
#include "core/EmulatorRun.h"
#include "core/FileReader.h"
#include "core/FileWriter.h"
#include "core/modKrelin.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QLockFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>

#include <sys/inotify.h>
#include <sys/stat.h>

#include <unistd.h>

namespace krelin {

namespace {

const QString FolderPrefix = QStringLiteral("krelin-tiled-");
// Held in the folder while its program runs: a folder whose lock is no one's was left by
// a program that ended without removing it.
const QString OwnerLock = QStringLiteral("owner.lock");
// Left in a folder that its program kept at its end for the maps holding work not taken in.
const QString EndedMark = QStringLiteral("ended");
// The process ids of the Tiled started on the folder's maps, one a line.
const QString TiledProcesses = QStringLiteral("tiled.pids");

// What tells one state of a file from another without reading it.
struct FileStamp
{
    qint64 size = -1; // -1: no such file
    qint64 modified = 0, changed = 0;
    quint64 inode = 0;

    bool operator==(const FileStamp &) const = default;
};

FileStamp stampOf(const QString &path)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return {qint64(info.st_size), qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
            qint64(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec, quint64(info.st_ino)};
}

qint64 now()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return clock.elapsed();
}

// The file beside a map that holds the hash of its content last written or taken in.
QString recordPath(const QString &map)
{
    const QFileInfo info(map);
    return info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".taken"));
}

bool isMapName(const QString &name)
{
    return name.endsWith(QLatin1String(".tmx")) || name.endsWith(QLatin1String(".tmj"));
}

// The maps in folder (the live ones, those moved aside, those of an image no longer
// followed) that hold work not taken in.
QStringList mapsWithWork(const QString &folder)
{
    QStringList work;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files))
        if (isMapName(name) && TiledLiveFolder::HoldsWorkNotTakenIn(dir.filePath(name)))
            work << dir.filePath(name);
    return work;
}

// Whether a Tiled started on folder's maps still runs: a process of one of the ids kept
// there whose command line names the folder.
bool tiledRunsOn(const QString &folder)
{
    QFile pids(QDir(folder).filePath(TiledProcesses));
    if (!pids.open(QIODevice::ReadOnly))
        return false;
    const QByteArray named = QFile::encodeName(folder);
    for (const QByteArray &line : pids.readAll().split('\n')) {
        bool number = false;
        const qint64 pid = line.trimmed().toLongLong(&number);
        if (!number || pid <= 0)
            continue;
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (command.open(QIODevice::ReadOnly) && command.read(1 << 16).contains(named))
            return true;
    }
    return false;
}

// Copies the maps of work, and the pictures beside them (their tilesets), from folder
// into a new folder under keepFolder named after the newest map's time. The copies'
// paths, or nothing when any could not be made.
QStringList keepMaps(const QString &folder, const QStringList &work, const QString &keepFolder)
{
    QDateTime newest;
    for (const QString &map : work)
        newest = std::max(newest, QFileInfo(map).lastModified());
    const QString base = QDir(keepFolder).filePath(newest.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
    QString target = base;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = base + QStringLiteral(" (%1)").arg(n);
    if (!QDir().mkpath(target))
        return {};
    QStringList files = work;
    for (const QString &picture : QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files))
        files << QDir(folder).filePath(picture);
    QStringList kept;
    for (const QString &file : files) {
        const QString copy = QDir(target).filePath(QFileInfo(file).fileName());
        if (!QFile::copy(file, copy))
            return {};
        if (work.contains(file))
            kept << copy;
    }
    return kept;
}

} // namespace

struct TiledLiveFolder::Map
{
    const Stage *stage = nullptr;
    QString path;
    QString name;          // the file's name, as the folder's events give it
    FileStamp stamp;       // the file as last read or written here
    QByteArray seen;       // the hash of the content last announced or written here
    QByteArray broken;     // the hash of a content that did not read, being tried again
    int tries = 0;
    int generation = 0;    // a read begun before the last write here is dropped
    bool dirty = false;    // changed since the last read began
    bool writing = false;  // written to, and its writer has not closed it yet
    qint64 lastWrite = 0;
    bool reading = false;
};

struct TiledLiveFolder::Reading
{
    QString path;
    int generation = 0;
    FileStamp before, after;
    QByteArray hash;
    TiledMapRead read;
};

TiledLiveFolder::TiledLiveFolder(QObject *parent)
    : QObject(parent)
{
    settle.setSingleShot(true);
    settle.setInterval(SettleMilliseconds);
    connect(&settle, &QTimer::timeout, this, &TiledLiveFolder::readChanges);
    retry.setSingleShot(true);
    retry.setInterval(RetryMilliseconds);
    connect(&retry, &QTimer::timeout, this, &TiledLiveFolder::retryBroken);
    poll.setInterval(PollMilliseconds);
    connect(&poll, &QTimer::timeout, this, &TiledLiveFolder::pollStamps);
}

TiledLiveFolder::~TiledLiveFolder()
{
    notifier.reset();
    if (notifyFd >= 0)
        ::close(notifyFd);
    if (!folder)
        return;
    // Work saved in Tiled and not taken in stays for the next start, which keeps it.
    if (QFileInfo(folder->path()).isDir() && !mapsWithWork(folder->path()).isEmpty()) {
        folder->setAutoRemove(false);
        QFile(folder->filePath(EndedMark)).open(QIODevice::WriteOnly);
    }
    owner.reset(); // before the folder goes
}

QByteArray TiledLiveFolder::ContentHash(const QByteArray &content)
{
    return QCryptographicHash::hash(content, QCryptographicHash::Sha256);
}

bool TiledLiveFolder::HoldsWorkNotTakenIn(const QString &path)
{
    if (!QFileInfo::exists(path))
        return false;
    const FileReadResult file = ReadWholeFile(path, MaxTiledFileSize);
    const FileReadResult record = ReadWholeFile(recordPath(path), 1024);
    if (!record.ok())
        return true;
    const QByteArray content(reinterpret_cast<const char *>(file.bytes.data()), qsizetype(file.bytes.size()));
    const QByteArray taken(reinterpret_cast<const char *>(record.bytes.data()), qsizetype(record.bytes.size()));
    return ContentHash(content).toHex() != taken.trimmed();
}

void TiledLiveFolder::MarkTakenIn(const QString &path, const QByteArray &hash)
{
    // A record that cannot be written costs a question, or a map kept that need not be.
    ReplaceFileContents(recordPath(path), hash.toHex() + '\n');
}

QString TiledLiveFolder::folderPath() const
{
    return folder ? folder->path() : QString();
}

QString TiledLiveFolder::pathFor(const QString &mapName) const
{
    return folder && QFileInfo(folder->path()).isDir() ? folder->filePath(QFileInfo(mapName).fileName()) : QString();
}

QString TiledLiveFolder::mapPath(const Stage &stage) const
{
    for (const auto &map : maps)
        if (map->stage == &stage)
            return map->path;
    return {};
}

QStringList TiledLiveFolder::mapPaths() const
{
    QStringList paths;
    for (const auto &map : maps)
        paths << map->path;
    return paths;
}

TiledLiveFolder::Map *TiledLiveFolder::mapAt(const QString &path)
{
    for (const auto &map : maps)
        if (map->path == path)
            return map.get();
    return nullptr;
}

bool TiledLiveFolder::makeFolder(QString *error)
{
    folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(FolderPrefix + QStringLiteral("XXXXXX")));
    if (!folder->isValid()) {
        *error = QStringLiteral("Cannot start Tiled: no temporary folder for the map could be made in %1: %2.")
                     .arg(QDir::toNativeSeparators(QDir::tempPath()), folder->errorString());
        folder.reset();
        return false;
    }
    owner = std::make_unique<QLockFile>(folder->filePath(OwnerLock));
    owner->setStaleLockTime(0);
    owner->tryLock(0); // without it, the folder is merely left for the system to clear
    // The folder's events: writes into a map, its writer closing it, a map renamed over
    // or made anew. Without them the maps are still looked at every PollMilliseconds.
    notifyFd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (notifyFd >= 0
        && ::inotify_add_watch(notifyFd, QFile::encodeName(folder->path()).constData(),
                               IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE
                                   | IN_ATTRIB | IN_ONLYDIR)
            >= 0) {
        notifier = std::make_unique<QSocketNotifier>(notifyFd, QSocketNotifier::Read);
        connect(notifier.get(), &QSocketNotifier::activated, this, &TiledLiveFolder::folderEvents);
    } else if (notifyFd >= 0) {
        ::close(notifyFd);
        notifyFd = -1;
    }
    return true;
}

void TiledLiveFolder::forgetFolder()
{
    maps.clear();
    notifier.reset();
    if (notifyFd >= 0)
        ::close(notifyFd);
    notifyFd = -1;
    owner.reset();
    folder.reset();
    settle.stop();
    retry.stop();
    poll.stop();
}

QString TiledLiveFolder::start(const QString &command, const modKrelin &model, const BgColorSet &colors,
                               const QString &mapName)
{
    if (QProcess::splitCommand(command).isEmpty())
        return QStringLiteral("Cannot start Tiled: no command for it is set. Set one in Edit > Preferences > Tiled.");
    // A folder removed meanwhile (by hand, or by a cleaner of the temporary folder) is made
    // anew; the maps that were in it are gone with it.
    if (folder && !QFileInfo(folder->path()).isDir())
        forgetFolder();
    QString error;
    if (!folder && !makeFolder(&error))
        return error;
    const Stage *stage = model.currentStage();
    const QString path = folder->filePath(QFileInfo(mapName).fileName());
    const QString written = WriteTiledStage(model, path, colors);
    if (!written.isEmpty())
        return QStringLiteral("Cannot start Tiled: %1").arg(written);
    Map *map = mapAt(path);
    if (!map) {
        map = maps.emplace_back(std::make_unique<Map>()).get();
        map->path = path;
        map->name = QFileInfo(path).fileName();
    }
    // What was just written is the content known: no save of Tiled's yet.
    const FileReadResult file = ReadWholeFile(path, MaxTiledFileSize);
    map->stage = stage;
    map->generation = nextGeneration++;
    map->seen = ContentHash(QByteArray(reinterpret_cast<const char *>(file.bytes.data()), qsizetype(file.bytes.size())));
    map->stamp = stampOf(path);
    map->broken.clear();
    map->dirty = map->writing = map->reading = false;
    MarkTakenIn(path, map->seen);
    poll.start();

    QStringList words = EmulatorArguments(command, path);
    QProcess process;
    process.setProgram(words.takeFirst());
    process.setArguments(words);
    qint64 pid = 0;
    if (!process.startDetached(&pid))
        return QStringLiteral("Cannot start Tiled \"%1\": %2.").arg(process.program(), process.errorString());
    // So that the next start leaves the folder to a Tiled still working on it.
    QFile pids(folder->filePath(TiledProcesses));
    if (pids.open(QIODevice::Append))
        pids.write(QByteArray::number(pid) + '\n');
    return {};
}

void TiledLiveFolder::stopAll()
{
    maps.clear();
    settle.stop();
    retry.stop();
    poll.stop();
}

QString TiledLiveFolder::keepAside(const QString &path, QString *error)
{
    const QFileInfo info(path);
    QString aside;
    for (int n = 1; aside.isEmpty() || QFileInfo::exists(aside); ++n)
        aside = info.dir().filePath(QStringLiteral("%1-replaced-%2.%3").arg(info.completeBaseName()).arg(n).arg(info.suffix()));
    if (!QFile::rename(path, aside)) {
        *error = QStringLiteral("Cannot keep %1 aside as %2.")
                     .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside));
        return {};
    }
    return aside;
}

void TiledLiveFolder::folderEvents()
{
    alignas(inotify_event) char buffer[4096];
    ssize_t length;
    while ((length = ::read(notifyFd, buffer, sizeof buffer)) > 0) {
        for (const char *p = buffer; p < buffer + length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(p);
            p += sizeof(inotify_event) + event->len;
            if (event->mask & IN_Q_OVERFLOW) {
                for (const auto &map : maps)
                    map->dirty = true;
                continue;
            }
            if (event->len == 0)
                continue;
            const QString name = QFile::decodeName(event->name);
            for (const auto &map : maps) {
                if (map->name != name)
                    continue;
                map->dirty = true;
                if (event->mask & IN_MODIFY) {
                    map->writing = true;
                    map->lastWrite = now();
                }
                // Closed after writing, or replaced by another file: the writer is done.
                if (event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE))
                    map->writing = false;
            }
        }
    }
    wake();
}

void TiledLiveFolder::wake()
{
    settle.start();
}

void TiledLiveFolder::pollStamps()
{
    bool changed = false;
    for (const auto &map : maps)
        if (!map->reading && !(stampOf(map->path) == map->stamp)) {
            map->dirty = true;
            changed = true;
        }
    if (changed && !settle.isActive())
        wake();
}

void TiledLiveFolder::retryBroken()
{
    bool any = false;
    for (const auto &map : maps)
        if (!map->broken.isEmpty()) {
            map->dirty = true;
            any = true;
        }
    if (any)
        wake();
}

void TiledLiveFolder::readChanges()
{
    bool waiting = false;
    for (const auto &map : maps) {
        if (!map->dirty || map->reading)
            continue;
        // A writer that still holds the file is waited for, unless it has long been quiet.
        if (map->writing && now() - map->lastWrite < WriterQuietMilliseconds) {
            waiting = true;
            continue;
        }
        startReading(*map);
    }
    if (waiting)
        wake();
}

void TiledLiveFolder::startReading(Map &map)
{
    map.dirty = false;
    map.reading = true;
    const QString path = map.path;
    const int generation = map.generation;
    // Read and parsed off the window's thread: nothing here touches the model.
    auto *watcher = new QFutureWatcher<Reading>(this);
    connect(watcher, &QFutureWatcher<Reading>::finished, this, [this, watcher] {
        readDone(watcher->result());
        watcher->deleteLater();
    });
    watcher->setFuture(QtConcurrent::run([path, generation] {
        Reading reading;
        reading.path = path;
        reading.generation = generation;
        reading.before = stampOf(path);
        QByteArray content;
        reading.read = ReadTiledMap(path, &content);
        reading.after = stampOf(path);
        reading.hash = ContentHash(content);
        return reading;
    }));
}

void TiledLiveFolder::readDone(const Reading &reading)
{
    Map *map = mapAt(reading.path);
    if (!map || map->generation != reading.generation)
        return;
    map->reading = false;
    // Changed while it was read: read again once the folder is quiet.
    if (map->dirty || !(reading.before == reading.after)) {
        map->dirty = true;
        wake();
        return;
    }
    map->stamp = reading.after;
    if (reading.after.size < 0)
        return; // gone for now: the file that takes its name brings an event of its own
    if (reading.hash == map->seen) {
        map->broken.clear();
        return;
    }
    if (!reading.read.ok()) {
        // Perhaps a write half done: tried again until its writer has left it alone.
        if (map->broken != reading.hash) {
            map->broken = reading.hash;
            map->tries = 0;
        }
        if (++map->tries < RetryCount) {
            retry.start();
            return;
        }
    }
    map->seen = reading.hash;
    map->broken.clear();
    // A handler may start another map or stop them all.
    const Stage *stage = map->stage;
    const QString path = map->path;
    emit mapSaved(stage, path, reading.read, reading.hash);
}

QStringList TiledLiveFolder::RemoveLeftovers(const QString &keepFolder)
{
    QStringList kept;
    const QDir temporary(QDir::tempPath());
    for (const QString &name : temporary.entryList({FolderPrefix + u'*'}, QDir::Dirs | QDir::Hidden)) {
        const QString folder = temporary.filePath(name);
        struct stat info{};
        // Only this user's own folders, not a link to somewhere else, and only those that
        // hold an owner's lock or were left at their program's end: a folder with neither
        // is a program's that has just made it.
        if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::geteuid())
            continue;
        // A Tiled still working there is asked first: a lock taken and let go would be gone.
        if (tiledRunsOn(folder))
            continue;
        QLockFile lock(folder + u'/' + OwnerLock);
        lock.setStaleLockTime(0); // only an owner that no longer runs lets go of it
        if (!QFileInfo::exists(folder + u'/' + EndedMark)
            && (!QFileInfo::exists(folder + u'/' + OwnerLock) || !lock.tryLock(0)))
            continue;
        const QStringList work = mapsWithWork(folder);
        if (!work.isEmpty()) {
            const QStringList copies = keepMaps(folder, work, keepFolder);
            if (copies.isEmpty()) { // left where it is rather than lost, for the next start to try again
                QFile(folder + u'/' + EndedMark).open(QIODevice::WriteOnly);
                continue;
            }
            kept << copies;
        }
        QDir(folder).removeRecursively();
    }
    return kept;
}

} // namespace krelin
