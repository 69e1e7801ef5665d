#include "PaletteEdits.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <cstdint>

namespace krelin {

bool SetPaletteByte(modKrelin &model, int entry, int code)
{
    if (entry < 0 || entry >= PaletteBytes || code < 0 || code > 63)
        return false;
    return model.writeByte(qint64(model.PalOffset) + entry, std::uint8_t(code));
}

} // namespace krelin
