// The tile art of the four banks. Colour 0 is the backdrop, 1 the darkest shade of a
// sub-palette and 3 the lightest, so every piece reads the same in any sub-palette.
#include "TileArt.h"

#include "Random.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <tuple>

namespace sample {

int DefaultSubPalette(Piece piece)
{
    switch (piece) {
    case Brick: case Bonus: case UsedBlock: case CrackedBrick: case PlatformLeft: case PlatformMid:
    case PlatformRight: case TrunkLeft: case TrunkRight: case Ladder: case Torch: case DoorTop:
    case DoorBottom: case Fence: case Sign: case Crate: case Bridge: case Coin:
        return 1;
    case CloudTL: case CloudTR: case CloudBL: case CloudBR: case WaterTop: case Water: case Orb:
    case Stars: case Bones: case Spikes: case WindowTop: case WindowBottom:
        return 2;
    case BushLeft: case BushMid: case BushRight: case TreeTL: case TreeTR: case TreeBL: case TreeBR:
    case HillLeft: case HillRight: case HillTop: case HillFill: case Flowers: case Vine:
        return 3;
    default:
        return 0;
    }
}

namespace {

constexpr int N = 16; // a piece is N x N pixels

// Light on the top and left edges, shadow on the bottom and right: a raised block.
void Bevel(Canvas &c, int x0, int y0, int w, int h, int band)
{
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int top = y, left = x, bottom = h - 1 - y, right = w - 1 - x;
            const int nearest = std::min({top, left, bottom, right});
            int colour = 2;
            if (nearest < band)
                colour = (nearest == bottom || nearest == right) ? 1 : 3;
            c.set(x0 + x, y0 + y, colour);
        }
}

// Stones of irregular outline: every pixel belongs to its nearest seed, measured around
// the edges so that the piece repeats without a seam; joints are dark, with a lit rim
// under each joint.
void Cobbles(Canvas &c, int y0, int seeds, Random &rng, int flecks)
{
    struct Seed { int x, y; };
    std::vector<Seed> s;
    for (int i = 0; i < seeds; ++i)
        s.push_back({rng.range(0, N - 1), rng.range(0, N - 1)});
    const auto owner = [&](int x, int y) {
        int best = 0, bestD = 1 << 30;
        for (int i = 0; i < int(s.size()); ++i) {
            int dx = std::abs(((x % N) + N) % N - s[std::size_t(i)].x);
            int dy = std::abs(((y % N) + N) % N - s[std::size_t(i)].y);
            dx = std::min(dx, N - dx);
            dy = std::min(dy, N - dy);
            const int d = dx * dx + dy * dy * 2;
            if (d < bestD)
                bestD = d, best = i;
        }
        return best;
    };
    for (int y = y0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const int o = owner(x, y);
            int colour = 2;
            if (o != owner(x + 1, y) || o != owner(x, y + 1))
                colour = 1;
            else if (o != owner(x, y - 1) || o != owner(x - 1, y))
                colour = 3;
            else if (rng.range(0, 99) < flecks)
                colour = 1;
            c.set(x, y, colour);
        }
}

void Dirt(Canvas &c, int y0, Random &rng, bool deep)
{
    c.fill(0, y0, N, N - y0, 2);
    const int pebbles = deep ? 16 : 9;
    for (int i = 0; i < pebbles; ++i) {
        const int x = rng.range(0, N - 1), y = rng.range(y0, N - 1);
        switch (rng.range(0, 3)) {
        case 0: c.hline(x, std::min(x + 1, N - 1), y, 1); break;
        case 1: c.vline(x, y, std::min(y + 1, N - 1), 1); break;
        case 2: c.set(x, y, 1); break;
        default:
            c.set(x, y, 1);
            c.set(std::min(x + 1, N - 1), y, 1);
            c.set(x, std::min(y + 1, N - 1), 1);
        }
    }
}

// A riveted metal plate.
void Plate(Canvas &c, int y0, bool deep)
{
    Bevel(c, 0, y0, N, N - y0, 1);
    for (int ry : {y0 + 3, N - 4})
        for (int rx : {3, N - 4}) {
            c.set(rx, ry, 3);
            c.set(rx + 1, ry + 1, 1);
        }
    if (deep)
        for (int y = y0 + 3; y < N - 3; y += 3) {
            c.hline(5, N - 6, y, 1);
            c.hline(5, N - 6, y + 1, 3);
        }
}

void GroundTexture(Canvas &c, Theme theme, int y0, Random &rng, bool deep = false)
{
    switch (theme) {
    case Theme::Forest: Dirt(c, y0, rng, deep); break;
    case Theme::Castle: Cobbles(c, y0, deep ? 9 : 6, rng, deep ? 12 : 3); break;
    case Theme::Mine: Cobbles(c, y0, deep ? 5 : 3, rng, deep ? 10 : 4); break;
    case Theme::SkyFort: Plate(c, y0, deep); break;
    }
}

// The walkable top of the ground.
void GroundCap(Canvas &c, Theme theme, Random &rng)
{
    switch (theme) {
    case Theme::Forest:
        for (int x = 0; x < N; ++x) {
            const int depth = 4 + (x % 5 == 1 ? 1 : 0) - (x % 7 == 4 ? 1 : 0);
            c.vline(x, 0, depth - 1, 3);
            c.set(x, depth, 1);
            if (x % 4 == 2)
                c.set(x, 0, 0);
            if (x % 6 == 3)
                c.set(x, 2, 2);
        }
        break;
    case Theme::Castle:
        c.hline(0, N - 1, 0, 3);
        c.fill(0, 1, N, 3, 2);
        c.hline(0, N - 1, 4, 1);
        c.vline(7, 1, 3, 1);
        c.vline(15, 1, 3, 1);
        c.set(3, 2, 3);
        c.set(11, 1, 3);
        break;
    case Theme::Mine:
        for (int x = 0; x < N; ++x) {
            const int rough = rng.range(0, 3) == 0 ? 1 : 0;
            if (rough)
                c.set(x, 0, 0);
            c.set(x, rough, 3);
            c.set(x, rough + 1, rng.chance(50) ? 3 : 2);
        }
        break;
    case Theme::SkyFort:
        c.hline(0, N - 1, 0, 3);
        c.hline(0, N - 1, 1, 3);
        c.hline(0, N - 1, 2, 1);
        for (int y = 3; y < 6; ++y)
            for (int x = 0; x < N; ++x)
                c.set(x, y, (x + y) % 6 < 3 ? 3 : 1);
        c.hline(0, N - 1, 6, 1);
        break;
    }
}

// The open side of a stretch of ground: the backdrop beyond it, a dark rim along it.
void GroundEdge(Canvas &c, bool left, bool top, Theme theme, Random &rng)
{
    for (int y = 0; y < N; ++y) {
        int cut = 0;
        if (theme == Theme::Forest || theme == Theme::Mine)
            cut = rng.chance(30) ? 1 : 0;
        if (top && y == 0)
            cut = 2;
        if (top && y == 1)
            cut = std::max(cut, 1);
        for (int i = 0; i < cut; ++i)
            c.set(left ? i : N - 1 - i, y, 0);
        c.set(left ? cut : N - 1 - cut, y, 1);
    }
}

void Bricks(Canvas &c, Theme theme, Random &rng)
{
    switch (theme) {
    case Theme::Forest:
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                const int course = y / 4, offset = (course % 2) * 4;
                const int bx = (x + offset) % 8, by = y % 4;
                int colour = 2;
                if (by == 3 || bx == 7)
                    colour = 1;
                else if (by == 0 && bx < 6)
                    colour = 3;
                else if (bx == 0)
                    colour = 3;
                c.set(x, y, colour);
            }
        break;
    case Theme::Castle:
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x) {
                const int offset = (y / 8) * 4;
                const int bx = (x + offset) % 8, by = y % 8;
                int colour = 2;
                if (by == 7 || bx == 7)
                    colour = 1;
                else if (by == 0 || bx == 0)
                    colour = 3;
                else if (by == 6 || bx == 6)
                    colour = rng.chance(50) ? 1 : 2;
                c.set(x, y, colour);
            }
        break;
    case Theme::Mine: // planks nailed across
        for (int board = 0; board < 4; ++board) {
            const int y = board * 4;
            c.hline(0, N - 1, y, 3);
            c.fill(0, y + 1, N, 2, 2);
            c.hline(0, N - 1, y + 3, 1);
            const int joint = rng.range(3, 12);
            c.vline(joint, y, y + 3, 1);
            c.set(joint - 2, y + 1, 1);
            c.set(joint + 2, y + 1, 1);
            for (int k = 0; k < 2; ++k)
                c.hline(rng.range(0, 12), rng.range(12, 15), y + 2, rng.chance(50) ? 1 : 2);
        }
        break;
    case Theme::SkyFort:
        for (int by = 0; by < 2; ++by)
            for (int bx = 0; bx < 2; ++bx) {
                Bevel(c, bx * 8, by * 8, 8, 8, 1);
                c.set(bx * 8 + 3, by * 8 + 3, 3);
                c.set(bx * 8 + 4, by * 8 + 4, 1);
            }
        break;
    }
}

