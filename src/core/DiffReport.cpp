#include "DiffReport.h"

#include <QJsonArray>

namespace krelin {

namespace {

// A line lists this many items of a kind, then counts the rest.
constexpr qsizetype MaxShown = 8;

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QChar(u'0')).toUpper();
}

QString offsetText(qint64 offset)
{
    return QStringLiteral("0x") + QString::number(offset, 16).toUpper();
}

QString counted(qsizetype n, const char *one, const char *many)
{
    return QString::number(n) + u' ' + QLatin1String(n == 1 ? one : many);
}

QString change(const QString &a, const QString &b)
{
    return a + QStringLiteral(" → ") + b;
}

// "3 cells (first; second; third)", or with "; … and 5 more" before the parenthesis.
template <typename List, typename Item>
QString listed(const List &list, const char *one, const char *many, const char *separator, Item item)
{
    const qsizetype n = qsizetype(list.size());
    QStringList shown;
    for (qsizetype i = 0; i < n && i < MaxShown; ++i)
        shown << item(i);
    QString text = counted(n, one, many) + QStringLiteral(" (") + shown.join(QLatin1String(separator));
    if (n > MaxShown)
        text += QLatin1String(separator) + QStringLiteral("… and %1 more").arg(n - MaxShown);
    return text + u')';
}

QString tilesText(const MetaTileBytes &m)
{
    QStringList tiles;
    for (const std::uint8_t t : m.tiles)
        tiles << hex2(t);
    return tiles.join(u' ');
}

QString metaTileText(const MetaTileDiff &m)
{
    QStringList parts;
    if (m.a.tiles != m.b.tiles)
        parts << QStringLiteral("tiles ") + change(tilesText(m.a), tilesText(m.b));
    if (m.a.subPalette != m.b.subPalette)
        parts << QStringLiteral("sub-palette ") + change(QString::number(m.a.subPalette), QString::number(m.b.subPalette));
    return hex2(m.metaTile) + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QStringList stageLines(const StageDiff &d)
{
    QStringList lines;
    const QString prefix = d.stage->caption() + QStringLiteral(": ");
    if (!d.cells.empty())
        lines << prefix + listed(d.cells, "cell", "cells", "; ", [&](qsizetype i) {
                     const CellDiff &c = d.cells[std::size_t(i)];
                     const bool newFrame = i == 0 || d.cells[std::size_t(i - 1)].frame != c.frame;
                     return (newFrame ? QStringLiteral("frame %1: ").arg(c.frame) : QString())
                         + QStringLiteral("row %1, column %2: ").arg(c.row).arg(c.column)
                         + change(hex2(c.a), hex2(c.b));
                 });
    if (!d.rooms.empty())
        lines << prefix + listed(d.rooms, "room", "rooms", "; ", [&](qsizetype i) {
                     const RoomDiff &r = d.rooms[std::size_t(i)];
                     return QStringLiteral("frame %1: ").arg(r.frame) + change(hex2(r.a), hex2(r.b));
                 });
    if (!d.metaTiles.empty())
        lines << prefix + listed(d.metaTiles, "metatile", "metatiles", "; ",
                                 [&](qsizetype i) { return metaTileText(d.metaTiles[std::size_t(i)]); });
    if (!d.tiles.empty())
        lines << prefix + listed(d.tiles, "tile", "tiles", ", ", [&](qsizetype i) { return hex2(d.tiles[std::size_t(i)]); });
    if (!d.palette.empty())
        lines << prefix + listed(d.palette, "palette entry", "palette entries", "; ", [&](qsizetype i) {
                     const PaletteDiff &p = d.palette[std::size_t(i)];
                     return QStringLiteral("entry %1: ").arg(p.entry)
                         + change(u'$' + hex2(p.a), u'$' + hex2(p.b));
                 });
    return lines;
}

QJsonArray bytesArray(const MetaTileBytes &m)
{
    QJsonArray array;
    for (const std::uint8_t t : m.tiles)
        array.append(t);
    array.append(m.subPalette);
    return array;
}

QJsonObject stageJson(const StageDiff &d)
{
    QJsonArray cells, rooms, metaTiles, tiles, palette;
    for (const CellDiff &c : d.cells)
        cells.append(QJsonObject{{QStringLiteral("frame"), c.frame},
                                 {QStringLiteral("row"), c.row},
                                 {QStringLiteral("column"), c.column},
                                 {QStringLiteral("a"), c.a},
                                 {QStringLiteral("b"), c.b}});
    for (const RoomDiff &r : d.rooms)
        rooms.append(QJsonObject{{QStringLiteral("frame"), r.frame}, {QStringLiteral("a"), r.a}, {QStringLiteral("b"), r.b}});
    for (const MetaTileDiff &m : d.metaTiles)
        metaTiles.append(QJsonObject{{QStringLiteral("metatile"), m.metaTile},
                                     {QStringLiteral("a"), bytesArray(m.a)},
                                     {QStringLiteral("b"), bytesArray(m.b)}});
    for (const int t : d.tiles)
        tiles.append(QJsonObject{{QStringLiteral("tile"), t}});
    for (const PaletteDiff &p : d.palette)
        palette.append(QJsonObject{{QStringLiteral("entry"), p.entry}, {QStringLiteral("a"), p.a}, {QStringLiteral("b"), p.b}});
    return {{QStringLiteral("stage"), QLatin1String(d.stage->name)},
            {QStringLiteral("cells"), cells},
            {QStringLiteral("rooms"), rooms},
            {QStringLiteral("metatiles"), metaTiles},
            {QStringLiteral("tiles"), tiles},
            {QStringLiteral("palette"), palette}};
}

} // namespace

