// Any bytes as an IPS or BPS patch, and patches made from any two images. The input is
// read as
//   byte 0     what to do, by its value modulo 4:
//              0, 1  apply the rest, as it is, to a small cartridge image
//              2     the same, with the rest's BPS checksums of the image and of the
//                    patch itself made right first, so that fuzzing reaches the actions
//              3     make a patch of each format from two images and apply it
//   the rest   the patch; for 3, two bytes n (little-endian), then the original image
//              (n bytes, or what there is) and the modified image (the remaining bytes)
// Checks that a patch is either applied, giving an image no larger than any image may
// be, or refused with a one-line reason and no bytes; that an applied BPS patch made the
// image it names by its checksum; and that a patch made from two images turns the first
// into the second.

#include "FuzzSupport.h"

#include "core/Crc32.h"
#include "core/Patch.h"
#include "core/RomFile.h"

#include <cstring>

using namespace krelin;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le32(const Bytes &bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
        | std::uint32_t(bytes[at + 3]) << 24;
}

void putLe32(Bytes &bytes, std::size_t at, std::uint32_t value)
{
    for (int k = 0; k < 4; ++k)
        bytes[at + std::size_t(k)] = std::uint8_t(value >> (8 * k));
}

void checkApplied(const Bytes &patch, const Bytes &image, const PatchResult &result)
{
    FUZZ_CHECK(result.ok() != result.bytes.empty(), result.error);
    FUZZ_CHECK(!result.error.contains(u'\n'), result.error);
    FUZZ_CHECK(qint64(result.bytes.size()) <= MaxImageSize, QString::number(result.bytes.size()));
    const bool bps = patch.size() >= 4 && std::memcmp(patch.data(), "BPS1", 4) == 0;
    if (result.ok() && bps) {
        FUZZ_CHECK(le32(patch, patch.size() - 12) == Crc32(image), "the image the patch was made for");
        FUZZ_CHECK(le32(patch, patch.size() - 8) == Crc32(result.bytes), "the image the patch makes");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const Bytes image = fuzz::PatchTargetImage();
    const int mode = data[0] % 4;
    Bytes rest(data + 1, data + size);

    if (mode < 3) {
        if (mode == 2 && rest.size() >= 4 + 12 && std::memcmp(rest.data(), "BPS1", 4) == 0) {
            putLe32(rest, rest.size() - 12, Crc32(image));
            putLe32(rest, rest.size() - 4, Crc32(std::span<const std::uint8_t>(rest).first(rest.size() - 4)));
        }
        checkApplied(rest, image, ApplyPatch(rest, image));
        return 0;
    }

    if (rest.size() < 2)
        return 0;
    const std::size_t split = std::min<std::size_t>(rest[0] | rest[1] << 8, rest.size() - 2);
    const Bytes original(rest.begin() + 2, rest.begin() + 2 + std::ptrdiff_t(split));
    const Bytes modified(rest.begin() + 2 + std::ptrdiff_t(split), rest.end());
    for (const PatchFormat format : {PatchFormat::Ips, PatchFormat::Bps}) {
        const PatchResult made = MakePatch(format, original, modified);
        FUZZ_CHECK(made.ok(), made.error);
        const PatchResult applied = ApplyPatch(made.bytes, original);
        checkApplied(made.bytes, original, applied);
        // An empty image is the one thing a patch may not make.
        if (modified.empty())
            FUZZ_CHECK(!applied.ok(), "an empty image made");
        else
            FUZZ_CHECK(applied.ok() && applied.bytes == modified, applied.error);
    }
    return 0;
}
