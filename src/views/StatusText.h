#pragma once

#include <QString>

namespace krelin {

class modKrelin;
struct Stage;

// The texts of the main window's status bar and of the empty level map. Each is built
// from the model and the editor's state alone, so the window only shows them.
//
// Frames, pages, rows and columns count from 0, as the image's layout and the command
// line's --frame do; metatile and tile numbers are two hexadecimal digits, as the room
// box writes room numbers.

// What the status bar shows of the place the user is at: the stage, the frame and page
// out of the stage's, and the selected metatile. All empty while no stage is shown.
struct PlaceTexts
{
    QString stage;    // "Stage 3"
    QString frame;    // "Frame 3 / 24"
    QString page;     // "Page 2 / 16"
    QString metaTile; // "Metatile 2F"

    bool operator==(const PlaceTexts &) const = default;
};

// stage is nullptr while no stage is shown.
PlaceTexts PlaceStatus(const Stage *stage, int frame, int page, int selectedMetaTile);

// How much a text says: all of it, or its numbers with the words shortened, for a field
// too narrow for the whole (the numbers are never the part cut).
enum class TextLength { Full, Brief };

// The cell of the level map under the pointer: "Row 4 · Column 7 · Metatile 2F ·
// Offset 0x5A5D" (brief: "R 4 · C 7 · 2F · 0x5A5D"), the metatile being the byte stored
// at that offset.
QString MapCellStatus(const modKrelin &model, int frame, int col, int row, TextLength length = TextLength::Full);

// Metatile n of the table: "Metatile 2F · Tiles 10 11 20 21 · Sub-palette 2" (brief: "2F ·
// 10 11 20 21 · Sub 2"), its four tile numbers (top-left, top-right, bottom-left,
// bottom-right) and the sub-palette it is painted in. A sub-palette byte above 3 is
// painted with its low two bits; the byte itself is then shown beside it.
QString TableCellStatus(const modKrelin &model, int n, TextLength length = TextLength::Full);

// What the empty level map tells the user to do next: open an image, or choose a stage.
QString EmptyMapHint(bool imageOpen);

} // namespace krelin
