#include "FileWriter.h"

#include "ResolveLinks.h"

#include <QRandomGenerator>

#include <sys/file.h>
#include <sys/stat.h>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

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

// What ends every temporary name of this writer: ".krelin-new-", eight hex digits, "~".
// The program's name in it tells its files from other programs' temporaries. Such a file
// is locked (flock) by its writer from before it has a name until it has the target's.
constexpr char TemporaryMark[] = ".krelin-new-";
// Earlier versions wrote ".krelin-", eight hex digits, "~", and locked nothing.
constexpr char EarlierMark[] = ".krelin-";
constexpr std::size_t suffixSize(const char *mark)
{
    return std::char_traits<char>::length(mark) + 8 + 1;
}
constexpr std::size_t TemporarySuffixSize = suffixSize(TemporaryMark);

// The longest file name the folder's file system takes.
std::size_t longestName(const QByteArray &folder)
{
    const long most = ::pathconf(folder.constData(), _PC_NAME_MAX);
    return most > 0 ? std::size_t(most) : std::size_t(NAME_MAX);
}

// A fresh temporary name beside target: ".NAME.krelin-XXXXXXXX~", hidden, with eight hex
// digits. A name too long to fit the file system with the rest is cut (at a whole UTF-8
// character), so that a file of any name the system allows can be written.
QByteArray temporaryNameBeside(const QByteArray &target)
{
    const QByteArray folder = folderOf(target);
    const std::size_t room = longestName(folder);
    QByteArray kept = nameOf(target);
    const qsizetype fits = qsizetype(room > TemporarySuffixSize + 1 ? room - TemporarySuffixSize - 1 : 0);
    if (kept.size() > fits) {
        qsizetype cut = fits;
        while (cut > 0 && (std::uint8_t(kept[cut]) & 0xC0) == 0x80)
            --cut;
        kept.truncate(cut);
    }
    const QByteArray name = '.' + kept + TemporaryMark
        + QByteArray::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, '0') + '~';
    return folder == "/" ? '/' + name : folder + '/' + name;
}

