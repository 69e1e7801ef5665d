#include "ResolveLinks.h"

#include <QFile>

#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>

namespace krelin {

ResolvedPath ResolveLinks(const QByteArray &path)
{
    QByteArray current = path;
    for (int steps = 0;; ++steps) {
        struct stat st{};
        if (::lstat(current.constData(), &st) != 0) {
            // A loop among the folders above shows here; any other failure (a missing
            // file or folder, no permission) is the caller's to meet and report.
            if (errno == ELOOP)
                return {path, ELOOP};
            return {current, 0};
        }
        if (!S_ISLNK(st.st_mode))
            return {current, 0};
        if (steps == MaxLinkSteps)
            return {path, ELOOP};

        QByteArray target(st.st_size > 0 ? qsizetype(st.st_size) + 1 : 4096, Qt::Uninitialized);
        const ssize_t n = ::readlink(current.constData(), target.data(), size_t(target.size()));
        if (n <= 0 || n >= target.size()) // gone or changed meanwhile: let the caller meet it
            return {current, 0};
        target.truncate(qsizetype(n));
        if (!target.startsWith('/')) {
            // A relative target is read from the link's own folder.
            const qsizetype slash = current.lastIndexOf('/');
            if (slash >= 0)
                target.prepend(current.left(slash + 1));
        }
        current = target;
    }
}

ResolvedPath ResolveLinks(const QString &path)
{
    return ResolveLinks(QFile::encodeName(path));
}

} // namespace krelin
