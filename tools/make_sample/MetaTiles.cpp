#include "MetaTiles.h"

#include "Pieces.h"

namespace sample {

std::vector<std::uint8_t> BuildMetaTileSet()
{
    std::vector<std::uint8_t> set(256 * 4 + 256);
    for (int n = 0; n < 256; ++n) {
        // Metatile n is piece n % 64, tiles 4p..4p+3 of the bank, in the piece's own
        // sub-palette shifted by n / 64.
        const auto piece = Piece(n % PieceCount);
        for (int part = 0; part < 4; ++part)
            set[std::size_t(4 * n + part)] = std::uint8_t(4 * piece + part);
        set[std::size_t(1024 + n)] = std::uint8_t((DefaultSubPalette(piece) + n / PieceCount) % 4);
    }
    return set;
}

} // namespace sample
