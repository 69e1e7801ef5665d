// Writes stages.inc, the viewer's copy of the stage table: for each stage, the program bank
// that holds its palette, metatiles, sub-palettes and level map, the bank that holds its
// tiles, and where each of them starts in the bank window at $8000. Made from the editor's
// own stage table, so that the viewer reads exactly the bytes the editor reads.
#include "core/StageTable.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr long HeaderSize = 16;
constexpr long BankSize = 0x4000;
constexpr long BankWindow = 0x8000;

struct Place
{
    int bank;
    unsigned address;
};

// Where the bytes [offset, offset + length) of the image lie for the processor; false when
// they cross from one bank into the next, which the viewer cannot read in one go.
bool PlaceOf(long offset, long length, Place &place)
{
    const long rom = offset - HeaderSize;
    if (rom < 0 || rom / BankSize != (rom + length - 1) / BankSize)
        return false;
    place = {int(rom / BankSize), unsigned(BankWindow + rom % BankSize)};
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.inc\n", argv[0]);
        return 2;
    }
    using namespace krelin;

    std::vector<Place> tiles, palettes, metaTiles, subPalettes, levels;
    for (const Stage &stage : StageTable) {
        const struct
        {
            ByteRange range;
            std::vector<Place> &into;
        } parts[] = {
            {TilesRange(stage), tiles},
            {PaletteRange(stage), palettes},
            {MetaTileRecordsRange(stage), metaTiles},
            {SubPalettesRange(stage), subPalettes},
            {LevelRange(stage, stage.Frames), levels},
        };
        for (const auto &part : parts) {
            Place place;
            if (!PlaceOf(long(part.range.offset), long(part.range.length), place)) {
                std::fprintf(stderr, "%s: data of stage %s crosses a bank boundary\n", argv[0], stage.name);
                return 1;
            }
            part.into.push_back(place);
        }
        const int dataBank = palettes.back().bank;
        if (metaTiles.back().bank != dataBank || subPalettes.back().bank != dataBank
            || levels.back().bank != dataBank) {
            std::fprintf(stderr, "%s: the data of stage %s lies in more than one bank\n", argv[0], stage.name);
            return 1;
        }
    }

    std::string text = "; Written by make_stage_table from the editor's stage table; do not edit.\n";
    text += "STAGE_COUNT = " + std::to_string(StageTable.size()) + "\n";
    char line[160];
    const auto row = [&](const char *label, auto value) {
        text += label;
        text += ":";
        for (std::size_t i = 0; i < StageTable.size(); ++i) {
            std::snprintf(line, sizeof line, "%s $%02X", i ? "," : " .byte", unsigned(value(i)));
            text += line;
        }
        text += "\n";
    };
    const auto addresses = [&](const char *name, const std::vector<Place> &places) {
        row((std::string(name) + "_lo").c_str(), [&](std::size_t i) { return places[i].address & 0xFF; });
        row((std::string(name) + "_hi").c_str(), [&](std::size_t i) { return places[i].address >> 8; });
    };
    text += "; stages in menu order:";
    for (const Stage &stage : StageTable)
        text += std::string(" ") + stage.name;
    text += "\n";
    row("stage_frames", [&](std::size_t i) { return StageTable[i].Frames; });
    row("stage_data_bank", [&](std::size_t i) { return palettes[i].bank; });
    row("stage_tile_bank", [&](std::size_t i) { return tiles[i].bank; });
    addresses("stage_tiles", tiles);
    addresses("stage_palette", palettes);
    addresses("stage_metatiles", metaTiles);
    addresses("stage_subpalettes", subPalettes);
    addresses("stage_level", levels);

    std::FILE *out = std::fopen(argv[1], "w");
    if (!out || std::fputs(text.c_str(), out) < 0 || std::fclose(out) != 0) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
