#pragma once

namespace krelin {

class EditHistory;

// The tile editor's edits, one function for each kind. Each makes its change a step of
// the edit history (doing it through the model's one write path) and returns false,
// changing nothing, when an argument is out of range or the bytes it would change do not
// lie inside the image. Writing what is in place already is accepted but makes no step.

// Makes quadrant q of metatile n use tile t: one byte.
bool SetQuadrantTile(EditHistory &history, int n, int q, int t);

// Paints pixel (col, row) of the tile that quadrant q of metatile n uses in colour index
// colorIndex (0..3): only the column's bit of the row's two plane bytes changes. Every
// place that uses the tile shows the change.
bool PaintTilePixel(EditHistory &history, int n, int q, int col, int row, int colorIndex);

// Makes metatile n use sub-palette p (0..3): one byte.
bool SetMetaTileSubPalette(EditHistory &history, int n, int p);

} // namespace krelin
