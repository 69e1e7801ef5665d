#pragma once

#include "core/StageCells.h"
#include "core/Stamp.h"
#include "edit/CellEdits.h"

#include <QObject>
#include <QPoint>
#include <QRect>

#include <optional>

namespace krelin {

class EditHistory;
class LevelEditor;
class modKrelin;

// The tools of the level map.
enum class MapTool {
    Place, // a click places the selected metatile (or the stamp), as the program always did
    Paint, // a drag places it into every cell it crosses, one step a stroke
    Fill,  // a click fills the 4-connected region of cells holding the same metatile
};

// The views of the level map that the tools serve: the main window's map, one frame at a
// time, and the stage map, every frame of the stage side by side.
enum class MapView { Main, Stage };

// The level map's tools and what they work on, for every view of the map: the cell the
// tools work on (under the pointer, or the keyboard's cursor; the views draw it as the
// white frame), picking a metatile from the map (right button, the menu key), the
// selection of cells (Shift + drag, Shift + arrows, Select All), the stamp (the clipboard
// made something to place, or a block of the metatile table) drawn where it would land,
// copying, deleting and pasting, and the Paint and Fill tools.
//
// It works in stage cells (frame, row, column): a view only turns a pointer position or
// a key into a cell and calls here, and draws what the signals say. An edit made in a
// view keeps to the cells that view shows (its reach): the main window's map cuts a stamp
// at the frame's edges, the stage map at the stage's ends. Each edit is one step of
// history; the views follow the model's change signal, as for every edit.
class MapTools : public QObject
{
    Q_OBJECT

public:
    MapTools(modKrelin &model, EditHistory &history, LevelEditor &editor, QObject *parent = nullptr);

    MapTool tool() const { return current; }
    void setTool(MapTool tool);

    // ---- the cell worked on -------------------------------------------------------------
    // The cell under the pointer, or where the keyboard moved the cursor last; row 0,
    // column 0 of the frame shown after a stage is chosen.
    StageCell cell() const { return at; }
    // The view the pointer or the keys worked in last.
    MapView view() const { return lastView; }
    // The view the pointer is over, if any.
    std::optional<MapView> pointerView() const { return pointerIn; }
    // The cell is where the user works: the pointer is over the view it lies in, or the
    // keys moved it there since the pointer left.
    bool inSight() const { return ghostShown; }
    // The cells of the stage a view reaches: the frame shown, or every frame.
    QRect reach(MapView view) const;
    // The main window shows another frame: the cell moves there when the main map is the
    // view worked in.
    void frameShown(int frame);
    // Puts the cursor on a cell (Go To, a new stage) as if the keys had moved it there.
    void setCell(MapView view, const StageCell &cell);

    // ---- what the views report ----------------------------------------------------------
    void pointerMoved(MapView view, const StageCell &cell);
    void pointerLeft(MapView view);
    // A button went down over a cell of the view.
    void pressed(MapView view, const StageCell &cell, Qt::MouseButton button, Qt::KeyboardModifiers modifiers);
    // The left button went up; inside: over the view (a click, when it went down there too).
    void released(MapView view, Qt::MouseButton button, bool inside);
    // An arrow key: moves the cursor by (dx, dy) cells, over frame edges and as far as the
    // stage goes; with extend (Shift held) the selection grows from where it started.
    void moveCursor(MapView view, int dx, int dy, bool extend);
    // Enter or Space: what a click of the tool does on the cursor's cell.
    void activate(MapView view);

    // ---- the selection (places on the stage's strip of frames) --------------------------
    QRect selection() const { return selected; }
    void select(const QRect &cells);
    // Edit > Select All: every cell the view worked in last reaches.
    void selectAll();
    void clearSelection();

    // ---- the stamp ----------------------------------------------------------------------
    const std::optional<Stamp> &stamp() const { return held; }
    void setStamp(const Stamp &stamp);
    void dropStamp();
    // Where the stamp is drawn (its top-left cell's place), and the cells it may land on;
    // nothing while it is not over a view.
    std::optional<QPoint> ghostPlace() const { return ghostShown && held ? std::optional(StagePoint(at)) : std::nullopt; }
    QRect ghostReach() const { return reach(lastView); }

    // ---- commands -----------------------------------------------------------------------
    // Ctrl+C: the selected cells become the program's clipboard and go to the system
    // clipboard as text (StampToText). Returns false when nothing is selected.
    bool copy();
    // The cells last copied (Ctrl+C), if any.
    const std::optional<Stamp> &copied() const { return clipboard; }
    // Ctrl+V: the system clipboard's text, or the program's clipboard when the system
    // one holds no text, becomes the stamp. Text not in the clipboard's format is
    // refused: returns false and *why says what is wrong.
    bool paste(QString *why);
    // Delete: fills the selection with the selected metatile, one step.
    bool deleteSelection();
    // Escape: drops the stamp and the selection, and returns to Place.
    void escape();
    // Picks the metatile in a cell: it becomes the selected metatile and the table turns
    // to its page.
    void pick(const StageCell &cell);
    // Makes metatile n the selected one as a click in the table does: the stamp goes.
    void chooseMetaTile(int n);
    // Places the stamp with its top-left cell on cell, in the view's reach, one step.
    bool placeStamp(MapView view, const StageCell &cell);
    // Fills the region of the cell within the view's reach with the selected metatile.
    bool fill(MapView view, const StageCell &cell);

signals:
    void toolChanged(krelin::MapTool tool);
    void selectionChanged();
    void stampChanged();
    // The cell worked on moved, or the pointer came or went.
    void cellChanged();
    // The stamp, or where it is drawn, changed.
    void ghostChanged();
    // The metatile table is to show this page.
    void pageWanted(int page);
    // The main window is to show this frame: the one the pointer or the cursor works in.
    void frameWanted(int frame);

private:
    bool stageShown() const;
    int frames() const;
    void moveTo(MapView view, const StageCell &cell, bool shown);
    // Paints into every cell from the last one painted to place, as a line of cells.
    void paintTo(const QPoint &place);
    void paintCell(const QPoint &place);
    void click(MapView view);

    modKrelin &model;
    EditHistory &history;
    LevelEditor &editor;

    MapTool current = MapTool::Place;
    StageCell at;
    MapView lastView = MapView::Main;
    bool ghostShown = false; // the pointer or the keys are on a view
    std::optional<MapView> pointerIn; // the view under the pointer
    QRect selected;
    std::optional<QPoint> keyAnchor; // where Shift + arrows started the selection
    std::optional<Stamp> held;
    std::optional<Stamp> clipboard; // the cells last copied

    // What the left button pressed on a view does until it is released.
    enum class Drag { None, Select, Paint, Click };
    Drag drag = Drag::None;
    QPoint anchor; // the place the drag started on
    QPoint lastPainted;
    int stroke = 0; // the number of the Paint stroke under way
};

} // namespace krelin
