#include "RomFile.h"

#include "FileReader.h"
#include "FileWriter.h"
#include "modKrelin.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <iterator>

namespace krelin {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

bool HasCartridgeHeader(std::span<const std::uint8_t> bytes)
{
    return bytes.size() >= sizeof CartridgeSignature
        && std::equal(std::begin(CartridgeSignature), std::end(CartridgeSignature), bytes.begin());
}

QString NoCartridgeHeaderText(const QString &name)
{
    return QStringLiteral("%1 has no cartridge header (\"NES\" and 1A at its start): it is not a cartridge "
                          "image, or its header was removed.")
        .arg(name);
}

RomReadResult ReadRomFile(const QString &path)
{
    RomReadResult result;
    FileReadResult file = ReadWholeFile(path, MaxImageSize);
    if (!file.ok()) {
        // A read that failed part way is told as such; anything else kept the file closed.
        const QString verb = file.failure == ReadFailure::CannotRead ? QStringLiteral("read") : QStringLiteral("open");
        result.error = QStringLiteral("Cannot %1 %2: %3.")
                           .arg(verb, shown(path),
                                file.failureText(QStringLiteral("a cartridge file"), QStringLiteral("a cartridge image"),
                                                 MaxImageSize));
        return result;
    }
    if (!HasCartridgeHeader(file.bytes)) {
        result.error = NoCartridgeHeaderText(shown(path));
        return result;
    }
    result.bytes = std::move(file.bytes);
    return result;
}

QString WriteRomFile(const QString &path, const std::vector<std::uint8_t> &bytes, bool *inPlace)
{
    bool replaced = false;
    const QString reason = ReplaceFileContents(
        path, QByteArrayView(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())),
        TemporaryFile::Unnamed, &replaced);
    if (inPlace)
        *inPlace = replaced;
    if (reason.isEmpty())
        return {};
    // A write that was refused outright never came near the file; one that failed on the
    // way may leave the user wondering, so say that the old file is still whole (unless
    // the new one is in its place already, which the reason says).
    const bool refused = replaced || reason == ReadOnlyReason || !QFileInfo(path).isFile();
    return QStringLiteral("Cannot save %1: %2.%3")
        .arg(shown(path), reason,
             refused ? QString() : QStringLiteral(" The file on disk was not changed."));
}

bool ApplySaveFixUp(modKrelin &model)
{
    if (!model.holds(FixUpSource, 2))
        return false;
    const std::uint8_t pair[2] = {model.byteAt(FixUpSource), model.byteAt(FixUpSource + 1)};
    return model.writeBytes(FixUpTarget, pair);
}

std::vector<std::uint8_t> ImageAsSaved(std::vector<std::uint8_t> bytes)
{
    if (qint64(bytes.size()) >= FixUpImageSize)
        std::copy_n(bytes.begin() + FixUpSource, 2, bytes.begin() + FixUpTarget);
    return bytes;
}

} // namespace krelin
