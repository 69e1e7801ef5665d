#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace krelin {

// Says that this program has a cartridge file open, so that another copy of the program
// about to open the same file can tell. The lock lies in the user's runtime folder, named
// after the folder the file is in (its device and inode) and the file's name, with
// symbolic links to the file followed: every link to the file meets the same lock, and a
// save, which puts a new file in the old one's place, keeps it. A lock left by a process
// that no longer runs is taken over.
class OpenFileLock
{
public:
    // folder: where the locks are kept; empty for the user's runtime folder.
    explicit OpenFileLock(const QString &path, const QString &folder = {});
    ~OpenFileLock();

    // True when this program now holds the lock; false when another process that still
    // runs holds it (holder() names it). Also true when the lock cannot be made at all:
    // then nobody can tell, the file opens without one, and problem() says why.
    bool tryLock();
    // The process that holds the lock, or 0.
    qint64 holder() const;
    bool isLocked() const;
    // The file the lock is for, as it was named.
    const QString &filePath() const { return file; }
    // Why the lock could not be made ("cannot make the folder …: …"), or empty.
    QString problem() const { return trouble; }
    // The same file as path, by any name or link, or a file that takes the same lock (the
    // same name in the same folder, after a save or a rename over it).
    bool isFor(const QString &path) const;

    // The lock file for the file at path, or empty when the file's folder cannot be
    // looked at.
    static QString lockPathFor(const QString &path, const QString &folder = {});

private:
    QString file;
    std::unique_ptr<QLockFile> lock;
    QString trouble;
};

} // namespace krelin
