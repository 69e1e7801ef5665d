#include "Palette.h"

#include "core/ImageLayout.h"
#include "core/modKrelin.h"

namespace krelin {

std::int32_t MasterColor(const modKrelin &model, int b)
{
    const int n = b & 0x3F;
    return std::int32_t(model.NesRed[n] & 0xFF) + 256 * std::int32_t(model.NesGreen[n] & 0xFF)
        + 65536 * std::int32_t(model.NesBlue[n] & 0xFF);
}

bool ResolveBgColors(modKrelin &model)
{
    const std::uint8_t *bytes = model.bytesAt(PaletteEntryOffset(model, 0), PaletteBytes);
    if (!bytes)
        return false;
    for (int i = 0; i < PaletteBytes; ++i)
        model.BgColors[i] = MasterColor(model, bytes[i]);
    return true;
}

} // namespace krelin
