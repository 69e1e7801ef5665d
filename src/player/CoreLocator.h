#pragma once

#include <QString>
#include <QStringList>

namespace krelin {

// The environment variable that names the core to use instead of the one found.
inline constexpr char CoreVariable[] = "KRELIN_CORE";
// The Debian package that brings the NES core looked for first.
inline constexpr char CorePackage[] = "libretro-nestopia";
inline constexpr char PreferredCore[] = "nestopia_libretro.so";

// The folders the system keeps libretro cores in, the distribution's own first.
QStringList LibretroFolders();

// The NES cores in those folders: nestopia_libretro.so first, then every core whose
// description file (NAME.libretro beside it) names the NES among its platforms.
QStringList FindNesCores(const QStringList &folders = LibretroFolders());

// The core to run: the one KRELIN_CORE names (a path, or a file name looked up in the
// libretro folders), else chosen (a core file the user named), else the first NES core
// found. With no core, path is empty and problem says which package to install, where the
// cores were looked for, and where another core file can be named (nameItIn). A core
// named (by KRELIN_CORE or chosen) that is not there is refused the same way: problem
// says which names it and what to do.
struct CoreChoice
{
    QString path;
    QString problem;
};
CoreChoice ChooseCore(const QStringList &folders = LibretroFolders(), const QString &chosen = {},
                      const QString &nameItIn = QLatin1String(CoreVariable));

} // namespace krelin
