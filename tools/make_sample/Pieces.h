#pragma once

#include <cstdint>

namespace sample {

// The four looks of the tile banks. Every bank draws the same list of pieces, each in
// its own style, so a tile number means the same kind of thing in every bank: the one
// metatile set of stages 1A-2C shows a forest with the first bank and a castle with
// the second.
enum class Theme { Forest, Castle, Mine, SkyFort };

// The pictures a bank holds. Piece p is a 16x16 picture made of tiles 4p..4p+3
// (top-left, top-right, bottom-left, bottom-right), and it is metatile p of every
// metatile set. Pieces that belong together (cloud, tree, hill, door) are drawn as one
// larger picture and cut apart.
enum Piece : std::uint8_t {
    Sky, GroundTop, Ground, GroundTopLeft, GroundTopRight, GroundLeft, GroundRight,
    Brick, Bonus, UsedBlock, Stone, PlatformLeft, PlatformMid, PlatformRight,
    CloudTL, CloudTR, CloudBL, CloudBR, BushLeft, BushMid, BushRight,
    TreeTL, TreeTR, TreeBL, TreeBR, TrunkLeft, TrunkRight,
    HillLeft, HillRight, HillTop, HillFill, PillarTop, Pillar, PillarBase, Ladder,
    WaterTop, Water, Spikes, Torch, WindowTop, WindowBottom, Wall, WallTop,
    DoorTop, DoorBottom, Fence, Flowers, Coin, Girder, Chain, Boulder, Sign,
    Stalactite, Pole, SmallBlocks, Bridge, Orb, Stars, DeepGround, CrackedBrick,
    Vine, Crate, Bones, CeilingBottom,
    PieceCount
};
static_assert(PieceCount == 64, "64 pieces of four tiles fill a 256-tile bank");

// Metatiles 64..255 repeat the pieces in the other sub-palettes: metatile
// piece + 64 * shift uses sub-palette (DefaultSubPalette(piece) + shift) % 4.
inline constexpr int PaletteShifts = 4;

// Sub-palettes as the stages' palettes lay them out: 0 earth and stone, 1 wood, brick and
// fire, 2 sky, water and light, 3 leaves and grass. Colour 1 is the darkest, 3 the lightest.
int DefaultSubPalette(Piece piece);

inline constexpr std::uint8_t Meta(Piece piece, int shift = 0)
{
    return std::uint8_t(piece + 64 * shift);
}

} // namespace sample