void BlockFrame(Canvas &c)
{
    c.fill(0, 0, N, N, 2);
    for (int i = 0; i < N; ++i) {
        c.set(i, 0, 1), c.set(i, N - 1, 1), c.set(0, i, 1), c.set(N - 1, i, 1);
    }
    c.hline(1, N - 2, 1, 3);
    c.vline(1, 1, N - 2, 3);
    for (int p : {2, N - 3})
        for (int q : {2, N - 3})
            c.set(p + (p > 8 ? 0 : 1), q + (q > 8 ? 0 : 1), 1);
}

void BonusBlock(Canvas &c, Theme theme)
{
    BlockFrame(c);
    switch (theme) {
    case Theme::Forest:
    case Theme::Castle: {
        const auto glyph = [&](int x, int y, char colour) {
            const std::string rows[8] = {" xxxx ", "xx  xx", "    xx", "   xx ", "  xx  ", "  xx  ", "      ", "  xx  "};
            for (int r = 0; r < 8; ++r)
                for (int k = 0; k < 6; ++k)
                    if (rows[r][std::size_t(k)] == 'x')
                        c.set(x + k, y + r, colour - '0');
        };
        glyph(6, 5, '1');
        glyph(5, 4, '3');
        break;
    }
    case Theme::Mine: // a gem set in the block
        c.stamp(3, 3, {"   1111   ", "  133331  ", " 13333331 ", "1333333321", " 13333221 ",
                       "  132221  ", "   1221   ", "    11    "});
        break;
    case Theme::SkyFort: // a star
        c.stamp(3, 3, {"    11    ", "    31    ", "   1331   ", "1113333111", " 13333321 ",
                       "  133321  ", "  133221  ", " 1321 1321", " 11     11"});
        break;
    }
}

void BevelStone(Canvas &c, Theme theme, Random &rng)
{
    Bevel(c, 0, 0, N, N, 2);
    switch (theme) {
    case Theme::Forest: c.set(5, 6, 1), c.set(10, 10, 1), c.set(6, 11, 3); break;
    case Theme::Castle:
        for (int i = 4; i < 12; ++i)
            c.set(i, 4, 1), c.set(4, i, 1), c.set(i, 11, 3), c.set(11, i, 3);
        break;
    case Theme::Mine: {
        int x = rng.range(5, 9);
        for (int y = 2; y < 13; ++y) {
            c.set(x, y, 1);
            x += rng.range(-1, 1);
        }
        break;
    }
    case Theme::SkyFort:
        for (int p : {4, 11})
            for (int q : {4, 11})
                c.set(p, q, 3), c.set(p + 1, q + 1, 1);
        break;
    }
}

