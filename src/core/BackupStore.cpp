#include "BackupStore.h"

#include "FileWriter.h"
#include "RomFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace krelin {

namespace {

// Each file's folder records the file it keeps copies of.
const QString OriginalName = QStringLiteral("original-path.txt");
// A copy is named after the moment it was made, so that names sort by age.
const QString TimeFormat = QStringLiteral("yyyy-MM-dd_HH-mm-ss-zzz");
const QString CopySuffix = QStringLiteral(".nes");

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
    return QDir(root).filePath(info.fileName() + u'-' + QString::fromLatin1(hash.left(12)));
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
    if (!QDir().mkpath(folder))
        return QStringLiteral("Cannot make the backup folder %1.").arg(QDir::toNativeSeparators(folder));
    const QString originalFile = QDir(folder).filePath(OriginalName);
    if (!QFileInfo::exists(originalFile))
        ReplaceFileContents(originalFile, QFile::encodeName(QFileInfo(path).absoluteFilePath()));
    const QString copy = QDir(folder).filePath(QDateTime::currentDateTime().toString(TimeFormat) + CopySuffix);
    const QString reason = ReplaceFileContents(copy, old);
    if (!reason.isEmpty())
        return QStringLiteral("Cannot keep a backup of %1: %2.").arg(QDir::toNativeSeparators(path), reason);

    QStringList copies = QDir(folder).entryList({QStringLiteral("*") + CopySuffix}, QDir::Files, QDir::Name);
    while (copies.size() > std::max(kept, 0))
        QFile::remove(QDir(folder).filePath(copies.takeFirst()));
    return {};
}

std::vector<Backup> BackupStore::list() const
{
    std::vector<Backup> backups;
    const QDir dir(root);
    for (const QString &name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir folder(dir.filePath(name));
        QFile original(folder.filePath(OriginalName));
        const QString originalPath =
            original.open(QIODevice::ReadOnly) ? QFile::decodeName(original.read(4096)) : QString();
        for (const QFileInfo &copy : folder.entryInfoList({QStringLiteral("*") + CopySuffix}, QDir::Files)) {
            const QDateTime time = QDateTime::fromString(copy.completeBaseName(), TimeFormat);
            if (time.isValid())
                backups.push_back({copy.absoluteFilePath(), originalPath, time, copy.size()});
        }
    }
    std::sort(backups.begin(), backups.end(), [](const Backup &a, const Backup &b) { return a.time > b.time; });
    return backups;
}

} // namespace krelin
