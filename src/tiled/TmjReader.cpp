// Reading a TMJ map (and a TSJ tileset) with QJsonDocument.
#include "TiledMapFile.h"

#include "core/ShownText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace krelin {

namespace {

class TmjParser
{
public:
    TmjParser(const QString &folder, const QString &name)
        : folder(folder)
        , name(name)
    {
    }

    TiledMapRead readMap(const QByteArray &bytes);
    QString readTileset(const QByteArray &bytes, TiledTileset &tileset);

private:
    bool failed() const { return !error.isEmpty(); }
    void fail(const QString &what)
    {
        if (error.isEmpty())
            error = what;
    }
    // The document's top object, or a failure.
    QJsonObject parse(const QByteArray &bytes, const char *what);
    int number(const QJsonObject &object, const QString &key, const QString &of, int fallback = 0);
    QString text(const QJsonObject &object, const QString &key, const QString &of);
    void readProperties(const QJsonValue &value, QList<TiledProperty> &properties);
    void readTileset(const QJsonObject &object, TiledTileset &tileset, bool external);
    // The layers of a map or group, depth groups deep.
    void readLayers(const QJsonValue &layers, TiledMapFile &map, int depth);
    void readTileLayer(const QJsonObject &object, TiledMapFile &map);

    QString folder;
    QString name;
    QString error;
};

QJsonObject TmjParser::parse(const QByteArray &bytes, const char *what)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Where the parser stopped, as an editor shows it: line and column (in characters).
        const QByteArrayView before = QByteArrayView(bytes).first(std::clamp<qsizetype>(parseError.offset, 0, bytes.size()));
        const qsizetype lineStart = before.lastIndexOf('\n') + 1;
        fail(QStringLiteral("%1: the file is damaged or truncated: line %2, column %3: %4")
                 .arg(name)
                 .arg(before.count('\n') + 1)
                 .arg(QString::fromUtf8(before.sliced(lineStart)).size() + 1)
                 .arg(parseError.errorString()));
        return {};
    }
    if (!document.isObject())
        fail(QStringLiteral("%1: the file is not a %2: it holds no JSON object").arg(name, QLatin1String(what)));
    return document.object();
}

int TmjParser::number(const QJsonObject &object, const QString &key, const QString &of, int fallback)
{
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return fallback;
    const double d = value.toDouble(std::nan(""));
    if (!value.isDouble() || d != std::floor(d) || std::abs(d) > 1e9) {
        fail(QStringLiteral("%1: the %2 of %3 is not a whole number").arg(name, key, of));
        return fallback;
    }
    return int(d);
}

QString TmjParser::text(const QJsonObject &object, const QString &key, const QString &of)
{
    const QJsonValue value = object.value(key);
    if (!value.isUndefined() && !value.isString())
        fail(QStringLiteral("%1: the %2 of %3 is not a text").arg(name, key, of));
    return value.toString();
}

void TmjParser::readProperties(const QJsonValue &value, QList<TiledProperty> &properties)
{
    for (const QJsonValue &entry : value.toArray()) {
        const QJsonObject object = entry.toObject();
        TiledProperty property;
        property.name = object.value(QLatin1String("name")).toString();
        property.type = object.value(QLatin1String("type")).toString();
        const QJsonValue v = object.value(QLatin1String("value"));
        if (v.isDouble())
            property.value = v.toDouble() == std::floor(v.toDouble()) && std::abs(v.toDouble()) < 1e15
                ? QString::number(qint64(v.toDouble()))
                : QString::number(v.toDouble());
        else if (v.isBool())
            property.value = v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
        else
            property.value = v.toString();
        properties.append(property);
    }
}

void TmjParser::readTileset(const QJsonObject &object, TiledTileset &tileset, bool external)
{
    const QString what = QStringLiteral("a tileset");
    if (!external) {
        tileset.firstGid = number(object, QStringLiteral("firstgid"), what);
        tileset.source = text(object, QStringLiteral("source"), what);
    }
    if (external || tileset.source.isEmpty()) {
        tileset.name = text(object, QStringLiteral("name"), what);
        tileset.tileWidth = number(object, QStringLiteral("tilewidth"), what);
        tileset.tileHeight = number(object, QStringLiteral("tileheight"), what);
        tileset.tileCount = number(object, QStringLiteral("tilecount"), what);
    }
}

