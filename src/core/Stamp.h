#pragma once

#include "ImageLayout.h"

#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <vector>

namespace krelin {

// A block of level-map cells: what Ctrl+C copies, Ctrl+V pastes and a drag over the
// metatile table picks. columns x rows metatile numbers, row by row.
struct Stamp
{
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> cells;

    bool isEmpty() const { return columns <= 0 || rows <= 0; }
    int cellCount() const { return columns * rows; }
    std::uint8_t at(int col, int row) const { return cells[std::size_t(columns * row + col)]; }
    bool operator==(const Stamp &) const = default;
};

// The largest stamp taken from text: far more than a frame, so that anything a user
// would keep in a text file fits, and no text makes the program hold gigabytes.
inline constexpr int MostStampColumns = 256;
inline constexpr int MostStampRows = 256;

// The stamp as text: one line per row, each metatile two upper-case hexadecimal digits,
// separated by one space ("2F 05 00\n10 10 11\n").
QString StampToText(const Stamp &stamp);

// The stamp that text in that format describes. Lines are separated by LF or CR LF;
// numbers by spaces or tabs, one or two hexadecimal digits each, either case; blank
// lines at the start and end are ignored. Anything else (a word, a number above FF, rows
// of different lengths, no number at all, too large a block) gives nothing, and *why
// says what is wrong, calling the lines by lineName ("line 2 has 1 number, line 1 has 3").
std::optional<Stamp> StampFromText(const QString &text, QString *why = nullptr,
                                   const QString &lineName = QStringLiteral("line"));

// ---- cells of one frame ---------------------------------------------------------------------

// The 240 metatile numbers of a frame, cell 16 row + column.
using FrameCells = std::array<std::uint8_t, FrameBytes>;

// The cells of the 4-connected region of cells holding the same metatile as cell start
// (16 row + column), start included.
std::bitset<FrameBytes> FillRegion(const FrameCells &frame, int start);

// The same on a grid of any width, row by row (the cells of several frames side by side):
// the indices of the region's cells, ascending. A cell holding -1 (a byte outside the
// image) belongs to no region; a start outside the grid or on such a cell gives none.
std::vector<int> FillRegion(const std::vector<std::int16_t> &grid, int columns, int start);

} // namespace krelin
