#include "TiledExport.h"

#include "TileLayerData.h"
#include "TiledJson.h"
#include "core/FileWriter.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/OverviewPicture.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

constexpr int SheetSide = TiledSheetColumns * TiledTileSize; // 256

struct Override
{
    qint64 offset;
    const std::uint8_t *bytes; // nullptr: zeros
    qint64 length;
};

// CRC-32 of image with the overrides (apart, ascending) in place of its bytes.
std::uint32_t crcWith(const std::vector<std::uint8_t> &image, std::vector<Override> overrides)
{
    static const std::uint8_t zeros[4096] = {};
    uLong crc = crc32(0, nullptr, 0);
    qint64 at = 0;
    const qint64 size = qint64(image.size());
    for (const Override &o : overrides) {
        const qint64 from = std::clamp(o.offset, at, size), to = std::clamp(o.offset + o.length, from, size);
        crc = crc32_z(crc, image.data() + at, std::size_t(from - at));
        for (qint64 p = from; p < to;) {
            const qint64 n = std::min<qint64>(to - p, o.bytes ? to - p : qint64(sizeof zeros));
            crc = crc32_z(crc, o.bytes ? o.bytes + (p - o.offset) : zeros, std::size_t(n));
            p += n;
        }
        at = to;
    }
    return std::uint32_t(crc32_z(crc, image.data() + at, std::size_t(size - at)));
}

void writeProperty(QXmlStreamWriter &xml, const QString &name, const QString &type, const QString &value)
{
    xml.writeEmptyElement(QStringLiteral("property"));
    xml.writeAttribute(QStringLiteral("name"), name);
    if (!type.isEmpty())
        xml.writeAttribute(QStringLiteral("type"), type);
    xml.writeAttribute(QStringLiteral("value"), value);
}

// What both formats write: the map's size, its properties, cells and rooms.
struct MapContent
{
    const Stage &stage;
    int width;
    QString checksum;
    std::vector<std::uint32_t> ids; // the cells of the whole map, row by row
    std::vector<int> rooms;
    QString tilesetName;
};

MapContent contentOf(const modKrelin &model, const QString &tilesetName)
{
    const Stage &stage = *model.currentStage();
    MapContent c{stage, FrameColumns * stage.Frames, StageImageChecksum(model.image(), stage), {}, {}, tilesetName};
    c.ids.resize(std::size_t(c.width) * FrameRows);
    const std::uint8_t *level = model.bytesAt(LevelRange(model, stage.Frames).offset, LevelRange(model, stage.Frames).length);
    for (int f = 0; f < stage.Frames; ++f)
        for (int row = 0; row < FrameRows; ++row)
            for (int col = 0; col < FrameColumns; ++col)
                c.ids[std::size_t(row * c.width + f * FrameColumns + col)] =
                    1u + level[FrameBytes * f + FrameColumns * row + col]; // the tileset starts at id 1
    for (int f = 0; f < stage.Frames; ++f)
        c.rooms.push_back(model.byteAt(FrameRoomOffset(model, f)));
    return c;
}

QString tilesetTitle(const Stage &stage)
{
    return stage.caption() + QStringLiteral(" metatiles");
}

QByteArray writeTmx(const MapContent &c)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(1);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("map"));
    const auto number = [&xml](const char *name, qint64 value) { xml.writeAttribute(QLatin1String(name), QString::number(value)); };
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.8"));
    xml.writeAttribute(QStringLiteral("orientation"), QStringLiteral("orthogonal"));
    xml.writeAttribute(QStringLiteral("renderorder"), QStringLiteral("right-down"));
    number("width", c.width);
    number("height", FrameRows);
    number("tilewidth", TiledTileSize);
    number("tileheight", TiledTileSize);
    number("infinite", 0);
    number("nextlayerid", 3);
    number("nextobjectid", c.stage.Frames + 1);
    xml.writeStartElement(QStringLiteral("properties"));
    writeProperty(xml, TiledChecksumProperty, {}, c.checksum);
    writeProperty(xml, TiledStageProperty, {}, QLatin1String(c.stage.name));
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("tileset"));
    number("firstgid", 1);
    xml.writeAttribute(QStringLiteral("name"), tilesetTitle(c.stage));
    number("tilewidth", TiledTileSize);
    number("tileheight", TiledTileSize);
    number("tilecount", MetaTileCount);
    number("columns", TiledSheetColumns);
    xml.writeEmptyElement(QStringLiteral("image"));
    xml.writeAttribute(QStringLiteral("source"), c.tilesetName);
    number("width", SheetSide);
    number("height", SheetSide);
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("layer"));
    number("id", 1);
    xml.writeAttribute(QStringLiteral("name"), TiledLevelLayer);
    number("width", c.width);
    number("height", FrameRows);
    xml.writeStartElement(QStringLiteral("data"));
    xml.writeAttribute(QStringLiteral("encoding"), QStringLiteral("csv"));
    xml.writeCharacters(QString::fromLatin1('\n' + EncodeCsvCells(c.ids, c.width) + '\n'));
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeStartElement(QStringLiteral("objectgroup"));
    number("id", 2);
    xml.writeAttribute(QStringLiteral("name"), TiledFramesLayer);
    for (int f = 0; f < c.stage.Frames; ++f) {
        xml.writeStartElement(QStringLiteral("object"));
        number("id", f + 1);
        xml.writeAttribute(QStringLiteral("name"), TiledFrameObjectName(f));
        number("x", FrameColumns * TiledTileSize * f);
        number("y", 0);
        number("width", FrameColumns * TiledTileSize);
        number("height", FrameRows * TiledTileSize);
        xml.writeStartElement(QStringLiteral("properties"));
        writeProperty(xml, TiledRoomProperty, QStringLiteral("int"), QString::number(c.rooms[std::size_t(f)]));
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return out;
}