// Platform pieces are 8 pixels thick, along the top of the piece.
void Platform(Canvas &c, Theme theme, int part, Random &rng) // part: 0 left end, 1 middle, 2 right end
{
    switch (theme) {
    case Theme::Forest: // a log
        c.hline(0, N - 1, 0, 1);
        c.hline(0, N - 1, 1, 3);
        c.fill(0, 2, N, 4, 2);
        c.hline(0, N - 1, 6, 1);
        for (int i = 0; i < 3; ++i)
            c.hline(rng.range(0, 11), rng.range(12, 14), rng.range(2, 5), 1);
        if (part == 0)
            c.stamp(0, 0, {".111", "1333", "1321", "1313", "1321", "1333", ".111"});
        if (part == 2)
            c.stamp(13, 0, {"11.", "221", "221", "221", "221", "221", "11."});
        break;
    case Theme::Castle: // a stone ledge on corbels
        c.hline(0, N - 1, 0, 3);
        c.fill(0, 1, N, 4, 2);
        c.hline(0, N - 1, 5, 1);
        c.vline(7, 1, 4, 1);
        c.vline(15, 1, 4, 1);
        if (part == 0)
            c.stamp(2, 6, {"133331", "13331", "1331", "131", "11"});
        if (part == 2)
            c.stamp(8, 6, {"133331", " 13331", "  1331", "   131", "    11"});
        break;
    case Theme::Mine: // a board on brackets
        c.hline(0, N - 1, 0, 3);
        c.fill(0, 1, N, 3, 2);
        c.hline(0, N - 1, 4, 1);
        c.set(3, 2, 1), c.set(12, 2, 1);
        c.hline(rng.range(0, 6), rng.range(8, 15), 3, 1);
        if (part != 1)
            for (int y = 5; y < 12; ++y)
                c.set(part == 0 ? 2 + (y - 5) / 2 : 13 - (y - 5) / 2, y, 1), c.set(part == 0 ? 3 + (y - 5) / 2 : 12 - (y - 5) / 2, y, 2);
        break;
    case Theme::SkyFort: // a light truss
        c.hline(0, N - 1, 0, 3);
        c.hline(0, N - 1, 1, 2);
        c.hline(0, N - 1, 6, 2);
        c.hline(0, N - 1, 7, 1);
        for (int y = 2; y < 6; ++y)
            for (int x = 0; x < N; ++x)
                if ((x + y) % 8 == 0 || ((x - y) % 8 + 8) % 8 == 0)
                    c.set(x, y, 1);
        break;
    }
    if (theme != Theme::Forest && part != 1) {
        const int x = part == 0 ? 0 : N - 1;
        c.set(x, 0, 0);
        c.vline(x, 1, theme == Theme::SkyFort ? 7 : 4, 1);
    }
}

// Cloud, crystal cluster: a 32x32 picture cut into four pieces.
Canvas BigSkyThing(Theme theme, Random &rng)
{
    Canvas c(32, 32);
    if (theme == Theme::Mine) { // crystals growing from the floor
        struct Crystal { int x, w, h; };
        for (const Crystal k : {Crystal{8, 6, 18}, Crystal{22, 6, 20}, Crystal{15, 8, 28}, Crystal{4, 4, 9}, Crystal{27, 4, 11}}) {
            const int top = 32 - k.h;
            for (int y = top; y < 32; ++y) {
                const int half = std::min(k.w / 2, (y - top) * k.w / 8 + 1);
                for (int x = k.x - half; x < k.x + half; ++x) {
                    int colour = x < k.x ? 3 : 2;
                    if (x == k.x - half || x == k.x + half - 1 || y == 31)
                        colour = 1;
                    c.set(x, y, colour);
                }
            }
            c.vline(k.x, top + 2, 30, 1);
        }
        return c;
    }
    Blob cloud;
    cloud.body = 3;
    cloud.lit = 3;
    cloud.shade = 2;
    cloud.shadeDepth = 3;
    if (theme == Theme::Forest)
        cloud.circles = {{9, 20, 6.5}, {16, 13, 8.5}, {24, 19, 6.5}, {12, 23, 5.5}, {21, 23, 5.5}, {4.5, 24, 3.8}, {28, 24, 3.5}};
    else if (theme == Theme::Castle)
        cloud.circles = {{7, 22, 5}, {13, 17, 6.5}, {21, 15, 7.5}, {27, 21, 4.5}, {16, 24, 4}, {3, 25, 2.8}};
    else
        for (int i = 0; i < 7; ++i)
            cloud.circles.push_back({4.0 + i * 4 + rng.range(0, 2), 18.0 + rng.range(-4, 3) - (i == 3 ? 4 : 0), 5.0 + rng.range(0, 3)});
    cloud.paint(c);
    return c;
}

