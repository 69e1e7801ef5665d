#include "ImageDiff.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace krelin {

namespace {

using Bytes = ImageDiff::Bytes;

// The parts of a stage's data, each compared in its own terms.
std::array<ByteRange, 6> RegionsOf(const Stage &s)
{
    return {TilesRange(s),   MetaTileRecordsRange(s), SubPalettesRange(s),
            PaletteRange(s), LevelRange(s, s.Frames), FrameTableRange(s, s.Frames)};
}

// Appends the runs of differing bytes within range (which both images hold) to out, in
// order. Equal stretches are skipped a block, then a word, at a time.
void FindDifferences(Bytes a, Bytes b, ByteRange range, std::vector<ByteRange> &out)
{
    constexpr qint64 Block = 256;
    const std::uint8_t *pa = a.data(), *pb = b.data();
    const qint64 end = range.end();
    qint64 at = range.offset;
    while (at < end) {
        while (end - at >= Block && std::memcmp(pa + at, pb + at, Block) == 0)
            at += Block;
        std::uint64_t wa = 0, wb = 0;
        while (end - at >= 8 && (std::memcpy(&wa, pa + at, 8), std::memcpy(&wb, pb + at, 8), wa == wb))
            at += 8;
        while (at < end && pa[at] == pb[at])
            ++at;
        if (at == end)
            break;
        const qint64 from = at;
        while (at < end && pa[at] != pb[at])
            ++at;
        out.push_back({from, at - from});
    }
}

// The parts of the ranges in runs (ascending, apart) that none of covered (the same)
// holds, appended to out in order.
void AppendUncovered(const std::vector<ByteRange> &runs, const std::vector<ByteRange> &covered,
                     std::vector<ByteRange> &out)
{
    for (const ByteRange &run : runs) {
        auto c = std::lower_bound(covered.begin(), covered.end(), run.offset,
                                  [](const ByteRange &r, qint64 at) { return r.end() <= at; });
        qint64 at = run.offset;
        for (; c != covered.end() && c->offset < run.end(); ++c) {
            if (c->offset > at)
                out.push_back({at, c->offset - at});
            at = std::max(at, c->end());
        }
        if (at < run.end())
            out.push_back({at, run.end() - at});
    }
}

// Replaces the entries of a sorted list whose keys lie in [first, last] with those that
// fill() puts, in ascending order.
template <typename List, typename Key, typename Fill>
void ReplaceKeys(List &list, int first, int last, Key key, Fill fill)
{
    auto lo = std::lower_bound(list.begin(), list.end(), first,
                               [&](const auto &entry, int k) { return key(entry) < k; });
    auto hi = std::lower_bound(lo, list.end(), last + 1, [&](const auto &entry, int k) { return key(entry) < k; });
    auto at = list.erase(lo, hi);
    fill([&](const auto &entry) { at = list.insert(at, entry) + 1; });
}

int CellKey(const CellDiff &c)
{
    return c.frame * FrameBytes + c.row * FrameColumns + c.column;
}

// The cell of the stage's level map that the byte at offset holds (offset lies in it).
CellDiff CellAt(const Stage &s, qint64 offset)
{
    const int frame = FrameOfLevelByte(s, s.Frames, offset);
    const int cell = FrameCellOfByte(s, frame, offset);
    return {frame, cell / FrameColumns, cell % FrameColumns};
}

MetaTileBytes MetaTileOf(Bytes image, const Stage &s, int metaTile)
{
    MetaTileBytes m;
    for (int q = 0; q < MetaTileRecordBytes; ++q)
        m.tiles[std::size_t(q)] = image[std::size_t(QuadrantTileOffset(s, metaTile, q))];
    m.subPalette = image[std::size_t(SubPaletteOffset(s, metaTile))];
    return m;
}

template <typename List, typename Key>
bool HasKey(const List &list, int k, Key key)
{
    auto it = std::lower_bound(list.begin(), list.end(), k, [&](const auto &e, int v) { return key(e) < v; });
    return it != list.end() && key(*it) == k;
}

} // namespace

// ---- one stage ------------------------------------------------------------------------------

bool StageDiff::isEmpty() const
{
    return cells.empty() && rooms.empty() && metaTiles.empty() && tiles.empty() && palette.empty();
}

qsizetype StageDiff::count() const
{
    return qsizetype(cells.size() + rooms.size() + metaTiles.size() + tiles.size() + palette.size());
}

std::span<const CellDiff> StageDiff::cellsOfFrame(int frame) const
{
    auto lo = std::lower_bound(cells.begin(), cells.end(), frame, [](const CellDiff &c, int f) { return c.frame < f; });
    auto hi = std::upper_bound(lo, cells.end(), frame, [](int f, const CellDiff &c) { return f < c.frame; });
    return {cells.data() + (lo - cells.begin()), std::size_t(hi - lo)};
}

