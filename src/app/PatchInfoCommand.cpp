#include "PatchInfoCommand.h"

#include "core/Patch.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>

namespace krelin {

namespace {

constexpr char InfoOption[] = "--patch-info";

int fail(const QString &message, int status)
{
    std::fprintf(stderr, "krelin: %s\n", message.toLocal8Bit().constData());
    return status;
}

} // namespace

bool WantsPatchInfoCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], InfoOption) == 0)
            return true;
    return false;
}

int RunPatchInfoCommand(int argc, char **argv)
{
    if (argc != 3 || std::strcmp(argv[1], InfoOption) != 0)
        return fail(QStringLiteral("Usage: krelin --patch-info PATCH"), 2);
    const QString path = QFile::decodeName(argv[2]);
    const QString shown = QDir::toNativeSeparators(path);
    const PatchResult file = ReadPatchFile(path);
    if (!file.ok())
        return fail(file.error, 1);
    const PatchInfo info = ReadPatchInfo(file.bytes);
    if (!info.ok())
        return fail(QStringLiteral("Cannot read %1: %2.").arg(shown, info.error), 1);
    const QByteArray out = PatchInfoLines(info).join(u'\n').toUtf8() + '\n';
    std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout);
    if (std::fflush(stdout) != 0)
        return fail(QStringLiteral("Cannot write the description of %1.").arg(shown), 1);
    if (!info.checksumHolds())
        return fail(QStringLiteral("%1 is damaged or cut short: its own checksum does not hold.").arg(shown), 1);
    return 0;
}

bool TakePatchDescription(QStringList &arguments, PatchDescription &description)
{
    bool found = false;
    for (qsizetype i = 1; i < arguments.size();) {
        QString *field = nullptr;
        for (const auto &[name, target] : {std::pair{QStringLiteral("--description"), &description.description},
                                           std::pair{QStringLiteral("--author"), &description.author}}) {
            if (arguments[i] == name && i + 1 < arguments.size()) {
                *target = arguments[i + 1];
                arguments.remove(i, 2);
                field = target;
            } else if (arguments[i].startsWith(name + u'=')) {
                *target = arguments[i].mid(name.size() + 1);
                arguments.remove(i);
                field = target;
            }
            if (field)
                break;
        }
        found = found || field;
        if (!field)
            ++i;
    }
    return found;
}

} // namespace krelin