// Tree, mushroom or balloon: a 32x32 top and a 32x16 stem below it.
void TreeArt(Canvas &top, Canvas &stem, Theme theme, Random &rng)
{
    switch (theme) {
    case Theme::Forest: {
        Blob crown;
        crown.clumps = true;
        crown.circles = {{16, 10, 8}, {9, 14, 6.5}, {23, 14, 6.5}, {11, 22, 7}, {21, 22, 7}, {16, 26, 6}, {16, 17, 6}};
        crown.paint(top);
        break;
    }
    case Theme::Castle: // a fir, three tiers
        for (int tier = 0; tier < 3; ++tier) {
            const int y0 = 2 + tier * 9, h = 12;
            for (int y = 0; y < h && y0 + y < 32; ++y) {
                const int half = 2 + (y * (5 + tier * 3)) / h;
                for (int x = 16 - half; x < 16 + half; ++x) {
                    int colour = x < 16 ? 3 : 2;
                    if (x == 16 - half || x == 15 + half || y == h - 1)
                        colour = 1;
                    top.set(x, y0 + y, colour);
                }
            }
        }
        break;
    case Theme::Mine: { // a giant mushroom cap
        Blob cap;
        cap.circles = {{16, 22, 15}};
        cap.paint(top);
        top.fill(0, 23, 32, 9, 0);
        top.hline(2, 29, 22, 1);
        top.hline(6, 25, 23, 1);
        for (int x = 8; x < 24; x += 3)
            top.set(x, 22, 2);
        for (const auto &[x, y, r] : {std::tuple{10, 15, 2.5}, std::tuple{20, 12, 3.0}, std::tuple{24, 18, 2.0}, std::tuple{15, 9, 1.8}})
            top.disc(x, y, r, 3);
        top.fill(13, 24, 6, 8, 2);
        top.vline(12, 24, 31, 1);
        top.vline(19, 24, 31, 1);
        break;
    }
    case Theme::SkyFort: { // a balloon
        Blob envelope;
        envelope.circles = {{16, 13, 12.5}, {16, 20, 8}, {16, 25, 5}};
        envelope.shade = 0;
        envelope.paint(top);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (top.at(x, y) == 2 || top.at(x, y) == 3)
                    top.set(x, y, (std::abs(x - 16) / 4) % 2 ? 2 : 3);
        top.fill(12, 29, 8, 3, 1);
        break;
    }
    }
    // The stem.
    if (theme == Theme::SkyFort) { // ropes and a basket
        stem.line(12, 0, 13, 7, 1);
        stem.line(19, 0, 18, 7, 1);
        stem.hline(11, 20, 8, 3);
        stem.fill(11, 9, 10, 5, 2);
        for (int x = 12; x < 20; x += 2)
            stem.vline(x, 9, 13, 1);
        stem.hline(11, 20, 14, 1);
        return;
    }
    const int x0 = theme == Theme::Mine ? 13 : 12, x1 = theme == Theme::Mine ? 18 : 19;
    for (int y = 0; y < N; ++y) {
        stem.set(x0, y, 1);
        stem.set(x0 + 1, y, 3);
        for (int x = x0 + 2; x < x1; ++x)
            stem.set(x, y, 2);
        stem.set(x1, y, 1);
    }
    if (theme != Theme::Mine)
        for (int i = 0; i < 5; ++i) {
            const int y = rng.range(0, 13);
            stem.vline(rng.range(x0 + 2, x1 - 1), y, y + 2, 1);
        }
}

// A bush or hedge 80 pixels long whose middle repeats every 16 pixels, so that the middle
// piece can be repeated between the two ends.
Canvas BushArt(Theme theme)
{
    Canvas c(80, N);
    Blob bush;
    bush.openBottom = true;
    bush.clumps = theme != Theme::SkyFort;
    for (int k = 0; k < 5; ++k)
        bush.circles.push_back({8.0 + 16 * k, theme == Theme::Castle ? 7.5 : 8.5, theme == Theme::Mine ? 7.0 : 7.5});
    for (int k = 1; k < 5; ++k)
        bush.circles.push_back({16.0 * k, theme == Theme::Castle ? 10.0 : 11.0, 6.0});
    if (theme == Theme::SkyFort) {
        bush.body = 3;
        bush.shade = 2;
    }
    bush.paint(c);
    return c;
}

// A hill: a 45-degree slope on either side of a rounded top, 48x32.
Canvas HillArt(Theme theme, Random &rng)
{
    Canvas c(48, 32);
    const auto in = [](int x, int y) {
        const double cx = x + 0.5, cy = y + 0.5;
        if (y >= 32)
            return true; // the hill goes on below
        if (x < 0 || x >= 48)
            return false;
        double top;
        if (cx < 16)
            top = 32 - cx;
        else if (cx >= 32)
            top = cx - 16;
        else
            top = 7.0 + std::sqrt((cx - 24) * (cx - 24) + 20.0);
        return cy >= top;
    };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x) {
            if (!in(x, y))
                continue;
            int colour = 2;
            if (!in(x, y - 1) || !in(x - 1, y) || !in(x + 1, y))
                colour = 1;
            else if (!in(x, y - 2) || !in(x - 1, y - 1))
                colour = 3;
            c.set(x, y, colour);
        }
    // The same texture in every piece, so that fills repeat without a seam.
    Canvas spots(N, N);
    switch (theme) {
    case Theme::Forest:
        spots.stamp(0, 0, {"", "    3", "   313", "    3", "", "", "", "            3", "           313",
                           "            3", "", "", "", "     1", "", ""});
        break;
    case Theme::Castle:
        for (int i = 0; i < 6; ++i)
            spots.set(rng.range(0, 15), rng.range(0, 15), 1);
        spots.hline(2, 5, 6, 1), spots.hline(9, 13, 12, 1);
        break;
    case Theme::Mine:
        for (int i = 0; i < 5; ++i) {
            const int x = rng.range(1, 13), y = rng.range(1, 13);
            spots.stamp(x, y, {"11", "13"});
        }
        break;
    case Theme::SkyFort:
        spots.stamp(0, 0, {"", "", "   3333", "  333333", "", "", "", "", "", "          3333", "         333333", "", "", "", "", ""});
        break;
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            if (c.at(x, y) == 2 && spots.at(x % N, y % N))
                c.set(x, y, spots.at(x % N, y % N));
    return c;
}

