#pragma once

#include "core/Stamp.h"
#include "edit/CellEdits.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <optional>

namespace krelin {

class EditHistory;
class LevelEditor;
class PictureSurface;
class modKrelin;

// The tools of the level map.
enum class MapTool {
    Place, // a click places the selected metatile (or the stamp), as the program always did
    Paint, // a drag places it into every cell it crosses, one step a stroke
    Fill,  // a click fills the 4-connected region of cells holding the same metatile
};

// The level map's tools and what they work on: picking a metatile from the map (right
// button), the selection of cells (Shift + drag, Select All), the stamp (the clipboard
// made something to place, or a block dragged over the metatile table) drawn over the map
// where it would land, copying, deleting and pasting, and the Paint and Fill tools.
//
// It watches the pointer on the map and the table surfaces (it filters their events and
// lets them pass), decides what a press, a drag and a release on the map do, and makes
// each edit one step of history. The map follows the model's change signal, as for every
// edit; the selection and the stamp it draws through the level editor's map view.
class MapTools : public QObject
{
    Q_OBJECT

public:
    MapTools(modKrelin &model, EditHistory &history, LevelEditor &editor, PictureSurface *map, PictureSurface *table,
             QObject *parent = nullptr);

    MapTool tool() const { return current; }
    void setTool(MapTool tool);

    // ---- the selection ------------------------------------------------------------------
    // The selected cells of frame selectionFrame(), a rectangle in cells; empty for none.
    QRect selection() const { return selected; }
    int selectionFrame() const { return selectedFrame; }
    void select(const QRect &cells, int frame);
    // Edit > Select All: every cell of the frame shown.
    void selectAll();
    void clearSelection();

    // ---- the stamp ----------------------------------------------------------------------
    const std::optional<Stamp> &stamp() const { return held; }
    void setStamp(const Stamp &stamp);
    void dropStamp();

    // ---- commands -----------------------------------------------------------------------
    // Ctrl+C: the selected cells become the program's clipboard and go to the system
    // clipboard as text (StampToText). Returns false when nothing is selected.
    bool copy();
    // Ctrl+V: the system clipboard's text, or the program's clipboard when the system
    // one holds no text, becomes the stamp. Text not in the clipboard's format is
    // refused: returns false and *why says what is wrong.
    bool paste(QString *why);
    // Delete: fills the selection with the selected metatile, one step.
    bool deleteSelection();
    // Escape: drops the stamp and the selection, and returns to Place.
    void escape();
    // Picks the metatile in cell (col, row) of the frame shown: it becomes the selected
    // metatile and the table turns to its page.
    void pick(int col, int row);
    // Places the stamp with its top-left cell at (col, row) of the frame shown, one step.
    bool placeStamp(int col, int row);
    // Fills the region of cell (col, row) of the frame shown with the selected metatile.
    bool fill(int col, int row);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void toolChanged(krelin::MapTool tool);
    void selectionChanged();
    void stampChanged();
    // The metatile table is to show this page.
    void pageWanted(int page);

private:
    bool mapEvent(QEvent *event);
    void tableEvent(QEvent *event);
    void tableClicked();
    // The cell under a pointer position on the map surface (widget coordinates), or
    // nothing where there is none (no stage, left of or above the map).
    std::optional<QPoint> mapCell(const QPointF &position, const QPointF &windowPosition) const;
    std::optional<QPoint> tableCell(const QPointF &position, const QPointF &windowPosition) const;
    // Paints into every cell from the last one painted to cell, as a line of cells.
    void paintTo(const QPoint &cell);
    void paintCell(const QPoint &cell);
    void showGhost();

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;
    PictureSurface *mapSurface;
    PictureSurface *tableSurface;

    MapTool current = MapTool::Place;
    QRect selected;
    int selectedFrame = -1;
    std::optional<Stamp> held;
    std::optional<Stamp> clipboard; // the cells last copied

    // What the left button pressed on the map does until it is released.
    enum class Drag { None, Select, Paint, Click };
    Drag drag = Drag::None;
    QPoint anchor;    // the cell the drag started in
    QPoint lastPainted;
    int stroke = 0;   // the number of the Paint stroke under way
    std::optional<QPoint> pointerCell; // the map cell under the pointer
    std::optional<QPoint> tablePressCell, tableReleaseCell;
};

} // namespace krelin
