#include "TileFormat.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"

namespace krelin {

int GetTilePixel(const std::uint8_t *tile, int j, int r)
{
    const std::uint8_t m = ColumnMask(j);
    return ((tile[r] & m) ? 1 : 0) + ((tile[8 + r] & m) ? 2 : 0);
}

void SetTilePixel(std::uint8_t *tile, int j, int r, int i)
{
    const std::uint8_t m = ColumnMask(j);
    tile[r] = std::uint8_t(tile[r] & ~m);
    tile[8 + r] = std::uint8_t(tile[8 + r] & ~m);
    if (i & 1)
        tile[r] |= m;
    if (i & 2)
        tile[8 + r] |= m;
}

bool SetTilePixel(modKrelin &model, std::int64_t a, int j, int r, int i)
{
    if (j < 0 || j > 7 || r < 0 || r > 7 || i < 0 || i > 3)
        return false;
    const std::uint8_t *bytes = model.bytesAt(a, TileBytes);
    if (!bytes)
        return false;
    std::uint8_t tile[TileBytes];
    std::copy(bytes, bytes + TileBytes, tile);
    SetTilePixel(tile, j, r, i);
    return model.writeBytes(a, tile);
}

} // namespace krelin