void Column(Canvas &c, Theme theme, int part) // 0 top, 1 shaft, 2 base
{
    if (theme == Theme::Mine) { // a timber prop
        static const int wood[N] = {0, 0, 0, 0, 1, 3, 2, 2, 2, 3, 2, 1, 0, 0, 0, 0};
        for (int y = 0; y < N; ++y)
            for (int x = 0; x < N; ++x)
                c.set(x, y, wood[x]);
        c.set(7, 5, 1), c.set(8, 6, 1), c.set(6, 12, 1);
        if (part == 0) {
            c.hline(0, N - 1, 0, 3);
            c.fill(0, 1, N, 3, 2);
            c.hline(0, N - 1, 4, 1);
            c.set(5, 2, 1), c.set(10, 2, 1);
            c.stamp(2, 5, {"12", " 12", "  12"});
            c.stamp(10, 5, {"  21", " 21", "21"});
        }
        if (part == 2)
            c.stamp(0, 11, {"   1233332211", "  123333322221", " 12233332222211", "1122222222221111", "1111111111111111"});
        return;
    }
    static const int shaft[N] = {0, 0, 1, 3, 3, 2, 3, 2, 2, 1, 2, 2, 1, 1, 0, 0};
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x)
            c.set(x, y, shaft[x]);
    if (theme == Theme::SkyFort || theme == Theme::Castle)
        for (int y = 5; y < N; y += 8) {
            c.hline(2, 13, y, 3);
            c.hline(2, 13, y + 1, 1);
        }
    if (part == 0) {
        c.hline(0, N - 1, 0, 3);
        c.hline(0, N - 1, 1, 2);
        c.hline(0, N - 1, 2, 1);
        c.hline(1, 14, 3, 2);
        c.hline(1, 14, 4, 1);
        c.set(1, 3, 1), c.set(14, 3, 1);
    }
    if (part == 2) {
        c.hline(1, 14, 11, 3);
        c.hline(1, 14, 12, 1);
        c.hline(0, N - 1, 13, 3);
        c.hline(0, N - 1, 14, 2);
        c.hline(0, N - 1, 15, 1);
    }
}

void LadderArt(Canvas &c, Theme theme)
{
    const bool rope = theme == Theme::Mine;
    for (int y = 0; y < N; ++y) {
        const int sway = rope && (y / 4) % 2 ? 1 : 0;
        c.set(2 + sway, y, 3), c.set(3 + sway, y, 1);
        c.set(12 - sway, y, 3), c.set(13 - sway, y, 1);
    }
    for (int y = 1; y < N; y += 4) {
        c.hline(4, 11, y, theme == Theme::SkyFort ? 3 : 2);
        c.hline(4, 11, y + 1, 1);
    }
}

void WaterArt(Canvas &c, bool surface, Random &rng)
{
    const int y0 = surface ? 5 : 0;
    c.fill(0, y0, N, N - y0, 2);
    if (surface)
        for (int x = 0; x < N; ++x) {
            const int crest = 4 + int(std::lround(1.3 * std::sin(2 * std::numbers::pi * (x + 0.5) / N)));
            c.vline(x, crest, y0, 3);
            if (x % 8 < 4)
                c.set(x, crest + 2, 3);
        }
    for (int i = 0; i < (surface ? 4 : 6); ++i) {
        const int x = rng.range(0, 12), y = rng.range(y0 + 3, N - 1);
        c.hline(x, x + rng.range(1, 3), y, i % 2 ? 1 : 3);
    }
}

void SpikesArt(Canvas &c)
{
    for (int spike = 0; spike < 2; ++spike) {
        const int cx = 4 + spike * 8;
        for (int y = 2; y < 13; ++y) {
            const int half = 1 + (y - 2) * 3 / 10;
            for (int x = cx - half; x < cx + half; ++x)
                c.set(x, y, x == cx - half || x == cx + half - 1 ? 1 : x < cx ? 3 : 2);
        }
    }
    c.hline(0, N - 1, 13, 3);
    c.hline(0, N - 1, 14, 2);
    c.hline(0, N - 1, 15, 1);
}

void TorchArt(Canvas &c, Theme theme)
{
    if (theme == Theme::SkyFort) { // an electric lamp in a cage
        c.stamp(0, 0, {"", "      1111", "     133331", "    13333331", "    13133131", "    13333331",
                       "    13133131", "     133331", "      1111", "      1221", "       11", "       11",
                       "       11", "    11111111", "    12222221", "    11111111"});
        return;
    }
    c.stamp(0, 0, {"       1", "      11", "      121", "     1231", "    12321", "    123321",
                   "    1233321", "     123321", "     12221", "    1111111", "    1222221",
                   "     12221", "      121", "      121", "      121", "      111"});
}

// A window: an arched opening with bars, 16x32.
Canvas WindowArt(Theme theme)
{
    Canvas c(N, 32);
    const auto opening = [](int x, int y, int grow) {
        const double cx = x + 0.5, cy = y + 0.5;
        if (cx < 4 - grow || cx > 12 + grow || cy > 27 + grow)
            return false;
        if (cy >= 11)
            return true;
        return (cx - 8) * (cx - 8) + (cy - 11) * (cy - 11) <= (4 + grow) * (4 + grow);
    };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < N; ++x) {
            if (opening(x, y, 0))
                c.set(x, y, 2);
            else if (opening(x, y, 1))
                c.set(x, y, 3);
            else if (opening(x, y, 2))
                c.set(x, y, 1);
        }
    if (theme == Theme::SkyFort) { // a porthole look: a cross of frame bars
        c.hline(4, 11, 18, 1);
    } else {
        c.vline(7, 7, 27, 1);
        c.vline(8, 7, 27, 3);
        c.hline(4, 11, 17, 1);
    }
    c.set(5, 13, 3), c.set(10, 22, 3), c.set(6, 25, 3);
    c.hline(1, 14, 28, 3);
    c.hline(1, 14, 29, 2);
    c.hline(1, 14, 30, 1);
    return c;
}

// The castle wall's joints, drawn in colour 1 wherever a piece shows the backdrop, so
// that torches and windows hung on the wall sit in it rather than in a hole.
void JointsBehind(Canvas &c, int yOffset = 0)
{
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            const int wy = (y + yOffset) % N;
            const bool joint = wy == 7 || wy == 15 || (wy < 7 && x == 15) || (wy > 7 && x == 7);
            if (joint && c.at(x, y) == 0)
                c.set(x, y, 1);
        }
}

