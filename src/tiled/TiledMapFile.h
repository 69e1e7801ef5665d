#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace krelin {

// A map file of the map editor Tiled as it was read, TMX (XML) or TMJ (JSON) alike: the
// parts a stage is made of, before anything is checked against a stage. Layers inside
// group layers are listed with the others.

struct TiledProperty
{
    QString name;
    QString type;  // "string", "int", ... as the file gives it (empty: a string)
    QString value; // as text, numbers in decimal
};

struct TiledTileset
{
    int firstGid = 0;
    QString name;
    int tileWidth = 0;
    int tileHeight = 0;
    int tileCount = 0;
    QString source; // the tileset file it was read from, when not embedded
};

struct TiledTileLayer
{
    QString name;
    int width = 0;
    int height = 0;
    // The data as written: text to decode (CSV or base64), or ids given one by one.
    QString encoding;    // "csv", "base64", or empty for ids given one by one
    QString compression; // for base64: empty, "zlib", "gzip" or "zstd"
    QByteArray text;
    std::vector<std::uint32_t> ids;
    bool chunked = false; // the data comes in chunks, as an infinite map keeps it
};

struct TiledObject
{
    int id = 0;
    QString name;
    QList<TiledProperty> properties;
};

struct TiledObjectLayer
{
    QString name;
    std::vector<TiledObject> objects;
};

struct TiledMapFile
{
    QString orientation;
    int width = 0;
    int height = 0;
    int tileWidth = 0;
    int tileHeight = 0;
    bool infinite = false;
    QList<TiledProperty> properties;
    std::optional<TiledTileset> tileset; // a map of more than one is refused when read
    std::vector<TiledTileLayer> tileLayers;
    std::vector<TiledObjectLayer> objectLayers;
};

// The property called name, or nothing.
std::optional<TiledProperty> FindProperty(const QList<TiledProperty> &properties, const QString &name);

struct TiledMapRead
{
    TiledMapFile map;
    QString error; // a one-line message naming the file and what is wrong; empty when read
    // The files read, as named to the reader: the map when it was read from a file, and
    // the tileset file it names, once reading reached it. A command that writes a file
    // must not write over any of them.
    QStringList files;

    bool ok() const { return error.isEmpty(); }
};

// How deep group layers may lie in one another: the reading goes down one level a group.
inline constexpr int MaxGroupDepth = 64;

// Largest map or tileset file read.
inline constexpr qint64 MaxTiledFileSize = 32 * 1024 * 1024;

// Reads the map at path, TMX or TMJ as its content shows, and the tileset file it names
// (beside it, by its relative name). A file that cannot be read, is not well formed, lacks
// what a map or tileset must have, or refers to more than one tileset is refused (each
// tileset would be read, and a stage's map has one: its metatiles). The layers' data is
// kept as written: see DecodeLayer().
// *content, when given, gets the map's bytes as read (nothing when it could not be read).
TiledMapRead ReadTiledMap(const QString &path, QByteArray *content = nullptr);

// The same, of a map's bytes; folder is where it names its tileset files from, name how
// messages name it.
TiledMapRead ReadTiledMapBytes(const QByteArray &bytes, const QString &folder, const QString &name);

// The readers of each format, which ReadTiledMapBytes chooses from: a TMX (XML) or TMJ
// (JSON) map, a TSX or TSJ tileset (its name, tile size and count into tileset).
TiledMapRead ReadTmx(const QByteArray &bytes, const QString &folder, const QString &name);
TiledMapRead ReadTmj(const QByteArray &bytes, const QString &folder, const QString &name);
QString ReadTsx(const QByteArray &bytes, const QString &name, TiledTileset &tileset);
QString ReadTsj(const QByteArray &bytes, const QString &name, TiledTileset &tileset);
// Reads the file tileset.source names (relative to folder) into tileset, adding its path
// to files; an empty string, or a message naming the file and what is wrong.
QString ReadTilesetFile(const QString &folder, TiledTileset &tileset, QStringList &files);

// What a map of more than one tileset is told, name naming the map.
QString MoreThanOneTilesetText(const QString &name);

// The ids of a tile layer's cells, decoded from its data as written.
struct DecodedCells;
DecodedCells DecodeLayer(const TiledTileLayer &layer);

} // namespace krelin
