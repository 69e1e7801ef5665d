#include "Patch.h"

#include "RomFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace krelin {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, const char *magic)
{
    const std::size_t n = std::strlen(magic);
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

} // namespace

std::optional<PatchFormat> PatchFormatForPath(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("ips"), Qt::CaseInsensitive) == 0)
        return PatchFormat::Ips;
    if (suffix.compare(QLatin1String("bps"), Qt::CaseInsensitive) == 0)
        return PatchFormat::Bps;
    return std::nullopt;
}

PatchResult MakePatch(PatchFormat format, std::span<const std::uint8_t> original,
                      std::span<const std::uint8_t> modified, std::span<const std::uint8_t> metadata)
{
    if (qint64(original.size()) > MaxImageSize || qint64(modified.size()) > MaxImageSize)
        return {{}, QStringLiteral("an image larger than %1 MiB cannot be patched").arg(MaxImageSize >> 20)};
    if (format == PatchFormat::Ips && !metadata.empty())
        return {{}, QStringLiteral("an IPS patch has no field for a description; a BPS patch has one")};
    if (format == PatchFormat::Ips)
        return {MakeIpsPatch(original, modified), {}};
    return {MakeBpsPatch(original, modified, metadata), {}};
}

PatchResult ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> image)
{
    PatchResult result;
    if (startsWith(patch, "PATCH"))
        result = ApplyIpsPatch(patch, image);
    else if (startsWith(patch, "BPS1"))
        result = ApplyBpsPatch(patch, image);
    else
        return {{}, QStringLiteral("the file is not an IPS or BPS patch: it starts with neither \"PATCH\" "
                                   "nor \"BPS1\"")};
    if (result.ok() && result.bytes.empty())
        return {{}, QStringLiteral("the patch would leave an empty image")};
    return result;
}

QString WritePatchFile(const QString &path, std::span<const std::uint8_t> original,
                       std::span<const std::uint8_t> modified)
{
    const QString shown = QDir::toNativeSeparators(path);
    const auto format = PatchFormatForPath(path);
    if (!format)
        return QStringLiteral("Cannot write the patch %1: a patch file's name ends in .ips or .bps, which "
                              "chooses its format.")
            .arg(shown);
    const PatchResult patch = MakePatch(*format, original, modified);
    if (!patch.ok())
        return QStringLiteral("Cannot write the patch %1: %2.").arg(shown, patch.error);
    return WriteRomFile(path, patch.bytes);
}

PatchResult ReadPatchFile(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString &why) {
        return PatchResult{{}, QStringLiteral("Cannot open %1: %2.").arg(shown, why)};
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("the file does not exist"));
    if (info.isDir())
        return fail(QStringLiteral("it is a folder, not a patch file"));
    if (!info.isFile())
        return fail(QStringLiteral("it is not an ordinary file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.read(MaxPatchSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (data.isEmpty())
        return fail(QStringLiteral("the file is empty"));
    if (data.size() > MaxPatchSize)
        return fail(QStringLiteral("the file is larger than %1 MiB, too large to be a patch").arg(MaxPatchSize >> 20));
    const auto *begin = reinterpret_cast<const std::uint8_t *>(data.constData());
    return {{begin, begin + data.size()}, {}};
}

} // namespace krelin
