#include "Patch.h"

#include "Crc32.h"
#include "RomFile.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

using Bytes = std::vector<std::uint8_t>;
using View = std::span<const std::uint8_t>;

enum Action { SourceRead = 0, TargetRead = 1, SourceCopy = 2, TargetCopy = 3 };

// A stretch of unchanged bytes shorter than this goes into the surrounding TargetRead:
// two action numbers cost more than the bytes.
constexpr qint64 MinSourceRead = 4;

// Checksums (4 bytes each) of source, target and patch close the file.
constexpr qint64 FooterSize = 12;

QString checksum(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QChar(u'0')).toUpper();
}

void putNumber(Bytes &out, std::uint64_t value)
{
    for (;;) {
        const std::uint8_t low = value & 0x7F;
        value >>= 7;
        if (value == 0) {
            out.push_back(0x80 | low);
            return;
        }
        out.push_back(low);
        --value;
    }
}

void put32(Bytes &out, std::uint32_t v)
{
    out.insert(out.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
}

std::uint32_t read32(View bytes, qint64 at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
        | std::uint32_t(bytes[at + 3]) << 24;
}

// Walks the patch body, refusing anything that reads past its end or describes numbers
// no image could need.
class Reader
{
public:
    Reader(View patch, qint64 end)
        : patch(patch), end(end)
    {
    }

    qint64 pos = 4;
    QString error;

    bool atEnd() const { return pos >= end; }

    std::optional<qint64> number()
    {
        const qint64 start = pos;
        std::uint64_t value = 0, shift = 1;
        for (;;) {
            if (pos >= end) {
                error = QStringLiteral("the patch is cut short: a number at byte %1 runs into its checksums")
                            .arg(start);
                return std::nullopt;
            }
            const std::uint8_t b = patch[pos++];
            value += (b & 0x7F) * shift;
            if (b & 0x80)
                break;
            shift <<= 7;
            value += shift;
            // No size, length or distance in a patch for an image of 16 MiB comes near this.
            if (shift > (std::uint64_t(1) << 42)) {
                error = QStringLiteral("the patch is malformed: the number at byte %1 is far too large").arg(start);
                return std::nullopt;
            }
        }
        return qint64(value);
    }

    // A copy's move of its read position: a number whose lowest bit is the sign.
    std::optional<qint64> signedNumber()
    {
        const auto n = number();
        if (!n)
            return std::nullopt;
        return (*n & 1) ? -(*n >> 1) : (*n >> 1);
    }

private:
    View patch;
    qint64 end;
};

} // namespace

Bytes MakeBpsPatch(View original, View modified, View metadata)
{
    const qint64 n = qint64(modified.size());
    const qint64 o = qint64(original.size());
    auto same = [&](qint64 i) { return i < o && original[i] == modified[i]; };
    // Length of the unchanged stretch starting at i.
    auto sameRun = [&](qint64 i) {
        qint64 j = i;
        while (j < n && same(j))
            ++j;
        return j - i;
    };

    Bytes out{'B', 'P', 'S', '1'};
    putNumber(out, std::uint64_t(o));
    putNumber(out, std::uint64_t(n));
    putNumber(out, std::uint64_t(metadata.size()));
    out.insert(out.end(), metadata.begin(), metadata.end());

    qint64 i = 0;
    while (i < n) {
        const qint64 unchanged = sameRun(i);
        if (unchanged >= MinSourceRead || i + unchanged == n) {
            putNumber(out, std::uint64_t(unchanged - 1) << 2 | SourceRead);
            i += unchanged;
            continue;
        }
        // Changed bytes, with any short unchanged stretches between them.
        qint64 end = i + std::max<qint64>(unchanged, 1);
        while (end < n) {
            const qint64 next = sameRun(end);
            if (next >= MinSourceRead || end + next == n)
                break;
            end += std::max<qint64>(next, 1);
        }
        putNumber(out, std::uint64_t(end - i - 1) << 2 | TargetRead);
        out.insert(out.end(), modified.begin() + i, modified.begin() + end);
        i = end;
    }
    put32(out, Crc32(original));
    put32(out, Crc32(modified));
    put32(out, Crc32(out));
    return out;
}

