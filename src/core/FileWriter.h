#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace krelin {

// What a refused write of a file that its owner may not write says, for root as well.
inline const QString ReadOnlyReason = QStringLiteral("the file is read-only");

// The reason for a failed file operation with the system error code error, as a clause
// that fits after "Cannot save FILE: ": "there is no space left on the device" for
// ENOSPC, the system's own description for codes without a wording of their own.
QString SystemWriteReason(int error);

// Which temporary file a write goes through first.
enum class TemporaryFile {
    Unnamed, // a file without a name (O_TMPFILE), named only once it is whole; a named
             // one where the file system has no unnamed files
    Named,   // a named one from the start, as on such a file system
};

// Replaces the whole content of the file at path with data, safely: the bytes go to a
// new file in the same folder, are flushed to the disk, and only then is it renamed over
// the target, so a failure at any step leaves the old file as it was and no temporary
// file behind. The new file has no name until it is whole, so a write killed half way
// leaves nothing either (where the file system allows: otherwise a hidden
// ".NAME.krelin-XXXXXXXX~", which the next write in that folder removes once it is a
// minute old). The temporary name fits the file system whatever the target's length. A
// symbolic link is followed (by ResolveLinks) and its target written; links too many or
// in a loop are refused. An existing target keeps its permission bits (and its
// owner, where the system allows it); a target whose owner has no write permission is
// refused as read-only, whoever runs the program. Returns an empty string on success,
// otherwise the reason (ReadOnlyReason, or a SystemWriteReason).
QString ReplaceFileContents(const QString &path, QByteArrayView data, TemporaryFile first = TemporaryFile::Unnamed);

// How old, in seconds, a temporary file left in a folder must be before a write removes it.
inline constexpr int StaleTemporaryAge = 60;

// Removes from folder the temporary files that writes killed half way left there: names
// of this writer's own pattern (with the program's name in it, so never another
// program's temporary files), ordinary files of this user's, at least StaleTemporaryAge
// old. Returns how many were removed.
int RemoveStaleTemporaries(const QByteArray &folder);

} // namespace krelin
