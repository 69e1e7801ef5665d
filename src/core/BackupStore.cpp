#include "BackupStore.h"

#include "FileWriter.h"
#include "RomFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

#include <algorithm>

namespace krelin {

namespace {

// Each file's folder records the file it keeps copies of.
const QString OriginalName = QStringLiteral("original-path.txt");
// A copy is named after the moment it was made, so that names sort by age.
const QString TimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
const QString CopySuffix = QStringLiteral(".nes");
// A folder's name is the file's name, "-" and 12 hex digits; it must fit the file system.
constexpr qsizetype MostNameBytes = 255 - 13;

// True for the name of a copy this store made: the moment it was made, and ".nes".
bool isCopyName(const QString &name)
{
    return name.endsWith(CopySuffix) && name.size() == TimeFormat.size() + CopySuffix.size()
        && QDateTime::fromString(name.chopped(CopySuffix.size()), TimeFormat).isValid();
}

// What path is without following a link at its end: 0 for nothing there, else its mode.
mode_t kindOf(const QString &path)
{
    struct stat info{};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode : 0;
}

// A file's name cut to at most MostNameBytes bytes of UTF-8, at a whole character.
QString fittingName(const QString &name)
{
    QString cut = name;
    while (QFile::encodeName(cut).size() > MostNameBytes)
        cut.chop(cut.size() > 1 && cut.back().isLowSurrogate() ? 2 : 1);
    return cut;
}

} // namespace

BackupStore::BackupStore(const QString &folder)
    : root(folder)
{
    if (root.isEmpty())
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/krelin/backups");
}

QString BackupStore::folderFor(const QString &path) const
{
    const QFileInfo info(path);
    const QString absolute = info.absoluteFilePath();
    // The name says which file it is at a glance; the hash of the whole path keeps two
    // files of one name in other folders apart.
    const QByteArray hash = QCryptographicHash::hash(QFile::encodeName(absolute), QCryptographicHash::Sha1).toHex();
    return QDir(root).filePath(fittingName(info.fileName()) + u'-' + QString::fromLatin1(hash.left(12)));
}

QString BackupStore::keep(const QString &path, int kept)
{
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (file.size() > MaxImageSize || !file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot keep a backup of %1: it cannot be read.").arg(QDir::toNativeSeparators(path));
    const QByteArray old = file.readAll();
    const QString folder = folderFor(path);
    // Only a real folder of the store's own holds backups: one that is a link (to the
    // user's own files, say) is neither written to nor trimmed.
    const mode_t kind = kindOf(folder);
    if (kind != 0 && !S_ISDIR(kind))
        return QStringLiteral("Cannot keep a backup of %1: its backup folder %2 is %3, not a folder of the "
                              "backups' own, so it was left alone.")
            .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(folder),
                 S_ISLNK(kind) ? QStringLiteral("a link") : QStringLiteral("a file"));
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot make the backup folder %1.").arg(QDir::toNativeSeparators(folder));
    const QString originalFile = QDir(folder).filePath(OriginalName);
    if (!QFileInfo::exists(originalFile))
        ReplaceFileContents(originalFile, QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    const QString copy = QDir(folder).filePath(QDateTime::currentDateTime().toString(TimeFormat) + CopySuffix);
    const QString reason = ReplaceFileContents(copy, old);
    if (!reason.isEmpty())
        return QStringLiteral("Cannot keep a backup of %1: %2.").arg(QDir::toNativeSeparators(path), reason);

    // Only the copies made here are let go: ordinary files named after their moment.
    QStringList copies;
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*") + CopySuffix}, QDir::Files, QDir::Name))
        if (isCopyName(name) && S_ISREG(kindOf(QDir(folder).filePath(name))))
            copies << name;
    while (copies.size() > std::max(kept, 0))
        QFile::remove(QDir(folder).filePath(copies.takeFirst()));
    return {};
}

std::vector<Backup> BackupStore::list() const
{
    std::vector<Backup> backups;
    const QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (!S_ISDIR(kindOf(dir.filePath(name))))
            continue; // a link out of the store
        const QDir folder(dir.filePath(name));
        QFile original(folder.filePath(OriginalName));
        const QString originalPath =
            original.open(QIODevice::ReadOnly) ? QFile::decodeName(original.read(4096)) : QString();
        for (const QFileInfo &copy : folder.entryInfoList({QStringLiteral("*") + CopySuffix}, QDir::Files)) {
            const QDateTime time = QDateTime::fromString(copy.completeBaseName(), TimeFormat);
            if (time.isValid() && isCopyName(copy.fileName()) && !copy.isSymLink())
                backups.push_back({copy.absoluteFilePath(), originalPath, time, copy.size()});
        }
    }
    std::sort(backups.begin(), backups.end(), [](const Backup &a, const Backup &b) { return a.time > b.time; });
    return backups;
}

} // namespace krelin
