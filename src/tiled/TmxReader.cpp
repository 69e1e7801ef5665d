// Reading a TMX map (and a TSX tileset) with QXmlStreamReader.
#include "TiledMapFile.h"

#include <QXmlStreamReader>

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
    int number(const QString &attribute, const QString &of, int fallback = 0);
    void readProperties(QList<TiledProperty> &properties);
    void readTilesetElement(TiledTileset &tileset, bool external);
    void readLayers(TiledMapFile &map); // the layers inside the current <map> or <group>
    void readTileLayer(TiledMapFile &map);
    void readData(TiledTileLayer &layer);
    void readObjectLayer(TiledMapFile &map);
    QString xmlError() const;

    QXmlStreamReader xml;
    QString folder;
    QString name;
    QString error;
};

int TmxParser::number(const QString &attribute, const QString &of, int fallback)
{
    const QStringView text = xml.attributes().value(attribute);
    if (text.isNull())
        return fallback;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        fail(QStringLiteral("%1: the %2 of %3 is \"%4\", not a whole number").arg(name, attribute, of, text.toString()));
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
        if (xml.name() != QLatin1String("property")) {
            xml.skipCurrentElement();
            continue;
        }
        TiledProperty property;
        const QXmlStreamAttributes attributes = xml.attributes();
        property.name = attributes.value(QLatin1String("name")).toString();
        property.type = attributes.value(QLatin1String("type")).toString();
        if (attributes.hasAttribute(QLatin1String("value"))) {
            property.value = attributes.value(QLatin1String("value")).toString();
            xml.skipCurrentElement();
        } else if (property.type == QLatin1String("class")) {
            xml.skipCurrentElement(); // its members are properties of their own
        } else {
            property.value = xml.readElementText(QXmlStreamReader::SkipChildElements); // a text of several lines
        }
        properties.append(property);
    }
}

void TmxParser::readTilesetElement(TiledTileset &tileset, bool external)
{
    const QString what = QStringLiteral("a tileset");
    if (!external) {
        tileset.firstGid = number(QStringLiteral("firstgid"), what);
        tileset.source = xml.attributes().value(QLatin1String("source")).toString();
    }
    if (external || tileset.source.isEmpty()) {
        tileset.name = xml.attributes().value(QLatin1String("name")).toString();
        tileset.tileWidth = number(QStringLiteral("tilewidth"), what);
        tileset.tileHeight = number(QStringLiteral("tileheight"), what);
        tileset.tileCount = number(QStringLiteral("tilecount"), what);
    }
    xml.skipCurrentElement();
}

void TmxParser::readData(TiledTileLayer &layer)
{
    layer.encoding = xml.attributes().value(QLatin1String("encoding")).toString();
    layer.compression = xml.attributes().value(QLatin1String("compression")).toString();
    while (!failed() && !xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement)
            return;
        if (token == QXmlStreamReader::Characters)
            layer.text += xml.text().toUtf8();
        else if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("chunk"))
                layer.chunked = true;
            else if (xml.name() == QLatin1String("tile"))
                layer.ids.push_back(std::uint32_t(xml.attributes().value(QLatin1String("gid")).toULongLong()));
            xml.skipCurrentElement();
        }
    }
}

void TmxParser::readTileLayer(TiledMapFile &map)
{
    TiledTileLayer layer;
    layer.name = xml.attributes().value(QLatin1String("name")).toString();
    const QString what = QStringLiteral("the layer \"%1\"").arg(layer.name);
    layer.width = number(QStringLiteral("width"), what);
    layer.height = number(QStringLiteral("height"), what);
    while (!failed() && xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("data"))
            readData(layer);
        else
            xml.skipCurrentElement();
    }
    map.tileLayers.push_back(std::move(layer));
}

void TmxParser::readObjectLayer(TiledMapFile &map)
{
    TiledObjectLayer layer;
    layer.name = xml.attributes().value(QLatin1String("name")).toString();
    while (!failed() && xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("object")) {
            xml.skipCurrentElement();
            continue;
        }
        TiledObject object;
        object.id = number(QStringLiteral("id"), QStringLiteral("an object"));
        object.name = xml.attributes().value(QLatin1String("name")).toString();
        while (!failed() && xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("properties"))
                readProperties(object.properties);
            else
                xml.skipCurrentElement();
        }
        layer.objects.push_back(std::move(object));
    }
    map.objectLayers.push_back(std::move(layer));
}

void TmxParser::readLayers(TiledMapFile &map)
{
    while (!failed() && xml.readNextStartElement()) {
        const QStringView element = xml.name();
        if (element == QLatin1String("layer"))
            readTileLayer(map);
        else if (element == QLatin1String("objectgroup"))
            readObjectLayer(map);
        else if (element == QLatin1String("group"))
            readLayers(map);
        else
            xml.skipCurrentElement();
    }
}

TiledMapRead TmxParser::readMap()
{
    TiledMapRead read;
    TiledMapFile &map = read.map;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("map")) {
        read.error = xml.hasError() ? xmlError()
                                    : QStringLiteral("%1: the file is not a map: it does not start with <map>").arg(name);
        return read;
    }
    const QString what = QStringLiteral("the map");
    map.orientation = xml.attributes().value(QLatin1String("orientation")).toString();
    map.width = number(QStringLiteral("width"), what);
    map.height = number(QStringLiteral("height"), what);
    map.tileWidth = number(QStringLiteral("tilewidth"), what);
    map.tileHeight = number(QStringLiteral("tileheight"), what);
    map.infinite = number(QStringLiteral("infinite"), what) != 0;
    while (!failed() && xml.readNextStartElement()) {
        const QStringView element = xml.name();
        if (element == QLatin1String("properties")) {
            readProperties(map.properties);
        } else if (element == QLatin1String("tileset")) {
            TiledTileset tileset;
            readTilesetElement(tileset, false);
            if (!failed() && !tileset.source.isEmpty())
                fail(ReadTilesetFile(folder, tileset));
            map.tilesets.push_back(tileset);
        } else if (element == QLatin1String("layer")) {
            readTileLayer(map);
        } else if (element == QLatin1String("objectgroup")) {
            readObjectLayer(map);
        } else if (element == QLatin1String("group")) {
            readLayers(map);
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
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("tileset"))
        return xml.hasError() ? xmlError() : QStringLiteral("%1: the file is not a tileset").arg(name);
    readTilesetElement(tileset, true);
    while (!failed() && !xml.atEnd())
        xml.readNext();
    if (!failed() && xml.hasError())
        fail(xmlError());
    return error;
}

} // namespace

TiledMapRead ReadTmx(const QByteArray &bytes, const QString &folder, const QString &name)
{
    return TmxParser(bytes, folder, name).readMap();
}

QString ReadTsx(const QByteArray &bytes, const QString &name, TiledTileset &tileset)
{
    return TmxParser(bytes, QString(), name).readTileset(tileset);
}

} // namespace krelin
