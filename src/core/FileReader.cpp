#include "FileReader.h"

#include "ResolveLinks.h"

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace krelin {

QString FileReadResult::systemReason() const
{
    if (systemError == ELOOP)
        return LinkLoopReason;
    return QString::fromLocal8Bit(std::strerror(systemError));
}

QString FileReadResult::failureText(const QString &notA, const QString &tooLargeFor, qint64 maxSize) const
{
    switch (failure) {
    case ReadFailure::None: return {};
    case ReadFailure::Missing: return QStringLiteral("the file does not exist");
    case ReadFailure::Folder: return QStringLiteral("it is a folder, not %1").arg(notA);
    case ReadFailure::NotOrdinary: return QStringLiteral("it is not an ordinary file");
    case ReadFailure::TooLarge:
        return QStringLiteral("the file is larger than %1 MiB, too large to be %2").arg(maxSize >> 20).arg(tooLargeFor);
    case ReadFailure::Empty: return QStringLiteral("the file is empty");
    case ReadFailure::CannotOpen:
    case ReadFailure::CannotRead: return systemReason();
    }
    return {};
}

FileReadResult ReadWholeFile(const QString &path, qint64 maxSize)
{
    FileReadResult result;
    auto fail = [&](ReadFailure failure, int error = 0) {
        result.bytes.clear();
        result.failure = failure;
        result.systemError = error;
        return result;
    };

    const ResolvedPath resolved = ResolveLinks(path);
    if (resolved.error)
        return fail(ReadFailure::CannotOpen, resolved.error);
    struct stat st{};
    if (::stat(resolved.path.constData(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            return fail(ReadFailure::Missing);
        return fail(ReadFailure::CannotOpen, errno);
    }
    if (S_ISDIR(st.st_mode))
        return fail(ReadFailure::Folder);
    // A pipe or device has no end to read to (or none worth waiting for).
    if (!S_ISREG(st.st_mode))
        return fail(ReadFailure::NotOrdinary);
    if (st.st_size > maxSize)
        return fail(ReadFailure::TooLarge);

    // Without blocking, in case the name came to stand for a pipe since it was looked at.
    const int fd = ::open(resolved.path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return fail(ReadFailure::CannotOpen, errno);
    struct stat opened{};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return fail(ReadFailure::NotOrdinary);
    }

    // One byte more than allowed is asked for, so that a file growing meanwhile is caught.
    result.bytes.resize(std::size_t(std::min<qint64>(opened.st_size, maxSize) + 1));
    std::size_t got = 0;
    for (;;) {
        if (got == result.bytes.size())
            result.bytes.resize(std::min<std::size_t>(2 * got, std::size_t(maxSize) + 1));
        if (got == result.bytes.size())
            break;
        const ssize_t n = ::read(fd, result.bytes.data() + got, result.bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int error = errno;
            ::close(fd);
            return fail(ReadFailure::CannotRead, error);
        }
        if (n == 0)
            break;
        got += std::size_t(n);
    }
    ::close(fd);
    result.bytes.resize(got);
    if (qint64(got) > maxSize)
        return fail(ReadFailure::TooLarge);
    if (got == 0)
        return fail(ReadFailure::Empty);
    return result;
}

} // namespace krelin
