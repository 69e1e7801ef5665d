#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace krelin {

// Says that this program has a cartridge file open, so that another copy of the program
// about to open the same file can tell. The lock lies in the user's runtime folder, named
// after the file's device and inode, so every name and link of one file meets the same
// lock. A lock left by a process that no longer runs is taken over.
class OpenFileLock
{
public:
    // folder: where the locks are kept; empty for the user's runtime folder.
    explicit OpenFileLock(const QString &path, const QString &folder = {});
    ~OpenFileLock();

    // True when this program now holds the lock; false when another process that still
    // runs holds it (holder() names it), or the lock cannot be made (then nobody can tell
    // either: the file opens without one).
    bool tryLock();
    // The process that holds the lock, or 0.
    qint64 holder() const;
    bool isLocked() const;
    // The same file as path, by any name or link, or a file that takes the same lock (the
    // file held here was deleted, and the system gave its number to the new one).
    bool isFor(const QString &path) const;

    // The lock file for the file at path, or empty when the file cannot be looked at.
    static QString lockPathFor(const QString &path, const QString &folder = {});

private:
    QString file;
    std::unique_ptr<QLockFile> lock;
};

} // namespace krelin
