#pragma once

#include "widgets/ColorSwatch.h"
#include "widgets/PictureSurface.h"

#include <QPointF>
#include <QWidget>

#include <array>
#include <optional>

namespace krelin {

class Desktop;
class EditHistory;
class modKrelin;

// The palette editor: the current stage's sixteen background colours as swatches, four
// rows of four, one row per sub-palette, and the 64 master colours as a grid below them.
// The user selects a swatch, then clicks a master colour: its code becomes the swatch's
// palette byte in the image, and the window offers to refresh the main window, which it
// asks for with refreshWanted().
//
// The window follows the model. Its swatches show the background colours as the main
// window last resolved them (bgColorsChanged); a swatch whose palette byte changes shows
// the new byte's colour at once, whoever changed it. While it asks its question it says
// so (questionPending), so that the main window leaves the new colour for the answer.
class frmPalEditor : public QWidget
{
    Q_OBJECT

public:
    // Edits become steps of history, on the image of its model.
    frmPalEditor(EditHistory &history, Desktop &desktop, QWidget *parent = nullptr);

    static constexpr int SwatchCount = 16;

    // ---- controls ------------------------------------------------------------------------
    std::array<ColorSwatch *, SwatchCount> picPal; // objectName picPal_0 ... picPal_15
    PictureSurface *picPalSelector;

    // The palette byte the selected swatch stands for (0..15).
    int selectedEntry() const { return selected; }

    // ---- handlers ------------------------------------------------------------------------
    void picPal_Click(int Index);
    // Remembers the pointer position over the master colour grid, in surface pixels.
    void picPalSelector_MouseMove(double x, double y);
    // Writes the master colour under the remembered position into the selected palette
    // byte and offers a refresh. A position that names no colour writes and asks nothing.
    void picPalSelector_Click();

signals:
    // A colour is being written and the user asked whether to refresh (true), until the
    // answer is in (false).
    void questionPending(bool pending);
    // A palette byte changed and the user wants the main window redrawn from the image.
    void refreshWanted();

private:
    // Shows the background colours on the swatches, each with its stored byte as tool-tip.
    void ShowBgColors();
    // Puts the stored bytes of entries first..last into the swatches' tool-tips.
    void showStoredBytes(int first = 0, int last = SwatchCount - 1);
    void imageChanged(qint64 offset, qint64 length);

    EditHistory &history;
    modKrelin &model;
    Desktop &desktop;
    int selected = 1;
    std::optional<QPointF> pointer; // none until the pointer has moved over the grid
};

} // namespace krelin
