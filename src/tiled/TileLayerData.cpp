#include "TileLayerData.h"

#include <zlib.h>
#include <zstd.h>

#include <array>
#include <cstring>

namespace krelin {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

QString countText(qsizetype n)
{
    return QString::number(n) + (n == 1 ? QStringLiteral(" cell") : QStringLiteral(" cells"));
}

// Unpacks a zlib (gzip: a gzip) stream into exactly out.size() bytes.
QString inflateInto(QByteArrayView packed, std::span<std::uint8_t> out, bool gzip)
{
    const QLatin1String kind(gzip ? "gzip" : "zlib");
    z_stream stream{};
    if (inflateInit2(&stream, gzip ? 16 + MAX_WBITS : MAX_WBITS) != Z_OK)
        return QStringLiteral("the data cannot be unpacked: zlib could not start");
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    stream.avail_in = uInt(packed.size());
    stream.next_out = out.data();
    stream.avail_out = uInt(out.size());
    int status = Z_OK;
    while (status == Z_OK && stream.avail_out > 0 && stream.avail_in > 0)
        status = inflate(&stream, Z_NO_FLUSH);
    // The layer is full: the stream must end here, giving nothing more.
    std::uint8_t extra = 0;
    if ((status == Z_OK || status == Z_BUF_ERROR) && stream.avail_out == 0) {
        stream.next_out = &extra;
        stream.avail_out = 1;
        status = inflate(&stream, Z_NO_FLUSH);
    }
    const bool tooMuch = stream.next_out == &extra + 1;
    const uLong written = stream.total_out;
    const uInt left = stream.avail_in;
    const QString message = QLatin1String(stream.msg ? stream.msg : "unreadable stream");
    inflateEnd(&stream);
    if (tooMuch)
        return QStringLiteral("the unpacked data holds more than the layer's %1").arg(countText(qsizetype(out.size() / 4)));
    if (status == Z_STREAM_END) {
        if (written != out.size())
            return QStringLiteral("the unpacked data holds %1 bytes, not the %2 of the layer's %3")
                .arg(written)
                .arg(out.size())
                .arg(countText(qsizetype(out.size() / 4)));
        if (left != 0)
            return QStringLiteral("%1 bytes follow the end of the %2 data").arg(left).arg(kind);
        return {};
    }
    if (status == Z_OK || status == Z_BUF_ERROR)
        return QStringLiteral("the %1 data ends early (truncated)").arg(kind);
    return QStringLiteral("the %1 data is damaged (%2)").arg(kind, message);
}

// Unpacks zstd frames into exactly out.size() bytes.
QString unzstdInto(QByteArrayView packed, std::span<std::uint8_t> out)
{
    ZSTD_DStream *stream = ZSTD_createDStream();
    if (!stream)
        return QStringLiteral("the data cannot be unpacked: zstd could not start");
    const auto damaged = [stream](std::size_t status) {
        ZSTD_freeDStream(stream);
        return QStringLiteral("the zstd data is damaged (%1)").arg(QLatin1String(ZSTD_getErrorName(status)));
    };
    ZSTD_inBuffer in{packed.data(), std::size_t(packed.size()), 0};
    ZSTD_outBuffer to{out.data(), out.size(), 0};
    std::size_t status = 0; // 0: the last frame is complete
    while (to.pos < to.size && in.pos < in.size) {
        status = ZSTD_decompressStream(stream, &to, &in);
        if (ZSTD_isError(status))
            return damaged(status);
    }
    if (to.pos < to.size) {
        ZSTD_freeDStream(stream);
        if (status != 0)
            return QStringLiteral("the zstd data ends early (truncated)");
        return QStringLiteral("the unpacked data holds %1 bytes, not the %2 of the layer's %3")
            .arg(to.pos)
            .arg(out.size())
            .arg(countText(qsizetype(out.size() / 4)));
    }
    // The layer is full: the stream must end here, giving nothing more.
    std::uint8_t extra = 0;
    ZSTD_outBuffer more{&extra, 1, 0};
    while (status != 0 || in.pos < in.size) {
        const std::size_t before = in.pos;
        status = ZSTD_decompressStream(stream, &more, &in);
        if (ZSTD_isError(status))
            return damaged(status);
        if (more.pos > 0) {
            ZSTD_freeDStream(stream);
            return QStringLiteral("the unpacked data holds more than the layer's %1").arg(countText(qsizetype(out.size() / 4)));
        }
        if (status != 0 && in.pos == before) {
            ZSTD_freeDStream(stream);
            return QStringLiteral("the zstd data ends early (truncated)");
        }
    }
    ZSTD_freeDStream(stream);
    return {};
}

} // namespace

