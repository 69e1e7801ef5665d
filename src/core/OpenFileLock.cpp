#include "OpenFileLock.h"

#include "SameFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <sys/stat.h>

namespace krelin {

QString OpenFileLock::lockPathFor(const QString &path, const QString &folder)
{
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    QString where = folder;
    if (where.isEmpty()) {
        where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (where.isEmpty())
            where = QDir::tempPath();
        where += QStringLiteral("/krelin");
    }
    return QStringLiteral("%1/open-%2-%3.lock")
        .arg(where, QString::number(quint64(info.st_dev), 16), QString::number(quint64(info.st_ino), 16));
}

OpenFileLock::OpenFileLock(const QString &path, const QString &folder)
    : file(path)
{
    const QString lockPath = lockPathFor(path, folder);
    if (lockPath.isEmpty() || !QDir().mkpath(QFileInfo(lockPath).absolutePath()))
        return;
    lock = std::make_unique<QLockFile>(lockPath);
    // Only a holder that no longer runs makes a lock stale, however old it is.
    lock->setStaleLockTime(0);
}

OpenFileLock::~OpenFileLock() = default;

bool OpenFileLock::tryLock()
{
    if (!lock)
        return true;
    if (lock->tryLock(0))
        return true;
    // A lock that names no process is no one's: it is taken over like a stale one.
    if (lock->error() == QLockFile::LockFailedError && holder() <= 0 && lock->removeStaleLockFile()
        && lock->tryLock(0))
        return true;
    return lock->error() != QLockFile::LockFailedError; // another live process holds it
}

qint64 OpenFileLock::holder() const
{
    qint64 pid = 0;
    QString host, application;
    if (lock && !lock->isLocked() && lock->getLockInfo(&pid, &host, &application))
        return pid;
    return 0;
}

bool OpenFileLock::isLocked() const
{
    return lock && lock->isLocked();
}

bool OpenFileLock::isFor(const QString &path) const
{
    return IsSameFile(file, path) || (lock && lockPathFor(path) == lock->fileName());
}

} // namespace krelin