void TmjParser::readTileLayer(const QJsonObject &object, TiledMapFile &map)
{
    TiledTileLayer layer;
    layer.name = object.value(QLatin1String("name")).toString();
    const QString what = QStringLiteral("the layer \"%1\"").arg(layer.name);
    layer.width = number(object, QStringLiteral("width"), what);
    layer.height = number(object, QStringLiteral("height"), what);
    layer.encoding = text(object, QStringLiteral("encoding"), what);
    layer.compression = text(object, QStringLiteral("compression"), what);
    layer.chunked = object.contains(QLatin1String("chunks"));
    const QJsonValue data = object.value(QLatin1String("data"));
    if (data.isString()) {
        layer.text = data.toString().toLatin1();
        if (layer.encoding.isEmpty())
            layer.encoding = QStringLiteral("base64");
    } else if (data.isArray()) {
        // CSV in a map of JSON: the numbers themselves.
        const QJsonArray ids = data.toArray();
        layer.encoding.clear();
        layer.ids.reserve(std::size_t(ids.size()));
        for (const QJsonValue &id : ids) {
            const double d = id.toDouble(-1);
            if (!id.isDouble() || d < 0 || d > 4294967295.0 || d != std::floor(d)) {
                fail(QStringLiteral("%1: the data of %2 holds %3 where cell %4 should be a whole number")
                         .arg(name, what, QString::fromUtf8(QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact)))
                         .arg(layer.ids.size()));
                return;
            }
            layer.ids.push_back(std::uint32_t(d));
        }
    }
    map.tileLayers.push_back(std::move(layer));
}

void TmjParser::readLayers(const QJsonValue &layers, TiledMapFile &map, int depth)
{
    if (depth > MaxGroupDepth) {
        fail(QStringLiteral("%1: its group layers lie more than %2 deep").arg(name).arg(MaxGroupDepth));
        return;
    }
    for (const QJsonValue &entry : layers.toArray()) {
        if (failed())
            return;
        const QJsonObject object = entry.toObject();
        const QString type = object.value(QLatin1String("type")).toString();
        if (type == QLatin1String("tilelayer")) {
            readTileLayer(object, map);
        } else if (type == QLatin1String("objectgroup")) {
            TiledObjectLayer layer;
            layer.name = object.value(QLatin1String("name")).toString();
            for (const QJsonValue &o : object.value(QLatin1String("objects")).toArray()) {
                const QJsonObject item = o.toObject();
                TiledObject tiledObject;
                tiledObject.id = number(item, QStringLiteral("id"), QStringLiteral("an object"));
                tiledObject.name = item.value(QLatin1String("name")).toString();
                readProperties(item.value(QLatin1String("properties")), tiledObject.properties);
                layer.objects.push_back(std::move(tiledObject));
            }
            map.objectLayers.push_back(std::move(layer));
        } else if (type == QLatin1String("group")) {
            readLayers(object.value(QLatin1String("layers")), map, depth + 1);
        }
    }
}

TiledMapRead TmjParser::readMap(const QByteArray &bytes)
{
    TiledMapRead read;
    const QJsonObject object = parse(bytes, "map");
    if (!failed() && object.value(QLatin1String("type")).toString(QStringLiteral("map")) != QLatin1String("map"))
        fail(QStringLiteral("%1: the file is not a map but a %2").arg(name, object.value(QLatin1String("type")).toString()));
    if (failed()) {
        read.error = error;
        return read;
    }
    TiledMapFile &map = read.map;
    const QString what = QStringLiteral("the map");
    map.orientation = text(object, QStringLiteral("orientation"), what);
    map.width = number(object, QStringLiteral("width"), what);
    map.height = number(object, QStringLiteral("height"), what);
    map.tileWidth = number(object, QStringLiteral("tilewidth"), what);
    map.tileHeight = number(object, QStringLiteral("tileheight"), what);
    map.infinite = object.value(QLatin1String("infinite")).toBool();
    readProperties(object.value(QLatin1String("properties")), map.properties);
    const QJsonArray tilesets = object.value(QLatin1String("tilesets")).toArray();
    // Refused before any is read: each may name a file of its own.
    if (tilesets.size() > 1)
        fail(MoreThanOneTilesetText(name));
    if (!failed() && !tilesets.isEmpty()) {
        TiledTileset tileset;
        readTileset(tilesets.first().toObject(), tileset, false);
        if (!failed() && !tileset.source.isEmpty())
            fail(ReadTilesetFile(folder, tileset, read.files));
        map.tileset = tileset;
    }
    readLayers(object.value(QLatin1String("layers")), map, 0);
    read.error = error;
    return read;
}

QString TmjParser::readTileset(const QByteArray &bytes, TiledTileset &tileset)
{
    const QJsonObject object = parse(bytes, "tileset");
    if (!failed())
        readTileset(object, tileset, true);
    return error;
}

} // namespace

// The messages quote names and values from the file, which may hold line ends: each stays
// one line.
TiledMapRead ReadTmj(const QByteArray &bytes, const QString &folder, const QString &name)
{
    TiledMapRead read = TmjParser(folder, name).readMap(bytes);
    read.error = QuotableText(read.error);
    return read;
}

QString ReadTsj(const QByteArray &bytes, const QString &name, TiledTileset &tileset)
{
    return QuotableText(TmjParser(QString(), name).readTileset(bytes, tileset));
}

} // namespace krelin