DecodedCells DecodeCsvCells(QByteArrayView text, qsizetype count)
{
    DecodedCells cells;
    cells.ids.resize(std::size_t(count));
    std::uint32_t *out = cells.ids.data();
    const char *p = text.data(), *const end = p + text.size();
    qsizetype found = 0;
    enum { Read, NotANumber, TooLarge, NoComma } fault = Read;
    while (p < end && isSpace(*p))
        ++p;
    // A tight loop; what went wrong is worked out only once it has.
    while (p < end) {
        unsigned digit = unsigned(*p - '0');
        if (digit > 9) {
            fault = NotANumber;
            break;
        }
        std::uint64_t value = digit;
        ++p;
        while (p < end && (digit = unsigned(*p - '0')) <= 9) {
            value = value * 10 + digit;
            ++p;
            if (value > 0xFFFFFFFFu)
                break;
        }
        if (value > 0xFFFFFFFFu) {
            fault = TooLarge;
            break;
        }
        if (found < count)
            out[found] = std::uint32_t(value);
        ++found;
        while (p < end && isSpace(*p))
            ++p;
        if (p == end)
            break;
        if (*p != ',') {
            fault = NoComma;
            break;
        }
        ++p;
        while (p < end && isSpace(*p))
            ++p;
    }
    if (fault == NotANumber) {
        const char *stop = p;
        while (stop < end && stop - p < 12 && *stop != ',' && !isSpace(*stop))
            ++stop;
        cells.error = QStringLiteral("the layer's CSV data holds \"%1\" where cell %2 should be a number")
                          .arg(QString::fromUtf8(p, stop - p))
                          .arg(found);
    } else if (fault == TooLarge) {
        cells.error = QStringLiteral("cell %1 of the layer's CSV data is too large a number").arg(found);
    } else if (fault == NoComma) {
        cells.error = QStringLiteral("the layer's CSV data has \"%1\" after cell %2 where a comma should be")
                          .arg(QString::fromUtf8(p, 1))
                          .arg(found - 1);
    } else if (found != count) {
        cells.error = QStringLiteral("the layer's CSV data holds %1, not %2").arg(countText(found), countText(count));
    }
    if (!cells.ok())
        cells.ids.clear();
    return cells;
}

DecodedCells DecodeBase64Cells(QByteArrayView text, const QString &compression, qsizetype count)
{
    DecodedCells cells;
    QByteArray compact;
    compact.reserve(text.size());
    for (const char c : text)
        if (!isSpace(c))
            compact.append(c);
    const auto decoded = QByteArray::fromBase64Encoding(compact, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        cells.error = QStringLiteral("the layer's base64 data is damaged (a character that base64 does not use)");
        return cells;
    }
    const QByteArray &packed = decoded.decoded;
    std::vector<std::uint8_t> bytes(std::size_t(count) * 4);
    if (compression.isEmpty()) {
        if (packed.size() != qsizetype(bytes.size())) {
            cells.error = QStringLiteral("the layer's base64 data holds %1 bytes, not the %2 of %3")
                              .arg(packed.size())
                              .arg(bytes.size())
                              .arg(countText(count));
            return cells;
        }
        if (!bytes.empty()) // a layer of no cells has no bytes to copy to
            std::memcpy(bytes.data(), packed.constData(), bytes.size());
    } else if (compression == QLatin1String("zlib") || compression == QLatin1String("gzip")) {
        cells.error = inflateInto(packed, bytes, compression == QLatin1String("gzip"));
    } else if (compression == QLatin1String("zstd")) {
        cells.error = unzstdInto(packed, bytes);
    } else {
        cells.error = QStringLiteral("the layer's data is compressed as \"%1\", which is not zlib, gzip or zstd")
                          .arg(compression);
    }
    if (!cells.ok())
        return cells;
    cells.ids.resize(std::size_t(count));
    for (std::size_t i = 0; i < cells.ids.size(); ++i)
        cells.ids[i] = std::uint32_t(bytes[4 * i]) | std::uint32_t(bytes[4 * i + 1]) << 8
            | std::uint32_t(bytes[4 * i + 2]) << 16 | std::uint32_t(bytes[4 * i + 3]) << 24;
    return cells;
}

QByteArray EncodeCsvCells(std::span<const std::uint32_t> ids, int width)
{
    // Written into place: at most ten digits and two separators a number.
    QByteArray text(qsizetype(ids.size()) * 12, Qt::Uninitialized);
    char *out = text.data();
    // The digits of 0..999, three a number, and how many of them count.
    static constexpr auto small = [] {
        std::array<char, 4000> table{};
        for (int v = 0; v < 1000; ++v) {
            const int n = v < 10 ? 1 : v < 100 ? 2 : 3;
            for (int k = n - 1, rest = v; k >= 0; --k, rest /= 10)
                table[std::size_t(4 * v + k)] = char('0' + rest % 10);
            table[std::size_t(4 * v + 3)] = char(n);
        }
        return table;
    }();
    for (std::size_t i = 0; i < ids.size(); ++i) {
        std::uint32_t v = ids[i];
        if (v < 1000) {
            std::memcpy(out, small.data() + 4 * v, 3);
            out += small[4 * v + 3];
        } else {
            char digits[10];
            int n = 0;
            do
                digits[n++] = char('0' + v % 10);
            while ((v /= 10) != 0);
            while (n > 0)
                *out++ = digits[--n];
        }
        if (i + 1 < ids.size()) {
            *out++ = ',';
            if ((i + 1) % std::size_t(width) == 0)
                *out++ = '\n';
        }
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace krelin
