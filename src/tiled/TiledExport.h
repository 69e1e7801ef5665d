#pragma once

#include "core/ImageLayout.h"
#include "core/SameFile.h"

#include <QByteArray>
#include <QImage>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace krelin {

class modKrelin;
struct Stage;

// A stage as a map of the map editor Tiled: an orthogonal map of 16 x 16-pixel tiles,
// 16 x frames wide and 15 high (the frames side by side), whose tile layer "Level" holds
// metatile n as tile n of a tileset of the stage's 256 metatiles, a picture of 16 x 16
// metatiles beside the map. The object layer "Frames" has one rectangle per frame, over
// it, named "Frame f", whose int property "room" is the frame's room. The map's
// properties "stage" and "checksum" name the stage and the image it was made from.

inline constexpr int TiledTileSize = 16;
inline constexpr int TiledSheetColumns = 16;
inline const QString TiledLevelLayer = QStringLiteral("Level");
inline const QString TiledFramesLayer = QStringLiteral("Frames");
inline const QString TiledRoomProperty = QStringLiteral("room");
inline const QString TiledStageProperty = QStringLiteral("stage");
inline const QString TiledChecksumProperty = QStringLiteral("checksum");

// The name of the object over frame f: "Frame 3".
QString TiledFrameObjectName(int frame);

enum class TiledFormat { Tmx, Tmj };

// The format a map file's name asks for: ".tmx" TMX, ".tmj" or ".json" TMJ; nothing for
// another suffix.
std::optional<TiledFormat> TiledFormatFor(const QString &path);

// The tileset picture written beside the map at mapPath: "NAME-metatiles.png".
QString TilesetPicturePath(const QString &mapPath);

// What tells the image a map was made from: the CRC-32, as eight hexadecimal digits, of
// what gives its cells their meaning: the stage's tiles, metatile records, sub-palettes
// and palette, in that order. Editing the map's own cells and rooms, or another stage's
// data, leaves it alone; a map taken to an image whose metatiles or tiles differ there
// shows another checksum.
QString StageImageChecksum(const std::vector<std::uint8_t> &image, const Stage &stage);

// The stage's 256 metatiles as a 256 x 256 indexed picture, metatile n at
// (16 (n mod 16), 16 (n div 16)), a tile pixel one picture pixel, in colors.
QImage DrawMetaTileSheet(const modKrelin &model, const BgColorSet &colors);

struct TiledStageFiles
{
    QByteArray map;
    QByteArray tileset; // the PNG
};

// The map of the model's current stage (which must fit the image) in format, naming its
// tileset picture tilesetName (a path relative to the map's folder), and the picture.
TiledStageFiles EncodeTiledStage(const modKrelin &model, TiledFormat format, const QString &tilesetName,
                                 const BgColorSet &colors);

// Writes the current stage's map to mapPath in the format its suffix names, and its
// tileset picture beside it; each file whole, through a temporary file. Neither may be
// one of inputs (the image the stage comes from, the palette file read), by any name or
// link. Returns an empty string on success, otherwise a one-line message naming the
// file; a tileset picture written for a map that then could not be written is removed
// again.
QString WriteTiledStage(const modKrelin &model, const QString &mapPath, const BgColorSet &colors,
                        const QList<InputFile> &inputs = {});

} // namespace krelin
