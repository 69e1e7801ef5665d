// Walking through the differences of a comparison in order, forth and back: stage after
// stage, and in a stage frame by frame (a frame's cells, then its room), then its
// metatiles, its tiles and its palette entries.
#include "ImageDiff.h"

#include <algorithm>
#include <climits>

namespace krelin {

namespace {

// Where a difference comes in the walk through one stage's differences.
qint64 Ordinal(const Stage &s, DiffKind kind, int frame, int item)
{
    constexpr qint64 PerFrame = FrameBytes + 1; // its cells, then its room
    const qint64 afterFrames = qint64(s.Frames) * PerFrame;
    switch (kind) {
    case DiffKind::Cell:
        return frame * PerFrame + item;
    case DiffKind::Room:
        return frame * PerFrame + FrameBytes;
    case DiffKind::MetaTile:
        return afterFrames + item;
    case DiffKind::Tile:
        return afterFrames + MetaTileCount + item;
    case DiffKind::PaletteEntry:
        return afterFrames + MetaTileCount + TilesPerBank + item;
    }
    return 0;
}

// The entry of a sorted list that comes next after ordinal k (forward) or last before it.
template <typename List, typename Ord>
const typename List::value_type *Neighbour(const List &list, qint64 k, bool forward, Ord ord)
{
    if (forward) {
        auto it = std::upper_bound(list.begin(), list.end(), k, [&](qint64 key, const auto &e) { return key < ord(e); });
        return it == list.end() ? nullptr : &*it;
    }
    auto it = std::lower_bound(list.begin(), list.end(), k, [&](const auto &e, qint64 key) { return ord(e) < key; });
    return it == list.begin() ? nullptr : &*(it - 1);
}

// The nearest difference of one stage after (or before) ordinal k.
std::optional<DiffPlace> NearestInStage(const StageDiff &d, int index, qint64 k, bool forward)
{
    const Stage &s = *d.stage;
    std::optional<DiffPlace> best;
    qint64 bestOrdinal = 0;
    auto consider = [&](const DiffPlace &place) {
        const qint64 o = Ordinal(s, place.kind, place.frame, place.item);
        if (!best || (forward ? o < bestOrdinal : o > bestOrdinal)) {
            best = place;
            bestOrdinal = o;
        }
    };
    auto cellPlace = [&](const CellDiff &c) { return DiffPlace{index, DiffKind::Cell, c.frame, c.row * FrameColumns + c.column}; };
    auto roomPlace = [&](const RoomDiff &r) { return DiffPlace{index, DiffKind::Room, r.frame, 0}; };
    auto metaPlace = [&](const MetaTileDiff &m) { return DiffPlace{index, DiffKind::MetaTile, -1, m.metaTile}; };
    auto tilePlace = [&](int t) { return DiffPlace{index, DiffKind::Tile, -1, t}; };
    auto palPlace = [&](const PaletteDiff &p) { return DiffPlace{index, DiffKind::PaletteEntry, -1, p.entry}; };
    auto ordinalOf = [&](auto place) {
        return [&s, place](const auto &e) {
            const DiffPlace p = place(e);
            return Ordinal(s, p.kind, p.frame, p.item);
        };
    };
    if (auto *c = Neighbour(d.cells, k, forward, ordinalOf(cellPlace)))
        consider(cellPlace(*c));
    if (auto *r = Neighbour(d.rooms, k, forward, ordinalOf(roomPlace)))
        consider(roomPlace(*r));
    if (auto *m = Neighbour(d.metaTiles, k, forward, ordinalOf(metaPlace)))
        consider(metaPlace(*m));
    if (auto *t = Neighbour(d.tiles, k, forward, ordinalOf(tilePlace)))
        consider(tilePlace(*t));
    if (auto *p = Neighbour(d.palette, k, forward, ordinalOf(palPlace)))
        consider(palPlace(*p));
    return best;
}

} // namespace

std::optional<DiffPlace> ImageDiff::first() const
{
    return next({-1});
}

std::optional<DiffPlace> ImageDiff::last() const
{
    return previous({StageCount});
}

std::optional<DiffPlace> ImageDiff::next(const DiffPlace &after) const
{
    return step(after, true);
}

std::optional<DiffPlace> ImageDiff::previous(const DiffPlace &before) const
{
    return step(before, false);
}

std::optional<DiffPlace> ImageDiff::step(const DiffPlace &from, bool forward) const
{
    if (forward ? from.stage >= StageCount : from.stage < 0)
        return std::nullopt;
    for (int s = std::clamp(from.stage, 0, StageCount - 1); s >= 0 && s < StageCount; s += forward ? 1 : -1) {
        const StageDiff &d = stages_[std::size_t(s)];
        const qint64 k = s == from.stage ? Ordinal(*d.stage, from.kind, from.frame, from.item)
                                         : (forward ? LLONG_MIN : LLONG_MAX);
        if (auto place = NearestInStage(d, s, k, forward))
            return place;
    }
    return std::nullopt;
}

} // namespace krelin
