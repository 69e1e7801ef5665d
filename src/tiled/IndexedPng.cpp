#include "IndexedPng.h"

#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace krelin {

namespace {

void appendWord(QByteArray &out, quint32 value)
{
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    out.append(bytes, 4);
}

// A chunk: its length, type, data and the CRC-32 of type and data.
void appendChunk(QByteArray &out, const char type[4], const QByteArray &data)
{
    appendWord(out, quint32(data.size()));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data);
    appendWord(out, quint32(crc32(0, reinterpret_cast<const Bytef *>(out.constData() + start), uInt(data.size() + 4))));
}

// Packs eight pixels of colours 0..15 into four bytes, the first pixel of each pair in
// the high half; returns the eight as read, for the caller to see that none is above 15.
std::uint64_t packEight(const uchar *from, uchar *to)
{
    const std::uint64_t pixels = qFromLittleEndian<std::uint64_t>(from);
    // In each 16-bit lane (first pixel low): first << 4 | second in the low byte.
    std::uint64_t pairs = ((pixels & 0x00FF00FF00FF00FFu) << 4) | ((pixels >> 8) & 0x00FF00FF00FF00FFu);
    pairs = (pairs & 0x000000FF000000FFu) | ((pairs >> 8) & 0x0000FF000000FF00u);
    pairs = (pairs & 0xFFFFu) | ((pairs >> 16) & 0xFFFF0000u);
    qToLittleEndian(std::uint32_t(pairs), to);
    return pixels;
}

} // namespace

QByteArray EncodeIndexedPng(const QImage &picture)
{
    if (picture.format() != QImage::Format_Indexed8 || picture.isNull() || picture.colorCount() == 0)
        return {};
    const int width = picture.width(), height = picture.height(), colors = picture.colorCount();
    // A pixel of a colour past the table has no colour in the file either: such a PNG is
    // not valid, so none is written.
    for (int y = 0; y < height; ++y) {
        const uchar *row = picture.constScanLine(y);
        if (*std::max_element(row, row + width) >= colors)
            return {};
    }
    // The rows, each after its filter byte (0: none): two pixels a byte while 16 colours
    // do, else one.
    const auto rows = [&](bool nibbles) {
        const qsizetype rowBytes = nibbles ? (width + 1) / 2 : width;
        QByteArray raw(height * (rowBytes + 1), '\0');
        std::uint64_t used = 0;
        for (int y = 0; y < height; ++y) {
            const uchar *from = picture.constScanLine(y);
            uchar *to = reinterpret_cast<uchar *>(raw.data()) + y * (rowBytes + 1) + 1;
            if (!nibbles) {
                std::memcpy(to, from, std::size_t(width));
                continue;
            }
            int x = 0;
            for (; x + 8 <= width; x += 8, to += 4)
                used |= packEight(from + x, to);
            for (; x + 1 < width; x += 2) {
                used |= from[x] | from[x + 1];
                *to++ = uchar(from[x] << 4 | (from[x + 1] & 0x0F));
            }
            if (width & 1) {
                used |= from[width - 1];
                *to = uchar(from[width - 1] << 4);
            }
        }
        return (used & 0xF0F0F0F0F0F0F0F0u) == 0 ? raw : QByteArray();
    };
    bool nibbles = colors <= 16;
    QByteArray raw = rows(nibbles);
    if (raw.isEmpty()) { // a pixel of a seventeenth colour
        nibbles = false;
        raw = rows(false);
    }

    // Stored, not packed: packing even at zlib's fastest level takes twenty times as long,
    // for a file that is a tool's working copy, not one to keep.
    z_stream stream{};
    if (deflateInit2(&stream, Z_NO_COMPRESSION, Z_DEFLATED, 9, 1, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    QByteArray packed(qsizetype(deflateBound(&stream, uLong(raw.size()))), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(raw.data());
    stream.avail_in = uInt(raw.size());
    stream.next_out = reinterpret_cast<Bytef *>(packed.data());
    stream.avail_out = uInt(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    if (status != Z_STREAM_END)
        return {};

    QByteArray header;
    appendWord(header, quint32(width));
    appendWord(header, quint32(height));
    header.append(char(nibbles ? 4 : 8)); // bits a pixel
    header.append(char(3));               // indexed colour
    header.append(3, '\0');               // deflate, the one filter method, not interlaced
    QByteArray palette, alpha;
    for (int i = 0; i < colors; ++i) {
        const QRgb c = picture.color(i);
        palette.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c)));
        alpha.append(char(qAlpha(c)));
    }
    // The colours' alpha, up to the last that is not opaque (the rest are, as PNG has it).
    while (!alpha.isEmpty() && uchar(alpha.back()) == 0xFF)
        alpha.chop(1);

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    appendChunk(png, "IHDR", header);
    appendChunk(png, "PLTE", palette);
    if (!alpha.isEmpty())
        appendChunk(png, "tRNS", alpha);
    appendChunk(png, "IDAT", packed);
    appendChunk(png, "IEND", {});
    return png;
}

} // namespace krelin
