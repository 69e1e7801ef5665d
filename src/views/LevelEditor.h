#pragma once

#include "LevelMapView.h"
#include "MetaTileTableView.h"
#include "core/MetaTileUses.h"

#include <QObject>
#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

// The surfaces of the main window that the level editor draws on.
enum class Surface { Editor, Table, Selected };

// The logic behind the main window's level-editing surfaces and controls: the metatile
// table and its selection, the level map's drawing, frames, pages and rooms, and the stage
// state flags. The window owns the three surfaces' images and forwards the table's events
// here; the map and the table views draw into the images. What the pointer and the keys
// do on the map (placing, pasting, filling, picking) is the map's tools' (MapTools).
//
// Both views follow the model: every change of the image (an edit, an undo or redo, a
// patch, a change made in another window) reaches them through the model's signals and
// repaints just what it touches. The code that writes never repaints. The views wait in
// two places only, each promised to the user: while the tile editor is in use, and while
// the palette editor asks whether to refresh.
class LevelEditor : public QObject
{
    Q_OBJECT

public:
    // Edits (rooms) become steps of history.
    LevelEditor(modKrelin &model, EditHistory &history, QImage &editorImage, QImage &tableImage,
                QImage &selectedImage, QObject *parent = nullptr);

    // ---- state ----------------------------------------------------------------------
    bool stageLoaded() const;
    bool redrawHold() const { return redrawHeld; }
    bool roomBoxArmed() const { return roomArmed; }
    int SelectedMetaTile() const { return selectedMetaTile; }
    int frame() const { return currentFrame; }
    int page() const { return currentPage; }
    const FrameCache &FrameMetaTiles() const { return map.FrameMetaTiles(); }
    int TableCol() const { return tableCell.col; }
    int TableRow() const { return tableCell.row; }

    // ---- stage selection and redraws ---------------------------------------------------
    // The editor's part of starting a stage selection: disarms the room box, holds
    // redraws, clears the preview and selects metatile 0.
    void ResetStage();
    // Resolves the palette (the background colours the main window shows from now on),
    // draws the current table page and the selected metatile, and releases the redraw
    // hold.
    void DrawTileTable();
    // Draws the current frame of the level map and arms the room box.
    void DrawLevel();
    // Redraws both views of the current stage from the image as it now is; nothing
    // while no stage is shown.
    void Refresh();
    // Clears the level map and writes on it what to do next: open an image, or (once
    // one is open) choose a stage. Only while no stage is shown.
    void DrawEmptyMap(bool imageOpen);

    // The room box entry of the room that the frame-to-room table gives the current
    // frame, or -1 when that byte is no room of the stage (or lies outside the image).
    int RoomEntryOfFrame() const;
    // The room byte the table gives the current frame, whatever it is; -1 when it lies
    // outside the image or no stage is shown.
    int RoomOfFrame() const;

    // ---- the two waits ---------------------------------------------------------------
    // While the tile editor is in use the main window does not redraw: it keeps the
    // ranges that changed and shows them once the tile editor's notice was dismissed.
    void beginTileEditorWait();
    void endTileEditorWait();
    bool waitsForTileEditor() const { return tileEditorWait.active; }
    // While the palette editor asks whether to refresh, the colour it wrote waits for the
    // answer: Yes refreshes, No leaves the old colours until the next redraw.
    void setPaletteQuestionPending(bool pending) { paletteQuestionPending = pending; }

    // ---- where metatiles are used ------------------------------------------------------
    // While on, the cells of the frame on screen that hold the selected metatile carry an
    // outline, and the table dims the metatiles that no frame of any stage sharing the
    // metatile table places. Turning it on or off redraws the marks at once.
    void SetShowUses(bool on);
    bool showsUses() const { return usesShown; }
    // How often the stage shown and the stages sharing its metatile table place each
    // metatile; nothing counted while no stage is shown. Counted when first asked for
    // after a stage choice or an edit of level-map bytes, never for a pointer move.
    const MetaTileUses &Uses();

    // ---- control events ----------------------------------------------------------------
    // The frame scroll bar's value changed.
    void FramesChanged(int value);
    // The table scroll bar's value changed.
    void TableChanged(int value);
    // An entry of the room box was chosen; writes its room to the current frame's byte
    // of the frame-to-room table while the room box is armed. The map is not redrawn (a
    // room is not drawn on it); the box is armed again when the model announces the byte.
    // Returns true if it wrote (the byte may have held that room already).
    bool RoomChosen(const QString &entry);

    // ---- pointer events on the table (positions in surface pixels) ------------------------
    // The level map's pointer is the tools' (MapTools), which work on every view of it.
    void TableMouseMove(double x, double y);
    void TableClick();
    // The table's white frame on cell (col, row) of the page shown: the pointer's, or the
    // keyboard's cursor.
    void frameTableCell(int col, int row);

    // Makes metatile n (0..255) the selected metatile: the preview and the table's mark
    // show it (the page is the caller's to turn).
    void SelectMetaTile(int n);
    // The level map's view, for the tools that draw over it (selection, stamp).
    LevelMapView &mapView() { return map; }
    // The metatile table's view, for the marks drawn over it (a comparison's).
    MetaTileTableView &tableView() { return table; }

signals:
    // A surface's image changed and should be shown.
    void refreshSurface(krelin::Surface surface);
    // A long redraw starts (true) or ends (false): the hourglass pointer.
    void busyChanged(bool busy);
    // The metatile table was drawn: the Edit Tile button may be used from now on.
    void tableDrawn();
    // A page of the table was drawn whole.
    void pageDrawn();
    // The table's white frame moved to another cell.
    void tableCellChanged();
    // The level map was drawn afresh (a stage selection, a frame change, a refresh).
    void levelDrawn();
    // The stage was taken off the views; nothing is shown until a stage is chosen.
    void stageUnloaded();
    // While uses are shown: the counts or the selected metatile changed.
    void usesChanged();
    // Another metatile was selected.
    void metaTileSelected(int metaTile);

private:
    // The cell under the pointer.
    struct TrackedCell
    {
        int col = 0, row = 0;
    };
    // The cell under pointer position (x, y) on a surface of columns x rows cells, or
    // false where the position names none.
    bool cellAt(double x, double y, int columns, int rows, TrackedCell &cell) const;

    void imageChanged(qint64 offset, qint64 length);
    void imageReplaced();
    void stageChanged();
    void consoleColorsChanged();
    // Shows a change of the image on both views, as far as they show it.
    void show(const ByteRange &range);
    void unloadStage();
    // An edit changed these image bytes: counts that read them are out of date, and with
    // Show Uses on they are counted again at once.
    void recountUses(const ByteRange &range);
    std::bitset<MetaTileCount> dimmedMetaTiles();
    int outlinedMetaTile() const { return usesShown ? selectedMetaTile : -1; }

    modKrelin &model;
    EditHistory &history;
    LevelMapView map;
    MetaTileTableView table;

    bool redrawHeld = false;
    bool roomArmed = false;
    int selectedMetaTile = 0;
    int currentFrame = 0;
    int currentPage = 0;
    bool usesShown = false;
    std::optional<MetaTileUses> uses; // empty until counted, and once out of date

    TrackedCell tableCell;

    struct TileEditorWait
    {
        bool active = false;
        std::vector<ByteRange> kept; // the changes made meanwhile, in order
        bool replaced = false;       // the whole image was replaced meanwhile
    } tileEditorWait;
    bool paletteQuestionPending = false;
};

} // namespace krelin
