#include "ProgramFolder.h"

#include "core/MasterPalette.h"

#include <QDir>
#include <QFileInfo>

namespace krelin {

QString FindProgramFolder(const QString &executableFolder)
{
    const QDir here(executableFolder);
    if (QFileInfo::exists(here.filePath(MasterPaletteFileName)))
        return here.absolutePath();
    const QString shared = here.absoluteFilePath(QStringLiteral("../share/krelin"));
    if (QFileInfo::exists(QDir(shared).filePath(MasterPaletteFileName)))
        return QDir::cleanPath(shared);
    return here.absolutePath();
}

} // namespace krelin
