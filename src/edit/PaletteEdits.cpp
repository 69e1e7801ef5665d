#include "PaletteEdits.h"

#include "EditCommands.h"
#include "EditHistory.h"

namespace krelin {

bool SetPaletteByte(EditHistory &history, int entry, int code)
{
    return PushEdit(history, new SetPaletteColorCommand(history.model(), entry, code));
}

} // namespace krelin
