// Any bytes as a map of the map editor Tiled, or as a tile layer's packed data. The input
// is read as
//   byte 0     what the rest is: 0 a map (TMX or TMJ), 1 zlib, 2 gzip, 3 zstd data of a
//              layer of 16 cells (given to the reader in base64)
//   the rest   the map or the data
// A map is read, each of its tile layers decoded, and it is checked as a map of stage 1C
// of a fixed image; one that is taken is imported as a step and undone. Checks that
// decoded data has exactly the cells asked for, that a map taken has every cell and room
// of the stage, and that undoing its import gives the image back.

#include "FuzzSupport.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditHistory.h"
#include "tiled/TileLayerData.h"
#include "tiled/TiledImport.h"
#include "tiled/TiledMapFile.h"

#include <QUndoStack>

using namespace krelin;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    if (data[0] % 4 != 0) {
        static const char *const packing[] = {"", "zlib", "gzip", "zstd"};
        const DecodedCells cells = DecodeBase64Cells(rest.toBase64(), QLatin1String(packing[data[0] % 4]), 16);
        FUZZ_CHECK(cells.ok() ? cells.ids.size() == 16 : cells.ids.empty(), cells.error);
        return 0;
    }

    const TiledMapRead read = ReadTiledMapBytes(rest, fuzz::WorkFolder().path(), QStringLiteral("map"));
    if (!read.ok())
        return 0;
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
    const TiledStageImport import = CheckTiledStageMap(read.map, QStringLiteral("map"), model, stage);
    if (!import.ok())
        return 0;
    FUZZ_CHECK(import.cells.size() == std::size_t(FrameBytes * stage.Frames) && import.rooms.size() == std::size_t(stage.Frames),
               "a map taken has every cell and room");
    const std::vector<std::uint8_t> before = model.image();
    EditHistory history(model);
    CellsEditCommand *step = MakeTiledImportCommand(model, import, QStringLiteral("Import"));
    FUZZ_CHECK((step == nullptr) == (ImageWithMap(before, import) == before), "a step exactly when the map changes something");
    if (step && history.push(step))
        FUZZ_CHECK(model.image() == ImageWithMap(before, import), "the import writes the map's cells and rooms");
    history.stack().undo();
    FUZZ_CHECK(model.image() == before, "undone, the image is as it was");
    return 0;
}
