#include "FileWriter.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace krelin {

namespace {

// Follows symbolic links to the file they name, as far as they lead (at most 128 steps,
// the limit past which a chain counts as a loop). A path that is no link is returned as
// it is; so is a dangling link's last step, which the write then creates.
QString resolveLinks(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 128 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    return info.isSymLink() ? path : info.filePath();
}

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

// A new file beside target, named after it and hidden, created only if no such file
// exists yet. Returns its descriptor, or -1 with errno set.
int createTemporaryBeside(const QString &target, QString *temporaryPath)
{
    const QFileInfo info(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString name = QStringLiteral(".%1.%2~")
                                 .arg(info.fileName())
                                 .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        *temporaryPath = info.dir().filePath(name);
        // 0666 as asked of the system leaves the user's umask to decide a new file's mode.
        const int fd = ::open(QFile::encodeName(*temporaryPath).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    const QString target = resolveLinks(path);
    const QByteArray targetName = QFile::encodeName(target);

    struct stat old{};
    const bool exists = ::stat(targetName.constData(), &old) == 0;
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
        if (::access(targetName.constData(), W_OK) != 0) {
            if (errno == EACCES || errno == EPERM)
                return ReadOnlyReason;
            if (errno == EROFS)
                return SystemWriteReason(EROFS);
        }
    }

    QString temporary;
    const int fd = createTemporaryBeside(target, &temporary);
    if (fd < 0) {
        // The new file goes into the target's folder: say which permission is missing.
        if (errno == EACCES || errno == EPERM)
            return QStringLiteral("the folder does not allow new files (permission denied)");
        return SystemWriteReason(errno);
    }
    const QByteArray temporaryName = QFile::encodeName(temporary);

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
    if (!error && ::rename(temporaryName.constData(), targetName.constData()) != 0)
        error = errno;
    if (error) {
        ::unlink(temporaryName.constData());
        return SystemWriteReason(error);
    }
    return {};
}

} // namespace krelin
