// Any bytes as a TMJ map, the JSON form of a map of the map editor Tiled. The map is read
// by the TMJ reader (a tileset file it names is looked for in a folder of the target's
// own), each of its tile layers decoded, and it is checked as a map of stage 1C of a fixed
// image. Checks that a refusal is one line naming the map, that decoded data has exactly
// the cells asked for, and, for a map taken: that importing it is one step that undoes to
// the image as it was, and that the image with the map in place, written as a TMJ map
// again, reads back as the same cells and rooms.

#include "FuzzSupport.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditHistory.h"
#include "tiled/TileLayerData.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledImport.h"
#include "tiled/TiledMapFile.h"

#include <QUndoStack>

using namespace krelin;

namespace {

const QString MapName = QStringLiteral("map.tmj");

// A message as the window shows it: one line, about the map or the tileset it names.
bool oneLineAboutTheMap(const QString &error)
{
    return !error.contains(u'\n') && (error.startsWith(MapName) || error.contains(QLatin1String("tileset")));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const TiledMapRead read = ReadTmj(bytes, fuzz::WorkFolder().path(), MapName);
    if (!read.ok()) {
        FUZZ_CHECK(oneLineAboutTheMap(read.error), read.error);
        return 0;
    }
    for (const TiledTileLayer &layer : read.map.tileLayers) {
        if (qint64(layer.width) * layer.height > (1 << 20) || layer.width < 0 || layer.height < 0)
            continue; // a layer that claims to be huge: the stage check refuses it by its size first
        const DecodedCells cells = DecodeLayer(layer);
        FUZZ_CHECK(cells.ok() ? cells.ids.size() == std::size_t(layer.width) * std::size_t(layer.height) : cells.ids.empty(),
                   cells.error);
    }

    static modKrelin model;
    static const bool loaded = [] {
        model.replaceImage(fuzz::TiledTargetImage());
        model.ApplyStage(*FindStage("1C"));
        return true;
    }();
    FUZZ_CHECK(loaded, "image");
    const Stage &stage = *model.currentStage();
    const TiledStageImport import = CheckTiledStageMap(read.map, MapName, model, stage);
    if (!import.ok()) {
        FUZZ_CHECK(oneLineAboutTheMap(import.error), import.error);
        FUZZ_CHECK(import.cells.empty() && import.rooms.empty(), "a map refused gives nothing");
        return 0;
    }
    FUZZ_CHECK(import.cells.size() == std::size_t(FrameBytes * stage.Frames) && import.rooms.size() == std::size_t(stage.Frames),
               "a map taken has every cell and room");

    const std::vector<std::uint8_t> before = model.image(), after = ImageWithMap(before, import);
    EditHistory history(model);
    CellsEditCommand *step = MakeTiledImportCommand(model, import, QStringLiteral("Import"));
    FUZZ_CHECK((step == nullptr) == (after == before), "a step exactly when the map changes something");
    if (step && history.push(step))
        FUZZ_CHECK(model.image() == after, "the import writes the map's cells and rooms");
    history.stack().undo();
    FUZZ_CHECK(model.image() == before, "undone, the image is as it was");

    // Written again from the image that holds the map, and read back.
    modKrelin imported;
    imported.replaceImage(after);
    imported.ApplyStage(stage);
    const QByteArray again = EncodeTiledStage(imported, TiledFormat::Tmj, QStringLiteral("t.png"), {}).map;
    const TiledMapRead reread = ReadTmj(again, QString(), MapName);
    FUZZ_CHECK(reread.ok(), reread.error);
    const TiledStageImport back = CheckTiledStageMap(reread.map, MapName, imported, stage);
    FUZZ_CHECK(back.ok(), back.error);
    FUZZ_CHECK(back.cells == import.cells && back.rooms == import.rooms, "written again, the map reads back the same");
    return 0;
}
