#pragma once

#include <cstdint>
#include <span>

namespace krelin {

// The CRC-32 that ZIP, PNG and patch files use (polynomial 0xEDB88320, reflected, all
// ones in and out). Pass the previous result as `crc` to continue over more bytes.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

} // namespace krelin
