#include "MasterPalette.h"

#include "StandardPalette.h"
#include "modKrelin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace krelin {

void UseStandardPalette(modKrelin &model)
{
    for (int n = 0; n < 64; ++n) {
        model.NesRed[n] = StandardPalette[n].red;
        model.NesGreen[n] = StandardPalette[n].green;
        model.NesBlue[n] = StandardPalette[n].blue;
    }
}

QByteArray StandardPaletteFile()
{
    QByteArray bytes("KRELIN PALETTE\x1a", int(MasterPaletteHeaderSize));
    for (const Rgb &c : StandardPalette) {
        bytes.append(char(c.red));
        bytes.append(char(c.green));
        bytes.append(char(c.blue));
    }
    return bytes;
}

QString MasterPalettePath(const QString &programFolder)
{
    return QDir(programFolder).filePath(MasterPaletteFileName);
}

QString LoadMasterPalette(modKrelin &model, const QString &programFolder)
{
    const QString path = MasterPalettePath(programFolder);
    const QString fallback = QStringLiteral("\n\nThe editor uses its built-in standard palette instead.");
    const QFileInfo info(path);

    if (!info.exists()) {
        UseStandardPalette(model);
        return QStringLiteral("The master palette file %1 is missing.").arg(QDir::toNativeSeparators(path)) + fallback;
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        UseStandardPalette(model);
        return QStringLiteral("The master palette file %1 cannot be read.").arg(QDir::toNativeSeparators(path)) + fallback;
    }
    // Only the first 208 bytes matter; anything after them is ignored.
    const QByteArray bytes = file.read(MasterPaletteFileSize);
    if (bytes.size() < MasterPaletteFileSize) {
        UseStandardPalette(model);
        return QStringLiteral("The master palette file %1 is only %2 bytes long; it needs at least %3.")
                   .arg(QDir::toNativeSeparators(path))
                   .arg(bytes.size())
                   .arg(MasterPaletteFileSize)
            + fallback;
    }
    const auto *data = reinterpret_cast<const std::uint8_t *>(bytes.constData());
    for (int n = 0; n < 64; ++n) {
        model.NesRed[n] = data[16 + 3 * n];
        model.NesGreen[n] = data[17 + 3 * n];
        model.NesBlue[n] = data[18 + 3 * n];
    }
    return {};
}

} // namespace krelin
