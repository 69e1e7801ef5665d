#pragma once

#include "core/ImageLayout.h"

#include <QImage>

#include <array>
#include <cstdint>

namespace krelin {

class modKrelin;

// A table page shows 16 metatiles in 8 rows of 2, 34 pixels apart: 67 x 271 pixels.
inline constexpr int TableColumns = 2;
inline constexpr int TableRows = 8;
inline constexpr int TablePageWidth = TableColumns * 34 - 1;
inline constexpr int TablePageHeight = TableRows * 34 - 1;

// The metatile in column col, row row of table page p.
constexpr int TableMetaTile(int page, int col, int row)
{
    return 16 * page + 2 * row + col;
}

// Clears the surface and draws page p (0..15) of the current stage's metatile table in
// the colours given.
void DrawTablePage(QImage &surface, const modKrelin &model, int page, const BgColorSet &colors);

// Paints metatile n at the top left of the preview surface, over what was there.
void DrawSelectedMetaTile(QImage &surface, const modKrelin &model, int n, const BgColorSet &colors);

} // namespace krelin
