#pragma once

#include <QByteArray>
#include <QString>

namespace krelin {

// How many symbolic links in a row a path may pass through: the system's own limit, so a
// path that a read or a write would follow is one that this program follows too.
inline constexpr int MaxLinkSteps = 40;

// What is said of a path whose links cannot be followed to their end.
inline const QString LinkLoopReason =
    QStringLiteral("too many levels of symbolic links (more than %1 in a row, or a loop)").arg(MaxLinkSteps);

struct ResolvedPath
{
    QByteArray path; // the file the links lead to, as the system spells file names
    int error = 0;   // 0, or ELOOP when the links go on past MaxLinkSteps or loop
};

// Follows the symbolic links that path's last part names, one after the other, to the
// file they lead to. Every reader, writer and "is this the same file" check in the
// program resolves a path here, so they all agree on which file a path names. A path
// that is no link comes back as it is; so does the last step of a dangling link, which a
// write then creates. Links among the folders above are left to the system, which
// follows them the same way for every user of the result. Works on the bytes of the
// name, so a link whose target is not valid UTF-8 still leads to that exact file.
ResolvedPath ResolveLinks(const QByteArray &path);
ResolvedPath ResolveLinks(const QString &path);

} // namespace krelin
