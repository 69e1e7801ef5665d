#include "JournalFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace krelin {

namespace {

const QString JournalSuffix = QStringLiteral(".journal");
const QString TemporarySuffix = QStringLiteral(".journal.new");
const QString SetAsideSuffix = QStringLiteral(".journal.damaged");
// A temporary file older than this was left by a program that ended while replacing its
// journal; a younger one may be a new program's, between creating it and locking it.
constexpr qint64 LeftoverAgeSeconds = 60;

// Writes all of bytes at offset, going on after a partial write or an interruption.
// Returns 0, or the error code that stopped it.
int writeAllAt(int fd, std::span<const std::uint8_t> bytes, qint64 offset)
{
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), off_t(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes = bytes.subspan(std::size_t(n));
        offset += n;
    }
    return 0;
}

bool syncFolder(const QString &folder)
{
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return false;
    const bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

} // namespace

QString JournalFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative XDG_STATE_HOME is to be ignored, as the desktop base directories say.
    if (state.isEmpty() || QDir::isRelativePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return QDir::cleanPath(state + QStringLiteral("/krelin"));
}

JournalFile::JournalFile(const QString &folder)
    : folder(folder)
    , filePath(QDir(folder).filePath(QStringLiteral("%1-%2%3")
                                         .arg(::getpid())
                                         .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                                         .arg(JournalSuffix)))
{
}

JournalFile::~JournalFile()
{
    if (fd >= 0)
        ::close(fd);
}

bool JournalFile::fail(const QString &what, const QString &path, int code)
{
    error = QStringLiteral("%1 %2: %3").arg(what, QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(code)));
    return false;
}

bool JournalFile::replace(std::span<const std::uint8_t> contents, bool durable)
{
    // The folder holds what the user was working on: for the user's eyes only.
    QDir().mkpath(QFileInfo(folder).path());
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST)
        return fail(QStringLiteral("cannot create the folder"), folder, errno);
    const QByteArray temporary = QFile::encodeName(filePath + QStringLiteral(".new"));
    const int next = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (next < 0)
        return fail(QStringLiteral("cannot write"), filePath, errno);
    // Locked before it takes the journal's name: while we run, the journal is never seen
    // unlocked.
    int code = ::flock(next, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
    if (!code)
        code = writeAllAt(next, contents, 0);
    if (!code && durable && ::fdatasync(next) != 0)
        code = errno;
    if (!code && ::rename(temporary.constData(), QFile::encodeName(filePath).constData()) != 0)
        code = errno;
    if (code) {
        ::unlink(temporary.constData());
        ::close(next);
        return fail(QStringLiteral("cannot write"), filePath, code);
    }
    if (fd >= 0)
        ::close(fd);
    fd = next;
    written = qint64(contents.size());
    dirty = !durable;
    renamed = !(durable && syncFolder(folder));
    return true;
}

bool JournalFile::append(std::span<const std::uint8_t> bytes)
{
    if (fd < 0)
        return false;
    if (const int code = writeAllAt(fd, bytes, written)) {
        // Half a record would hide every record after it.
        if (::ftruncate(fd, off_t(written)) != 0)
            remove();
        return fail(QStringLiteral("cannot write"), filePath, code);
    }
    written += qint64(bytes.size());
    dirty = true;
    return true;
}

bool JournalFile::flush()
{
    if (fd < 0)
        return true;
    if (dirty) {
        if (::fdatasync(fd) != 0)
            return fail(QStringLiteral("cannot write"), filePath, errno);
        dirty = false;
    }
    if (renamed && syncFolder(folder))
        renamed = false;
    return true;
}

void JournalFile::remove()
{
    if (fd < 0)
        return;
    // Unlinked while still locked: nobody takes it for one left behind meanwhile.
    ::unlink(QFile::encodeName(filePath).constData());
    ::close(fd);
    fd = -1;
    written = 0;
    dirty = renamed = false;
}

// ---- journals left behind ----------------------------------------------------------------

LeftJournal::LeftJournal(int fd, QString path, QDateTime modified)
    : fd(fd)
    , filePath(std::move(path))
    , modified(std::move(modified))
{
}

LeftJournal::LeftJournal(LeftJournal &&other) noexcept
    : fd(std::exchange(other.fd, -1))
    , filePath(std::move(other.filePath))
    , modified(std::move(other.modified))
{
}

LeftJournal &LeftJournal::operator=(LeftJournal &&other) noexcept
{
    std::swap(fd, other.fd);
    std::swap(filePath, other.filePath);
    std::swap(modified, other.modified);
    return *this;
}

LeftJournal::~LeftJournal()
{
    if (fd >= 0)
        ::close(fd);
}

qint64 LeftJournal::size() const
{
    struct stat info{};
    return fd >= 0 && ::fstat(fd, &info) == 0 ? qint64(info.st_size) : 0;
}

std::size_t LeftJournal::readAt(qint64 offset, std::span<std::uint8_t> into) const
{
    std::size_t got = 0;
    while (fd >= 0 && got < into.size()) {
        const ssize_t n = ::pread(fd, into.data() + got, into.size() - got, off_t(offset + qint64(got)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        got += std::size_t(n);
    }
    return got;
}

bool LeftJournal::isSetAside() const
{
    return filePath.endsWith(SetAsideSuffix);
}

bool LeftJournal::setAside()
{
    if (isSetAside())
        return true;
    const QString aside = filePath + QStringLiteral(".damaged");
    // The lock goes with the file: it is the same file under another name.
    if (fd < 0 || ::rename(QFile::encodeName(filePath).constData(), QFile::encodeName(aside).constData()) != 0)
        return false;
    filePath = aside;
    return true;
}

QString LeftJournal::remove()
{
    if (fd >= 0 && ::unlink(QFile::encodeName(filePath).constData()) == 0)
        return {};
    return QString::fromLocal8Bit(std::strerror(fd >= 0 ? errno : EBADF));
}

std::vector<LeftJournal> ClaimLeftJournals(const QString &folder)
{
    std::vector<LeftJournal> left;
    const QDir dir(folder);
    const QStringList names = dir.entryList({QLatin1Char('*') + JournalSuffix, QLatin1Char('*') + TemporarySuffix,
                                             QLatin1Char('*') + SetAsideSuffix},
                                            QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0)
            continue;
        struct stat opened{}, named{};
        // Only the user's own ordinary files; a lock refused means its program still runs;
        // and the name must still be this file's (a running program may have just put a
        // new journal in its place).
        const bool claimed = ::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == ::geteuid()
            && ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::stat(path.constData(), &named) == 0
            && named.st_ino == opened.st_ino && named.st_dev == opened.st_dev;
        if (!claimed) {
            ::close(fd);
            continue;
        }
        const QDateTime modified =
            QDateTime::fromMSecsSinceEpoch(qint64(opened.st_mtim.tv_sec) * 1000 + opened.st_mtim.tv_nsec / 1000000);
        if (name.endsWith(TemporarySuffix)) {
            if (modified.secsTo(QDateTime::currentDateTime()) > LeftoverAgeSeconds)
                ::unlink(path.constData());
            ::close(fd);
            continue;
        }
        left.push_back(LeftJournal(fd, dir.filePath(name), modified));
    }
    std::stable_sort(left.begin(), left.end(),
                     [](const LeftJournal &a, const LeftJournal &b) { return a.lastWritten() > b.lastWritten(); });
    return left;
}

} // namespace krelin
