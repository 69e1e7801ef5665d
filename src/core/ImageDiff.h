#pragma once

#include "ImageLayout.h"
#include "StageTable.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace krelin {

// What differs between two cartridge images A and B, in the editor's terms: for each stage
// the cells, rooms, metatiles, tiles and palette entries that read differently, and the
// differing bytes that no stage reads ("other"). A byte that several stages read counts
// under each of them.
//
// A stage is compared only when its data fits both images (see StageFitProblem); a stage
// that does not fit one of them is left out, and the differing bytes it reads count as
// other unless a compared stage reads them too. Bytes past the end of the shorter image
// are always other.
//
// The comparison keeps copies of the differing values and no reference to the images, so
// it outlives them. After an edit of either image, update() with the bytes that changed
// brings it up to date at a cost that depends on those bytes only.

struct CellDiff
{
    int frame = 0;
    int row = 0;
    int column = 0;
    std::uint8_t a = 0, b = 0; // the metatile numbers in the cell

    bool operator==(const CellDiff &) const = default;
};

struct RoomDiff
{
    int frame = 0;
    std::uint8_t a = 0, b = 0;

    bool operator==(const RoomDiff &) const = default;
};

// A metatile as the table shows it: the tile numbers of its four quadrants (top-left,
// top-right, bottom-left, bottom-right) and its sub-palette.
struct MetaTileBytes
{
    std::array<std::uint8_t, MetaTileRecordBytes> tiles{};
    std::uint8_t subPalette = 0;

    bool operator==(const MetaTileBytes &) const = default;
};

struct MetaTileDiff
{
    int metaTile = 0;
    MetaTileBytes a, b;

    bool operator==(const MetaTileDiff &) const = default;
};

struct PaletteDiff
{
    int entry = 0; // 0..15; entries 4p..4p+3 are sub-palette p
    std::uint8_t a = 0, b = 0;

    bool operator==(const PaletteDiff &) const = default;
};

// One stage's differences, each list in ascending order.
struct StageDiff
{
    const Stage *stage = nullptr;
    bool compared = false; // false: its data does not fit both images
    std::vector<CellDiff> cells; // by frame, row, column
    std::vector<RoomDiff> rooms; // by frame
    std::vector<MetaTileDiff> metaTiles;
    std::vector<int> tiles; // tile numbers whose 16 bytes differ
    std::vector<PaletteDiff> palette;

    bool isEmpty() const;
    // The number of differing items of all kinds.
    qsizetype count() const;
    // The differing cells of one frame, by row and column.
    std::span<const CellDiff> cellsOfFrame(int frame) const;
    bool roomDiffers(int frame) const;
    // The frames with a differing cell or room, ascending.
    std::vector<int> frames() const;
    bool metaTileDiffers(int metaTile) const;
    bool tileDiffers(int tile) const;

    bool operator==(const StageDiff &) const = default;
};

enum class DiffKind { Cell, Room, MetaTile, Tile, PaletteEntry };

// One difference, as a window goes to it. The differences of a stage are walked frame by
// frame (a frame's cells by row and column, then its room), then its metatiles, its tiles
// and its palette entries; the stages in table order.
struct DiffPlace
{
    int stage = 0; // index into StageTable
    DiffKind kind = DiffKind::Cell;
    int frame = -1; // cells and rooms
    int item = 0; // a cell's 16 row + column; the metatile, tile or palette entry; 0 for a room

    bool operator==(const DiffPlace &) const = default;
};

class ImageDiff
{
public:
    using Bytes = std::span<const std::uint8_t>;

    ImageDiff() { compare({}, {}); } // two empty images: identical
    ImageDiff(Bytes a, Bytes b) { compare(a, b); }

    // Compares the two images afresh.
    void compare(Bytes a, Bytes b);
    // a and b as they are now, where only the bytes in changed (of either image) may have
    // changed since the last compare() or update(). Images of another size than before are
    // compared afresh.
    void update(Bytes a, Bytes b, ByteRange changed);

    qint64 sizeA() const { return sizeA_; }
    qint64 sizeB() const { return sizeB_; }
    bool identical() const;

    // Every stage of the table, in its order, listed or not.
    const std::array<StageDiff, StageCount> &stages() const { return stages_; }
    const StageDiff &stage(int index) const { return stages_[std::size_t(index)]; }
    // The stages with a difference, in table order.
    std::vector<const StageDiff *> differingStages() const;
    // The stages not compared because their data does not fit both images.
    std::vector<const Stage *> stagesNotCompared() const;
    // Differing bytes that no compared stage reads, ascending and apart, ending with those
    // past the shorter image.
    std::vector<ByteRange> other() const;

    // Walking the differences in order; nothing when there is none before or after.
    // A place need not be a difference itself: from {stage, Cell, frame, -1} next() gives
    // the first difference of that frame or after it.
    std::optional<DiffPlace> first() const;
    std::optional<DiffPlace> last() const;
    std::optional<DiffPlace> next(const DiffPlace &after) const;
    std::optional<DiffPlace> previous(const DiffPlace &before) const;

    bool operator==(const ImageDiff &) const = default;

private:
    void refreshStage(StageDiff &diff, Bytes a, Bytes b, ByteRange bytes);
    void refreshOther(Bytes a, Bytes b, ByteRange bytes);
    std::optional<DiffPlace> step(const DiffPlace &from, bool forward) const;

    qint64 sizeA_ = 0, sizeB_ = 0;
    std::array<StageDiff, StageCount> stages_{};
    std::vector<ByteRange> read_; // what the compared stages read, ascending and apart
    std::vector<ByteRange> other_; // differing bytes within both images that none reads
};

} // namespace krelin
