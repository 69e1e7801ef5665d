#include "Palette.h"

#include "core/ImageLayout.h"

namespace krelin {

std::int32_t MasterColor(const modKrelin &model, int b)
{
    const int n = b & 0x3F;
    return std::int32_t(model.NesRed[n] & 0xFF) + 256 * std::int32_t(model.NesGreen[n] & 0xFF)
        + 65536 * std::int32_t(model.NesBlue[n] & 0xFF);
}

BgColorSet ConsoleColors(const BgColorSet &colors)
{
    BgColorSet shown = colors;
    for (int p = 1; p < 4; ++p)
        shown[std::size_t(4 * p)] = colors[0];
    return shown;
}

BgColorSet ShownColors(const modKrelin &model)
{
    return model.consoleColors() ? ConsoleColors(model.BgColors()) : model.BgColors();
}

std::optional<BgColorSet> ResolveBgColors(const modKrelin &model)
{
    const std::uint8_t *bytes = model.bytesAt(PaletteEntryOffset(model, 0), PaletteBytes);
    if (!bytes)
        return std::nullopt;
    BgColorSet colors;
    for (int i = 0; i < PaletteBytes; ++i)
        colors[std::size_t(i)] = MasterColor(model, bytes[i]);
    return colors;
}

} // namespace krelin
