#include "TileTransforms.h"

#include "TileCodec.h"

#include <algorithm>

namespace krelin {

namespace {

// A tile made by taking, for every pixel (j, r), the pixel of source that from(j, r) names.
template<class From>
TileData remapped(const TileData &source, From from)
{
    TileData out{};
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j) {
            const auto [sj, sr] = from(j, r);
            SetTilePixel(out.data(), j, r, GetTilePixel(source.data(), sj, sr));
        }
    return out;
}

bool onTile(int j, int r)
{
    return j >= 0 && j < 8 && r >= 0 && r < 8;
}

} // namespace

TileData ReadTile(const std::uint8_t *tile)
{
    TileData out{};
    std::copy_n(tile, TileBytes, out.begin());
    return out;
}

TileData FlippedHorizontally(const TileData &tile)
{
    return remapped(tile, [](int j, int r) { return std::pair{7 - j, r}; });
}

TileData FlippedVertically(const TileData &tile)
{
    return remapped(tile, [](int j, int r) { return std::pair{j, 7 - r}; });
}

TileData RotatedQuarterTurn(const TileData &tile)
{
    // The pixel that lands on (j, r) came from (r, 7 - j).
    return remapped(tile, [](int j, int r) { return std::pair{r, 7 - j}; });
}

TileData Filled(const TileData &tile, int j, int r, int color)
{
    TileData out = tile;
    if (!onTile(j, r) || color < 0 || color > 3)
        return out;
    const int from = GetTilePixel(tile.data(), j, r);
    if (from == color)
        return out;
    // 64 pixels at most: a stack of cells to visit, each pushed once it is painted.
    std::array<std::pair<int, int>, 64> stack{};
    int size = 0;
    SetTilePixel(out.data(), j, r, color);
    stack[size++] = {j, r};
    while (size > 0) {
        const auto [cj, cr] = stack[--size];
        for (const auto &[dj, dr] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            const int nj = cj + dj, nr = cr + dr;
            if (onTile(nj, nr) && GetTilePixel(out.data(), nj, nr) == from) {
                SetTilePixel(out.data(), nj, nr, color);
                stack[size++] = {nj, nr};
            }
        }
    }
    return out;
}

} // namespace krelin
