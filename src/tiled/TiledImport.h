#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace krelin {

class CellsEditCommand;
class modKrelin;
struct Stage;
struct TiledMapFile;

// A map of the map editor Tiled taken back into a stage: what TiledExport.h writes, read
// back exactly. Whatever else the file holds is refused, naming the file, the cell or
// the property and what is wrong: another orientation, tile size or map size, an
// infinite map, a tileset of another tile size or count, a cell that is empty, flipped or
// turned, or holds a tile of another tileset or beyond the 256 metatiles, a frame without
// its object or room, a room the stage does not offer (unless the image holds it there
// already), a map made from another stage. A map made from another image (its checksum)
// is not refused here: the caller asks.
struct TiledStageImport
{
    const Stage *stage = nullptr;
    std::vector<std::uint8_t> cells; // every frame's 240 cells, in the image's order
    std::vector<std::uint8_t> rooms; // one a frame
    QString checksum;                // the map's checksum property; empty when it has none
    QString error;                   // one line naming the file; empty when the map was taken
    QStringList files;               // the files read: the map and the tileset file it names

    bool ok() const { return error.isEmpty(); }
};

// Checks map, named name in messages, as a map of stage (which must fit the model's
// image).
TiledStageImport CheckTiledStageMap(const TiledMapFile &map, const QString &name, const modKrelin &model,
                                    const Stage &stage);

// Reads the map file at path and checks it so.
TiledStageImport ReadTiledStageMap(const QString &path, const modKrelin &model, const Stage &stage);

// Whether the map was made from the image the model holds, as its checksum says.
bool MadeFromThisImage(const TiledStageImport &import, const modKrelin &model);

// What to say of a map made from another image: its checksum and the image's.
QString OtherImageText(const TiledStageImport &import, const modKrelin &model, const QString &mapName);

// image with the map's cells and rooms in place.
std::vector<std::uint8_t> ImageWithMap(std::vector<std::uint8_t> image, const TiledStageImport &import);

// What importing the map changes, as `krelin --diff` says it (the image named imageName,
// the map mapName): no lines when it changes nothing.
QStringList TiledImportSummary(const modKrelin &model, const TiledStageImport &import, const QString &imageName,
                               const QString &mapName);

// The import as one step: every cell and room the map gives, named text, placed at the
// first frame it changes. nullptr when it changes nothing.
CellsEditCommand *MakeTiledImportCommand(modKrelin &model, const TiledStageImport &import, const QString &text);

} // namespace krelin
