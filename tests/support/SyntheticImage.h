#pragma once

// Small cartridge images built in memory for the tests and the benchmark, and a plain
// decoder of what a drawing should show, written independently of the drawing code.

#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace krelin::testing {

// Deterministic bytes that differ from place to place (every value 0..255 occurs).
inline std::uint8_t NoiseByte(std::uint32_t n)
{
    n = n * 2654435761u + 0x9E3779B9u;
    n ^= n >> 15;
    n *= 2246822519u;
    return std::uint8_t(n >> 24);
}

// A 0x20010-byte image with varied tiles, metatile records, sub-palettes, palette bytes
// and level bytes everywhere (so at the offsets of every stage).
inline std::vector<std::uint8_t> MakeNoiseImage(std::size_t size = 0x20010)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = NoiseByte(std::uint32_t(i));
    return bytes;
}

inline void UseStageOffsets(modKrelin &model, const Stage &stage)
{
    model.ApplyStage(stage);
}

// A master palette where every colour code has distinct red, green and blue.
inline void UseDistinctMasterPalette(modKrelin &model)
{
    for (int n = 0; n < 64; ++n) {
        model.NesRed[n] = std::int16_t(4 * n + 1);
        model.NesGreen[n] = std::int16_t(255 - 3 * n);
        model.NesBlue[n] = std::int16_t((97 * n + 13) & 0xFF);
    }
}

inline QRgb PixelOf(std::int32_t color)
{
    return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// The sixteen background colours of the current stage, straight from the image bytes.
inline std::array<QRgb, 16> ExpectedBgColors(const modKrelin &model)
{
    std::array<QRgb, 16> colors{};
    for (int i = 0; i < 16; ++i) {
        const int code = model.image().at(std::size_t(model.PalOffset) + i) % 64;
        colors[i] = qRgb(model.NesRed[code], model.NesGreen[code], model.NesBlue[code]);
    }
    return colors;
}

// Value 0..3 of pixel (col, row) of the tile whose bytes start at tile.
inline int DecodeTilePixel(const std::uint8_t *tile, int col, int row)
{
    const int low = (tile[row] >> (7 - col)) & 1;
    const int high = (tile[8 + row] >> (7 - col)) & 1;
    return low + 2 * high;
}

// What pixel (dx, dy), 0..32, of metatile n shows. The one-pixel gap between its tiles
// is reported as `gap`; a tile whose bytes lie outside the image shows the cleared colour.
inline QRgb ExpectedMetaTilePixel(const modKrelin &model, const std::array<QRgb, 16> &bg, int n, int dx,
                                  int dy, QRgb gap)
{
    if (dx == 16 || dy == 16)
        return gap;
    const auto &img = model.image();
    auto at = [&](qint64 offset) { return offset < qint64(img.size()) ? img[std::size_t(offset)] : 0; };
    const int quarter = (dx > 16 ? 1 : 0) + (dy > 16 ? 2 : 0);
    const int tileNumber = at(qint64(model.MetaTileOffset) + 4 * n + quarter);
    const int sub = at(qint64(model.MetaPalOffset) + n) % 4;
    const qint64 tileStart = qint64(model.ChrOffset) + 16 * tileNumber;
    if (tileStart + 16 > qint64(img.size()))
        return 0xFF202020;
    const int value = DecodeTilePixel(img.data() + tileStart, (dx % 17) / 2, (dy % 17) / 2);
    return bg[4 * sub + value];
}

// The colours the console shows: colour 0 of every sub-palette is entry 0's (the backdrop).
inline std::array<QRgb, 16> ExpectedConsoleColors(const modKrelin &model)
{
    std::array<QRgb, 16> colors = ExpectedBgColors(model);
    colors[4] = colors[8] = colors[12] = colors[0];
    return colors;
}

// Compares the 33 x 33 square at (px, py) of the surface with metatile n in the colours bg.
// Returns the first difference, or an empty string.
inline QString CompareMetaTile(const QImage &surface, const modKrelin &model, int n, int px, int py, QRgb gap,
                               const std::array<QRgb, 16> &bg)
{
    for (int dy = 0; dy < 33; ++dy) {
        for (int dx = 0; dx < 33; ++dx) {
            const QRgb want = ExpectedMetaTilePixel(model, bg, n, dx, dy, gap);
            const QRgb got = surface.pixel(px + dx, py + dy);
            if (got != want)
                return QStringLiteral("metatile %1 at (%2,%3): pixel (%4,%5) is %6, expected %7")
                    .arg(n).arg(px).arg(py).arg(dx).arg(dy)
                    .arg(got, 8, 16, QChar('0')).arg(want, 8, 16, QChar('0'));
        }
    }
    return {};
}

// The same in the colours of the image's palette bytes.
inline QString CompareMetaTile(const QImage &surface, const modKrelin &model, int n, int px, int py, QRgb gap)
{
    return CompareMetaTile(surface, model, n, px, py, gap, ExpectedBgColors(model));
}

} // namespace krelin::testing
