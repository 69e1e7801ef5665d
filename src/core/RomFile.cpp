#include "RomFile.h"

#include "FileWriter.h"
#include "modKrelin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace krelin {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

RomReadResult ReadRomFile(const QString &path)
{
    RomReadResult result;
    const QFileInfo info(path);
    if (!info.exists()) {
        result.error = QStringLiteral("Cannot open %1: the file does not exist.").arg(shown(path));
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("Cannot open %1: it is a folder, not a cartridge file.").arg(shown(path));
        return result;
    }
    // A pipe or device has no end to read to (or none worth waiting for).
    if (!info.isFile()) {
        result.error = QStringLiteral("Cannot open %1: it is not an ordinary file.").arg(shown(path));
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Cannot open %1: %2.").arg(shown(path), file.errorString());
        return result;
    }
    // Reads one byte more than allowed so that a file growing under us is caught too.
    const QByteArray data = file.read(MaxImageSize + 1);
    if (file.error() != QFileDevice::NoError) {
        result.error = QStringLiteral("Cannot read %1: %2.").arg(shown(path), file.errorString());
        return result;
    }
    if (data.isEmpty()) {
        result.error = QStringLiteral("Cannot open %1: the file is empty.").arg(shown(path));
        return result;
    }
    if (data.size() > MaxImageSize) {
        result.error = QStringLiteral("Cannot open %1: the file is larger than %2 MiB, too large to be a "
                                      "cartridge image.")
                           .arg(shown(path))
                           .arg(MaxImageSize / (1024 * 1024));
        return result;
    }
    result.bytes.assign(reinterpret_cast<const std::uint8_t *>(data.constData()),
                        reinterpret_cast<const std::uint8_t *>(data.constData()) + data.size());
    return result;
}

QString WriteRomFile(const QString &path, const std::vector<std::uint8_t> &bytes)
{
    const QString reason = ReplaceFileContents(
        path, QByteArrayView(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
    if (reason.isEmpty())
        return {};
    // A write that was refused outright never came near the file; one that failed on the
    // way may leave the user wondering, so say that the old file is still whole.
    const bool refused = reason == ReadOnlyReason || !QFileInfo(path).isFile();
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
