#pragma once

#include <cstdint>
#include <vector>

namespace sample {

// A stage laid out as one long strip of metatiles, 15 rows high and 16 columns per frame.
class LevelMap
{
public:
    static constexpr int Rows = 15;
    static constexpr int FrameColumns = 16;

    explicit LevelMap(int frames) : w(frames * FrameColumns), cells(std::size_t(Rows * w), 0) {}

    int width() const { return w; }
    bool inside(int row, int col) const { return row >= 0 && row < Rows && col >= 0 && col < w; }
    std::uint8_t at(int row, int col) const { return inside(row, col) ? cells[std::size_t(row * w + col)] : 0xFF; }
    bool isFree(int row, int col) const { return at(row, col) == 0; }
    bool isFree(int row, int col, int rows, int cols) const;
    void put(int row, int col, std::uint8_t metatile)
    {
        if (inside(row, col))
            cells[std::size_t(row * w + col)] = metatile;
    }
    void putIfFree(int row, int col, std::uint8_t metatile)
    {
        if (isFree(row, col))
            put(row, col, metatile);
    }

    // The frames one after another, each 15 rows of 16 metatiles.
    std::vector<std::uint8_t> frameBytes() const;

private:
    int w;
    std::vector<std::uint8_t> cells;
};

// The map of every stage, in the order of the stage table.
std::vector<LevelMap> BuildLevels();

} // namespace sample
