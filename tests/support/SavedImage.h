#pragma once

#include "core/RomFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// What the end-to-end tests check of a saved cartridge: the bytes they meant to change,
// the save's fix-up, and nothing else.
namespace krelin::testing {

// The fix-up every save makes: the pair at 0x1C997 copied to 0x12008.
inline void ApplyFixUp(QByteArray &image)
{
    image[FixUpTarget] = image[FixUpSource];
    image[FixUpTarget + 1] = image[FixUpSource + 1];
}

// An empty string when the file at path holds exactly expected, else what differs first.
inline QString SavedImageDiffers(const QString &path, const QByteArray &expected)
{
    QFile saved(path);
    if (!saved.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(path);
    const QByteArray written = saved.readAll();
    if (written.size() != expected.size())
        return QStringLiteral("%1 bytes written, %2 expected").arg(written.size()).arg(expected.size());
    for (qsizetype i = 0; i < written.size(); ++i)
        if (written[i] != expected[i])
            return QStringLiteral("byte 0x%1 differs").arg(i, 0, 16);
    return {};
}

} // namespace krelin::testing
