#pragma once

namespace krelin {

class EditHistory;

// Sets byte entry (0..15) of the current stage's background palette, the byte at
// PalOffset + entry, to master colour code (0..63), as a step of the edit history.
// Returns false, writing nothing, for an entry or a code out of range or a palette byte
// that lies outside the image. Writing the code in place already makes no step.
bool SetPaletteByte(EditHistory &history, int entry, int code);

} // namespace krelin
