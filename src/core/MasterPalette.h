#pragma once

#include <QString>

namespace krelin {

class modKrelin;

// The master-palette file: 16 bytes that are not read, then 64 RGB triplets.
inline constexpr qint64 MasterPaletteHeaderSize = 16;
inline constexpr qint64 MasterPaletteFileSize = MasterPaletteHeaderSize + 64 * 3; // 208
inline const QString MasterPaletteFileName = QStringLiteral("Krelin.d_p");

// The palette file in programFolder, which LoadMasterPalette reads.
QString MasterPalettePath(const QString &programFolder);

// Fills the model's master palette from Krelin.d_p in the given folder. Returns an empty
// string on success. When the file is missing, unreadable or shorter than 208 bytes the
// model gets the built-in standard palette instead and the returned text names the file
// and says what is wrong with it.
QString LoadMasterPalette(modKrelin &model, const QString &programFolder);

// Fills the model's master palette with the built-in standard palette.
void UseStandardPalette(modKrelin &model);

// The 208 bytes of a Krelin.d_p holding the built-in standard palette.
QByteArray StandardPaletteFile();

} // namespace krelin
