#include "TiledImport.h"

#include "TileLayerData.h"
#include "TiledExport.h"
#include "TiledMapFile.h"
#include "core/DiffReport.h"
#include "core/ImageDiff.h"
#include "core/ShownText.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/CellsEditCommand.h"

#include <QDir>

#include <algorithm>

namespace krelin {

namespace {

QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// Checks one map against one stage; the first fault found is the message.
class StageMapCheck
{
public:
    StageMapCheck(const TiledMapFile &map, const QString &name, const modKrelin &model, const Stage &stage)
        : map(map)
        , name(name)
        , model(model)
        , stage(stage)
    {
    }

    TiledStageImport run();

private:
    QString checkMap() const;
    QString checkTileset() const;
    QString readCells(TiledStageImport &import) const;
    QString readRooms(TiledStageImport &import) const;
    QString cellFault(int index, std::uint32_t id) const;

    const TiledMapFile &map;
    QString name;
    const modKrelin &model;
    const Stage &stage;
};

QString StageMapCheck::checkMap() const
{
    const auto stageProperty = FindProperty(map.properties, TiledStageProperty);
    if (!stageProperty)
        return QStringLiteral("%1: the map has no \"stage\" property, so it was not made from a stage").arg(name);
    const Stage *madeFrom = FindStage(stageProperty->value);
    if (madeFrom != &stage)
        return QStringLiteral("%1: the map was made from %2 (its \"stage\" property), not from %3")
            .arg(name, madeFrom ? madeFrom->caption() : QStringLiteral("\"%1\"").arg(stageProperty->value), stage.caption());
    if (map.orientation != QLatin1String("orthogonal"))
        return QStringLiteral("%1: the map is %2, not orthogonal").arg(name, map.orientation.isEmpty() ? QStringLiteral("of no orientation") : map.orientation);
    if (map.infinite)
        return QStringLiteral("%1: the map is infinite; a stage is a map of %2 × %3 tiles")
            .arg(name)
            .arg(FrameColumns * stage.Frames)
            .arg(FrameRows);
    if (map.tileWidth != TiledTileSize || map.tileHeight != TiledTileSize)
        return QStringLiteral("%1: the map's tiles are %2 × %3 pixels, not %4 × %4")
            .arg(name)
            .arg(map.tileWidth)
            .arg(map.tileHeight)
            .arg(TiledTileSize);
    if (map.width != FrameColumns * stage.Frames || map.height != FrameRows)
        return QStringLiteral("%1: the map is %2 × %3 tiles; %4 is %5 × %6 (%7 frames of %8 × %6)")
            .arg(name)
            .arg(map.width)
            .arg(map.height)
            .arg(stage.caption())
            .arg(FrameColumns * stage.Frames)
            .arg(FrameRows)
            .arg(stage.Frames)
            .arg(FrameColumns);
    return checkTileset();
}

QString StageMapCheck::checkTileset() const
{
    if (!map.tileset)
        return QStringLiteral("%1: the map has no tileset").arg(name);
    const TiledTileset &metaTiles = *map.tileset;
    if (metaTiles.tileWidth != TiledTileSize || metaTiles.tileHeight != TiledTileSize)
        return QStringLiteral("%1: the tileset \"%2\" has tiles of %3 × %4 pixels, not %5 × %5")
            .arg(name, metaTiles.name)
            .arg(metaTiles.tileWidth)
            .arg(metaTiles.tileHeight)
            .arg(TiledTileSize);
    if (metaTiles.tileCount != MetaTileCount)
        return QStringLiteral("%1: the tileset \"%2\" holds %3 tiles, not the stage's %4 metatiles")
            .arg(name, metaTiles.name)
            .arg(metaTiles.tileCount)
            .arg(MetaTileCount);
    return {};
}

QString StageMapCheck::cellFault(int index, std::uint32_t id) const
{
    const int x = index % map.width, y = index / map.width;
    const QString where = QStringLiteral("%1: layer \"%2\", frame %3, row %4, column %5: ")
                              .arg(name, TiledLevelLayer)
                              .arg(x / FrameColumns)
                              .arg(y)
                              .arg(x % FrameColumns);
    if (id & TileFlipFlags)
        return where + QStringLiteral("the tile is flipped or turned; a metatile is placed as it is");
    if (id == 0)
        return where + QStringLiteral("the cell is empty; every cell holds a metatile");
    const qint64 first = map.tileset->firstGid;
    return where + QStringLiteral("the cell holds tile %1, which is no metatile (they are 0 to 255)")
                      .arg(qint64(id) >= first ? qint64(id) - first : qint64(id));
}

QString StageMapCheck::readCells(TiledStageImport &import) const
{
    const TiledTileLayer *level = nullptr;
    for (const TiledTileLayer &layer : map.tileLayers) {
        if (layer.name != TiledLevelLayer)
            continue;
        if (level)
            return QStringLiteral("%1: the map has two tile layers named \"%2\"").arg(name, TiledLevelLayer);
        level = &layer;
    }
    if (!level)
        return QStringLiteral("%1: the map has no tile layer named \"%2\"").arg(name, TiledLevelLayer);
    if (level->chunked)
        return QStringLiteral("%1: the layer \"%2\" is kept in chunks, as an infinite map's").arg(name, TiledLevelLayer);
    if (level->width != map.width || level->height != map.height)
        return QStringLiteral("%1: the layer \"%2\" is %3 × %4 tiles, not the map's %5 × %6")
            .arg(name, TiledLevelLayer)
            .arg(level->width)
            .arg(level->height)
            .arg(map.width)
            .arg(map.height);
    const DecodedCells decoded = DecodeLayer(*level);
    if (!decoded.ok())
        return QStringLiteral("%1: layer \"%2\": %3").arg(name, TiledLevelLayer, decoded.error);
    const std::uint32_t first = std::uint32_t(map.tileset->firstGid);
    import.cells.resize(std::size_t(FrameBytes) * stage.Frames);
    // The map's rows run across every frame; the image keeps a frame's rows together.
    const std::uint32_t *id = decoded.ids.data();
    for (int y = 0; y < FrameRows; ++y)
        for (int f = 0; f < stage.Frames; ++f) {
            std::uint8_t *to = import.cells.data() + FrameBytes * f + FrameColumns * y;
            for (int col = 0; col < FrameColumns; ++col, ++id) {
                if (*id < first || *id - first >= MetaTileCount || first == 0)
                    return cellFault(int(id - decoded.ids.data()), *id);
                to[col] = std::uint8_t(*id - first);
            }
        }
    return {};
}

QString StageMapCheck::readRooms(TiledStageImport &import) const
{
    const TiledObjectLayer *frames = nullptr;
    for (const TiledObjectLayer &layer : map.objectLayers) {
        if (layer.name != TiledFramesLayer)
            continue;
        if (frames)
            return QStringLiteral("%1: the map has two object layers named \"%2\"").arg(name, TiledFramesLayer);
        frames = &layer;
    }
    if (!frames)
        return QStringLiteral("%1: the map has no object layer named \"%2\", which gives each frame its room")
            .arg(name, TiledFramesLayer);
    std::vector<const TiledObject *> byFrame(std::size_t(stage.Frames), nullptr);
    const QString prefix = TiledFrameObjectName(0).chopped(1); // "Frame "
    for (const TiledObject &object : frames->objects) {
        bool number = object.name.startsWith(prefix);
        const QStringView digits = QStringView(object.name).sliced(number ? prefix.size() : 0);
        const int k = digits.toInt(&number);
        // "Frame 3" names frame 3; "Frame 03" and "Frame +3" name none.
        const int f = number && k >= 0 && k < stage.Frames && digits == QString::number(k) ? k : -1;
        const QString what = QStringLiteral("%1: layer \"%2\", object \"%3\"").arg(name, TiledFramesLayer, object.name);
        if (f < 0)
            return what + QStringLiteral(": it names no frame; the objects are \"Frame 0\" to \"Frame %1\"").arg(stage.Frames - 1);
        if (byFrame[std::size_t(f)])
            return what + QStringLiteral(": the frame has another object of that name");
        byFrame[std::size_t(f)] = &object;
    }
    import.rooms.resize(std::size_t(stage.Frames));
    for (int f = 0; f < stage.Frames; ++f) {
        const TiledObject *object = byFrame[std::size_t(f)];
        const QString what = QStringLiteral("%1: layer \"%2\", object \"%3\"").arg(name, TiledFramesLayer, TiledFrameObjectName(f));
        if (!object)
            return QStringLiteral("%1: layer \"%2\" has no object \"%3\", which gives frame %4 its room")
                .arg(name, TiledFramesLayer, TiledFrameObjectName(f))
                .arg(f);
        const auto room = FindProperty(object->properties, TiledRoomProperty);
        if (!room)
            return what + QStringLiteral(": it has no \"room\" property");
        bool number = false;
        const int value = room->value.trimmed().toInt(&number);
        if (!number)
            return what + QStringLiteral(": its room \"%1\" is not a whole number").arg(room->value);
        // A room the stage does not offer is taken only where the image holds it already:
        // frames whose room byte another stage's table shares may hold one of its rooms.
        const int now = model.byteAt(FrameRoomOffset(stage, f));
        if ((value < stage.FirstRoom || value > stage.LastRoom) && value != now)
            return what + QStringLiteral(": room %1 is not one of %2's rooms, %3 to %4 (%5 to %6)")
                              .arg(value)
                              .arg(stage.caption())
                              .arg(stage.FirstRoom)
                              .arg(stage.LastRoom)
                              .arg(hex2(stage.FirstRoom), hex2(stage.LastRoom));
        import.rooms[std::size_t(f)] = std::uint8_t(value);
    }
    return {};
}

TiledStageImport StageMapCheck::run()
{
    TiledStageImport import;
    import.stage = &stage;
    if (const auto checksum = FindProperty(map.properties, TiledChecksumProperty))
        import.checksum = checksum->value.trimmed().toUpper();
    import.error = checkMap();
    if (import.error.isEmpty())
        import.error = readCells(import);
    if (import.error.isEmpty())
        import.error = readRooms(import);
    if (!import.error.isEmpty()) {
        import.cells.clear();
        import.rooms.clear();
    }
    return import;
}

} // namespace

TiledStageImport CheckTiledStageMap(const TiledMapFile &map, const QString &name, const modKrelin &model,
                                    const Stage &stage)
{
    TiledStageImport import = StageMapCheck(map, name, model, stage).run();
    // Names and values from the map, which may hold line ends, stay on the message's line.
    import.error = QuotableText(import.error);
    return import;
}

TiledStageImport ReadTiledStageMap(const QString &path, const modKrelin &model, const Stage &stage)
{
    const TiledMapRead read = ReadTiledMap(path);
    TiledStageImport import;
    if (read.ok()) {
        import = CheckTiledStageMap(read.map, QDir::toNativeSeparators(path), model, stage);
    } else {
        import.stage = &stage;
        import.error = read.error;
    }
    import.files = read.files;
    return import;
}

bool MadeFromThisImage(const TiledStageImport &import, const modKrelin &model)
{
    return import.checksum == StageImageChecksum(model.image(), *import.stage);
}

QString OtherImageText(const TiledStageImport &import, const modKrelin &model, const QString &mapName)
{
    const QString ours = StageImageChecksum(model.image(), *import.stage);
    if (import.checksum.isEmpty())
        return QStringLiteral("%1 does not say which image it was made from (it has no \"checksum\" property; this "
                              "image's is %2).")
            .arg(mapName, ours);
    return QStringLiteral("%1 was made from another image: its checksum is %2, this image's %3.")
        .arg(mapName, import.checksum, ours);
}

std::vector<std::uint8_t> ImageWithMap(std::vector<std::uint8_t> image, const TiledStageImport &import)
{
    const Stage &stage = *import.stage;
    const ByteRange level = LevelRange(stage, stage.Frames), rooms = FrameTableRange(stage, stage.Frames);
    if (level.end() <= qint64(image.size()) && qint64(import.cells.size()) == level.length)
        std::copy(import.cells.begin(), import.cells.end(), image.begin() + level.offset);
    if (rooms.end() <= qint64(image.size()) && qint64(import.rooms.size()) == rooms.length)
        std::copy(import.rooms.begin(), import.rooms.end(), image.begin() + rooms.offset);
    return image;
}

QStringList TiledImportSummary(const modKrelin &model, const TiledStageImport &import, const QString &imageName,
                               const QString &mapName)
{
    const std::vector<std::uint8_t> after = ImageWithMap(model.image(), import);
    return DiffSummary(ImageDiff(model.image(), after), imageName, mapName);
}

CellsEditCommand *MakeTiledImportCommand(modKrelin &model, const TiledStageImport &import, const QString &text)
{
    const Stage &stage = *import.stage;
    // Only the bytes that change: the step keeps and writes no more.
    std::vector<CellsEditCommand::Cell> cells;
    const auto take = [&](qint64 offset, std::uint8_t value) {
        if (model.holds(offset, 1) && model.byteAt(offset) != value)
            cells.push_back({offset, value});
    };
    // The room bytes first: they lie before the level maps, so the cells come in order.
    for (int f = 0; f < stage.Frames; ++f)
        take(FrameRoomOffset(stage, f), import.rooms[std::size_t(f)]);
    int firstFrame = -1;
    const std::uint8_t *now = model.bytesAt(LevelRange(stage, stage.Frames).offset, LevelRange(stage, stage.Frames).length);
    for (int f = 0; f < stage.Frames && now; ++f) {
        const std::uint8_t *wanted = import.cells.data() + FrameBytes * f;
        const bool changes = model.byteAt(FrameRoomOffset(stage, f)) != import.rooms[std::size_t(f)]
            || !std::equal(wanted, wanted + FrameBytes, now + FrameBytes * f);
        if (!changes)
            continue;
        if (firstFrame < 0)
            firstFrame = f;
        for (int k = 0; k < FrameBytes; ++k)
            if (wanted[k] != now[FrameBytes * f + k])
                cells.push_back({FrameOffset(stage, f) + k, wanted[k]});
    }
    if (cells.empty() || firstFrame < 0)
        return nullptr;
    return new CellsEditCommand(model, cells, text, EditPlace::In(&stage, firstFrame));
}

} // namespace krelin
