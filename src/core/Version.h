#pragma once

#include <QString>

namespace krelin {

// The program's version numbers, and the texts built from them.
inline constexpr int VersionMajor = 0;
inline constexpr int VersionMinor = 5;
inline constexpr int VersionRevision = 1;

// "0.5.1": decimal, no leading zeros.
inline QString VersionText()
{
    return QStringLiteral("%1.%2.%3").arg(VersionMajor).arg(VersionMinor).arg(VersionRevision);
}

// "Krelin V0.5.1": the main window's caption and the tray tool-tip.
inline QString ProgramCaption()
{
    return QStringLiteral("Krelin V") + VersionText();
}

// "Krelin V0.5": the title of the tile editor's message boxes.
inline QString ShortCaption()
{
    return QStringLiteral("Krelin V%1.%2").arg(VersionMajor).arg(VersionMinor);
}

} // namespace krelin
