#pragma once

#include <QString>

namespace krelin {

// The folder that holds Krelin.d_p and Krelin.WAV: the executable's own folder, or for an
// installed program ../share/krelin beside it.
QString FindProgramFolder(const QString &executableFolder);

} // namespace krelin
