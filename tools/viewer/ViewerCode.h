#pragma once

#include <cstdint>
#include <span>

namespace sample {

// The sample's viewer, as linked: the last 8 KiB of the image (processor addresses
// $E000-$FFFF of the fixed last bank), its interrupt and reset vectors at the end.
inline constexpr std::int64_t ViewerSize = 0x2000;

std::span<const std::uint8_t> ViewerCode();

} // namespace sample
