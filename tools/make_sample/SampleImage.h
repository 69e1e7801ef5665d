#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

// The size of the sample image: a 16-byte header and eight 16 KiB program banks.
inline constexpr std::int64_t ImageSize = 0x20010;

// A stretch of the image that holds data rather than filler.
struct Region
{
    std::string what;
    std::int64_t offset, length;
    bool frameTable; // frame-to-room tables may overlap one another, nothing else may
};

struct SampleImage
{
    std::vector<std::uint8_t> bytes;
    std::vector<Region> regions;
};

// Writes data into an image region by region, refusing a region that runs past the end
// or onto bytes another region holds; frame-to-room tables may overlap one another as
// long as they agree on the shared bytes. Throws std::logic_error naming both regions.
class RegionWriter
{
public:
    explicit RegionWriter(SampleImage &image);

    void put(const std::string &what, std::int64_t offset, const std::vector<std::uint8_t> &bytes,
             bool frameTable = false);

    // Gives every byte outside all regions a filler byte drawn from the seed.
    void fillTheRest(std::uint64_t seed);

private:
    SampleImage &image;
    std::vector<bool> claimed;
};

// Builds the whole sample cartridge image. Throws std::logic_error when two pieces of
// data would land on the same bytes.
SampleImage BuildSampleImage();

} // namespace sample
