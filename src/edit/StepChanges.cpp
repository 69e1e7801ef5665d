#include "StepChanges.h"

#include <algorithm>

namespace krelin {

namespace {

// Runs closer than this are kept as one.
constexpr qint64 RunGap = 8;

} // namespace

qint64 StepChanges::bytes() const
{
    qint64 kept = 0;
    for (const Run &run : runs)
        kept += qint64(run.before.size() + run.after.size()) + qint64(sizeof(Run));
    return kept;
}

StepChanges ChangesBetween(const std::vector<std::uint8_t> &from, const std::vector<std::uint8_t> &to)
{
    StepChanges changes;
    // Past its end an image reads as 0.
    const auto at = [](const std::vector<std::uint8_t> &image, qint64 i) {
        return std::size_t(i) < image.size() ? image[std::size_t(i)] : std::uint8_t(0);
    };
    const auto slice = [&](const std::vector<std::uint8_t> &image, qint64 begin, qint64 end) {
        std::vector<std::uint8_t> bytes(std::size_t(end - begin));
        for (qint64 i = begin; i < end; ++i)
            bytes[std::size_t(i - begin)] = at(image, i);
        return bytes;
    };
    const qint64 common = qint64(std::min(from.size(), to.size()));
    const qint64 longest = qint64(std::max(from.size(), to.size()));
    qint64 i = 0;
    while (i < longest) {
        // Where both images hold the byte, compare a block at a time.
        if (i < common && from[std::size_t(i)] == to[std::size_t(i)]) {
            const auto mismatch = std::mismatch(from.begin() + i, from.begin() + common, to.begin() + i);
            i = qint64(mismatch.first - from.begin());
            continue;
        }
        if (at(from, i) == at(to, i)) {
            ++i;
            continue;
        }
        // A run ends where RunGap equal bytes in a row follow its last difference.
        qint64 end = i + 1, same = 0;
        for (qint64 j = end; j < longest && same < RunGap; ++j) {
            if (at(from, j) != at(to, j)) {
                end = j + 1;
                same = 0;
            } else {
                ++same;
            }
        }
        changes.runs.push_back({i, slice(from, i, end), slice(to, i, end)});
        i = end;
    }
    if (from.size() != to.size()) {
        changes.sizeBefore = qint64(from.size());
        changes.sizeAfter = qint64(to.size());
    }
    return changes;
}

} // namespace krelin
