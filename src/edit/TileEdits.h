#pragma once

namespace krelin {

class modKrelin;

// The tile editor's edits, one function for each kind. Each writes through the model's
// one write path and returns false, changing nothing, when an argument is out of range
// or the bytes it would change do not lie inside the image.

// Makes quadrant q of metatile n use tile t: one byte.
bool SetQuadrantTile(modKrelin &model, int n, int q, int t);

// Paints pixel (col, row) of the tile that quadrant q of metatile n uses in colour index
// colorIndex (0..3): only the column's bit of the row's two plane bytes changes. Every
// place that uses the tile shows the change.
bool PaintTilePixel(modKrelin &model, int n, int q, int col, int row, int colorIndex);

// Makes metatile n use sub-palette p (0..3): one byte.
bool SetMetaTileSubPalette(modKrelin &model, int n, int p);

} // namespace krelin
