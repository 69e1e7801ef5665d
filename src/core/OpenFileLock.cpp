#include "OpenFileLock.h"

#include "ResolveLinks.h"
#include "SameFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace krelin {

namespace {

QString lockFolder(const QString &folder)
{
    if (!folder.isEmpty())
        return folder;
    QString where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (where.isEmpty())
        where = QDir::tempPath();
    return where + QStringLiteral("/krelin");
}

QString systemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

} // namespace

QString OpenFileLock::lockPathFor(const QString &path, const QString &folder)
{
    // What a save leaves as it was: the folder the file lies in and its name there. The
    // file itself is a new one after every save.
    const ResolvedPath resolved = ResolveLinks(path);
    if (resolved.error)
        return {};
    const qsizetype slash = resolved.path.lastIndexOf('/');
    const QByteArray parent = slash < 0 ? QByteArrayLiteral(".") : slash == 0 ? QByteArrayLiteral("/") : resolved.path.left(slash);
    const QByteArray name = resolved.path.mid(slash + 1);
    struct stat info{};
    if (name.isEmpty() || ::stat(parent.constData(), &info) != 0)
        return {};
    const QByteArray hash = QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("%1/open-%2-%3-%4.lock")
        .arg(lockFolder(folder), QString::number(quint64(info.st_dev), 16), QString::number(quint64(info.st_ino), 16),
             QString::fromLatin1(hash));
}

OpenFileLock::OpenFileLock(const QString &path, const QString &folder)
    : file(path)
{
    const QString lockPath = lockPathFor(path, folder);
    if (lockPath.isEmpty())
        return;
    const QString where = QFileInfo(lockPath).absolutePath();
    if (!QDir().mkpath(where)) {
        // Asked once more to learn why: a file in the folder's place, no permission ...
        const int code = ::mkdir(QFile::encodeName(where).constData(), 0700) != 0 && errno != EEXIST ? errno : ENOTDIR;
        trouble = QStringLiteral("cannot make the folder %1: %2").arg(QDir::toNativeSeparators(where), systemReason(code));
        return;
    }
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
    if (lock->error() == QLockFile::LockFailedError)
        return false; // another live process holds it
    trouble = QStringLiteral("cannot write the lock %1: %2")
                  .arg(QDir::toNativeSeparators(lock->fileName()),
                       lock->error() == QLockFile::PermissionError ? QStringLiteral("permission denied")
                                                                   : QStringLiteral("the system refused it"));
    lock.reset();
    return true;
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
