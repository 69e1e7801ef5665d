#pragma once

#include "core/ImageLayout.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace krelin {

// A stage's 256 tiles as one picture for a paint program, and back: the tile sheet.
// Tile t lies at (8 (t mod 16), 8 (t div 16)); a pixel of colour index v is drawn in
// colour v of one sub-palette. The window and the command line both use these.

inline constexpr int TileSheetSide = 128;
inline constexpr int TileSheetBytes = TilesPerBank * TileBytes; // 4096

// The four colours of one sub-palette, as pixels.
using SheetColors = std::array<QRgb, 4>;

// Colours 4p .. 4p + 3 of the background colours; p is taken as its low two bits.
SheetColors SheetColorsOf(const BgColorSet &colors, int p);

// The 4096 bytes of 256 tiles as a 128 x 128 indexed picture whose colour table holds
// exactly the four colours: each pixel's index is its colour index.
QImage EncodeTileSheet(const std::uint8_t *tiles, const SheetColors &colors);

struct DecodedTileSheet
{
    std::vector<std::uint8_t> tiles; // 4096 bytes; empty when the sheet was refused
    QString error;                   // why it was refused (a clause: "the sheet is ...")
    bool byIndex = false;            // read by index rather than by colour
    qint64 nearest = 0;              // pixels of none of the four colours, given the nearest

    bool ok() const { return error.isEmpty(); }
};

// The tiles a sheet holds. An indexed picture of at most four colours is read by its
// indices. Any other is read by colour: a pixel of exactly one of the four colours takes
// its number (where two of them are equal, the lower number); any other colour takes the
// number of the nearest (by the sum of the squared differences of red, green and blue;
// again the lower on a tie), and is counted. A picture of another size is refused.
DecodedTileSheet DecodeTileSheet(const QImage &sheet, const SheetColors &colors);

struct TileSheetFile
{
    QImage image;
    QString error; // a one-line message naming the file; empty when it was read

    bool ok() const { return error.isEmpty(); }
};

// Reads the picture at path. A file that cannot be read as a picture, or one whose size
// is not 128 x 128 (found from its header, before it is decoded), is refused.
TileSheetFile ReadTileSheetFile(const QString &path);

} // namespace krelin
