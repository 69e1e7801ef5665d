#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

class modKrelin;

// Largest file accepted as a cartridge image; real ones are a few hundred KiB.
inline constexpr qint64 MaxImageSize = 16 * 1024 * 1024;

// Before every write the two bytes at 0x1C997..0x1C998 are copied to 0x12008..0x12009,
// so the written file holds the same pair at both places.
inline constexpr qint64 FixUpSource = 0x1C997;
inline constexpr qint64 FixUpTarget = 0x12008;
inline constexpr qint64 FixUpImageSize = FixUpSource + 2; // 117,145 bytes

struct RomReadResult
{
    std::vector<std::uint8_t> bytes;
    QString error; // empty on success; otherwise names the file and what is wrong

    bool ok() const { return error.isEmpty(); }
};

// Every cartridge image starts with its header, and the header with these four bytes.
inline constexpr std::uint8_t CartridgeSignature[4] = {'N', 'E', 'S', 0x1A};
inline constexpr qint64 CartridgeHeaderSize = 16;

// True when bytes start with CartridgeSignature. Without it the stages' offsets would
// land on the wrong bytes, and a save's fix-up would write into them.
bool HasCartridgeHeader(std::span<const std::uint8_t> bytes);

// What is said of a file named name (as shown) that lacks the signature.
QString NoCartridgeHeaderText(const QString &name);

// Reads the whole file. Refuses a missing, unreadable, empty or over-large file, a
// folder, a pipe or device, a chain of links too long to follow, and a file without the
// cartridge signature, with a message that names the file and the reason.
RomReadResult ReadRomFile(const QString &path);

// Writes bytes as the whole file at path through a temporary file that is renamed over
// the target, so a failed write leaves any old file whole (see ReplaceFileContents: a
// file its owner may not write is refused as read-only, and a saved file keeps its mode).
// Returns an empty string on success, otherwise a message naming the file and the reason.
// *inPlace, when given, says whether the bytes are in the file all the same (only the
// flush of its folder failed, so a power cut may yet undo the write).
QString WriteRomFile(const QString &path, const std::vector<std::uint8_t> &bytes, bool *inPlace = nullptr);

// Applies the save fix-up to the image in memory. Returns false, changing nothing, when
// the image is too short to hold the fix-up bytes.
bool ApplySaveFixUp(modKrelin &model);

// The image as a save would write it, fix-up applied, leaving the image in memory and its
// unsaved state alone: what a patch records and what a test run is given. An image too
// short for the fix-up comes back as it is.
std::vector<std::uint8_t> ImageAsSaved(std::vector<std::uint8_t> bytes);

} // namespace krelin
