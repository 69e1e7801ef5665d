#include "DiskIdentity.h"

#include "Crc32.h"
#include "RomFile.h"

#include <QFile>

#include <sys/stat.h>

namespace krelin {

namespace {

// Size and time of the file, or nothing (exists false).
DiskIdentity statOf(const QString &path)
{
    DiskIdentity identity;
    struct stat info{};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return identity;
    identity.exists = true;
    identity.size = qint64(info.st_size);
    identity.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return identity;
}

} // namespace

DiskIdentity IdentityOf(const QString &path, std::span<const std::uint8_t> bytes)
{
    DiskIdentity identity = statOf(path);
    identity.crc = Crc32(bytes);
    return identity;
}

DiskIdentity CurrentIdentity(const QString &path, const DiskIdentity &known)
{
    DiskIdentity identity = statOf(path);
    if (!identity.exists)
        return identity;
    if (known.exists && identity.size == known.size && identity.modifiedNs == known.modifiedNs) {
        identity.crc = known.crc;
        return identity;
    }
    const RomReadResult read = ReadRomFile(path);
    if (!read.ok()) { // unreadable now: no contents to compare, so it counts as changed
        identity.crc = ~known.crc;
        return identity;
    }
    identity.crc = Crc32(read.bytes);
    identity.size = qint64(read.bytes.size());
    return identity;
}

} // namespace krelin