QByteArray writeTmj(const MapContent &c)
{
    JsonWriter json;
    json.begin('{');
    json.field("compressionlevel", -1);
    json.field("height", FrameRows);
    json.field("infinite", false);
    json.key("layers");
    json.begin('[');
    json.begin('{');
    json.key("data");
    json.raw('[' + EncodeCsvCells(c.ids, c.width).replace('\n', "\n  ") + ']');
    json.field("height", FrameRows);
    json.field("id", 1);
    json.field("name", TiledLevelLayer);
    json.field("opacity", 1);
    json.field("type", QStringLiteral("tilelayer"));
    json.field("visible", true);
    json.field("width", c.width);
    json.field("x", 0);
    json.field("y", 0);
    json.end('}');
    json.begin('{');
    json.field("draworder", QStringLiteral("topdown"));
    json.field("id", 2);
    json.field("name", TiledFramesLayer);
    json.key("objects");
    json.begin('[');
    for (int f = 0; f < c.stage.Frames; ++f) {
        json.begin('{');
        json.field("height", FrameRows * TiledTileSize);
        json.field("id", f + 1);
        json.field("name", TiledFrameObjectName(f));
        json.key("properties");
        json.begin('[');
        json.property(TiledRoomProperty, QStringLiteral("int"), c.rooms[std::size_t(f)]);
        json.end(']');
        json.field("rotation", 0);
        json.field("type", QString());
        json.field("visible", true);
        json.field("width", FrameColumns * TiledTileSize);
        json.field("x", FrameColumns * TiledTileSize * f);
        json.field("y", 0);
        json.end('}');
    }
    json.end(']');
    json.field("opacity", 1);
    json.field("type", QStringLiteral("objectgroup"));
    json.field("visible", true);
    json.field("x", 0);
    json.field("y", 0);
    json.end('}');
    json.end(']');
    json.field("nextlayerid", 3);
    json.field("nextobjectid", c.stage.Frames + 1);
    json.field("orientation", QStringLiteral("orthogonal"));
    json.key("properties");
    json.begin('[');
    json.property(TiledChecksumProperty, QStringLiteral("string"), c.checksum);
    json.property(TiledStageProperty, QStringLiteral("string"), QLatin1String(c.stage.name));
    json.end(']');
    json.field("renderorder", QStringLiteral("right-down"));
    json.field("tileheight", TiledTileSize);
    json.key("tilesets");
    json.begin('[');
    json.begin('{');
    json.field("columns", TiledSheetColumns);
    json.field("firstgid", 1);
    json.field("image", c.tilesetName);
    json.field("imageheight", SheetSide);
    json.field("imagewidth", SheetSide);
    json.field("margin", 0);
    json.field("name", tilesetTitle(c.stage));
    json.field("spacing", 0);
    json.field("tilecount", MetaTileCount);
    json.field("tileheight", TiledTileSize);
    json.field("tilewidth", TiledTileSize);
    json.end('}');
    json.end(']');
    json.field("tilewidth", TiledTileSize);
    json.field("type", QStringLiteral("map"));
    json.field("version", QStringLiteral("1.8"));
    json.field("width", c.width);
    json.end('}');
    return json.text() + '\n';
}

} // namespace

QString TiledFrameObjectName(int frame)
{
    return QStringLiteral("Frame %1").arg(frame);
}

std::optional<TiledFormat> TiledFormatFor(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("tmx"))
        return TiledFormat::Tmx;
    if (suffix == QLatin1String("tmj") || suffix == QLatin1String("json"))
        return TiledFormat::Tmj;
    return std::nullopt;
}