void WallArt(Canvas &c, Theme theme, Random &rng)
{
    switch (theme) {
    case Theme::Forest:
    case Theme::Castle:
        for (int x = 0; x < N; ++x)
            c.set(x, 7, 1), c.set(x, 15, 1);
        c.vline(15, 0, 6, 1);
        c.vline(7, 8, 14, 1);
        for (int i = 0; i < 4; ++i)
            c.set(rng.range(0, 15), rng.range(0, 15), 1);
        break;
    case Theme::Mine: { // dim rock far behind
        for (int i = 0; i < 3; ++i) {
            int x = rng.range(0, 15), y = rng.range(0, 15);
            for (int k = 0; k < 6; ++k) {
                c.set(x, y, 1);
                x = (x + rng.range(0, 1)) % N;
                y = (y + 1) % N;
            }
        }
        break;
    }
    case Theme::SkyFort:
        c.hline(0, N - 1, 0, 1);
        c.vline(0, 0, N - 1, 1);
        c.set(3, 3, 1), c.set(12, 3, 1), c.set(3, 12, 1), c.set(12, 12, 1);
        break;
    }
}

void DoorArt(Canvas &c, Theme theme)
{
    const auto door = [](int x, int y, int grow) {
        const double cx = x + 0.5, cy = y + 0.5;
        if (cx < 3 - grow || cx > 13 + grow)
            return false;
        if (cy >= 10)
            return true;
        return (cx - 8) * (cx - 8) + (cy - 10) * (cy - 10) <= (5 + grow) * (5 + grow);
    };
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < N; ++x) {
            if (door(x, y, 0)) {
                int colour = 2;
                if ((x - 3) % 3 == 2)
                    colour = 1;
                else if ((x - 3) % 3 == 0)
                    colour = 3;
                c.set(x, y, colour);
            } else if (door(x, y, 1)) {
                c.set(x, y, 1);
            } else if (door(x, y, 2)) {
                c.set(x, y, 3);
            }
        }
    if (theme == Theme::SkyFort) { // a hatch: plain with rivets
        for (int y = 8; y < 32; y += 6)
            c.hline(4, 12, y, 1);
    } else {
        for (int y : {12, 24}) {
            c.hline(3, 13, y, 1);
            c.set(4, y, 3), c.set(12, y, 3);
        }
    }
    c.stamp(10, 17, {"11", "13", "11"});
}

void FenceArt(Canvas &c, Theme theme)
{
    const bool iron = theme == Theme::Castle || theme == Theme::SkyFort;
    for (int post : {2, 10}) {
        if (iron) {
            c.vline(post + 1, 2, 15, 2);
            c.stamp(post, 0, {" 3", "131", " 1"});
        } else {
            c.set(post + 1, 3, 3);
            c.vline(post, 4, 15, 3), c.vline(post + 1, 4, 15, 2), c.vline(post + 2, 4, 15, 1);
        }
    }
    for (int y : {6, 11}) {
        c.hline(0, N - 1, y, 3);
        if (!iron)
            c.hline(0, N - 1, y + 1, 1);
    }
}

void FlowersArt(Canvas &c, Theme theme)
{
    switch (theme) {
    case Theme::Forest:
    case Theme::Castle:
        c.stamp(0, 6, {"  3           ", " 323       3  ", "  3  3    323 ", "  1 323    3  ", "  1  3     1  ",
                       "  1  1  3  1  ", " 212 1 2 2 1 2", "23322123232322", "2222222222222 "});
        c.hline(0, N - 1, 15, 2);
        break;
    case Theme::Mine: // toadstools
        c.stamp(0, 7, {"   1111", "  133331", " 13313331", " 11111111     11", "    22     1331", "    22    133331",
                       "    22     1111", "   2222     22", "   2222     22"});
        break;
    case Theme::SkyFort: // bollards
        for (int x : {2, 10})
            c.stamp(x, 9, {" 11", "1331", "1221", "1221", "1221", "1221", "1111"});
        break;
    }
}

void CoinArt(Canvas &c, Theme theme)
{
    if (theme == Theme::Mine) {
        c.stamp(3, 3, {"  111111", " 13313321", "1333333221", " 13333221", "  133221", "   1321", "    11"});
        return;
    }
    c.stamp(4, 2, {"  1111", " 133331", "13322331", "13322331", "13322331", "13322331", "13322331",
                   "13322331", "13322331", "13322331", " 133331", "  1111"});
    c.vline(7, 5, 10, 2), c.vline(8, 5, 10, 1);
}

void GirderArt(Canvas &c)
{
    c.hline(0, N - 1, 0, 3), c.hline(0, N - 1, 1, 2), c.hline(0, N - 1, 2, 1);
    c.hline(0, N - 1, 13, 3), c.hline(0, N - 1, 14, 2), c.hline(0, N - 1, 15, 1);
    c.line(0, 3, 15, 12, 2), c.line(1, 3, 15, 11, 3), c.line(0, 4, 14, 12, 1);
    c.line(0, 12, 15, 3, 2), c.line(0, 11, 14, 3, 3), c.line(1, 12, 15, 4, 1);
    c.stamp(0, 3, {"2", "1", "", "", "", "", "", "", "2", "1"});
    c.stamp(15, 3, {"2", "1", "", "", "", "", "", "", "2", "1"});
}

void ChainArt(Canvas &c)
{
    for (int y0 : {0, 8})
        c.stamp(5, y0, {"  11", " 1331", "13  31", "13  31", " 1331", "  11", "  32", "  21"});
}

void BoulderArt(Canvas &c)
{
    Blob b;
    b.circles = {{8, 9.5, 6.8}, {5.5, 11, 4.5}, {10.5, 11, 5}};
    b.shadeDepth = 2;
    b.paint(c);
    c.set(8, 8, 1), c.set(9, 9, 1), c.set(9, 10, 1), c.set(6, 12, 1);
}

