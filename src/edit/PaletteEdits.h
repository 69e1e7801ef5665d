#pragma once

namespace krelin {

class modKrelin;

// Sets byte entry (0..15) of the current stage's background palette, the byte at
// PalOffset + entry, to master colour code (0..63), through the model's one write path.
// Returns false, writing nothing, for an entry or a code out of range or a palette byte
// that lies outside the image.
bool SetPaletteByte(modKrelin &model, int entry, int code);

} // namespace krelin
