#pragma once

#include <QString>

namespace krelin {

// True when both paths name one existing file: the same device and inode, whatever the
// spelling, a symbolic link or a hard link in between. A path that does not exist names
// no file, so it is never the same as another.
bool IsSameFile(const QString &a, const QString &b);

} // namespace krelin
