// Reading a TMX map (and a TSX tileset) with XmlTokens.
#include "TiledMapFile.h"

#include "XmlTokens.h"
#include "core/ShownText.h"

namespace krelin {

namespace {

// Reads the XML of a map or tileset; the first error found stops it.
class TmxParser
{
public:
    TmxParser(const QByteArray &bytes, const QString &folder, const QString &name)
        : xml(bytes)
        , folder(folder)
        , name(name)
    {
    }

    TiledMapRead readMap();
    QString readTileset(TiledTileset &tileset);

private:
    bool failed() const { return !error.isEmpty(); }
    void fail(const QString &what)
    {
        if (error.isEmpty())
            error = what;
    }
    // A whole number attribute; fallback when it is missing, a failure when it is not a number.
    int number(const char *attribute, const QString &of, int fallback = 0);
    void readProperties(QList<TiledProperty> &properties);
    void readTilesetElement(TiledTileset &tileset, bool external);
    // The layers inside the current <group>, depth groups deep.
    void readLayers(TiledMapFile &map, int depth);
    void readTileLayer(TiledMapFile &map);
    void readData(TiledTileLayer &layer);
    void readObjectLayer(TiledMapFile &map);
    QString xmlError() const;
    // The attribute's value as text; empty when the element has none.
    QString text(const char *attribute) const { return QString::fromUtf8(xml.attribute(attribute)); }

