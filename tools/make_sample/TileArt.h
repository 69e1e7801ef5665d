#pragma once

#include "Canvas.h"
#include "Pieces.h"

#include <cstdint>
#include <vector>

namespace sample {

// The 64 pieces of a bank, each a 16x16 picture, in the bank's own style.
std::vector<Canvas> DrawPieces(Theme theme);

// A whole tile bank: 256 tiles of 16 bytes, piece p in tiles 4p..4p+3.
std::vector<std::uint8_t> DrawTileBank(Theme theme);

} // namespace sample
