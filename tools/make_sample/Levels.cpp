// The stages' level maps. Each stage is laid out as one strip: a ground line walked from
// left to right in runs of even height, with pits and steps between runs; then the
// things a player meets (blocks, stairs, ledges, ladders), then scenery into what space
// is left. Each stage has its own seed, so the maps are the same on every run.
#include "Levels.h"

#include "Pieces.h"
#include "Random.h"

#include "core/StageTable.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

namespace sample {

bool LevelMap::isFree(int row, int col, int rows, int cols) const
{
    for (int r = row; r < row + rows; ++r)
        for (int c = col; c < col + cols; ++c)
            if (!isFree(r, c))
                return false;
    return true;
}

std::vector<std::uint8_t> LevelMap::frameBytes() const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(cells.size());
    for (int frame = 0; frame < w / FrameColumns; ++frame)
        for (int row = 0; row < Rows; ++row)
            for (int col = 0; col < FrameColumns; ++col)
                bytes.push_back(at(row, frame * FrameColumns + col));
    return bytes;
}

namespace {

constexpr int Bottom = LevelMap::Rows - 1; // the lowest row
constexpr int NoGround = LevelMap::Rows;   // ground height of a pit

// A stretch of ground of one height.
struct Run
{
    int start, length, top;
    int end() const { return start + length; }
};

enum class PitFill { Empty, Water, Spikes };

struct Pit
{
    int start, width;
    PitFill fill;
};

struct Terrain
{
    std::vector<int> top; // row of the ground's surface in each column, NoGround over a pit
    std::vector<Run> runs;
    std::vector<Pit> pits;
};

struct TerrainStyle
{
    int highest = 10, lowest = 13; // rows the ground surface may lie on
    int startFlat = 10;            // columns of level ground at the stage's start
    int endFlat = 8;               // and at its end, where the next stage joins
    int joinRow = 0;               // the row of the ground at both ends; 0: the lowest
    int runMin = 4, runMax = 11;
    int pitChance = 35, pitMin = 2, pitMax = 3;
    int waterChance = 40, spikeChance = 0;
};

Terrain WalkTerrain(int width, const TerrainStyle &style, Random &rng)
{
    Terrain t;
    t.top.assign(std::size_t(width), NoGround);
    const int join = style.joinRow ? style.joinRow : style.lowest;
    int col = 0, level = join;
    bool first = true;
    while (col < width) {
        int length = first ? style.startFlat : rng.range(style.runMin, style.runMax);
        if (width - (col + length) < style.endFlat + style.runMin) { // the last run
            length = width - col;
            level = join;
        }
        for (int i = 0; i < length; ++i)
            t.top[std::size_t(col + i)] = level;
        t.runs.push_back({col, length, level});
        col += length;
        first = false;
        if (col >= width)
            break;
        if (rng.chance(style.pitChance)) {
            Pit pit{col, rng.range(style.pitMin, style.pitMax), PitFill::Empty};
            if (rng.chance(style.waterChance))
                pit.fill = PitFill::Water;
            else if (rng.chance(style.spikeChance))
                pit.fill = PitFill::Spikes;
            t.pits.push_back(pit);
            col += pit.width;
        }
        int step = rng.range(1, 2) * (rng.chance(50) ? 1 : -1);
        level = std::clamp(level + step, style.highest, style.lowest);
    }
    return t;
}

// Ground pieces for every column, with a rim wherever the ground has an open side.
void LayGround(LevelMap &map, const Terrain &t, bool deeper = true)
{
    const auto solid = [&](int row, int col) {
        if (col < 0 || col >= map.width())
            return true; // the stage goes on beyond its ends
        return t.top[std::size_t(col)] <= row;
    };
    for (int col = 0; col < map.width(); ++col)
        for (int row = t.top[std::size_t(col)]; row < LevelMap::Rows; ++row) {
            const bool openLeft = !solid(row, col - 1), openRight = !solid(row, col + 1);
            Piece piece = Ground;
            if (row == t.top[std::size_t(col)])
                piece = openLeft ? GroundTopLeft : openRight ? GroundTopRight : GroundTop;
            else if (openLeft)
                piece = GroundLeft;
            else if (openRight)
                piece = GroundRight;
            else if (deeper && row >= t.top[std::size_t(col)] + 3)
                piece = DeepGround;
            map.put(row, col, Meta(piece));
        }
}

void FillPits(LevelMap &map, const Terrain &t, int waterShift = 0)
{
    for (const Pit &pit : t.pits)
        for (int col = pit.start; col < pit.start + pit.width; ++col) {
            if (pit.fill == PitFill::Water) {
                map.put(Bottom - 1, col, Meta(WaterTop, waterShift));
                map.put(Bottom, col, Meta(Water, waterShift));
            } else if (pit.fill == PitFill::Spikes) {
                map.put(Bottom, col, Meta(Spikes));
            }
        }
}

int TopAt(const Terrain &t, int col)
{
    return col >= 0 && col < int(t.top.size()) ? t.top[std::size_t(col)] : NoGround;
}

bool FlatGround(const Terrain &t, int col, int cols, int top)
{
    for (int c = col; c < col + cols; ++c)
        if (TopAt(t, c) != top)
            return false;
    return true;
}

// ---- things placed on the map ------------------------------------------------------

void Row(LevelMap &map, int row, int col, int length, Piece left, Piece mid, Piece right, int shift = 0)
{
    for (int i = 0; i < length; ++i)
        map.put(row, col + i, Meta(i == 0 ? left : i == length - 1 ? right : mid, shift));
}

bool Cloud(LevelMap &map, int row, int col, int shift = 0)
{
    if (!map.isFree(row, col, 2, 2))
        return false;
    map.put(row, col, Meta(CloudTL, shift)), map.put(row, col + 1, Meta(CloudTR, shift));
    map.put(row + 1, col, Meta(CloudBL, shift)), map.put(row + 1, col + 1, Meta(CloudBR, shift));
    return true;
}

// A tree (mushroom, balloon) whose top spans rows row..row+1 and stem rows below.
bool Tree(LevelMap &map, int row, int col, int stem, int shift = 0)
{
    if (!map.isFree(row, col, 2 + stem, 2))
        return false;
    Cloud(map, row, col, 0); // reserve the cells, then set the tree pieces
    map.put(row, col, Meta(TreeTL, shift)), map.put(row, col + 1, Meta(TreeTR, shift));
    map.put(row + 1, col, Meta(TreeBL, shift)), map.put(row + 1, col + 1, Meta(TreeBR, shift));
    for (int i = 0; i < stem; ++i)
        map.put(row + 2 + i, col, Meta(TrunkLeft)), map.put(row + 2 + i, col + 1, Meta(TrunkRight));
    return true;
}

bool Bush(LevelMap &map, const Terrain &t, int col, int length, int shift = 0)
{
    const int top = TopAt(t, col);
    if (top >= NoGround || !FlatGround(t, col, length, top) || !map.isFree(top - 1, col, 1, length))
        return false;
    Row(map, top - 1, col, length, BushLeft, BushMid, BushRight, shift);
    return true;
}

// A hill of the given height (2 or 3 rows) standing on the ground.
bool Hill(LevelMap &map, const Terrain &t, int col, int height, int shift = 0)
{
    const int width = 2 * height - 1, top = TopAt(t, col);
    if (top >= NoGround || !FlatGround(t, col, width, top) || !map.isFree(top - height, col, height, width))
        return false;
    for (int level = 0; level < height; ++level) {
        const int row = top - 1 - level, from = col + level, to = col + width - 1 - level;
        if (from == to) {
            map.put(row, from, Meta(HillTop, shift));
            break;
        }
        for (int c = from; c <= to; ++c)
            map.put(row, c, Meta(c == from ? HillLeft : c == to ? HillRight : HillFill, shift));
    }
    return true;
}

bool Column(LevelMap &map, int topRow, int bottomRow, int col, int shift = 0)
{
    if (bottomRow - topRow < 1 || !map.isFree(topRow, col, bottomRow - topRow + 1, 1))
        return false;
    for (int row = topRow; row <= bottomRow; ++row)
        map.put(row, col, Meta(row == topRow ? PillarTop : row == bottomRow ? PillarBase : Pillar, shift));
    return true;
}

bool TwoHigh(LevelMap &map, int row, int col, Piece upper, Piece lower, int shift = 0)
{
    if (!map.isFree(row, col, 2, 1))
        return false;
    map.put(row, col, Meta(upper, shift));
    map.put(row + 1, col, Meta(lower, shift));
    return true;
}

// A row of bricks with bonus blocks among them.
void BlockRow(LevelMap &map, int row, int col, int length, Random &rng, int brickShift = 0)
{
    for (int i = 0; i < length; ++i) {
        const bool bonus = (i % 2 == 1 && rng.chance(60)) || (length == 1);
        map.putIfFree(row, col + i, Meta(bonus ? Bonus : Brick, bonus ? 0 : brickShift));
    }
}

// Steps of stone climbing to the right (or, with rising false, going down). The forest
// draws them in the bricks' colours: its earth colours end in grass green.
void Stairs(LevelMap &map, int groundTop, int col, int steps, bool rising, Piece block = Stone, int shift = 0)
{
    for (int i = 0; i < steps; ++i) {
        const int height = rising ? i + 1 : steps - i;
        for (int h = 0; h < height; ++h)
            map.putIfFree(groundTop - 1 - h, col + i, Meta(block, shift));
    }
}

void Ladder(LevelMap &map, int fromRow, int toRow, int col)
{
    for (int row = fromRow; row <= toRow; ++row)
        if (map.isFree(row, col) || (map.at(row, col) % 64) == PlatformMid || (map.at(row, col) % 64) == Brick)
            map.put(row, col, Meta(Piece::Ladder));
}

void Sprinkle(LevelMap &map, int rowFrom, int rowTo, int percent, Piece piece, Random &rng, int shift = 0)
{
    for (int col = 0; col < map.width(); ++col)
        for (int row = rowFrom; row <= rowTo; ++row)
            if (rng.chance(percent))
                map.putIfFree(row, col, Meta(piece, shift));
}

// ---- the stages ----------------------------------------------------------------------

// The forest: rolling ground, hills, bushes and trees, blocks to hit, logs over pits.
void Forest(LevelMap &map, Random &rng, bool signAtStart, bool castleAtEnd)
{
    TerrainStyle style;
    style.highest = 10;
    const Terrain t = WalkTerrain(map.width(), style, rng);
    LayGround(map, t);
    FillPits(map, t);

    // Stairs up to the edge of some pits and bridges or logs across others.
    for (const Pit &pit : t.pits) {
        const int left = TopAt(t, pit.start - 1), right = TopAt(t, pit.start + pit.width);
        if (left == right && rng.chance(45)) {
            Row(map, left, pit.start, pit.width, Bridge, Bridge, Bridge);
            continue;
        }
        const int row = std::min(left, right) - 3;
        if (rng.chance(60) && row >= 3) {
            Row(map, row, pit.start - 1, pit.width + 2, PlatformLeft, PlatformMid, PlatformRight);
            for (int i = 0; i < pit.width; ++i)
                map.putIfFree(row - 2, pit.start + i, Meta(Coin));
        } else if (rng.chance(50)) {
            Stairs(map, left, pit.start - 3, 3, true, Stone, 1);
        }
    }
    for (const Run &run : t.runs) {
        if (run.length >= 7 && run.top - 4 >= 3 && rng.chance(70)) {
            const int length = rng.range(1, std::min(5, run.length - 4)), col = run.start + rng.range(1, run.length - length - 1);
            BlockRow(map, run.top - 4, col, length, rng);
            if (run.top - 8 >= 1 && rng.chance(40))
                BlockRow(map, run.top - 8, col + length / 2, 1, rng);
        } else if (run.length >= 5 && rng.chance(40)) {
            const int col = run.start + rng.range(1, run.length - 4);
            for (int i = 0; i < 3; ++i)
                map.putIfFree(run.top - 3 - (i == 1), col + i, Meta(Coin));
        }
    }
    if (signAtStart) { // the opening screen: a signpost and a big hill behind it
        map.put(t.runs[0].top - 1, 3, Meta(Sign));
        Hill(map, t, 5, 3);
    }
    if (castleAtEnd) { // the gate of the castle the next stages lie in
        const int top = t.runs.back().top, right = map.width() - 1;
        Stairs(map, top, right - 11, 4, true, Stone, 1);
        Stairs(map, top, right - 7, 2, false, Stone, 1);
        for (int row = top - 6; row < top; ++row)
            for (int col = right - 4; col <= right; ++col)
                map.put(row, col, row == top - 6 ? Meta(WallTop, 1) : Meta(Brick));
        map.put(top - 2, right - 2, Meta(DoorTop)), map.put(top - 1, right - 2, Meta(DoorBottom));
        map.put(top - 4, right - 3, Meta(WindowTop)), map.put(top - 3, right - 3, Meta(WindowBottom));
        map.put(top - 4, right - 1, Meta(WindowTop)), map.put(top - 3, right - 1, Meta(WindowBottom));
        map.put(top - 2, right - 4, Meta(Torch)), map.put(top - 2, right, Meta(Torch));
    }

    // Scenery, back to front.
    for (const Run &run : t.runs) {
        int col = run.start + rng.range(0, 2);
        while (col < run.end() - 1) {
            const int pick = rng.range(0, 9);
            bool placed = false;
            if (pick < 2)
                placed = Hill(map, t, col, rng.chance(40) ? 3 : 2);
            else if (pick < 4)
                placed = Tree(map, run.top - 2 - rng.range(2, 3), col, 0) ? true : false;
            else if (pick < 6)
                placed = Bush(map, t, col, rng.range(3, 4));
            else if (pick < 7)
                placed = Bush(map, t, col, 2, 0);
            else if (pick < 8 && FlatGround(t, col, 3, run.top)) {
                for (int i = 0; i < 3; ++i)
                    map.putIfFree(run.top - 1, col + i, Meta(Fence));
                placed = true;
            } else if (pick < 9) {
                map.putIfFree(run.top - 1, col, Meta(Flowers));
            }
            col += placed ? rng.range(3, 5) : 1;
        }
    }
    // Trees need their trunks: fill in under every crown that stands above the ground.
    for (int col = 0; col + 1 < map.width(); ++col)
        for (int row = 0; row < LevelMap::Rows; ++row)
            if (map.at(row, col) == Meta(TreeBL) && map.at(row, col + 1) == Meta(TreeBR))
                for (int r = row + 1; r < TopAt(t, col) && map.isFree(r, col, 1, 2); ++r)
                    map.put(r, col, Meta(TrunkLeft)), map.put(r, col + 1, Meta(TrunkRight));

    for (int col = rng.range(0, 4); col < map.width(); col += rng.range(5, 9))
        Cloud(map, rng.range(1, 4), col, 0);
    for (int col = rng.range(0, 20); col < map.width(); col += rng.range(18, 30))
        map.putIfFree(rng.range(1, 5), col, Meta(Stars));
    if (signAtStart)
        map.putIfFree(1, 12, Meta(Orb));
}

// The castle's ramparts at night: towers, battlements, firs, mountains far behind.
void Ramparts(LevelMap &map, Random &rng)
{
    TerrainStyle style;
    style.highest = 11;
    style.spikeChance = 60;
    style.waterChance = 30;
    const Terrain t = WalkTerrain(map.width(), style, rng);
    LayGround(map, t);
    FillPits(map, t);

    for (const Run &run : t.runs) {
        if (run.length >= 6 && rng.chance(60)) { // a tower
            const int width = rng.range(2, 4), height = rng.range(4, 7);
            const int col = run.start + rng.range(1, run.length - width - 1), top = run.top - height;
            if (top < 2)
                continue;
            for (int row = top; row < run.top; ++row)
                for (int c = col; c < col + width; ++c)
                    map.put(row, c, Meta(row == top ? WallTop : rng.chance(10) ? CrackedBrick : Brick));
            if (height >= 5)
                map.put(top + 1, col + width / 2, Meta(WindowTop)), map.put(top + 2, col + width / 2, Meta(WindowBottom));
            if (rng.chance(50))
                map.put(top - 1, col, Meta(Torch));
        } else if (run.length >= 5 && rng.chance(50)) {
            const int col = run.start + rng.range(1, run.length - 4);
            Row(map, run.top - 4, col, 3, PlatformLeft, PlatformMid, PlatformRight);
            map.putIfFree(run.top - 5, col + 1, Meta(Bonus));
        }
    }
    for (const Pit &pit : t.pits) {
        const int row = std::min(TopAt(t, pit.start - 1), TopAt(t, pit.start + pit.width)) - 3;
        if (rng.chance(50) && row > 3)
            Row(map, row, pit.start, pit.width, PlatformLeft, PlatformMid, PlatformRight);
    }
    for (const Run &run : t.runs) {
        int col = run.start + rng.range(0, 2);
        while (col < run.end() - 1) {
            const int pick = rng.range(0, 9);
            bool placed = false;
            if (pick < 3)
                placed = Hill(map, t, col, rng.chance(50) ? 3 : 2);
            else if (pick < 5)
                placed = Tree(map, run.top - 2 - rng.range(1, 2), col, 0);
            else if (pick < 6)
                placed = Column(map, run.top - rng.range(2, 4), run.top - 1, col);
            else if (pick < 7 && FlatGround(t, col, 2, run.top)) {
                map.putIfFree(run.top - 1, col, Meta(Fence)), map.putIfFree(run.top - 1, col + 1, Meta(Fence));
                placed = true;
            } else if (pick < 8) {
                placed = TwoHigh(map, run.top - 3, col, Torch, Pole);
                map.putIfFree(run.top - 1, col, Meta(Pole));
            } else if (pick < 9) {
                map.putIfFree(run.top - 1, col, Meta(Bones));
            }
            col += placed ? rng.range(2, 4) : 1;
        }
    }
    for (int col = 0; col + 1 < map.width(); ++col)
        for (int row = 0; row < LevelMap::Rows; ++row)
            if (map.at(row, col) == Meta(TreeBL))
                for (int r = row + 1; r < TopAt(t, col) && map.isFree(r, col, 1, 2); ++r)
                    map.put(r, col, Meta(TrunkLeft)), map.put(r, col + 1, Meta(TrunkRight));
    for (int col = 8; col < map.width(); col += rng.range(36, 52))
        map.putIfFree(rng.range(1, 2), col, Meta(Orb));
    for (int col = rng.range(0, 9); col < map.width(); col += rng.range(9, 15))
        Cloud(map, rng.range(1, 4), col);
    Sprinkle(map, 0, 6, 6, Stars, rng);
}

// Inside the castle: a vaulted hall with pillars, windows, torches, upper floors reached by
// ladders, spikes and water below; the wall is behind everything.
void CastleHall(LevelMap &map, Random &rng, bool throneRoom)
{
    TerrainStyle style;
    style.highest = 12;
    style.lowest = 13;
    style.spikeChance = 70;
    style.waterChance = 35;
    style.runMin = 5;
    if (throneRoom)
        style.pitChance = 0;
    const Terrain t = WalkTerrain(map.width(), style, rng);
    LayGround(map, t, false);
    FillPits(map, t);
    for (int col = 0; col < map.width(); ++col) {
        map.put(0, col, Meta(Brick, 0));
        map.put(1, col, Meta(col % 7 == 3 ? CrackedBrick : Brick));
    }

    if (throneRoom) { // one hall, the same on both sides
        const int top = t.top[0];
        for (int col : {1, 14})
            Column(map, 2, top - 1, col);
        for (int col : {4, 11}) {
            map.put(3, col, Meta(WindowTop)), map.put(4, col, Meta(WindowBottom));
            map.put(7, col, Meta(Torch));
        }
        Row(map, 8, 6, 4, Brick, Brick, Brick);
        map.put(7, 7, Meta(Bonus)), map.put(7, 8, Meta(Bonus));
        for (int col : {7, 8}) // lamps hanging on chains
            map.put(2, col, Meta(Chain)), map.put(3, col, Meta(Chain)), map.put(4, col, Meta(Torch));
        Stairs(map, top, 5, 2, true);
        Stairs(map, top, 9, 2, false);
        map.put(top - 2, 15, Meta(DoorTop)), map.put(top - 1, 15, Meta(DoorBottom));
        map.put(top - 1, 3, Meta(Bones)), map.put(top - 1, 12, Meta(Bones));
    } else {
        for (const Run &run : t.runs) {
            if (run.length >= 8 && rng.chance(65)) { // an upper floor with a ladder up to it
                const int length = rng.range(4, std::min(8, run.length - 2)), col = run.start + rng.range(1, run.length - length - 1);
                const int row = run.top - 4;
                for (int c = col; c < col + length; ++c)
                    map.put(row, c, Meta(Brick));
                Ladder(map, row, run.top - 1, rng.chance(50) ? col : col + length - 1);
                if (rng.chance(60))
                    map.putIfFree(row - 4, col + length / 2, Meta(Bonus));
                if (rng.chance(50))
                    map.putIfFree(row - 1, col + 1, Meta(Crate));
            } else if (run.length >= 4 && rng.chance(50)) {
                const int col = run.start + rng.range(1, run.length - 3);
                BlockRow(map, run.top - 4, col, rng.range(2, 3), rng);
            }
            if (rng.chance(35) && run.length >= 3) {
                const int col = run.start + rng.range(0, run.length - 1);
                TwoHigh(map, run.top - 2, col, DoorTop, DoorBottom);
            }
        }
        for (const Pit &pit : t.pits) {
            const int row = std::min(TopAt(t, pit.start - 1), TopAt(t, pit.start + pit.width)) - 3;
            if (rng.chance(55))
                Row(map, row, pit.start, pit.width, Brick, Brick, Brick);
        }
        for (int col = rng.range(1, 4); col < map.width(); col += rng.range(5, 8)) {
            const int top = TopAt(t, col);
            if (top < NoGround && rng.chance(60))
                Column(map, 2, top - 1, col);
        }
        for (int col = rng.range(0, 3); col < map.width(); col += rng.range(3, 6)) {
            const int row = rng.chance(70) ? 3 : 6;
            if (TwoHigh(map, row, col, WindowTop, WindowBottom) && rng.chance(60))
                map.putIfFree(row + 1, col + 2, Meta(Torch));
        }
        for (int col = 0; col < map.width(); ++col)
            if (rng.chance(6) && map.isFree(2, col, 2, 1)) {
                map.put(2, col, Meta(Chain));
                map.put(3, col, Meta(rng.chance(50) ? Chain : Torch));
            }
        for (int col = 0; col < map.width(); ++col)
            if (TopAt(t, col) < NoGround && rng.chance(8))
                map.putIfFree(TopAt(t, col) - 1, col, Meta(Bones));
    }
    for (int row = 2; row < LevelMap::Rows; ++row)
        for (int col = 0; col < map.width(); ++col)
            map.putIfFree(row, col, Meta(Wall));
}

struct CaveStyle
{
    bool flooded = false; // wide pools crossed by bridges and boards
    bool molten = false;  // spikes and bones; the palette makes the pools glow
};

// The mines: a rock ceiling, uneven floor, pools, timber props, boards and ladders.
void Cave(LevelMap &map, Random &rng, CaveStyle cave)
{
    TerrainStyle style;
    style.highest = 9;
    style.lowest = cave.flooded ? 13 : 12;
    style.joinRow = 12; // where the dry galleries on either side meet it
    style.pitChance = cave.flooded ? 70 : 40;
    style.pitMax = cave.flooded ? 5 : 3;
    style.waterChance = cave.molten ? 100 : 70;
    style.spikeChance = 100;
    style.runMin = cave.flooded ? 3 : 4;
    style.runMax = cave.flooded ? 7 : 10;
    Terrain t = WalkTerrain(map.width(), style, rng);
    LayGround(map, t);
    // Pools: the water stands one row below the lower rim of a pit; in the flooded
    // galleries it stands at one level everywhere and covers the lowest ground too.
    constexpr int FloodLine = 11;
    const auto underWater = [&](const Run &run) { return cave.flooded && run.top > FloodLine; };
    if (cave.flooded)
        for (int col = 0; col < map.width(); ++col)
            for (int row = FloodLine; row <= Bottom; ++row)
                map.putIfFree(row, col, Meta(row == FloodLine ? WaterTop : Water));
    for (const Pit &pit : t.pits) {
        const int surface = cave.flooded ? FloodLine : std::max(TopAt(t, pit.start - 1), TopAt(t, pit.start + pit.width)) + 1;
        for (int col = pit.start; col < pit.start + pit.width; ++col) {
            if (pit.fill == PitFill::Spikes) {
                map.put(Bottom, col, Meta(Spikes));
                continue;
            }
            for (int row = std::min(surface, Bottom); row <= Bottom; ++row)
                if (map.isFree(row, col) || !cave.flooded)
                    map.put(row, col, Meta(row == std::min(surface, Bottom) ? WaterTop : Water));
        }
        const int across = std::min(TopAt(t, pit.start - 1), TopAt(t, pit.start + pit.width));
        if (cave.flooded && TopAt(t, pit.start - 1) == TopAt(t, pit.start + pit.width) && across < FloodLine)
            Row(map, across, pit.start, pit.width, Bridge, Bridge, Bridge);
        else if (pit.width >= 3 || rng.chance(50))
            Row(map, across - 2, pit.start, pit.width, PlatformLeft, PlatformMid, PlatformRight);
    }

    // The ceiling: one to three rows of rock with a ragged underside.
    std::vector<int> ceiling(std::size_t(map.width()));
    for (int col = 0, depth = 1; col < map.width();) {
        const int run = rng.range(3, 8);
        for (int i = 0; i < run && col < map.width(); ++i, ++col) {
            ceiling[std::size_t(col)] = depth;
            for (int row = 0; row < depth; ++row)
                map.put(row, col, Meta(row == depth - 1 ? CeilingBottom : DeepGround));
        }
        depth = std::clamp(depth + rng.range(-1, 1), 1, 3);
    }
    const auto below = [&](int col) { return ceiling[std::size_t(std::clamp(col, 0, map.width() - 1))]; };

    for (const Run &run : t.runs) {
        if (underWater(run)) { // boards to hop along above the water
            for (int col = run.start + rng.range(0, 1); col + 3 <= run.end(); col += rng.range(5, 7)) {
                const int row = FloodLine - 2 - rng.range(0, 2);
                Row(map, row, col, 3, PlatformLeft, PlatformMid, PlatformRight);
                map.putIfFree(row - 2, col + 1, Meta(Coin));
            }
            continue;
        }
        if (run.length >= 7 && rng.chance(60)) { // a board up on the wall with a ladder
            const int length = rng.range(3, 5), col = run.start + rng.range(1, run.length - length - 1);
            const int row = run.top - 4;
            if (row > below(col) + 1) {
                Row(map, row, col, length, PlatformLeft, PlatformMid, PlatformRight);
                Ladder(map, row, run.top - 1, col + (rng.chance(50) ? 0 : length - 1));
                for (int i = 1; i < length - 1; ++i)
                    map.putIfFree(row - 1, col + i, Meta(rng.chance(50) ? Crate : Coin));
            }
        } else if (run.length >= 5 && rng.chance(55)) {
            const int col = run.start + rng.range(1, run.length - 3);
            if (run.top - 4 > below(col) + 1)
                BlockRow(map, run.top - 4, col, rng.range(1, 3), rng);
        }
    }
    // Timber props holding the roof up, with a lamp or torch here and there.
    for (int col = rng.range(2, 5); col < map.width(); col += rng.range(6, 10)) {
        const int top = TopAt(t, col);
        if (top >= NoGround)
            continue;
        if (Column(map, below(col), top - 1, col) && rng.chance(50))
            map.putIfFree(below(col) + 2, col + 1, Meta(Torch));
    }
    for (const Run &run : t.runs) {
        if (underWater(run))
            continue;
        int col = run.start + rng.range(0, 2);
        while (col < run.end() - 1) {
            const int pick = rng.range(0, 11);
            bool placed = false;
            const int room = run.top - below(col);
            if (pick < 2 && room >= 4)
                placed = Cloud(map, run.top - 2, col); // a crystal cluster
            else if (pick < 4 && room >= 5)
                placed = Tree(map, run.top - 2 - rng.range(1, 2), col, 0); // a giant mushroom
            else if (pick < 5)
                placed = Bush(map, t, col, rng.range(2, 3)); // a rubble heap
            else if (pick < 6) {
                map.putIfFree(run.top - 1, col, Meta(Crate));
                if (rng.chance(40))
                    map.putIfFree(run.top - 2, col, Meta(Crate));
            } else if (pick < 7)
                map.putIfFree(run.top - 1, col, Meta(Boulder));
            else if (pick < 9)
                map.putIfFree(run.top - 1, col, Meta(cave.molten ? Bones : Flowers));
            else if (pick < 10 && cave.molten)
                map.putIfFree(run.top - 1, col, Meta(Spikes));
            col += placed ? rng.range(3, 4) : rng.range(1, 2);
        }
    }
    for (int col = 0; col + 1 < map.width(); ++col)
        for (int row = 0; row < LevelMap::Rows; ++row)
            if (map.at(row, col) == Meta(TreeBL))
                for (int r = row + 1; r < TopAt(t, col) && map.isFree(r, col, 1, 2); ++r)
                    map.put(r, col, Meta(TrunkLeft)), map.put(r, col + 1, Meta(TrunkRight));
    for (int col = 0; col < map.width(); ++col) {
        if (rng.chance(22))
            map.putIfFree(below(col), col, Meta(Stalactite));
        else if (rng.chance(5))
            map.putIfFree(below(col), col, Meta(Stars));
        else if (rng.chance(4) && map.isFree(below(col), col, 2, 1))
            map.put(below(col), col, Meta(Orb));
    }
    Sprinkle(map, 1, 12, 7, Wall, rng);
}

struct SkyStyle
{
    bool hull = false;  // one long ship's deck instead of islands
    bool arena = false; // a single closed platform
};

// The sky fortress at sunset: metal decks on props and girders above a sea of cloud.
void SkyFortress(LevelMap &map, Random &rng, SkyStyle sky)
{
    const int width = map.width();
    // The cloud sea, with cloud mountains rising from it.
    Terrain sea;
    sea.top.assign(std::size_t(width), Bottom);
    for (int col = 0; col < width; ++col) {
        map.put(Bottom - 1, col, Meta(BushMid));
        map.put(Bottom, col, Meta(HillFill));
    }
    if (sky.arena) {
        for (int col = 0; col < width; ++col) {
            map.put(10, col, Meta(GroundTop));
            map.put(11, col, Meta(Ground));
            map.put(12, col, Meta(Brick));
        }
        for (int col : {2, 13})
            Column(map, 3, 9, col);
        for (int col : {4, 11})
            map.put(9, col, Meta(Pole)), map.put(8, col, Meta(Torch));
        for (int col : {5, 6, 9, 10})
            map.put(9, col, Meta(Fence));
        Row(map, 6, 6, 4, PlatformLeft, PlatformMid, PlatformRight);
        map.put(5, 7, Meta(Bonus)), map.put(5, 8, Meta(Bonus));
        map.put(3, 7, Meta(Orb));
        Cloud(map, 1, 0), Cloud(map, 2, 10);
        Sprinkle(map, 0, 5, 4, Stars, rng);
        return;
    }

    int col = 0, previousDeck = 10;
    while (col < width) {
        const bool last = width - col < 20;
        int length = sky.hull ? rng.range(12, 20) : rng.range(5, 10);
        if (col == 0)
            length = std::max(length, 8);
        if (last)
            length = width - col;
        int deck = sky.hull ? rng.range(9, 10) : rng.range(6, 9);
        if (!sky.hull && deck >= previousDeck - 1 && deck <= previousDeck + 1)
            deck = previousDeck >= 8 ? previousDeck - 2 - rng.range(0, 1) : previousDeck + 2;
        if (col == 0 || last)
            deck = 10;
        previousDeck = deck;
        const int end = std::min(width, col + length);
        for (int c = col; c < end; ++c) {
            const bool left = c == col && col != 0, right = c == end - 1 && !last;
            map.put(deck, c, Meta(left ? GroundTopLeft : right ? GroundTopRight : GroundTop));
            if (sky.hull) {
                for (int row = deck + 1; row < Bottom - 1; ++row)
                    map.put(row, c, Meta(Brick));
                if ((c - col) % 4 == 2 && deck + 2 < Bottom - 2)
                    map.put(deck + 1, c, Meta(WindowTop)), map.put(deck + 2, c, Meta(WindowBottom));
            } else {
                map.put(deck + 1, c, Meta(left ? GroundLeft : right ? GroundRight : Ground));
            }
        }
        if (!sky.hull) // props down into the clouds
            for (int c : {col + 1, end - 2})
                if (c > col && c < end - 1 && deck + 2 < Bottom - 1)
                    Column(map, deck + 2, Bottom - 2, c);
        // On the deck: lamps, railings, crates, blocks above.
        for (int c = col + 1; c < end - 1; ++c) {
            const int pick = rng.range(0, 11);
            if (pick == 0)
                TwoHigh(map, deck - 2, c, Torch, Pole);
            else if (pick <= 2)
                map.putIfFree(deck - 1, c, Meta(Fence));
            else if (pick == 3)
                map.putIfFree(deck - 1, c, Meta(Crate));
            else if (pick == 4)
                map.putIfFree(deck - 1, c, Meta(Flowers));
            else if (pick == 5 && deck - 4 >= 2)
                BlockRow(map, deck - 4, c, rng.range(1, 3), rng);
        }
        if (sky.hull && rng.chance(60)) { // a mast with a lookout
            const int c = col + rng.range(2, std::max(2, length - 3));
            for (int row = 2; row < deck; ++row)
                map.putIfFree(row, c, Meta(Pole));
            Row(map, 3, c - 1, 3, PlatformLeft, PlatformMid, PlatformRight);
        }
        col = end;
        if (col >= width)
            break;
        // A gap to the next deck, perhaps with a girder or a hanging board across it.
        const int gap = rng.range(2, 4);
        const int g = rng.range(0, 2);
        if (g == 0) {
            for (int c = col; c < col + gap && c < width; ++c)
                map.putIfFree(deck, c, Meta(Girder));
        } else if (g == 1 && deck > 4) {
            const int row = deck - 2;
            for (int c = col; c < col + gap && c < width; ++c)
                map.putIfFree(row, c, Meta(PlatformMid));
            for (int r = 0; r < row; ++r)
                map.putIfFree(r, col, Meta(Chain));
        } else {
            for (int c = col; c < col + gap && c < width; ++c)
                map.putIfFree(deck - 2, c, Meta(Coin));
        }
        col += gap;
    }
    for (int c = rng.range(3, 8); c < width; c += rng.range(10, 18))
        Tree(map, rng.range(1, 4), c, 1); // balloons
    for (int c = 6; c < width; c += rng.range(40, 56))
        map.putIfFree(rng.range(2, 3), c, Meta(Orb));
    for (int c = rng.range(0, 6); c < width; c += rng.range(5, 9))
        Cloud(map, rng.range(0, 6), c, rng.chance(30) ? 1 : 0);
    Sprinkle(map, 0, 3, 3, Stars, rng);
}

} // namespace

std::vector<LevelMap> BuildLevels()
{
    std::vector<LevelMap> maps;
    for (const krelin::Stage &stage : krelin::StageTable) {
        LevelMap map(stage.Frames);
        std::uint64_t seed = 0x5A4D504C45ull;
        for (const char *p = stage.name; *p; ++p)
            seed = seed * 131 + std::uint64_t(*p);
        Random rng(seed);
        const auto is = [&](const char *name) { return std::strcmp(stage.name, name) == 0; };
        if (is("1A") || is("1B") || is("1C"))
            Forest(map, rng, is("1A"), is("1C"));
        else if (is("2A"))
            Ramparts(map, rng);
        else if (is("2B") || is("2C"))
            CastleHall(map, rng, is("2C"));
        else if (is("3") || is("4A") || is("4B"))
            Cave(map, rng, CaveStyle{is("4A"), is("4B")});
        else if (is("5") || is("6") || is("7"))
            SkyFortress(map, rng, SkyStyle{is("6"), is("7")});
        else
            throw std::logic_error(std::string("no layout for stage ") + stage.name);
        maps.push_back(map);
    }
    return maps;
}

} // namespace sample
