#include "DiffCommand.h"

#include "core/DiffReport.h"
#include "core/ImageDiff.h"
#include "core/RomFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace krelin {

namespace {

constexpr char DiffOption[] = "--diff";
constexpr char JsonOption[] = "--json";

int trouble(const QString &message)
{
    std::fprintf(stderr, "krelin: %s\n", message.toLocal8Bit().constData());
    return 2;
}

} // namespace

bool WantsDiffCommand(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], DiffOption) == 0)
            return true;
    return false;
}

int RunDiffCommand(int argc, char **argv)
{
    bool json = false, options = true, unknown = false;
    QStringList names;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (!options || arg[0] != '-' || arg[1] == '\0')
            names << QFile::decodeName(arg);
        else if (std::strcmp(arg, "--") == 0)
            options = false;
        else if (std::strcmp(arg, JsonOption) == 0)
            json = true;
        else if (std::strcmp(arg, DiffOption) != 0)
            unknown = true;
    }
    if (unknown || names.size() != 2)
        return trouble(QStringLiteral("Usage: krelin --diff [--json] A B"));

    RomReadResult images[2];
    for (int k = 0; k < 2; ++k) {
        images[k] = ReadRomFile(names[k]);
        if (!images[k].ok())
            return trouble(images[k].error);
    }
    const ImageDiff diff(images[0].bytes, images[1].bytes);
    const QByteArray out = json
        ? QJsonDocument(DiffJson(diff, names[0], names[1])).toJson(QJsonDocument::Compact) + '\n'
        : DiffSummary(diff, names[0], names[1]).join(u'\n').toUtf8() + (diff.identical() ? "" : "\n");
    errno = 0;
    if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) != std::size_t(out.size())
        || std::fflush(stdout) != 0)
        return trouble(QStringLiteral("Cannot write the comparison: %1.")
                           .arg(QString::fromLocal8Bit(std::strerror(errno ? errno : EIO))));
    return diff.identical() ? 0 : 1;
}

} // namespace krelin
