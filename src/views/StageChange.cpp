#include "StageChange.h"

#include "core/modKrelin.h"

namespace krelin {

namespace {

// Sets bits [first, last] of a bitset for the items of size bytes from start that the
// range overlaps.
template<std::size_t N>
void markItems(std::bitset<N> &marks, qint64 start, int size, const ByteRange &range)
{
    const ByteRange table{start, qint64(size) * qint64(N)};
    const ByteRange hit = table.intersected(range);
    if (hit.isEmpty())
        return;
    const auto first = std::size_t((hit.offset - start) / size), last = std::size_t((hit.end() - 1 - start) / size);
    for (std::size_t i = first; i <= last; ++i)
        marks.set(i);
}

} // namespace

StageChange ChangedParts(const modKrelin &model, int frame, const ByteRange &range)
{
    StageChange change;
    markItems(change.cells, FrameOffset(model, frame), 1, range);
    markItems(change.metaTiles, model.MetaTileOffset, MetaTileRecordBytes, range);
    markItems(change.metaTiles, model.MetaPalOffset, 1, range);
    change.palette = PaletteRange(model).overlaps(range);
    change.room = range.contains(FrameRoomOffset(model, frame));

    std::bitset<TilesPerBank> tiles;
    markItems(tiles, model.ChrOffset, TileBytes, range);
    if (tiles.any()) {
        for (int n = 0; n < MetaTileCount; ++n)
            for (int q = 0; q < 4; ++q)
                if (tiles.test(model.byteAt(QuadrantTileOffset(model, n, q))))
                    change.metaTiles.set(std::size_t(n));
    }
    return change;
}

} // namespace krelin