void SignArt(Canvas &c)
{
    c.stamp(0, 1, {" 11111111111", " 1222222222211", " 1223333333221", " 1233333333331", " 1223333333221",
                   " 1222222222211", " 11111111111", "       32", "       32", "       32", "       32", "       32",
                   "       32", "       32", "      1111"});
}

void StalactiteArt(Canvas &c)
{
    const auto spike = [&](int cx, int width, int length) {
        for (int y = 0; y < length; ++y) {
            const int half = std::max(0, width / 2 - y * width / (2 * length));
            for (int x = cx - half; x <= cx + half; ++x)
                c.set(x, y, x == cx + half || x == cx - half ? 1 : x < cx ? 3 : 2);
        }
    };
    spike(5, 10, 14);
    spike(12, 6, 8);
}

void BridgeArt(Canvas &c)
{
    c.hline(0, N - 1, 2, 1);
    for (int x : {3, 11})
        c.vline(x, 2, 7, 1);
    for (int x = 0; x < N; ++x) {
        if (x % 4 == 3) {
            c.vline(x, 8, 11, 1);
            continue;
        }
        c.set(x, 8, 3), c.set(x, 9, 2), c.set(x, 10, 2), c.set(x, 11, 1);
    }
    c.hline(0, N - 1, 13, 1);
}

void OrbArt(Canvas &c, Theme theme)
{
    switch (theme) {
    case Theme::Forest: // the sun
        c.disc(8, 8, 6.5, 2);
        c.disc(8, 8, 5.5, 3);
        break;
    case Theme::Castle: // a crescent moon
        c.disc(8, 8, 6.5, 3);
        c.disc(11, 6, 5.5, 0);
        c.set(4, 8, 2), c.set(5, 11, 2);
        break;
    case Theme::Mine: // a lamp hanging from the ceiling
        c.vline(7, 0, 5, 1);
        c.disc(7.5, 10, 4.5, 1);
        c.disc(7.5, 10, 3.5, 3);
        c.set(6, 9, 2), c.set(8, 11, 2);
        break;
    case Theme::SkyFort: // a setting sun, striped
        c.disc(8, 9, 7.5, 3);
        for (int y : {10, 13, 15})
            c.hline(0, N - 1, y, 0);
        c.hline(0, N - 1, 12, 2);
        break;
    }
}

void StarsArt(Canvas &c, Theme theme)
{
    if (theme == Theme::Forest) { // two birds
        c.stamp(2, 4, {"1   1", " 1 1", "  1"});
        c.stamp(9, 9, {"11 11", "  1"});
        return;
    }
    if (theme == Theme::Mine) { // dripping water
        c.stamp(3, 0, {"3", "3", "2"});
        c.stamp(11, 6, {" 3", "333", " 2"});
        return;
    }
    c.stamp(2, 2, {" 2", "232", " 2"});
    c.set(11, 4, 3), c.set(7, 10, 2), c.set(13, 13, 3), c.set(3, 13, 2);
}

void CrateArt(Canvas &c)
{
    c.fill(0, 0, N, N, 2);
    for (int i = 0; i < N; ++i)
        c.set(i, 0, 1), c.set(i, N - 1, 1), c.set(0, i, 1), c.set(N - 1, i, 1);
    c.hline(1, 14, 1, 3), c.vline(1, 1, 14, 3), c.hline(1, 14, 14, 1), c.vline(14, 1, 14, 1);
    c.hline(2, 13, 2, 1), c.hline(2, 13, 13, 3);
    for (int i = 3; i < 13; ++i) {
        c.set(i, i, 3), c.set(i + 1, i, 1);
        c.set(15 - i, i, 3), c.set(16 - i, i, 1);
    }
    c.hline(3, 12, 7, 1);
}

void BonesArt(Canvas &c)
{
    c.stamp(2, 4, {"   1111", "  133331", " 13333331", " 13113131", " 13113131", " 13333331", "  133331", "  13131",
                   "   111", "13      1 3", "333311333333", "13 1111111 3"});
}

void VineArt(Canvas &c)
{
    for (int y = 0; y < N; ++y) {
        const int x = 7 + int(std::lround(1.2 * std::sin(2 * std::numbers::pi * y / N)));
        c.set(x, y, 1), c.set(x + 1, y, 2);
    }
    c.stamp(3, 1, {" 33", "3322", " 22 1"});
    c.stamp(9, 6, {"  33", "1322", " 221"});
    c.stamp(3, 10, {" 33", "3322", " 22 1"});
}

// Rock hanging from above: the texture, with a ragged lower edge and drips.
void CeilingArt(Canvas &c, Theme theme, Random &rng)
{
    GroundTexture(c, theme, 0, rng, true);
    int bottom[N];
    for (int x = 0; x < N;) {
        const int run = rng.range(2, 4), level = rng.range(7, 12);
        for (int i = 0; i < run && x < N; ++i, ++x)
            bottom[x] = level;
    }
    bottom[rng.range(2, 6)] = 15;
    bottom[rng.range(9, 13)] = 14;
    for (int x = 0; x < N; ++x) {
        for (int y = bottom[x] + 1; y < N; ++y)
            c.set(x, y, 0);
        c.set(x, bottom[x], 1);
        const int left = x > 0 ? bottom[x - 1] : bottom[x], right = x < N - 1 ? bottom[x + 1] : bottom[x];
        for (int y = std::min(left, right); y < bottom[x]; ++y)
            c.set(x, y, 1);
    }
}

} // namespace

