#pragma once

#include <QString>

namespace krelin {

// True when both paths name one existing file: the same device and inode, whatever the
// spelling, a symbolic link or a hard link in between. Links are followed by
// ResolveLinks, as every reader and writer of the program follows them, so a file that a
// write would reach through a path is the file compared here. A path that does not exist
// names no file, so it is never the same as another; nor is one whose links cannot be
// followed (too many, or a loop), which every read and write refuses in turn.
bool IsSameFile(const QString &a, const QString &b);

} // namespace krelin