    XmlTokens xml;
    QString folder;
    QString name;
    QString error;
};

int TmxParser::number(const char *attribute, const QString &of, int fallback)
{
    const QByteArray text = xml.attribute(attribute);
    if (text.isNull())
        return fallback;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        fail(QStringLiteral("%1: the %2 of %3 is \"%4\", not a whole number")
                 .arg(name, QLatin1String(attribute), of, QString::fromUtf8(text)));
    return value;
}

QString TmxParser::xmlError() const
{
    return QStringLiteral("%1: the file is damaged or truncated: line %2, column %3: %4")
        .arg(name)
        .arg(xml.lineNumber())
        .arg(xml.columnNumber())
        .arg(xml.errorString());
}

void TmxParser::readProperties(QList<TiledProperty> &properties)
{
    while (!failed() && xml.readNextStartElement()) {
        if (xml.name() != "property") {
            xml.skipCurrentElement();
            continue;
        }
        TiledProperty property;
        property.name = text("name");
        property.type = text("type");
        if (xml.hasAttribute("value")) {
            property.value = text("value");
            xml.skipCurrentElement();
        } else if (property.type == QLatin1String("class")) {
            xml.skipCurrentElement(); // its members are properties of their own
        } else {
            property.value = QString::fromUtf8(xml.readElementText()); // a text of several lines
        }
        properties.append(property);
    }
}

void TmxParser::readTilesetElement(TiledTileset &tileset, bool external)
{
    const QString what = QStringLiteral("a tileset");
    if (!external) {
        tileset.firstGid = number("firstgid", what);
        tileset.source = text("source");
    }
    if (external || tileset.source.isEmpty()) {
        tileset.name = text("name");
        tileset.tileWidth = number("tilewidth", what);
        tileset.tileHeight = number("tileheight", what);
        tileset.tileCount = number("tilecount", what);
    }
    xml.skipCurrentElement();
}

void TmxParser::readData(TiledTileLayer &layer)
{
    layer.encoding = text("encoding");
    layer.compression = text("compression");
    while (!failed() && !xml.atEnd()) {
        const XmlTokens::Token token = xml.readNext();
        if (token == XmlTokens::EndElement)
            return;
        if (token == XmlTokens::Characters)
            layer.text += xml.text();
        else if (token == XmlTokens::StartElement) {
            if (xml.name() == "chunk")
                layer.chunked = true;
            else if (xml.name() == "tile")
                layer.ids.push_back(std::uint32_t(xml.attribute("gid").toULongLong()));
            xml.skipCurrentElement();
        }
    }
}

void TmxParser::readTileLayer(TiledMapFile &map)
{
    TiledTileLayer layer;
    layer.name = text("name");
    const QString what = QStringLiteral("the layer \"%1\"").arg(layer.name);
    layer.width = number("width", what);
    layer.height = number("height", what);
    while (!failed() && xml.readNextStartElement()) {
        if (xml.name() == "data")
            readData(layer);
        else
            xml.skipCurrentElement();
    }
    map.tileLayers.push_back(std::move(layer));
}

void TmxParser::readObjectLayer(TiledMapFile &map)
{
    TiledObjectLayer layer;
    layer.name = text("name");
    while (!failed() && xml.readNextStartElement()) {
        if (xml.name() != "object") {
            xml.skipCurrentElement();
            continue;
        }
        TiledObject object;
        object.id = number("id", QStringLiteral("an object"));
        object.name = text("name");
        while (!failed() && xml.readNextStartElement()) {
            if (xml.name() == "properties")
                readProperties(object.properties);
            else
                xml.skipCurrentElement();
        }
        layer.objects.push_back(std::move(object));
    }
    map.objectLayers.push_back(std::move(layer));
}

void TmxParser::readLayers(TiledMapFile &map, int depth)
{
    if (depth > MaxGroupDepth) {
        fail(QStringLiteral("%1: its group layers lie more than %2 deep").arg(name).arg(MaxGroupDepth));
        return;
    }
    while (!failed() && xml.readNextStartElement()) {
        const QByteArrayView element = xml.name();
        if (element == "layer")
            readTileLayer(map);
        else if (element == "objectgroup")
            readObjectLayer(map);
        else if (element == "group")
            readLayers(map, depth + 1);
        else
            xml.skipCurrentElement();
    }
}

TiledMapRead TmxParser::readMap()
{
    TiledMapRead read;
    TiledMapFile &map = read.map;
    if (!xml.readNextStartElement() || xml.name() != "map") {
        read.error = xml.hasError() ? xmlError()
                                    : QStringLiteral("%1: the file is not a map: it does not start with <map>").arg(name);
        return read;
    }
    const QString what = QStringLiteral("the map");
    map.orientation = text("orientation");
    map.width = number("width", what);
    map.height = number("height", what);
    map.tileWidth = number("tilewidth", what);
    map.tileHeight = number("tileheight", what);
    map.infinite = number("infinite", what) != 0;
    while (!failed() && xml.readNextStartElement()) {
        const QByteArrayView element = xml.name();
        if (element == "properties") {
            readProperties(map.properties);
        } else if (element == "tileset") {
            // Refused before a second one is read: each may name a file of its own.
            if (map.tileset) {
                fail(MoreThanOneTilesetText(name));
                break;
            }
            TiledTileset tileset;
            readTilesetElement(tileset, false);
            if (!failed() && !tileset.source.isEmpty())
                fail(ReadTilesetFile(folder, tileset, read.files));
            map.tileset = tileset;
        } else if (element == "layer") {
            readTileLayer(map);
        } else if (element == "objectgroup") {
            readObjectLayer(map);
        } else if (element == "group") {
            readLayers(map, 1);
        } else {
            xml.skipCurrentElement();
        }
    }
    // Everything after the map's end is read too, so that a damaged tail is noticed.
    while (!failed() && !xml.atEnd())
        xml.readNext();
    if (!failed() && xml.hasError())
        fail(xmlError());
    read.error = error;
    return read;
}

QString TmxParser::readTileset(TiledTileset &tileset)
{
    if (!xml.readNextStartElement() || xml.name() != "tileset")
        return xml.hasError() ? xmlError() : QStringLiteral("%1: the file is not a tileset").arg(name);
    readTilesetElement(tileset, true);
    while (!failed() && !xml.atEnd())
        xml.readNext();
    if (!failed() && xml.hasError())
        fail(xmlError());
    return error;
}

} // namespace

// The messages quote names and values from the file, which may hold line ends: each stays
// one line.
TiledMapRead ReadTmx(const QByteArray &bytes, const QString &folder, const QString &name)
{
    TiledMapRead read = TmxParser(bytes, folder, name).readMap();
    read.error = QuotableText(read.error);
    return read;
}

QString ReadTsx(const QByteArray &bytes, const QString &name, TiledTileset &tileset)
{
    return QuotableText(TmxParser(bytes, QString(), name).readTileset(tileset));
}

} // namespace krelin
