#include "FileWriter.h"

#include "ResolveLinks.h"

#include <QRandomGenerator>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace krelin {

namespace {

// Writes all of data to fd, going on after a partial write or an interruption.
// Returns 0, or the error code that stopped it.
int writeAll(int fd, QByteArrayView data)
{
    const char *next = data.data();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, next, size_t(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        next += n;
        left -= n;
    }
    return 0;
}

// The folder part and the name part of a path, as the system spells them.
QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// A fresh temporary name beside target: ".NAME.XXXXXXXX~", hidden, with eight hex digits.
QByteArray temporaryNameBeside(const QByteArray &target)
{
    const QByteArray folder = folderOf(target);
    const QByteArray name = '.' + nameOf(target) + '.'
        + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0') + '~';
    return folder == "/" ? '/' + name : folder + '/' + name;
}

// A new file beside target under a temporary name, created only if no such file exists
// yet. Returns its descriptor, or -1 with errno set.
int createNamedTemporary(const QByteArray &target, QByteArray *temporaryPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = temporaryNameBeside(target);
        // 0666 as asked of the system leaves the user's umask to decide a new file's mode.
        const int fd = ::open(temporaryPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

} // namespace

QString SystemWriteReason(int error)
{
    switch (error) {
    case ENOSPC:
        return QStringLiteral("there is no space left on the device");
    case EDQUOT:
        return QStringLiteral("the disk quota is used up");
    case EFBIG:
        return QStringLiteral("the file would be larger than the file size limit allows");
    case EROFS:
        return QStringLiteral("the file system is read-only");
    case EACCES:
    case EPERM:
        return QStringLiteral("permission denied");
    case ENOENT:
        return QStringLiteral("the folder does not exist");
    case ELOOP:
        return LinkLoopReason;
    default:
        break;
    }
    QString text = QString::fromLocal8Bit(std::strerror(error));
    if (!text.isEmpty())
        text[0] = text[0].toLower();
    return text;
}

QString ReplaceFileContents(const QString &path, QByteArrayView data)
{
    const ResolvedPath resolved = ResolveLinks(path);
    if (resolved.error)
        return SystemWriteReason(resolved.error);
    const QByteArray &target = resolved.path;

    struct stat old{};
    const bool exists = ::stat(target.constData(), &old) == 0;
    if (!exists && errno == ELOOP)
        return SystemWriteReason(ELOOP);
    if (exists && S_ISDIR(old.st_mode))
        return QStringLiteral("it is a folder");
    // A pipe or device would be swapped for an ordinary file by the rename below.
    if (exists && !S_ISREG(old.st_mode))
        return QStringLiteral("it is not an ordinary file");
    if (exists) {
        // Renaming a new file into place needs no permission on the old one, so root (or
        // the owner of the folder) would replace a file marked read-only: check it first.
        if (!(old.st_mode & S_IWUSR))
            return ReadOnlyReason;
        if (::access(target.constData(), W_OK) != 0) {
            if (errno == EACCES || errno == EPERM)
                return ReadOnlyReason;
            if (errno == EROFS)
                return SystemWriteReason(EROFS);
        }
    }

    QByteArray temporary;
    const int fd = createNamedTemporary(target, &temporary);
    if (fd < 0) {
        // The new file goes into the target's folder: say which permission is missing.
        if (errno == EACCES || errno == EPERM)
            return QStringLiteral("the folder does not allow new files (permission denied)");
        return SystemWriteReason(errno);
    }

    int error = writeAll(fd, data);
    if (!error && exists) {
        // The new file takes the old one's owner (where allowed: only root may give a file
        // away) and permission bits, in that order, since a change of owner clears the
        // set-id bits.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0 && ::fchown(fd, uid_t(-1), old.st_gid) != 0) {
            // Keeping the caller's own owner and group is the best that can be done.
        }
        if (::fchmod(fd, old.st_mode & 07777) != 0)
            error = errno;
    }
    // The data must be on the disk before the name points at it: a crash right after the
    // rename must not leave an empty file where the old one was.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && !error)
        error = errno;
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporary.constData());
        return SystemWriteReason(error);
    }
    return {};
}

} // namespace krelin
