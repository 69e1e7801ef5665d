#include "TiledExport.h"

#include "IndexedPng.h"
#include "TileLayerData.h"
#include "TiledJson.h"
#include "core/FileWriter.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "render/MetaTileIndices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace krelin {

namespace {

constexpr int SheetSide = TiledSheetColumns * TiledTileSize; // 256

// Appends name="value" to out, value escaped as an XML attribute's.
void attribute(QByteArray &out, const char *name, const QString &text)
{
    QByteArray value = text.toUtf8();
    if (std::any_of(value.begin(), value.end(), [](char c) { return c == '&' || c == '<' || c == '>' || c == '"'; }))
        value.replace('&', "&amp;").replace('<', "&lt;").replace('>', "&gt;").replace('"', "&quot;");
    out.append(' ').append(name).append("=\"").append(value).append('"');
}

void attribute(QByteArray &out, const char *name, qint64 number)
{
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(number));
    out.append(' ').append(name).append("=\"").append(digits, n).append('"');
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
    if (!level)
        return c; // the stage does not fit the image: empty cells, which no import takes
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

// Written as text rather than with QXmlStreamWriter, which takes several times as long
// over a stage's cells.
QByteArray writeTmx(const MapContent &c)
{
    QByteArray out;
    out.reserve(qsizetype(c.ids.size()) * 4 + 200 * c.stage.Frames + 1024);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<map version=\"1.8\" orientation=\"orthogonal\" "
           "renderorder=\"right-down\"";
    attribute(out, "width", c.width);
    attribute(out, "height", FrameRows);
    attribute(out, "tilewidth", TiledTileSize);
    attribute(out, "tileheight", TiledTileSize);
    out += " infinite=\"0\" nextlayerid=\"3\"";
    attribute(out, "nextobjectid", c.stage.Frames + 1);
    out += ">\n <properties>\n  <property";
    attribute(out, "name", TiledChecksumProperty);
    attribute(out, "value", c.checksum);
    out += "/>\n  <property";
    attribute(out, "name", TiledStageProperty);
    attribute(out, "value", QLatin1String(c.stage.name));
    out += "/>\n </properties>\n <tileset firstgid=\"1\"";
    attribute(out, "name", tilesetTitle(c.stage));
    attribute(out, "tilewidth", TiledTileSize);
    attribute(out, "tileheight", TiledTileSize);
    attribute(out, "tilecount", MetaTileCount);
    attribute(out, "columns", TiledSheetColumns);
    out += ">\n  <image";
    attribute(out, "source", c.tilesetName);
    attribute(out, "width", SheetSide);
    attribute(out, "height", SheetSide);
    out += "/>\n </tileset>\n <layer id=\"1\"";
    attribute(out, "name", TiledLevelLayer);
    attribute(out, "width", c.width);
    attribute(out, "height", FrameRows);
    out += ">\n  <data encoding=\"csv\">\n";
    out += EncodeCsvCells(c.ids, c.width);
    out += "\n</data>\n </layer>\n <objectgroup id=\"2\"";
    attribute(out, "name", TiledFramesLayer);
    out += ">\n";
    for (int f = 0; f < c.stage.Frames; ++f) {
        out += "  <object";
        attribute(out, "id", f + 1);
        attribute(out, "name", TiledFrameObjectName(f));
        attribute(out, "x", FrameColumns * TiledTileSize * f);
        out += " y=\"0\"";
        attribute(out, "width", FrameColumns * TiledTileSize);
        attribute(out, "height", FrameRows * TiledTileSize);
        out += ">\n   <properties>\n    <property";
        attribute(out, "name", TiledRoomProperty);
        out += " type=\"int\"";
        attribute(out, "value", c.rooms[std::size_t(f)]);
        out += "/>\n   </properties>\n  </object>\n";
    }
    out += " </objectgroup>\n</map>\n";
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
    uLong crc = crc32(0, nullptr, 0);
    for (const ByteRange &r : {TilesRange(stage), MetaTileRecordsRange(stage), SubPalettesRange(stage), PaletteRange(stage)}) {
        // Bytes past the image's end count as none.
        const qint64 from = std::min(r.offset, qint64(image.size())), to = std::min(r.end(), qint64(image.size()));
        crc = crc32_z(crc, image.data() + from, std::size_t(to - from));
    }
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

QImage DrawMetaTileSheet(const modKrelin &model, const BgColorSet &colors)
{
    QImage sheet(SheetSide, SheetSide, QImage::Format_Indexed8);
    // Tiles that lie outside the image show the cleared colour, a seventeenth.
    sheet.setColorTable(MetaTileIndexColors(colors).mid(0, PaletteBytes + !model.bytesAt(TilesRange(model).offset,
                                                                                        TilesRange(model).length)));
    MetaTileIndices indices;
    uchar *bits = sheet.bits();
    const qsizetype stride = sheet.bytesPerLine();
    for (int n = 0; n < MetaTileCount; ++n) {
        const std::uint8_t *from = indices.of(model, n);
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
    files.tileset = EncodeIndexedPng(DrawMetaTileSheet(model, colors));
    return files;
}

QString WriteTiledStage(const modKrelin &model, const QString &mapPath, const BgColorSet &colors,
                        const QList<InputFile> &inputs)
{
    const std::optional<TiledFormat> format = TiledFormatFor(mapPath);
    const QString shownMap = QDir::toNativeSeparators(mapPath);
    if (!format)
        return QStringLiteral("cannot write %1: a map's name ends in .tmx (TMX) or .tmj (TMJ)").arg(shownMap);
    const QString picturePath = TilesetPicturePath(mapPath);
    const QString shownPicture = QDir::toNativeSeparators(picturePath);
    // The map names its picture; XML cannot hold a control character, even escaped.
    const QString pictureName = QFileInfo(picturePath).fileName();
    if (std::any_of(pictureName.begin(), pictureName.end(), [](QChar c) { return c.unicode() < 0x20; }))
        return QStringLiteral("cannot write %1: a map's name may not hold a control character").arg(shownMap);
    // Neither file may land on an input, the cartridge above all, by whatever name or link.
    for (const QString &path : {mapPath, picturePath})
        if (const QString problem = OutputOverInputProblem(path, inputs); !problem.isEmpty())
            return problem;

    const TiledStageFiles files = EncodeTiledStage(model, *format, pictureName, colors);
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
