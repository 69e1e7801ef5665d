#pragma once

#include <QString>

#include <cstdint>
#include <span>

namespace krelin {

// What the program knows of a file on disk, to tell whether another program changed it:
// its size and time of last change, and the checksum of its bytes.
struct DiskIdentity
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedNs = 0; // time of last change, in nanoseconds
    std::uint32_t crc = 0;

    // Two identities name the same contents: both missing, or of equal size and checksum.
    bool sameContents(const DiskIdentity &other) const
    {
        return exists == other.exists && (!exists || (size == other.size && crc == other.crc));
    }
};

// The identity of bytes just read from or written to a file, with the file's size and time
// as they are now.
DiskIdentity IdentityOf(const QString &path, std::span<const std::uint8_t> bytes);

// The identity of the file at path as it is now. While its size and time are those of
// known, the file is not read: its checksum is taken to be known's.
DiskIdentity CurrentIdentity(const QString &path, const DiskIdentity &known);

} // namespace krelin