QStringList DiffSummary(const ImageDiff &diff, const QString &nameA, const QString &nameB)
{
    QStringList lines;
    if (diff.identical())
        return lines;
    const qint64 a = diff.sizeA(), b = diff.sizeB();
    if (a != b)
        lines << QStringLiteral("Sizes: %1 has %2 bytes, %3 has %4 (%5 %6)")
                     .arg(nameA)
                     .arg(a)
                     .arg(nameB)
                     .arg(b)
                     .arg(std::abs(b - a))
                     .arg(b > a ? QStringLiteral("more") : QStringLiteral("fewer"));
    for (const StageDiff *d : diff.differingStages())
        lines << stageLines(*d);

    const std::vector<const Stage *> notCompared = diff.stagesNotCompared();
    if (!notCompared.empty()) {
        QStringList names;
        for (const Stage *s : notCompared)
            names << QLatin1String(s->name);
        const QString where = a == b ? QStringLiteral("both images") : (a < b ? nameA : nameB);
        lines << QStringLiteral("Not compared: %1 %2, whose data lies past the end of %3 (%4 bytes); the bytes %5 "
                                "read count as other")
                     .arg(names.size() == 1 ? QStringLiteral("stage") : QStringLiteral("stages"), names.join(QStringLiteral(", ")),
                          where, QString::number(std::min(a, b)),
                          names.size() == 1 ? QStringLiteral("it") : QStringLiteral("they"));
    }

    const std::vector<ByteRange> other = diff.other();
    if (!other.empty()) {
        qint64 bytes = 0;
        for (const ByteRange &r : other)
            bytes += r.length;
        lines << QStringLiteral("Other: ") + counted(qsizetype(bytes), "byte", "bytes") + QStringLiteral(" in ")
                + listed(other, "range", "ranges", ", ", [&](qsizetype i) {
                      const ByteRange &r = other[std::size_t(i)];
                      return r.length == 1 ? offsetText(r.offset)
                                           : offsetText(r.offset) + QStringLiteral("..") + offsetText(r.end() - 1);
                  });
    }
    return lines;
}

QJsonObject DiffJson(const ImageDiff &diff, const QString &nameA, const QString &nameB)
{
    QJsonArray stages, other;
    for (const StageDiff *d : diff.differingStages())
        stages.append(stageJson(*d));
    for (const ByteRange &r : diff.other())
        other.append(QJsonObject{{QStringLiteral("offset"), r.offset}, {QStringLiteral("length"), r.length}});
    QJsonArray notCompared;
    for (const Stage *s : diff.stagesNotCompared())
        notCompared.append(QLatin1String(s->name));
    return {{QStringLiteral("a"), nameA},
            {QStringLiteral("b"), nameB},
            {QStringLiteral("identical"), diff.identical()},
            {QStringLiteral("sizes"), QJsonObject{{QStringLiteral("a"), diff.sizeA()}, {QStringLiteral("b"), diff.sizeB()}}},
            {QStringLiteral("stages"), stages},
            {QStringLiteral("notCompared"), notCompared},
            {QStringLiteral("other"), other}};
}

} // namespace krelin
