#include "CoreLocator.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>

namespace krelin {

namespace {

// The library a description file describes ("Module=" in its [Libretro] section), when
// one of its sections names the NES as a platform of the core. A file larger than a
// description would be is not one.
QString NesModuleOf(const QString &infoFile)
{
    QFile file(infoFile);
    if (file.size() > 65536 || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QString section, module;
    bool nes = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2).trimmed();
            nes = nes || section == QLatin1String("Platform:NintendoEntertainmentSystem");
        } else if (section == QLatin1String("Libretro") && line.startsWith(QLatin1String("Module="))) {
            module = line.mid(7).trimmed();
        }
    }
    return nes ? module : QString();
}

} // namespace

QStringList LibretroFolders()
{
    QStringList folders;
#ifdef KRELIN_MULTIARCH
    folders << QStringLiteral("/usr/lib/" KRELIN_MULTIARCH "/libretro");
#endif
    folders << QStringLiteral("/usr/lib/libretro");
#ifdef KRELIN_MULTIARCH
    folders << QStringLiteral("/usr/local/lib/" KRELIN_MULTIARCH "/libretro");
#endif
    folders << QStringLiteral("/usr/local/lib/libretro");
    return folders;
}

QStringList FindNesCores(const QStringList &folders)
{
    QStringList preferred, others;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        const QString nestopia = dir.filePath(QLatin1String(PreferredCore));
        if (QFileInfo(nestopia).isFile() && !preferred.contains(nestopia))
            preferred << nestopia;
        const QStringList infos = dir.entryList({QStringLiteral("*.libretro")}, QDir::Files, QDir::Name);
        for (const QString &info : infos) {
            const QString module = NesModuleOf(dir.filePath(info));
            if (module.isEmpty() || module.contains(QLatin1Char('/')))
                continue;
            const QString path = dir.filePath(module);
            if (QFileInfo(path).isFile() && !preferred.contains(path) && !others.contains(path))
                others << path;
        }
    }
    return preferred + others;
}

CoreChoice ChooseCore(const QStringList &folders, const QString &chosen, const QString &nameItIn)
{
    QStringList shown;
    for (const QString &folder : folders)
        shown << QDir::toNativeSeparators(folder);
    const QString where = shown.join(QStringLiteral(", "));
    const QString variable = QLatin1String(CoreVariable);
    const QString package = QLatin1String(CorePackage);
    // What the player plays with once the variable is unset.
    const QString without = nameItIn == variable
        ? QStringLiteral("the NES core of the package %1").arg(package)
        : QStringLiteral("the core named in %1 or the NES core of the package %2").arg(nameItIn, package);
    const QString named = qEnvironmentVariable(CoreVariable);
    if (!named.isEmpty() && !named.contains(QLatin1Char('/'))) {
        for (const QString &folder : folders) {
            const QString path = QDir(folder).filePath(named);
            if (QFileInfo(path).isFile())
                return {path, {}};
        }
        return {{},
                QStringLiteral("The environment variable %1 names the core %2, which is in none of %3. Name a core "
                               "file there by its path, or unset %1 to play with %4.")
                    .arg(variable, named, where, without)};
    }
    // A core the user named is looked at before anything opens: one that is not there is
    // said at once, with what to do.
    const QString path = named.isEmpty() ? chosen : named;
    if (!path.isEmpty()) {
        const QFileInfo file(path);
        if (file.isFile())
            return {path, {}};
        const QString what = file.exists() ? QStringLiteral("is not a file") : QStringLiteral("does not exist");
        if (!named.isEmpty())
            return {{},
                    QStringLiteral("The core %1, which the environment variable %2 names, %3. Name a core file in %2, "
                                   "or unset it to play with %4.")
                        .arg(QDir::toNativeSeparators(path), variable, what, without)};
        return {{},
                QStringLiteral("The core %1, which %2 names, %3. Name another core file there, or none to play with "
                               "the NES core of the package %4.")
                    .arg(QDir::toNativeSeparators(path), nameItIn, what, package)};
    }
    const QStringList cores = FindNesCores(folders);
    if (!cores.isEmpty())
        return {cores.first(), {}};
    return {{},
            QStringLiteral("No NES core was found in %1: install the package %2, or name a libretro core "
                           "file in %3.")
                .arg(where, package, nameItIn)};
}

} // namespace krelin
