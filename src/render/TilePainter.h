#pragma once

#include <QImage>

#include <cstdint>

namespace krelin {

// The drawing library behind every picture: clearing a surface and painting one 8x8
// tile, scaled, in four colours. Surfaces are QImage::Format_RGB32 images.

// The colour a cleared surface shows, and so the one-pixel lines between tiles.
inline constexpr QRgb ClearColor = 0xFF202020;

// A colour value as the model keeps it (red + 256 green + 65536 blue) as a pixel.
constexpr QRgb ToQRgb(std::int32_t color)
{
    return 0xFF000000u | (QRgb(color & 0xFF) << 16) | (QRgb(color & 0xFF00)) | (QRgb(color >> 16) & 0xFF);
}

// Clears the rectangle (0, 0)..(width, height) of the surface, clipped to the surface.
void FastCls(QImage &surface, int width, int height);

// Paints the tile whose 16 bytes start at tile into the size x size square with its
// top-left corner at (x, y); each tile pixel becomes a (size / 8)-square block in colour
// colors[v] of its value v (0..3), value 0 included. colors points at four colour
// values as the model keeps them. Parts outside the surface are clipped.
void Paint2BPPTile(QImage &surface, const std::uint8_t *tile, const std::int32_t *colors, int x, int y,
                   int size);

// Repaints pixel (j, r) of a tile painted size x size at (x, y) as Paint2BPPTile paints
// it: its (size / 8)-square block, clipped. Cheaper than the whole tile when one pixel
// changed.
void PaintTilePixel(QImage &surface, const std::uint8_t *tile, const std::int32_t *colors, int x, int y, int size,
                    int j, int r);

// Four colours prepared for painting whole 16 x 16 tiles (each tile pixel a 2 x 2
// block) fast: the level map and the metatile table paint nothing else. Prepare once
// per sub-palette, paint many tiles.
struct TileColors16
{
    // Four neighbouring tile pixels, that is eight surface pixels, for each combination of
    // their plane bits: index = plane-0 nibble + 16 x plane-1 nibble.
    QRgb quads[256][8];
};
TileColors16 PrepareTileColors16(const std::int32_t *colors);

// Paints a tile 16 x 16 at (x, y); the square must lie wholly on the surface. The same
// pixels as Paint2BPPTile at size 16.
void PaintWholeTile16(QImage &surface, const std::uint8_t *tile, const TileColors16 &colors, int x, int y);

// Fills the size x size square at (x, y) with the cleared colour: what a tile that
// cannot be read shows.
void PaintBlankTile(QImage &surface, int x, int y, int size);

// A one-pixel rectangle outline through both corners (inclusive), clipped.
void DrawBox(QImage &surface, int x1, int y1, int x2, int y2, QRgb color);

// An outline thickness pixels wide whose outer edge passes through both corners
// (inclusive), clipped.
void DrawRing(QImage &surface, int x1, int y1, int x2, int y2, int thickness, QRgb color);

// Black or white, whichever stands out against color: what marks and text drawn on a
// colour are drawn in.
constexpr QRgb ContrastingColor(QRgb color)
{
    return 299 * qRed(color) + 587 * qGreen(color) + 114 * qBlue(color) < 128000 ? 0xFFFFFFFFu : 0xFF000000u;
}

} // namespace krelin
