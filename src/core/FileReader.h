#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace krelin {

// Why a file could not be read whole.
enum class ReadFailure {
    None,
    Missing,     // no file by that name
    Folder,      // a folder
    NotOrdinary, // a pipe, a device or a socket: never opened, so never waited on
    TooLarge,    // over the size asked for (told by its size, before any byte is read)
    Empty,
    CannotOpen,  // the system refused to open it; systemError says why
    CannotRead,  // reading failed part way; systemError says why
};

struct FileReadResult
{
    std::vector<std::uint8_t> bytes;
    ReadFailure failure = ReadFailure::None;
    int systemError = 0; // the system's error code behind CannotOpen and CannotRead

    bool ok() const { return failure == ReadFailure::None; }
    // The system's words for systemError ("Permission denied"), or LinkLoopReason.
    QString systemReason() const;
    // Why the file was not read, for a message: "the file does not exist", "it is a
    // folder, not <notA>", "the file is larger than N MiB, too large to be <tooLargeFor>"
    // (N from maxSize), ... Empty when it was read.
    QString failureText(const QString &notA, const QString &tooLargeFor, qint64 maxSize) const;
};

// Reads the whole file at path, following its symbolic links as ResolveLinks does (too
// many of them, or a loop, is CannotOpen with ELOOP, never Missing). Reads at most
// maxSize bytes: a larger file is refused by its size first, and one that grows while it
// is read is refused too.
FileReadResult ReadWholeFile(const QString &path, qint64 maxSize);

} // namespace krelin