// A new file beside target under a temporary name, created only if no such file exists
// yet, and locked. Returns its descriptor, or -1 with errno set.
int createNamedTemporary(const QByteArray &target, QByteArray *temporaryPath)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporaryPath = temporaryNameBeside(target);
        // 0666 as asked of the system leaves the user's umask to decide a new file's mode.
        const int fd = ::open(temporaryPath->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return fd;
        if (fd < 0)
            continue;
        // Another program's clean-up may have taken the lock between the creation and here,
        // and with it the name: then start again under another name. (A file system
        // without locks still takes the write.)
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK)
                return fd;
            ::close(fd);
            continue;
        }
        struct stat opened{}, named{};
        if (::fstat(fd, &opened) == 0 && ::stat(temporaryPath->constData(), &named) == 0
            && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Gives the unnamed file open as fd a temporary name beside target, so that it can be
// renamed over the target. Returns 0, or the error code that stopped it.
int nameUnnamedFile(int fd, const QByteArray &target, QByteArray *temporaryPath)
{
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = temporaryNameBeside(target);
        int done = ::linkat(AT_FDCWD, self, AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW);
        // Without /proc, the file can still be named straight from its descriptor by a
        // process allowed to (root).
        if (done != 0 && errno == ENOENT)
            done = ::linkat(fd, "", AT_FDCWD, name.constData(), AT_EMPTY_PATH);
        if (done == 0) {
            *temporaryPath = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

// True for a file name given with mark: ".NAME" + mark + eight lower-case hex digits + "~"
// (NAME perhaps cut short, or empty).
bool isTemporaryName(const char *name, const char *mark)
{
    const std::size_t n = std::strlen(name);
    const std::size_t markSize = std::strlen(mark), suffix = suffixSize(mark);
    if (n < 1 + suffix || name[0] != '.' || name[n - 1] != '~')
        return false;
    const char *end = name + n - suffix;
    if (std::strncmp(end, mark, markSize) != 0)
        return false;
    for (std::size_t i = markSize; i < suffix - 1; ++i)
        if (!std::strchr("0123456789abcdef", end[i]) || end[i] == '\0')
            return false;
    return true;
}

// Removes the file name from the folder open as dirFd if it is a temporary file that a
// write killed half way left behind: this user's own ordinary file, and either of this
// writer's names with no writer holding its lock, or of an earlier version's names and
// too old to be still written. Returns whether it removed it.
bool removeIfLeftBehind(int dirFd, const char *name, std::time_t now)
{
    const bool ours = isTemporaryName(name, TemporaryMark);
    if (!ours && !isTemporaryName(name, EarlierMark))
        return false;
    struct stat named{};
    if (::fstatat(dirFd, name, &named, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
        return false;
    if (!ours)
        return now - named.st_mtime >= StaleTemporaryAge && ::unlinkat(dirFd, name, 0) == 0;
    // O_NONBLOCK and O_NOFOLLOW: whatever takes the name meanwhile is never waited on.
    int fd = ::openat(dirFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && errno == EACCES)
        fd = ::openat(dirFd, name, O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat opened{};
    // The lock refused: its writer is still at work. The name must still be the file that
    // was looked at; it goes while the lock is held, so that a writer that created it just
    // now finds its name gone once it has the lock, and starts again.
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0
        && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev && ::unlinkat(dirFd, name, 0) == 0;
    ::close(fd);
    return removed;
}

struct WriteAttempt
{
    int error = 0;               // 0, or the system's error code that stopped the write
    bool creating = false;       // the error came from creating the temporary file
    bool noUnnamedFiles = false; // unnamed files cannot be had here: try a named one
    bool renamed = false;        // the new file is in the target's place (the folder's flush failed)
};

// Writes data to a new temporary file beside target (an unnamed one if unnamed) and
// renames it over target. old is the target's status when it exists: the new file takes
// its owner and permission bits. On failure nothing is left behind.
WriteAttempt writeThrough(const QByteArray &target, QByteArrayView data, const struct stat *old, bool unnamed)
{
    WriteAttempt attempt;
    QByteArray temporary;
    int fd = -1;
    if (unnamed) {
        // 0666 as asked of the system leaves the user's umask to decide a new file's mode.
        fd = ::open(folderOf(target).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
            attempt.noUnnamedFiles = true;
            return attempt;
        }
    } else {
        fd = createNamedTemporary(target, &temporary);
    }
    if (fd < 0) {
        attempt.error = errno;
        attempt.creating = true;
        return attempt;
    }
    // Locked from before it has a name: a clean-up tells a file still being written from
    // one whose writer was killed. (Nobody else can hold it yet; a file system without
    // locks still takes the write.)
    if (unnamed)
        (void)::flock(fd, LOCK_EX | LOCK_NB);

    int error = writeAll(fd, data);
    if (!error && old) {
        // The new file takes the old one's owner (where allowed: only root may give a file
        // away) and permission bits, in that order, since a change of owner clears the
        // set-id bits.
        if (::fchown(fd, old->st_uid, old->st_gid) != 0 && ::fchown(fd, uid_t(-1), old->st_gid) != 0) {
            // Keeping the caller's own owner and group is the best that can be done.
        }
        if (::fchmod(fd, old->st_mode & 07777) != 0)
            error = errno;
    }
    // The data must be on the disk before the name points at it: a crash right after the
    // rename must not leave an empty file where the old one was.
    if (!error && ::fsync(fd) != 0)
        error = errno;
    if (!error && unnamed) {
        error = nameUnnamedFile(fd, target, &temporary);
        // Without /proc and without the right to name a file by its descriptor, the write
        // is made again through a named file.
        if (error == ENOENT || error == EPERM) {
            ::close(fd);
            attempt.noUnnamedFiles = true;
            return attempt;
        }
    }
    // The file stays open, and locked, until it has the target's name.
    if (!error && ::rename(temporary.constData(), target.constData()) != 0)
        error = errno;
    if (error && !temporary.isEmpty())
        ::unlink(temporary.constData());
    // The new name reaches the disk before anything that follows the write does.
    if (!error) {
        error = FlushFolder(folderOf(target), fd);
        attempt.renamed = error != 0;
    }
    // Closing after fsync has nothing left to report: the bytes are on the disk.
    ::close(fd);
    attempt.error = error;
    return attempt;
}

} // namespace

int FlushFolder(const QByteArray &folder, int fallback)
{
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        const int error = errno;
        if (fallback < 0)
            return error;
        return ::syncfs(fallback) == 0 ? 0 : errno;
    }
    int error = ::fsync(dir) == 0 ? 0 : errno;
    ::close(dir);
    // A file system without a flush of its folders (it says so) keeps nothing back.
    if (error == EINVAL || error == EROFS || error == ENOTSUP || error == ENOSYS)
        error = 0;
    return error;
}

int RemoveStaleTemporaries(const QByteArray &folder)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    const std::time_t now = std::time(nullptr);
    int removed = 0;
    while (const dirent *entry = ::readdir(dir))
        removed += removeIfLeftBehind(dirFd, entry->d_name, now);
    ::closedir(dir);
    return removed;
}

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

QString ReplaceFileContents(const QString &path, QByteArrayView data, TemporaryFile first, bool *inPlace)
{
    if (inPlace)
        *inPlace = false;
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

    // A write killed half way by an earlier run may have left a named temporary file.
    RemoveStaleTemporaries(folderOf(target));

    // An unnamed file where the system allows: killed before it is linked in, the write
    // leaves nothing behind. Otherwise a named one, which a later write clears up.
    WriteAttempt attempt = writeThrough(target, data, exists ? &old : nullptr, first == TemporaryFile::Unnamed);
    if (attempt.noUnnamedFiles)
        attempt = writeThrough(target, data, exists ? &old : nullptr, false);
    if (!attempt.error)
        return {};
    if (attempt.renamed) {
        if (inPlace)
            *inPlace = true;
        return QStringLiteral("the new file is in place, but its folder could not be flushed to the disk (%1), so "
                              "a power cut may yet undo the write")
            .arg(SystemWriteReason(attempt.error));
    }
    // The new file goes into the target's folder: say which permission is missing.
    if (attempt.creating && (attempt.error == EACCES || attempt.error == EPERM))
        return QStringLiteral("the folder does not allow new files (permission denied)");
    return SystemWriteReason(attempt.error);
}

} // namespace krelin
