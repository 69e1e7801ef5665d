#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace krelin {

// Patches share an edit without sharing the image: an IPS or a BPS file records how to
// turn one image (the original) into another. Nothing here touches a file except
// ReadPatchFile; every function works on bytes and leaves its inputs alone.

enum class PatchFormat { Ips, Bps };

// The largest patch file read. A patch that replaces every byte of the largest image is a
// little larger than that image; twice its size leaves room for wasteful writers.
inline constexpr qint64 MaxPatchSize = 32 * 1024 * 1024;

// IPS offsets are three bytes, and a record starting at 0x454F46 would read as "EOF".
inline constexpr qint64 IpsEofOffset = 0x454F46;
inline constexpr int IpsMaxRecord = 0xFFFF;

// The most bytes an IPS patch's records may write in all. An 8-byte run record writes up
// to 65,535 bytes, so without a bound a patch of MaxPatchSize would write hundreds of
// gigabytes; a patch that rewrites the largest image a few times over stays well inside.
inline constexpr qint64 MaxIpsWrites = 64 * 1024 * 1024;

struct PatchResult
{
    std::vector<std::uint8_t> bytes; // the patch made, or the image patched
    QString error; // empty on success; otherwise what is wrong, as a clause ("the patch ...")

    bool ok() const { return error.isEmpty(); }
};

// The format a patch file's name asks for: .ips or .bps, in any case; nothing otherwise.
std::optional<PatchFormat> PatchFormatForPath(const QString &path);

// A patch that turns original into modified. Refuses an image larger than MaxImageSize.
// metadata goes into a BPS patch's metadata field; IPS has no such field, so an IPS patch
// with metadata is refused.
PatchResult MakePatch(PatchFormat format, std::span<const std::uint8_t> original,
                      std::span<const std::uint8_t> modified, std::span<const std::uint8_t> metadata = {});

// Applies an IPS or BPS patch, told apart by its first bytes, to a copy of image and
// returns that copy. A patch that is not one of the two, is malformed or cut short, would
// make an image larger than MaxImageSize or an empty one, (IPS) would write more than
// MaxIpsWrites bytes in all, or (BPS) was made for another image is refused: no bytes,
// and an error that says why. Either way the work is bounded by the sizes of the patch
// and of the images, whatever the patch holds.
PatchResult ApplyPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> image);

// Reads a patch file whole; refuses a missing, unreadable, empty or over-large file, or a
// folder, with a message that names the file.
PatchResult ReadPatchFile(const QString &path);

// Makes the patch from original to modified in the format that path's extension names
// and writes it there through a temporary file. Returns an empty string on success,
// otherwise a message naming the file and what is wrong; nothing is written then.
QString WritePatchFile(const QString &path, std::span<const std::uint8_t> original,
                       std::span<const std::uint8_t> modified);

// The two formats on their own.

// "PATCH", records (3-byte big-endian offset, 2-byte big-endian size, data; size 0 is a
// run: 2-byte count and the byte), "EOF", and the 3-byte new length when modified is
// shorter than original. Long runs of one byte become run records. The sizes must not
// exceed MaxImageSize.
std::vector<std::uint8_t> MakeIpsPatch(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> modified);
PatchResult ApplyIpsPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> image);

// "BPS1", the source, target and metadata sizes as variable-length numbers, the actions,
// then the CRC-32s of source, target and patch. This writer uses only the actions
// SourceRead and TargetRead, and puts metadata (any bytes) after the sizes; the reader
// knows all four actions and skips the metadata.
std::vector<std::uint8_t> MakeBpsPatch(std::span<const std::uint8_t> original,
                                       std::span<const std::uint8_t> modified,
                                       std::span<const std::uint8_t> metadata = {});
PatchResult ApplyBpsPatch(std::span<const std::uint8_t> patch, std::span<const std::uint8_t> image);

} // namespace krelin
