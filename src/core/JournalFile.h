#pragma once

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

// Where the journals of unsaved work are kept: $XDG_STATE_HOME/krelin, or
// ~/.local/state/krelin when XDG_STATE_HOME is unset or not an absolute path.
QString JournalFolder();

// The journal of this running program: one file of its own in the journal folder
// (PID-RANDOM.journal), created on the first replace(). While the program runs it holds an
// exclusive lock (flock) on the file, which the system lets go of however the program
// ends, even killed: another Krelin tells a journal left behind from a live one by
// whether it can take the lock. The descriptors are closed on exec, so that a program
// started from here (the emulator) never holds the lock for us.
//
// Writes go straight to the file (the page cache outlives the process); flush() takes
// them to the disk.
class JournalFile
{
public:
    explicit JournalFile(const QString &folder);
    ~JournalFile(); // closes the file and keeps it
    JournalFile(const JournalFile &) = delete;
    JournalFile &operator=(const JournalFile &) = delete;

    // Makes contents the whole journal: written to a new file, which is then renamed over
    // the journal, so that the journal is at every moment either the old one or the new
    // one. When durable, the new file reaches the disk before the rename and the rename
    // after it: what the old journal held is never lost to a power cut in between.
    bool replace(std::span<const std::uint8_t> contents, bool durable);
    // Adds bytes at the end. A write that fails part way is taken back, so the journal
    // never ends in half a record that later records would follow.
    bool append(std::span<const std::uint8_t> bytes);
    // What was written since the last flush, and a rename, to the disk.
    bool flush();
    // Deletes the journal (a new replace() starts another).
    void remove();

    bool exists() const { return fd >= 0; }
    QString path() const { return filePath; }
    qint64 size() const { return written; }
    // What went wrong last, for a message.
    QString lastError() const { return error; }

private:
    bool fail(const QString &what, const QString &path, int code);

    QString folder;
    QString filePath;
    int fd = -1;
    qint64 written = 0;
    bool dirty = false;
    bool renamed = false;
    QString error;
};

// No journal the program writes comes near this size (its history keeps at most 256 MiB,
// and the journal is written afresh well before it holds twice that): a larger file is
// not read.
inline constexpr qint64 MostJournalBytes = qint64(1) << 30;

// A journal left behind by a program that is no longer running. While this object lives it
// holds the journal's lock, so no other Krelin starting meanwhile offers the same work.
class LeftJournal
{
public:
    LeftJournal(LeftJournal &&other) noexcept;
    LeftJournal &operator=(LeftJournal &&other) noexcept;
    ~LeftJournal();

    QString path() const { return filePath; }
    QDateTime lastWritten() const { return modified; }
    qint64 size() const;
    // Reads into `into` from offset on; returns how many bytes it read (fewer only at the
    // end of the file or when it cannot be read).
    std::size_t readAt(qint64 offset, std::span<std::uint8_t> into) const;

    // A journal that could not be read whole is set aside under the name NAME.damaged,
    // so that it is never taken for a journal that can, and kept until the user discards
    // it. Returns whether it is now set aside.
    bool setAside();
    bool isSetAside() const;
    // Deletes the journal: its work was recovered or discarded. Says why it could not, or
    // nothing.
    QString remove();

private:
    friend std::vector<LeftJournal> ClaimLeftJournals(const QString &folder);
    LeftJournal(int fd, QString path, QDateTime modified);

    int fd = -1;
    QString filePath;
    QDateTime modified;
};

// The journals in folder whose programs have ended, newest first, each locked for this
// program, those set aside among them. The temporary files an ended program left while
// replacing its journal are removed on the way.
std::vector<LeftJournal> ClaimLeftJournals(const QString &folder);

} // namespace krelin
