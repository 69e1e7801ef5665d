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
class Preferences;
class modKrelin;

// The palette editor: the current stage's sixteen background colours as swatches, four
// rows of four, one row per sub-palette, and the 64 master colours as a grid below them.
// The user selects a swatch, then clicks a master colour: its code becomes the swatch's
// palette byte in the image, and the window offers to refresh the main window, which it
// asks for with refreshWanted().
//
// The window follows the model. Each swatch shows the colour of the palette byte stored
// in the image, with its code written on it; a swatch whose byte changes shows the new
// colour at once, whoever changed it. The master colour of the selected swatch is
// outlined in the grid. While it asks its question it says so (questionPending), so that
// the main window leaves the new colour for the answer; with the question turned off in
// the preferences it asks nothing, and the main window shows the colour at once.
class frmPalEditor : public QWidget
{
    Q_OBJECT

public:
    // Edits become steps of history, on the image of its model.
    // Without preferences the question is always asked.
    frmPalEditor(EditHistory &history, Desktop &desktop, QWidget *parent = nullptr, Preferences *preferences = nullptr);

    static constexpr int SwatchCount = 16;

    // ---- controls ------------------------------------------------------------------------
    std::array<ColorSwatch *, SwatchCount> picPal; // objectName picPal_0 ... picPal_15
    PictureSurface *picPalSelector;

    // The palette byte the selected swatch stands for (0..15).
    int selectedEntry() const { return selected; }
    // The master colour outlined in the grid, -1 for none.
    int outlinedColour() const { return outlined; }

    // ---- handlers ------------------------------------------------------------------------
    void picPal_Click(int Index);
    // Remembers the pointer position over the master colour grid, in surface pixels.
    void picPalSelector_MouseMove(double x, double y);
    // Writes the master colour under the remembered position into the selected palette
    // byte and offers a refresh. A position that names no colour writes and asks nothing.
    void picPalSelector_Click();

    // The keyboard's cursor: on swatch 0..15, or on master colour k as 16 + k.
    int keyCursor() const { return cursorAt; }

public slots:
    // Shows palette entry entry (0..15): its swatch selected, as a click on it selects it,
    // and the keys' cursor on it. What Go To asks for when it finds a palette entry.
    void showEntry(int entry);

signals:
    // A colour is being written and the user asked whether to refresh (true), until the
    // answer is in (false).
    void questionPending(bool pending);
    // A palette byte changed and the user wants the main window redrawn from the image.
    void refreshWanted();

protected:
    // The arrows move the cursor between the swatches and the master colours (Down from
    // the last row of swatches goes on into the colours, Up from their first row comes
    // back); Enter or Space selects the swatch, or writes the colour, as a click does.
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void selectEntry(int entry);
    // Writes master colour k into the selected palette byte and offers a refresh.
    void chooseColour(int k);
    // Moves the keyboard's cursor, drawn while the window has the focus.
    void moveCursor(int to);
    void showCursor(bool shown);

    // Shows the stored bytes of entries first..last on their swatches: the colour, the
    // code written on it and as its tool-tip; and outlines the selected one's colour.
    void showStoredBytes(int first = 0, int last = SwatchCount - 1);
    void outlineSelectedColour();
    void imageChanged(qint64 offset, qint64 length);

    EditHistory &history;
    modKrelin &model;
    Desktop &desktop;
    Preferences *preferences;
    int selected = 1;
    int outlined = -1;
    int cursorAt = 1;
    std::optional<QPointF> pointer; // none until the pointer has moved over the grid
};

} // namespace krelin
