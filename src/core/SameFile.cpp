#include "SameFile.h"

#include "ResolveLinks.h"

#include <QDir>

#include <sys/stat.h>

namespace krelin {

bool IsSameFile(const QString &a, const QString &b)
{
    const ResolvedPath first = ResolveLinks(a), second = ResolveLinks(b);
    if (first.error || second.error)
        return false;
    struct stat one{}, other{};
    if (::stat(first.path.constData(), &one) != 0 || ::stat(second.path.constData(), &other) != 0)
        return false;
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

QString OutputOverInputProblem(const QString &output, const QList<InputFile> &inputs)
{
    for (const InputFile &input : inputs)
        if (!input.path.isEmpty() && IsSameFile(output, input.path))
            return QStringLiteral("Will not write %1: it is the same file as the %2 %3.")
                .arg(QDir::toNativeSeparators(output), input.what, QDir::toNativeSeparators(input.path));
    return {};
}

} // namespace krelin
