#include "TiledMapFile.h"

#include "TileLayerData.h"
#include "core/FileReader.h"
#include "core/ShownText.h"

#include <QDir>
#include <QFileInfo>

namespace krelin {

namespace {

// The first character that is not white space: '<' for XML, '{' for JSON.
char firstMark(const QByteArray &bytes)
{
    qsizetype i = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0; // a byte order mark
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\n' || bytes[i] == '\r' || bytes[i] == '\t'))
        ++i;
    return i < bytes.size() ? bytes[i] : '\0';
}

QByteArray toByteArray(const std::vector<std::uint8_t> &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

std::optional<TiledProperty> FindProperty(const QList<TiledProperty> &properties, const QString &name)
{
    for (const TiledProperty &property : properties)
        if (property.name == name)
            return property;
    return std::nullopt;
}

TiledMapRead ReadTiledMap(const QString &path, QByteArray *content)
{
    const QString shown = QDir::toNativeSeparators(path);
    const FileReadResult file = ReadWholeFile(path, MaxTiledFileSize);
    if (!file.ok()) {
        TiledMapRead read;
        read.error = QuotableText(QStringLiteral("cannot read %1: %2")
                                      .arg(shown, file.failureText(QStringLiteral("a map"), QStringLiteral("a map"),
                                                                   MaxTiledFileSize)));
        return read;
    }
    const QByteArray bytes = toByteArray(file.bytes);
    if (content)
        *content = bytes;
    TiledMapRead read = ReadTiledMapBytes(bytes, QFileInfo(path).absolutePath(), shown);
    read.files.prepend(path);
    return read;
}

TiledMapRead ReadTiledMapBytes(const QByteArray &bytes, const QString &folder, const QString &name)
{
    switch (firstMark(bytes)) {
    case '<': return ReadTmx(bytes, folder, name);
    case '{': return ReadTmj(bytes, folder, name);
    default: break;
    }
    TiledMapRead read;
    read.error = QuotableText(QStringLiteral("%1: the file is not a map of TMX (XML) or TMJ (JSON)").arg(name));
    return read;
}

QString MoreThanOneTilesetText(const QString &name)
{
    return QStringLiteral("%1: the map refers to more than one tileset; a stage's map has one, the stage's metatiles")
        .arg(name);
}

QString ReadTilesetFile(const QString &folder, TiledTileset &tileset, QStringList &files)
{
    const QString path = QDir(folder).absoluteFilePath(tileset.source);
    const QString shown = QDir::toNativeSeparators(path);
    files.append(path);
    const FileReadResult file = ReadWholeFile(path, MaxTiledFileSize);
    if (!file.ok())
        return QuotableText(QStringLiteral("cannot read the tileset %1: %2")
                                .arg(shown, file.failureText(QStringLiteral("a tileset"), QStringLiteral("a tileset"),
                                                             MaxTiledFileSize)));
    const QByteArray bytes = toByteArray(file.bytes);
    switch (firstMark(bytes)) {
    case '<': return ReadTsx(bytes, shown, tileset);
    case '{': return ReadTsj(bytes, shown, tileset);
    default: return QuotableText(QStringLiteral("%1: the file is not a tileset of TSX (XML) or TSJ (JSON)").arg(shown));
    }
}

DecodedCells DecodeLayer(const TiledTileLayer &layer)
{
    const qsizetype count = qsizetype(layer.width) * layer.height;
    if (layer.encoding == QLatin1String("csv"))
        return DecodeCsvCells(layer.text, count);
    if (layer.encoding == QLatin1String("base64"))
        return DecodeBase64Cells(layer.text, layer.compression, count);
    DecodedCells cells;
    if (!layer.encoding.isEmpty())
        cells.error = QStringLiteral("the layer's data is encoded as \"%1\", which is not CSV or base64").arg(layer.encoding);
    else if (qsizetype(layer.ids.size()) != count)
        cells.error = QStringLiteral("the layer's data holds %1 cells, not %2").arg(layer.ids.size()).arg(count);
    else
        cells.ids = layer.ids;
    return cells;
}

} // namespace krelin
