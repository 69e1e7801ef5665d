#include "Patch.h"

#include "FileReader.h"
#include "RomFile.h"

#include <QDir>
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
    FileReadResult file = ReadWholeFile(path, MaxPatchSize);
    if (!file.ok())
        return PatchResult{{},
                           QStringLiteral("Cannot open %1: %2.")
                               .arg(shown, file.failureText(QStringLiteral("a patch file"), QStringLiteral("a patch"),
                                                            MaxPatchSize))};
    return {std::move(file.bytes), {}};
}

} // namespace krelin
