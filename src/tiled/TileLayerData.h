#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

// The cells of a tile layer as a map file writes them: one global tile id per cell, row
// by row, in one of the forms the map editor offers: numbers separated by commas (CSV),
// or little-endian 32-bit ids in base64, raw or compressed with zlib, gzip or zstd. The
// compressed forms are read with zlib and libzstd.

// The flags a map editor keeps in the top bits of an id: flipped horizontally,
// vertically, diagonally (a turn), and turned by 120 degrees on hexagonal maps.
inline constexpr std::uint32_t TileFlipFlags = 0xF0000000u;

struct DecodedCells
{
    std::vector<std::uint32_t> ids;
    QString error; // a clause saying what is wrong with the data; empty when it was read

    bool ok() const { return error.isEmpty(); }
};

// Numbers separated by commas, with any white space around them; exactly count of them.
DecodedCells DecodeCsvCells(QByteArrayView text, qsizetype count);

// Base64 text (white space ignored) of count ids, compressed as compression says: empty
// for none, "zlib", "gzip" or "zstd". A stream that is damaged, ends early, holds more
// than count ids or has bytes after its end is refused; no more than count ids are ever
// unpacked, whatever the stream claims.
DecodedCells DecodeBase64Cells(QByteArrayView text, const QString &compression, qsizetype count);

// ids as CSV, width numbers a line, each line but the last ending with a comma.
QByteArray EncodeCsvCells(std::span<const std::uint32_t> ids, int width);

} // namespace krelin