PatchResult ApplyBpsPatch(View patch, View image)
{
    auto fail = [](const QString &message) { return PatchResult{{}, message}; };
    const qint64 size = qint64(patch.size());
    if (size < 4 || std::memcmp(patch.data(), "BPS1", 4) != 0)
        return fail(QStringLiteral("the patch does not start with \"BPS1\", so it is not a BPS patch"));
    if (size < 4 + 3 + FooterSize)
        return fail(QStringLiteral("the patch is cut short: it is only %1 bytes long").arg(size));

    // The patch's own checksum first: a damaged or cut patch says nothing reliable.
    const std::uint32_t patchCrc = read32(patch, size - 4);
    const std::uint32_t patchActual = Crc32(patch.first(std::size_t(size - 4)));
    if (patchCrc != patchActual)
        return fail(QStringLiteral("the patch is damaged or cut short: it gives its own checksum as %1, but its "
                                   "bytes have the checksum %2")
                        .arg(checksum(patchCrc), checksum(patchActual)));

    Reader reader(patch, size - FooterSize);
    const auto sourceSize = reader.number();
    const auto targetSize = sourceSize ? reader.number() : std::nullopt;
    const auto metadataSize = targetSize ? reader.number() : std::nullopt;
    if (!metadataSize)
        return fail(reader.error);

    const std::uint32_t sourceCrc = read32(patch, size - 12);
    const std::uint32_t targetCrc = read32(patch, size - 8);
    const std::uint32_t imageCrc = Crc32(image);
    if (*sourceSize != qint64(image.size()) || sourceCrc != imageCrc)
        return fail(QStringLiteral("the patch was made for another image: it expects %1 bytes with the checksum "
                                   "%2, but this image has %3 bytes with the checksum %4")
                        .arg(*sourceSize)
                        .arg(checksum(sourceCrc))
                        .arg(image.size())
                        .arg(checksum(imageCrc)));
    if (*targetSize > MaxImageSize)
        return fail(QStringLiteral("the patch would make an image of %1 bytes, larger than the %2 MiB that an "
                                   "image may hold")
                        .arg(*targetSize)
                        .arg(MaxImageSize >> 20));
    if (*metadataSize > size - FooterSize - reader.pos)
        return fail(QStringLiteral("the patch is malformed: its metadata runs into its checksums"));
    reader.pos += *metadataSize;

    Bytes out(static_cast<std::size_t>(*targetSize));
    qint64 written = 0, sourceAt = 0, targetAt = 0;
    while (!reader.atEnd()) {
        const qint64 actionAt = reader.pos;
        const auto action = reader.number();
        if (!action)
            return fail(reader.error);
        const qint64 length = (*action >> 2) + 1;
        auto malformed = [&](const QString &what) {
            return fail(QStringLiteral("the patch is malformed: the action at byte %1 %2").arg(actionAt).arg(what));
        };
        if (length > *targetSize - written)
            return malformed(QStringLiteral("writes past the end of the %1-byte image it makes").arg(*targetSize));
        switch (*action & 3) {
        case SourceRead:
            if (written + length > *sourceSize)
                return malformed(QStringLiteral("reads past the end of the source image"));
            std::copy_n(image.begin() + written, length, out.begin() + written);
            break;
        case TargetRead:
            if (length > size - FooterSize - reader.pos)
                return malformed(QStringLiteral("has fewer bytes than it writes"));
            std::copy_n(patch.begin() + reader.pos, length, out.begin() + written);
            reader.pos += length;
            break;
        case SourceCopy: {
            const auto move = reader.signedNumber();
            if (!move)
                return fail(reader.error);
            sourceAt += *move;
            if (sourceAt < 0 || sourceAt + length > *sourceSize)
                return malformed(QStringLiteral("copies from outside the source image"));
            std::copy_n(image.begin() + sourceAt, length, out.begin() + written);
            sourceAt += length;
            break;
        }
        case TargetCopy: {
            const auto move = reader.signedNumber();
            if (!move)
                return fail(reader.error);
            targetAt += *move;
            if (targetAt < 0 || targetAt >= written)
                return malformed(QStringLiteral("copies from a part of the image not yet made"));
            // Byte by byte: the copy may overlap what it writes, repeating a pattern.
            for (qint64 k = 0; k < length; ++k)
                out[std::size_t(written + k)] = out[std::size_t(targetAt + k)];
            targetAt += length;
            break;
        }
        }
        written += length;
    }
    if (written != *targetSize)
        return fail(QStringLiteral("the patch is malformed: its actions make only %1 of the %2 bytes of the image")
                        .arg(written)
                        .arg(*targetSize));
    const std::uint32_t outCrc = Crc32(out);
    if (outCrc != targetCrc)
        return fail(QStringLiteral("the patched image has the checksum %1, not the %2 that the patch expects")
                        .arg(checksum(outCrc), checksum(targetCrc)));
    return {std::move(out), {}};
}

} // namespace krelin
