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
// the target; then the folder is flushed, so that the new name is on the disk too before
// this returns (what the caller does next, such as emptying a journal, never lands on
// the disk before the file it depends on). A failure at any step before the rename leaves
// the old file as it was and no temporary file behind. The new file has no name until it
// is whole, so a write killed half way leaves nothing either; killed between naming it and
// the rename, it leaves a hidden ".NAME.krelin-new-XXXXXXXX~", which is locked while its
// writer runs, and which the next write in that folder (or the next start of the editor)
// removes once its writer is gone. The temporary name fits the file system whatever the
// target's length. A symbolic link is followed (by ResolveLinks) and its target written;
// links too many or in a loop are refused. An existing target keeps its permission bits
// (and its owner, where the system allows it); a target whose owner has no write
// permission is refused as read-only, whoever runs the program. Returns an empty string on
// success, otherwise the reason (ReadOnlyReason, or a SystemWriteReason). *inPlace, when
// given, says whether the new content is in the target's place all the same: only the
// flush of the folder after the rename failed, so the new name may not survive a power
// cut.
QString ReplaceFileContents(const QString &path, QByteArrayView data, TemporaryFile first = TemporaryFile::Unnamed,
                            bool *inPlace = nullptr);

// Takes what was renamed into folder, created or removed there, to the disk. fallback, when
// not -1, is a descriptor of a file on the same file system, used when the folder cannot
// be opened (a folder its user may write but not read): the whole file system is then
// flushed. A file system that cannot flush folders (it says so) needs nothing more.
// Returns 0, or the system's error code.
int FlushFolder(const QByteArray &folder, int fallback = -1);

// How old, in seconds, a temporary file of earlier versions of this program (which did not
// lock their temporary files) must be before it is removed: no write takes that long.
inline constexpr int StaleTemporaryAge = 60;

// Removes from folder the temporary files that writes killed half way left there: names
// of this writer's own pattern (with the program's name in it, so never another
// program's temporary files), ordinary files of this user's, whose writer no longer runs
// (it holds a lock on the file while it writes). The names of earlier versions of this
// writer (".NAME.krelin-XXXXXXXX~", never locked) are removed once StaleTemporaryAge old.
// Returns how many were removed.
int RemoveStaleTemporaries(const QByteArray &folder);

} // namespace krelin
