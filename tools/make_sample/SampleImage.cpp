// Puts the sample cartridge together: header, tile banks, metatile sets, palettes, level
// maps, frame-to-room tables and the save fix-up pair, each where the stage table says;
// every byte left over gets filler.
#include "SampleImage.h"

#include "Levels.h"
#include "MetaTiles.h"
#include "Palettes.h"
#include "Random.h"
#include "TileArt.h"
#include "ViewerCode.h"

#include "core/RomFile.h"
#include "core/StageTable.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace sample {

RegionWriter::RegionWriter(SampleImage &image) : image(image), claimed(image.bytes.size(), false) {}

void RegionWriter::put(const std::string &what, std::int64_t offset, const std::vector<std::uint8_t> &bytes,
                       bool frameTable)
{
    const auto length = std::int64_t(bytes.size());
    if (offset < 0 || offset + length > std::int64_t(image.bytes.size()))
        throw std::logic_error(what + " does not fit in the image");
    for (const Region &r : image.regions) {
        if (offset >= r.offset + r.length || r.offset >= offset + length)
            continue;
        if (!(frameTable && r.frameTable))
            throw std::logic_error(what + " overlaps " + r.what);
    }
    for (std::int64_t i = 0; i < length; ++i) {
        const auto at = std::size_t(offset + i);
        if (claimed[at] && image.bytes[at] != bytes[std::size_t(i)])
            throw std::logic_error(what + " disagrees with another frame table");
    }
    for (std::int64_t i = 0; i < length; ++i) {
        image.bytes[std::size_t(offset + i)] = bytes[std::size_t(i)];
        claimed[std::size_t(offset + i)] = true;
    }
    image.regions.push_back({what, offset, length, frameTable});
}

void RegionWriter::fillTheRest(std::uint64_t seed)
{
    Random rng(seed);
    for (std::size_t i = 0; i < claimed.size(); ++i)
        if (!claimed[i])
            image.bytes[i] = rng.byte();
}

namespace {

Theme BankTheme(int bankIndex)
{
    static const Theme order[] = {Theme::Forest, Theme::Castle, Theme::Mine, Theme::SkyFort};
    return order[bankIndex % 4];
}

// The room number each frame-table byte holds. Several stages read one table from the
// same offset, and stage 2A's table lies inside that shared one: each byte gets its room
// from the longest table it belongs to, counted from that table's start within that
// table's stage's rooms. So 2A reads the shared table's rooms (0..11) although its own
// rooms are 12..43; the shared table cannot hold both.
std::vector<std::uint8_t> RoomBytes(const krelin::Stage &stage)
{
    std::vector<std::uint8_t> rooms;
    for (int frame = 0; frame < stage.Frames; ++frame) {
        const std::int64_t at = krelin::FrameRoomOffset(stage, frame);
        const krelin::Stage *owner = &stage;
        for (const krelin::Stage &other : krelin::StageTable)
            if (krelin::FrameTableRange(other, other.Frames).contains(at) && other.Frames > owner->Frames)
                owner = &other;
        const int span = owner->LastRoom - owner->FirstRoom + 1;
        rooms.push_back(std::uint8_t(owner->FirstRoom + (at - owner->FrameTableOffset) % span));
    }
    return rooms;
}

} // namespace

SampleImage BuildSampleImage()
{
    SampleImage image;
    image.bytes.assign(std::size_t(ImageSize), 0);
    RegionWriter out(image);

    // iNES header: eight 16 KiB program banks, tile graphics in RAM (no CHR banks),
    // mapper 2, vertical mirroring for a game that scrolls sideways.
    out.put("header", 0, {'N', 'E', 'S', 0x1A, 8, 0, 0x21, 0, 0, 0, 0, 0, 0, 0, 0, 0});

    // Banks and metatile sets are shared between stages: write each once, the first
    // stage that uses it deciding its look.
    std::map<std::int32_t, int> banks;
    std::map<std::int32_t, bool> metaSets;
    for (const krelin::Stage &stage : krelin::StageTable) {
        if (!banks.count(stage.ChrOffset)) {
            const int index = int(banks.size());
            banks[stage.ChrOffset] = index;
            out.put(std::string("tile bank of ") + stage.name, stage.ChrOffset, DrawTileBank(BankTheme(index)));
        }
        if (!metaSets.count(stage.MetaTileOffset)) {
            metaSets[stage.MetaTileOffset] = true;
            const std::vector<std::uint8_t> set = BuildMetaTileSet();
            out.put(std::string("metatiles of ") + stage.name, stage.MetaTileOffset, {set.begin(), set.begin() + 1024});
            out.put(std::string("metatile sub-palettes of ") + stage.name, stage.MetaPalOffset, {set.begin() + 1024, set.end()});
        }
    }

    const std::vector<LevelMap> levels = BuildLevels();
    for (std::size_t i = 0; i < krelin::StageTable.size(); ++i) {
        const krelin::Stage &stage = krelin::StageTable[i];
        const auto palette = StagePalette(stage.name);
        out.put(std::string("palette of ") + stage.name, stage.PalOffset, {palette.begin(), palette.end()});
        out.put(std::string("level of ") + stage.name, stage.LevelOffset, levels[i].frameBytes());
        out.put(std::string("rooms of ") + stage.name, stage.FrameTableOffset, RoomBytes(stage), true);
    }

    // Two distinct pairs, so that a save's fix-up (source copied onto target) shows.
    out.put("save fix-up source", krelin::FixUpSource, {0x4B, 0x52});
    out.put("save fix-up target", krelin::FixUpTarget, {0xEA, 0xEA});

    // The viewer, with the processor's NMI, reset and IRQ vectors, at the end of the last
    // bank: started in an emulator, the sample shows its stages.
    const std::span<const std::uint8_t> viewer = ViewerCode();
    out.put("viewer", ImageSize - ViewerSize, {viewer.begin(), viewer.end()});

    out.fillTheRest(0x46494C4Cull);
    return image;
}

} // namespace sample
