#pragma once

#include <cstdint>
#include <vector>

namespace sample {

// A metatile set: 256 records of four tile numbers (top-left, top-right, bottom-left,
// bottom-right), 1024 bytes, followed by the 256 sub-palette bytes that lie 0x400 after
// the records in the image.
std::vector<std::uint8_t> BuildMetaTileSet();

} // namespace sample
