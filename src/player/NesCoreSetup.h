#pragma once

#include <QString>

namespace krelin {

class CoreHost;
class modKrelin;

// The file a NES core reads a palette of its user's from, in its system folder: 64 RGB
// triplets, one per colour code.
inline constexpr char CustomPaletteFile[] = "custom.pal";
// The file a NES core reads its database of known games from, in its system folder.
inline constexpr char GameDatabaseFile[] = "NstDatabase.xml";

// Sets a NES core up to show the console's picture as the editor shows colours: the
// model's master palette written as the core's custom palette and chosen, and the whole
// 256 x 240 picture, without filters or cropped edges. Only settings the core declared
// are set. Call before the image is loaded. False, with a message naming the file, when
// the palette cannot be written.
bool UseEditorColors(CoreHost &host, const modKrelin &model, QString *error);

// Gives a NES core an empty database of known games in its system folder (unless one is
// there already). Without it the core reads its built-in database at every image it
// loads: about four fifths of the load's time, and a megabyte it never gives back, which
// a reload after every edit would pile up. An edited image matches no known game anyway.
// False, with a message naming the file, when it cannot be written.
bool SkipGameDatabase(CoreHost &host, QString *error);

} // namespace krelin
