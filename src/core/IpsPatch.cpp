#include "Patch.h"

#include "RomFile.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

using Bytes = std::vector<std::uint8_t>;
using View = std::span<const std::uint8_t>;

// A run of one byte at least this long is cheaper as a run record (8 bytes) than inside a
// data record, even when the data record has to start anew after it (5 more bytes).
constexpr qint64 MinRun = 14;
// Unchanged bytes between two changes are written along when that is cheaper than the
// 5-byte header of a new record.
constexpr qint64 MaxBridgedGap = 5;

QString hex(qint64 value, int digits = 6)
{
    return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(digits, u'0');
}

class IpsWriter
{
public:
    explicit IpsWriter(View modified)
        : modified(modified)
    {
        out.insert(out.end(), {'P', 'A', 'T', 'C', 'H'});
    }

    // Records that write modified[start, end), runs of one byte as run records.
    void stretch(qint64 start, qint64 end)
    {
        qint64 literal = start;
        qint64 p = start;
        while (p < end) {
            qint64 run = p + 1;
            while (run < end && modified[run] == modified[p])
                ++run;
            if (run - p >= MinRun) {
                data(literal, p);
                fill(p, run);
                literal = run;
            }
            p = run;
        }
        data(literal, end);
    }

    Bytes finish(qint64 originalSize)
    {
        out.insert(out.end(), {'E', 'O', 'F'});
        if (qint64(modified.size()) < originalSize)
            put24(qint64(modified.size()));
        return std::move(out);
    }

private:
    // A record may not start at the offset that reads as "EOF": the byte before it and the
    // byte itself go into a record of their own, one byte earlier.
    qint64 avoidEof(qint64 start, qint64 end)
    {
        if (start != IpsEofOffset || start >= end)
            return start;
        header(start - 1, 2);
        out.insert(out.end(), modified.begin() + start - 1, modified.begin() + start + 1);
        return start + 1;
    }

    void data(qint64 start, qint64 end)
    {
        while ((start = avoidEof(start, end)) < end) {
            const qint64 size = std::min<qint64>(end - start, IpsMaxRecord);
            header(start, size);
            out.insert(out.end(), modified.begin() + start, modified.begin() + start + size);
            start += size;
        }
    }

    void fill(qint64 start, qint64 end)
    {
        while ((start = avoidEof(start, end)) < end) {
            const qint64 count = std::min<qint64>(end - start, IpsMaxRecord);
            header(start, 0);
            put16(count);
            out.push_back(modified[start]);
            start += count;
        }
    }

    void header(qint64 offset, qint64 size)
    {
        put24(offset);
        put16(size);
    }
    void put24(qint64 v) { out.insert(out.end(), {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)}); }
    void put16(qint64 v) { out.insert(out.end(), {std::uint8_t(v >> 8), std::uint8_t(v)}); }

    View modified;
    Bytes out;
};

} // namespace

Bytes MakeIpsPatch(View original, View modified)
{
    const qint64 n = qint64(modified.size());
    const qint64 o = qint64(original.size());
    // Bytes past the original's end are always written: the patch is what makes them.
    auto differs = [&](qint64 i) { return i >= o || original[i] != modified[i]; };

    IpsWriter writer(modified);
    qint64 i = 0;
    while (i < n) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        qint64 end = i + 1;
        for (;;) {
            while (end < n && differs(end))
                ++end;
            qint64 next = end;
            while (next < n && next - end <= MaxBridgedGap && !differs(next))
                ++next;
            if (next == end || next >= n || next - end > MaxBridgedGap)
                break;
            end = next;
        }
        writer.stretch(i, end);
        i = end;
    }
    return writer.finish(o);
}

PatchResult ApplyIpsPatch(View patch, View image)
{
    const qint64 size = qint64(patch.size());
    auto fail = [](const QString &message) { return PatchResult{{}, message}; };
    auto read = [&](qint64 at, int count) {
        qint64 v = 0;
        for (int k = 0; k < count; ++k)
            v = (v << 8) | patch[at + k];
        return v;
    };
    if (size < 5 || std::memcmp(patch.data(), "PATCH", 5) != 0)
        return fail(QStringLiteral("the patch does not start with \"PATCH\", so it is not an IPS patch"));

    // One record: where it writes, how many bytes, and where its data (or run byte) lies.
    struct Record
    {
        qint64 offset = 0, length = 0, data = 0;
        bool run = false;
    };
    // Reads the record at pos and moves pos past it; false at "EOF" or on an error.
    QString error;
    auto next = [&](qint64 &pos, Record &record) {
        if (size - pos < 3) {
            error = QStringLiteral("the patch is cut short: it ends without its \"EOF\" marker");
            return false;
        }
        if (std::memcmp(patch.data() + pos, "EOF", 3) == 0) {
            pos += 3;
            return false;
        }
        record.offset = read(pos, 3);
        auto cut = [&] {
            error = QStringLiteral("the patch is cut short: it ends inside its record at offset %1").arg(hex(record.offset));
            return false;
        };
        if (size - pos < 5)
            return cut();
        record.length = read(pos + 3, 2);
        pos += 5;
        record.run = record.length == 0;
        if (record.run) {
            if (size - pos < 3)
                return cut();
            record.length = read(pos, 2);
            record.data = pos + 2;
            pos += 3;
            // A run of no bytes writes nothing: no writer makes one, so the patch is damaged.
            if (record.length == 0) {
                error = QStringLiteral("the patch is damaged: its run record at offset %1 repeats a byte 0 times")
                            .arg(hex(record.offset));
                return false;
            }
        } else {
            if (size - pos < record.length)
                return cut();
            record.data = pos;
            pos += record.length;
        }
        if (record.offset + record.length > MaxImageSize) {
            error = QStringLiteral("the patch's record at offset %1 writes up to offset %2, past the %3 MiB that "
                                   "an image may hold")
                        .arg(hex(record.offset), hex(record.offset + record.length - 1),
                             QString::number(MaxImageSize >> 20));
            return false;
        }
        return true;
    };

    // Every record is read and checked before any is carried out: a damaged patch, or one
    // whose runs would write far more than any image holds, is refused before the work.
    qint64 pos = 5, total = 0, end = 0;
    Record record;
    while (next(pos, record)) {
        total += record.length;
        end = std::max(end, record.offset + record.length);
        if (total > MaxIpsWrites)
            return fail(QStringLiteral("the patch's records would write more than %1 MiB in all, the most that "
                                       "one patch may write")
                            .arg(MaxIpsWrites >> 20));
    }
    if (!error.isEmpty())
        return fail(error);
    const qint64 rest = size - pos;
    if (rest != 0 && rest != 3)
        return fail(QStringLiteral("the patch has %1 unexpected bytes after its \"EOF\" marker").arg(rest));
    const qint64 patchedSize = std::max(qint64(image.size()), end);
    if (rest == 3 && read(pos, 3) > patchedSize)
        return fail(QStringLiteral("the patch asks to cut the image to %1 bytes, but the patched image has only %2")
                        .arg(read(pos, 3))
                        .arg(patchedSize));

    Bytes out(image.begin(), image.end());
    out.resize(std::size_t(patchedSize), 0);
    pos = 5;
    while (next(pos, record)) {
        if (record.run)
            std::fill_n(out.begin() + record.offset, record.length, patch[record.data]);
        else
            std::copy_n(patch.begin() + record.data, record.length, out.begin() + record.offset);
    }
    if (rest == 3)
        out.resize(std::size_t(read(pos, 3)));
    return {std::move(out), {}};
}

} // namespace krelin
