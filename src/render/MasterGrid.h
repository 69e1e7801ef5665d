#pragma once

#include <QImage>

namespace krelin {

class modKrelin;

// The 64 master colours as a grid of 13 x 13 squares, 16 to a row, 4 rows: 208 x 52
// pixels. Colour k lies in column k mod 16, row k / 16.
inline constexpr int MasterSquare = 13;
inline constexpr int MasterColumns = 16;
inline constexpr int MasterRows = 4;
inline constexpr int MasterGridWidth = MasterColumns * MasterSquare;
inline constexpr int MasterGridHeight = MasterRows * MasterSquare;

// The master colour under the pointer position (x, y) on the grid, both first rounded to
// whole pixels (halves to even, as every pointer position in the program), or -1 where
// that pixel lies in no square: left of, above, right of or below the grid.
int MasterColourAt(double x, double y);

// Clears the surface and draws the grid at its top left in the colours of the loaded
// master palette, square outlined (none for -1) with an outline.
void DrawMasterGrid(QImage &surface, const modKrelin &model, int outlined = -1);

// The keyboard's cursor on square k: a white ring on its edge and a black one inside it.
// Drawing the square's outline again (DrawMasterSquare) takes it away.
void DrawMasterCursor(QImage &surface, int k);

// Draws or takes away the outline of square k: a 2-pixel ring inside the square, black or
// white, whichever shows against its colour.
void DrawMasterSquare(QImage &surface, const modKrelin &model, int k, bool outlined);

} // namespace krelin
