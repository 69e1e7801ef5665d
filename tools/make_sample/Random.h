#pragma once

#include <cstdint>

namespace sample {

// A small seeded generator (splitmix64). The standard library's distributions may
// differ between library versions, so all ranges are worked out here: the sample
// must come out byte-for-byte the same on every machine and every run.
class Random
{
public:
    explicit Random(std::uint64_t seed) : state(seed) {}

    std::uint64_t next()
    {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // A whole number in [low, high].
    int range(int low, int high) { return low + int(next() % std::uint64_t(high - low + 1)); }

    // True with the given chance in percent.
    bool chance(int percent) { return range(0, 99) < percent; }

    std::uint8_t byte() { return std::uint8_t(next() >> 56); }

private:
    std::uint64_t state;
};

} // namespace sample