QString TilesetPicturePath(const QString &mapPath)
{
    const QFileInfo map(mapPath);
    const QString name = map.completeBaseName() + QStringLiteral("-metatiles.png");
    return QDir(map.path()).filePath(name);
}

QString StageImageChecksum(const std::vector<std::uint8_t> &image, const Stage &stage)
{
    std::vector<Override> overrides;
    std::uint8_t fixUp[2] = {};
    if (qint64(image.size()) >= FixUpImageSize) {
        std::memcpy(fixUp, image.data() + FixUpSource, 2);
        overrides.push_back({FixUpTarget, fixUp, 2});
    }
    const ByteRange level = LevelRange(stage, stage.Frames), rooms = FrameTableRange(stage, stage.Frames);
    overrides.push_back({level.offset, nullptr, level.length});
    overrides.push_back({rooms.offset, nullptr, rooms.length});
    std::sort(overrides.begin(), overrides.end(), [](const Override &a, const Override &b) { return a.offset < b.offset; });
    std::uint32_t crc = 0;
    bool apart = true;
    for (std::size_t i = 1; i < overrides.size(); ++i)
        apart = apart && overrides[i - 1].offset + overrides[i - 1].length <= overrides[i].offset;
    if (apart) {
        crc = crcWith(image, overrides);
    } else { // not so in the stage table; a copy says it plainly
        std::vector<std::uint8_t> copy = ImageAsSaved(image);
        for (const ByteRange &r : {level, rooms})
            for (qint64 p = r.offset; p < r.end() && p < qint64(copy.size()); ++p)
                copy[std::size_t(p)] = 0;
        crc = crcWith(copy, {});
    }
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

QImage DrawMetaTileSheet(const modKrelin &model, const BgColorSet &colors)
{
    QImage sheet(SheetSide, SheetSide, QImage::Format_Indexed8);
    sheet.setColorTable(OverviewColorTable(colors).mid(0, OverviewClear + 1));
    OverviewPainter painter;
    uchar *bits = sheet.bits();
    const qsizetype stride = sheet.bytesPerLine();
    for (int n = 0; n < MetaTileCount; ++n) {
        const std::uint8_t *from = painter.metaTilePixels(model, n);
        uchar *to = bits + stride * TiledTileSize * (n / TiledSheetColumns) + TiledTileSize * (n % TiledSheetColumns);
        for (int y = 0; y < TiledTileSize; ++y, to += stride, from += TiledTileSize)
            std::memcpy(to, from, TiledTileSize);
    }
    return sheet;
}

TiledStageFiles EncodeTiledStage(const modKrelin &model, TiledFormat format, const QString &tilesetName,
                                 const BgColorSet &colors)
{
    TiledStageFiles files;
    const MapContent content = contentOf(model, tilesetName);
    files.map = format == TiledFormat::Tmx ? writeTmx(content) : writeTmj(content);
    QBuffer buffer(&files.tileset);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(DrawMetaTileSheet(model, colors)))
        files.tileset.clear();
    return files;
}

QString WriteTiledStage(const modKrelin &model, const QString &mapPath, const BgColorSet &colors,
                        const QString &protectedPath)
{
    const std::optional<TiledFormat> format = TiledFormatFor(mapPath);
    const QString shownMap = QDir::toNativeSeparators(mapPath);
    if (!format)
        return QStringLiteral("cannot write %1: a map's name ends in .tmx (TMX) or .tmj (TMJ)").arg(shownMap);
    const QString picturePath = TilesetPicturePath(mapPath);
    const QString shownPicture = QDir::toNativeSeparators(picturePath);
    // Neither file may land on the open cartridge, by whatever name or link.
    for (const QString &path : {mapPath, picturePath})
        if (!protectedPath.isEmpty() && IsSameFile(path, protectedPath))
            return QStringLiteral("%1 is the cartridge image itself; choose another name for the map")
                .arg(QDir::toNativeSeparators(path));

    const TiledStageFiles files = EncodeTiledStage(model, *format, QFileInfo(picturePath).fileName(), colors);
    if (files.tileset.isEmpty())
        return QStringLiteral("cannot encode the tileset picture %1 as PNG").arg(shownPicture);
    const bool pictureExisted = QFileInfo::exists(picturePath);
    QString reason = ReplaceFileContents(picturePath, files.tileset);
    if (!reason.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(shownPicture, reason);
    reason = ReplaceFileContents(mapPath, files.map);
    if (!reason.isEmpty()) {
        if (!pictureExisted)
            QFile::remove(picturePath);
        return QStringLiteral("cannot write %1: %2").arg(shownMap, reason);
    }
    return {};
}

} // namespace krelin