std::vector<Canvas> DrawPieces(Theme theme)
{
    std::vector<Canvas> p(PieceCount, Canvas(N, N));
    Random rng(0x4B52454C494E00ull + std::uint64_t(theme));

    GroundTexture(p[Ground], theme, 0, rng);
    GroundTexture(p[GroundTop], theme, 0, rng);
    GroundCap(p[GroundTop], theme, rng);
    p[GroundTopLeft] = p[GroundTop];
    GroundEdge(p[GroundTopLeft], true, true, theme, rng);
    p[GroundTopRight] = p[GroundTop];
    GroundEdge(p[GroundTopRight], false, true, theme, rng);
    p[GroundLeft] = p[Ground];
    GroundEdge(p[GroundLeft], true, false, theme, rng);
    p[GroundRight] = p[Ground];
    GroundEdge(p[GroundRight], false, false, theme, rng);
    GroundTexture(p[DeepGround], theme, 0, rng, true);

    Bricks(p[Brick], theme, rng);
    p[CrackedBrick] = p[Brick];
    {
        int x = 9;
        for (int y = 0; y < N; ++y) {
            p[CrackedBrick].set(x, y, 1);
            x += rng.range(-1, 0) + (y % 3 == 0);
        }
        p[CrackedBrick].stamp(0, 0, {"..", "."});
        p[CrackedBrick].stamp(13, 14, {"  .", "..."});
    }
    BonusBlock(p[Bonus], theme);
    BlockFrame(p[UsedBlock]);
    p[UsedBlock].hline(1, 14, 1, 2), p[UsedBlock].vline(1, 1, 14, 2);
    BevelStone(p[Stone], theme, rng);
    for (int by = 0; by < 2; ++by)
        for (int bx = 0; bx < 2; ++bx)
            Bevel(p[SmallBlocks], bx * 8, by * 8, 8, 8, 1);

    Platform(p[PlatformLeft], theme, 0, rng);
    Platform(p[PlatformMid], theme, 1, rng);
    Platform(p[PlatformRight], theme, 2, rng);

    const Canvas cloud = BigSkyThing(theme, rng);
    p[CloudTL] = cloud.cut(0, 0, N, N), p[CloudTR] = cloud.cut(N, 0, N, N);
    p[CloudBL] = cloud.cut(0, N, N, N), p[CloudBR] = cloud.cut(N, N, N, N);

    const Canvas bush = BushArt(theme);
    p[BushLeft] = bush.cut(0, 0, N, N), p[BushMid] = bush.cut(32, 0, N, N), p[BushRight] = bush.cut(64, 0, N, N);

    Canvas crown(32, 32), stem(32, N);
    TreeArt(crown, stem, theme, rng);
    p[TreeTL] = crown.cut(0, 0, N, N), p[TreeTR] = crown.cut(N, 0, N, N);
    p[TreeBL] = crown.cut(0, N, N, N), p[TreeBR] = crown.cut(N, N, N, N);
    p[TrunkLeft] = stem.cut(0, 0, N, N), p[TrunkRight] = stem.cut(N, 0, N, N);

    const Canvas hill = HillArt(theme, rng);
    p[HillTop] = hill.cut(N, 0, N, N), p[HillLeft] = hill.cut(0, N, N, N);
    p[HillFill] = hill.cut(N, N, N, N), p[HillRight] = hill.cut(32, N, N, N);

    Column(p[PillarTop], theme, 0);
    Column(p[Pillar], theme, 1);
    Column(p[PillarBase], theme, 2);
    LadderArt(p[Ladder], theme);
    WaterArt(p[WaterTop], true, rng);
    WaterArt(p[Water], false, rng);
    SpikesArt(p[Spikes]);
    TorchArt(p[Torch], theme);
    Canvas window = WindowArt(theme);
    if (theme == Theme::Castle) { // the pieces that hang on or stand before the hall's wall
        JointsBehind(p[Torch]);
        JointsBehind(window);
    }
    p[WindowTop] = window.cut(0, 0, N, N), p[WindowBottom] = window.cut(0, N, N, N);
    WallArt(p[Wall], theme, rng);
    Bricks(p[WallTop], theme, rng);
    for (int x = 0; x < N; ++x) { // battlements: two merlons a piece
        const bool gap = x % 8 >= 6;
        for (int y = 0; y < 5; ++y)
            p[WallTop].set(x, y, gap ? 0 : y == 0 ? 3 : (x % 8 == 5 ? 1 : x % 8 == 0 ? 3 : 2));
        if (gap)
            p[WallTop].set(x, 5, 1);
    }
    Canvas door(N, 32);
    DoorArt(door, theme);
    p[DoorTop] = door.cut(0, 0, N, N), p[DoorBottom] = door.cut(0, N, N, N);
    FenceArt(p[Fence], theme);
    FlowersArt(p[Flowers], theme);
    CoinArt(p[Coin], theme);
    GirderArt(p[Girder]);
    ChainArt(p[Chain]);
    BoulderArt(p[Boulder]);
    SignArt(p[Sign]);
    StalactiteArt(p[Stalactite]);
    for (int y = 0; y < N; ++y)
        p[Pole].set(6, y, 1), p[Pole].set(7, y, 3), p[Pole].set(8, y, 2), p[Pole].set(9, y, 1);
    BridgeArt(p[Bridge]);
    OrbArt(p[Orb], theme);
    StarsArt(p[Stars], theme);
    VineArt(p[Vine]);
    CrateArt(p[Crate]);
    BonesArt(p[Bones]);
    CeilingArt(p[CeilingBottom], theme, rng);
    if (theme == Theme::Castle) {
        for (Piece piece : {DoorTop, DoorBottom, Ladder, Chain, Spikes, Bones})
            JointsBehind(p[piece]);
    }
    return p;
}

std::vector<std::uint8_t> DrawTileBank(Theme theme)
{
    std::vector<std::uint8_t> bank(256 * 16, 0);
    const std::vector<Canvas> pieces = DrawPieces(theme);
    for (int piece = 0; piece < PieceCount; ++piece)
        for (int part = 0; part < 4; ++part)
            EncodeTile(pieces[std::size_t(piece)], (part % 2) * 8, (part / 2) * 8,
                       bank.data() + (4 * piece + part) * 16);
    return bank;
}

} // namespace sample