bool StageDiff::roomDiffers(int frame) const
{
    return HasKey(rooms, frame, [](const RoomDiff &r) { return r.frame; });
}

std::vector<int> StageDiff::frames() const
{
    std::vector<int> out;
    for (const CellDiff &c : cells)
        if (out.empty() || out.back() != c.frame)
            out.push_back(c.frame);
    const auto cellFrames = out.size();
    for (const RoomDiff &r : rooms)
        out.push_back(r.frame);
    std::inplace_merge(out.begin(), out.begin() + std::ptrdiff_t(cellFrames), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

bool StageDiff::metaTileDiffers(int metaTile) const
{
    return HasKey(metaTiles, metaTile, [](const MetaTileDiff &m) { return m.metaTile; });
}

bool StageDiff::tileDiffers(int tile) const
{
    return std::binary_search(tiles.begin(), tiles.end(), tile);
}

// ---- the comparison -------------------------------------------------------------------------

void ImageDiff::compare(Bytes a, Bytes b)
{
    sizeA_ = qint64(a.size());
    sizeB_ = qint64(b.size());
    const qint64 common = std::min(sizeA_, sizeB_);

    read_.clear();
    other_.clear();
    for (std::size_t i = 0; i < stages_.size(); ++i) {
        StageDiff &d = stages_[i];
        d.stage = &StageTable[i];
        d.compared = StageBytesNeeded(*d.stage) <= common;
        d.cells.clear();
        d.rooms.clear();
        d.metaTiles.clear();
        d.tiles.clear();
        d.palette.clear();
        if (d.compared)
            for (const ByteRange &region : RegionsOf(*d.stage))
                read_.push_back(region);
    }
    std::sort(read_.begin(), read_.end(), [](const ByteRange &x, const ByteRange &y) { return x.offset < y.offset; });
    std::vector<ByteRange> merged;
    for (const ByteRange &r : read_) {
        if (!merged.empty() && r.offset <= merged.back().end())
            merged.back().length = std::max(merged.back().end(), r.end()) - merged.back().offset;
        else
            merged.push_back(r);
    }
    read_ = std::move(merged);

    std::vector<ByteRange> runs;
    FindDifferences(a, b, {0, common}, runs);
    if (runs.empty())
        return;
    for (StageDiff &d : stages_) {
        if (!d.compared)
            continue;
        for (const ByteRange &region : RegionsOf(*d.stage)) {
            auto run = std::lower_bound(runs.begin(), runs.end(), region.offset,
                                        [](const ByteRange &r, qint64 at) { return r.end() <= at; });
            for (; run != runs.end() && run->offset < region.end(); ++run)
                refreshStage(d, a, b, run->intersected(region));
        }
    }
    AppendUncovered(runs, read_, other_);
}

void ImageDiff::update(Bytes a, Bytes b, ByteRange changed)
{
    if (qint64(a.size()) != sizeA_ || qint64(b.size()) != sizeB_) {
        compare(a, b);
        return;
    }
    const ByteRange bytes = changed.intersected({0, std::min(sizeA_, sizeB_)});
    if (bytes.isEmpty())
        return; // past the shorter image every byte counts as other, whatever its value
    for (StageDiff &d : stages_)
        if (d.compared)
            refreshStage(d, a, b, bytes);
    refreshOther(a, b, bytes);
}

// Compares again every item of the stage that a byte of bytes belongs to.
void ImageDiff::refreshStage(StageDiff &d, Bytes a, Bytes b, ByteRange bytes)
{
    const Stage &s = *d.stage;
    auto at = [](Bytes image, qint64 offset) { return image[std::size_t(offset)]; };

    if (const ByteRange r = bytes.intersected(TilesRange(s)); !r.isEmpty()) {
        const int first = TileOfByte(s, r.offset), last = TileOfByte(s, r.end() - 1);
        ReplaceKeys(d.tiles, first, last, [](int t) { return t; }, [&](auto put) {
            for (int t = first; t <= last; ++t) {
                const auto from = std::size_t(TileOffset(s, t));
                if (std::memcmp(a.data() + from, b.data() + from, TileBytes) != 0)
                    put(t);
            }
        });
    }

    int firstMeta = INT_MAX, lastMeta = -1;
    if (const ByteRange r = bytes.intersected(MetaTileRecordsRange(s)); !r.isEmpty()) {
        firstMeta = MetaTileOfRecordByte(s, r.offset);
        lastMeta = MetaTileOfRecordByte(s, r.end() - 1);
    }
    if (const ByteRange r = bytes.intersected(SubPalettesRange(s)); !r.isEmpty()) {
        firstMeta = std::min(firstMeta, MetaTileOfSubPaletteByte(s, r.offset));
        lastMeta = std::max(lastMeta, MetaTileOfSubPaletteByte(s, r.end() - 1));
    }
    if (lastMeta >= 0) {
        ReplaceKeys(d.metaTiles, firstMeta, lastMeta, [](const MetaTileDiff &m) { return m.metaTile; }, [&](auto put) {
            for (int m = firstMeta; m <= lastMeta; ++m) {
                MetaTileDiff diff{m, MetaTileOf(a, s, m), MetaTileOf(b, s, m)};
                if (diff.a != diff.b)
                    put(diff);
            }
        });
    }

    if (const ByteRange r = bytes.intersected(PaletteRange(s)); !r.isEmpty()) {
        const int first = PaletteEntryOfByte(s, r.offset), last = PaletteEntryOfByte(s, r.end() - 1);
        ReplaceKeys(d.palette, first, last, [](const PaletteDiff &p) { return p.entry; }, [&](auto put) {
            for (int e = first; e <= last; ++e) {
                const qint64 offset = PaletteEntryOffset(s, e);
                if (at(a, offset) != at(b, offset))
                    put(PaletteDiff{e, at(a, offset), at(b, offset)});
            }
        });
    }

    if (const ByteRange r = bytes.intersected(LevelRange(s, s.Frames)); !r.isEmpty()) {
        ReplaceKeys(d.cells, CellKey(CellAt(s, r.offset)), CellKey(CellAt(s, r.end() - 1)), CellKey, [&](auto put) {
            for (qint64 offset = r.offset; offset < r.end(); ++offset) {
                if (at(a, offset) == at(b, offset))
                    continue;
                CellDiff cell = CellAt(s, offset);
                cell.a = at(a, offset);
                cell.b = at(b, offset);
                put(cell);
            }
        });
    }

    if (const ByteRange r = bytes.intersected(FrameTableRange(s, s.Frames)); !r.isEmpty()) {
        const int first = FrameOfRoomByte(s, s.Frames, r.offset), last = FrameOfRoomByte(s, s.Frames, r.end() - 1);
        ReplaceKeys(d.rooms, first, last, [](const RoomDiff &room) { return room.frame; }, [&](auto put) {
            for (int f = first; f <= last; ++f) {
                const qint64 offset = FrameRoomOffset(s, f);
                if (at(a, offset) != at(b, offset))
                    put(RoomDiff{f, at(a, offset), at(b, offset)});
            }
        });
    }
}

// Finds the unread differing bytes within bytes afresh, and joins them to the ranges
// around that reach into or touch bytes.
void ImageDiff::refreshOther(Bytes a, Bytes b, ByteRange bytes)
{
    std::vector<ByteRange> runs, fresh;
    FindDifferences(a, b, bytes, runs);
    AppendUncovered(runs, read_, fresh);

    auto lo = std::lower_bound(other_.begin(), other_.end(), bytes.offset,
                               [](const ByteRange &r, qint64 at) { return r.end() < at; });
    auto hi = std::upper_bound(lo, other_.end(), bytes.end(), [](qint64 at, const ByteRange &r) { return at < r.offset; });
    std::vector<ByteRange> pieces;
    if (lo != hi && lo->offset < bytes.offset)
        pieces.push_back({lo->offset, bytes.offset - lo->offset});
    pieces.insert(pieces.end(), fresh.begin(), fresh.end());
    if (lo != hi && (hi - 1)->end() > bytes.end())
        pieces.push_back({bytes.end(), (hi - 1)->end() - bytes.end()});
    std::vector<ByteRange> joined;
    for (const ByteRange &p : pieces) {
        if (!joined.empty() && joined.back().end() == p.offset)
            joined.back().length += p.length;
        else
            joined.push_back(p);
    }
    const auto where = other_.erase(lo, hi);
    other_.insert(where, joined.begin(), joined.end());
}

bool ImageDiff::identical() const
{
    return sizeA_ == sizeB_ && other_.empty()
        && std::all_of(stages_.begin(), stages_.end(), [](const StageDiff &d) { return d.isEmpty(); });
}

std::vector<const StageDiff *> ImageDiff::differingStages() const
{
    std::vector<const StageDiff *> out;
    for (const StageDiff &d : stages_)
        if (!d.isEmpty())
            out.push_back(&d);
    return out;
}

std::vector<const Stage *> ImageDiff::stagesNotCompared() const
{
    std::vector<const Stage *> out;
    for (const StageDiff &d : stages_)
        if (!d.compared)
            out.push_back(d.stage);
    return out;
}

std::vector<ByteRange> ImageDiff::other() const
{
    std::vector<ByteRange> out = other_;
    const qint64 common = std::min(sizeA_, sizeB_), longer = std::max(sizeA_, sizeB_);
    if (longer > common) {
        if (!out.empty() && out.back().end() == common)
            out.back().length += longer - common;
        else
            out.push_back({common, longer - common});
    }
    return out;
}

// ---- walking the differences ----------------------------------------------------------------

} // namespace krelin
