#pragma once

// Changing a map file as a script would: the tests make the bad files, the other
// encodings and the edited maps from a map the program exported, by editing its text.

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

#include <zlib.h>
#include <zstd.h>

#include <cstdint>
#include <vector>

namespace krelin::testing {

// bytes packed with zlib, gzip or zstd (anything else: as they are), as the map editor
// packs a layer.
inline QByteArray Packed(const QByteArray &bytes, const QString &compression)
{
    if (compression == QLatin1String("zstd")) {
        QByteArray out(qsizetype(ZSTD_compressBound(std::size_t(bytes.size()))), '\0');
        out.resize(qsizetype(ZSTD_compress(out.data(), std::size_t(out.size()), bytes.constData(),
                                           std::size_t(bytes.size()), 3)));
        return out;
    }
    if (compression != QLatin1String("zlib") && compression != QLatin1String("gzip"))
        return bytes;
    z_stream stream{};
    deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, compression == QLatin1String("gzip") ? 16 + 15 : 15, 8,
                 Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(bytes.size())) + 32), '\0');
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// ids as the little-endian 32-bit words a base64 layer holds.
inline QByteArray IdBytes(const std::vector<std::uint32_t> &ids)
{
    QByteArray bytes;
    for (const std::uint32_t id : ids)
        for (int k = 0; k < 4; ++k)
            bytes.append(char((id >> (8 * k)) & 0xFF));
    return bytes;
}

// The CSV cells of a TMX map's (first) layer.
inline std::vector<std::uint32_t> CsvIds(const QByteArray &tmx)
{
    const qsizetype start = tmx.indexOf("<data encoding=\"csv\">"), end = tmx.indexOf("</data>", start);
    std::vector<std::uint32_t> ids;
    if (start < 0 || end < 0)
        return ids;
    const QByteArray csv = tmx.mid(start + 21, end - start - 21);
    for (const QByteArray &n : csv.split(','))
        ids.push_back(n.trimmed().toUInt());
    return ids;
}

// The TMX map with its layer's cells given as ids, in CSV.
inline QByteArray WithIds(const QByteArray &tmx, const std::vector<std::uint32_t> &ids)
{
    const qsizetype start = tmx.indexOf("<data encoding=\"csv\">") + 21, end = tmx.indexOf("</data>", start);
    QByteArray csv = "\n";
    for (std::size_t i = 0; i < ids.size(); ++i)
        csv += QByteArray::number(ids[i]) + (i + 1 < ids.size() ? "," : "\n");
    return tmx.left(start) + csv + tmx.mid(end);
}

// The TMX map with cell index (row by row over the whole map) holding id.
inline QByteArray WithCell(const QByteArray &tmx, std::size_t index, std::uint32_t id)
{
    std::vector<std::uint32_t> ids = CsvIds(tmx);
    ids.at(index) = id;
    return WithIds(tmx, ids);
}

// The TMX map with cell index holding id and the rest of its text as it was: its lines and
// spaces kept, as an editor that changes one number leaves them.
inline QByteArray WithCellKept(const QByteArray &tmx, std::size_t index, std::uint32_t id)
{
    qsizetype at = tmx.indexOf("<data encoding=\"csv\">") + 21;
    for (std::size_t i = 0; i < index; ++i)
        at = tmx.indexOf(',', at) + 1;
    while (tmx[at] == '\n' || tmx[at] == ' ')
        ++at;
    qsizetype end = at;
    while (end < tmx.size() && tmx[end] >= '0' && tmx[end] <= '9')
        ++end;
    return tmx.left(at) + QByteArray::number(id) + tmx.mid(end);
}

// The TMX map with its layer in base64, packed as compression says (empty: not packed).
inline QByteArray WithEncoding(const QByteArray &tmx, const QString &compression)
{
    const qsizetype start = tmx.indexOf("<data encoding=\"csv\">"), end = tmx.indexOf("</data>", start);
    const QByteArray data = Packed(IdBytes(CsvIds(tmx)), compression).toBase64();
    const QByteArray head = compression.isEmpty()
        ? QByteArray("<data encoding=\"base64\">")
        : "<data encoding=\"base64\" compression=\"" + compression.toLatin1() + "\">";
    return tmx.left(start) + head + "\n   " + data + "\n  " + tmx.mid(end);
}

// The TMX map with the room property of frame f's object set to value.
inline QByteArray WithRoom(const QByteArray &tmx, int frame, const QString &value)
{
    QString text = QString::fromUtf8(tmx);
    const QRegularExpression room(QStringLiteral("(name=\"Frame %1\"[^>]*>\\s*<properties>\\s*<property name=\"room\" "
                                                 "type=\"int\" value=\")[^\"]*\"")
                                      .arg(frame));
    text.replace(room, QStringLiteral("\\1%1\"").arg(value));
    return text.toUtf8();
}

// The map with the first match of pattern replaced by after.
inline QByteArray Replaced(const QByteArray &map, const QString &pattern, const QString &after)
{
    QString text = QString::fromUtf8(map);
    const QRegularExpressionMatch match = QRegularExpression(pattern).match(text);
    if (match.hasMatch())
        text.replace(match.capturedStart(), match.capturedLength(), match.captured().replace(QRegularExpression(pattern), after));
    return text.toUtf8();
}

} // namespace krelin::testing
