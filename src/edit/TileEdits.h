#pragma once

#include "EditCommands.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

// The tile editor's edits, one function for each kind. Each makes its change a step of
// the edit history (doing it through the model's one write path) and returns false,
// changing nothing, when an argument is out of range or the bytes it would change do not
// lie inside the image. Writing what is in place already is accepted but makes no step.

// The offset of the 16 bytes of the tile that quadrant q of metatile n uses, or -1 when
// the metatile's record or the tile lies outside the image.
qint64 QuadrantTileBytes(const modKrelin &model, int n, int q);

// Makes quadrant q of metatile n use tile t: one byte. Changes with the same non-zero
// gesture number, one after the other, are one step.
bool SetQuadrantTile(EditHistory &history, int n, int q, int t, int gesture = 0);

// Paints pixel (col, row) of the tile that quadrant q of metatile n uses in colour index
// colorIndex (0..3): only the column's bit of the row's two plane bytes changes. Every
// place that uses the tile shows the change. Pixels with the same non-zero stroke number,
// one after the other, are one step.
bool PaintTilePixel(EditHistory &history, int n, int q, int col, int row, int colorIndex, int stroke = 0);

// Flips or turns the tile that quadrant q of metatile n uses (FlipHorizontally,
// FlipVertically or Rotate).
bool TransformTile(EditHistory &history, int n, int q, TileChange change);

// Paints the area of pixel (col, row) (4-connected, one colour) of the tile that quadrant
// q of metatile n uses in colour index colorIndex.
bool FillTileArea(EditHistory &history, int n, int q, int col, int row, int colorIndex);

// Gives the tile that quadrant q of metatile n uses the pixels of tile.
bool PasteTile(EditHistory &history, int n, int q, const TileData &tile);

// Makes metatile n use sub-palette p (0..3): one byte.
bool SetMetaTileSubPalette(EditHistory &history, int n, int p);

// Replaces the current stage's 256 tiles with tiles (4096 bytes), taken from the sheet
// named sheetName, as one step.
bool ImportTiles(EditHistory &history, std::vector<std::uint8_t> tiles, const QString &sheetName);

} // namespace krelin
