#pragma once

#include "MetaTileUses.h"
#include "render/LevelView.h"

#include <QObject>
#include <QImage>
#include <QString>

#include <optional>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;
struct ByteRange;

// The surfaces of the main window that the level editor draws on.
enum class Surface { Editor, Table, Selected };

// The logic behind the main window's level-editing surfaces and controls: the metatile
// table and its selection, the level map and its placements, frames, pages and rooms,
// and the stage state flags. The window owns the three surfaces' images and forwards its
// events here; this class draws into the images and asks the window to show them.
class LevelEditor : public QObject
{
    Q_OBJECT

public:
    // Edits (placements, rooms) become steps of history.
    LevelEditor(modKrelin &model, EditHistory &history, QImage &editorImage, QImage &tableImage,
                QImage &selectedImage, QObject *parent = nullptr);

    // ---- state ----------------------------------------------------------------------
    bool stageLoaded() const { return stageIsLoaded; }
    bool redrawHold() const { return redrawHeld; }
    bool roomBoxArmed() const { return roomArmed; }
    int SelectedMetaTile() const { return selectedMetaTile; }
    int frame() const { return currentFrame; }
    int page() const { return currentPage; }
    const FrameCache &FrameMetaTiles() const { return frameMetaTiles; }
    int EditorCol() const { return editorCell.col; }
    int EditorRow() const { return editorCell.row; }
    int TableCol() const { return tableCell.col; }
    int TableRow() const { return tableCell.row; }

    // ---- stage selection and redraws ---------------------------------------------------
    // The editor's part of starting a stage selection: marks a stage loaded, disarms the
    // room box, holds redraws, clears the preview and selects metatile 0.
    void ResetStage();
    // Resolves the palette, draws the current table page and the selected metatile, and
    // releases the redraw hold.
    void DrawTileTable();
    // Draws the current frame of the level map and arms the room box.
    void DrawLevel();
    // Redraws both views of the current stage from the image as it now is; nothing
    // while no stage is shown.
    void Refresh();
    // Shows bytes that an undo or redo rewrote, when all of them are cells of the frame on
    // screen: repaints just those cells. Returns false, drawing nothing, when any range
    // lies elsewhere; the caller then refreshes everything.
    bool RepaintLevelCells(const std::vector<ByteRange> &ranges);
    // Takes the stage off the views, as when the open image cannot hold it: the surfaces
    // are cleared, the map says what to do next, and the handlers are inert again until
    // a stage is chosen.
    void UnloadStage();
    // Clears the level map and writes on it what to do next: open an image, or (once
    // one is open) choose a stage. Only while no stage is shown.
    void DrawEmptyMap(bool imageOpen);

    // The room box entry of the room that the frame-to-room table gives the current
    // frame, or -1 when that byte is no room of the stage (or lies outside the image).
    int RoomEntryOfFrame() const;

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
    // of the frame-to-room table while the room box is armed. Returns true if it wrote
    // (the byte may have held that room already).
    bool RoomChosen(const QString &entry);

    // ---- pointer events (positions in surface pixels) ------------------------------------
    void TableMouseMove(double x, double y);
    void TableClick();
    void EditorMouseMove(double x, double y);
    void EditorClick();

signals:
    // A surface's image changed and should be shown.
    void refreshSurface(krelin::Surface surface);
    // A long redraw starts (true) or ends (false): the hourglass pointer.
    void busyChanged(bool busy);
    // The metatile table was drawn: the Edit Tile button may be used from now on, and the
    // background colours were resolved afresh.
    void tableDrawn();
    // The level map was drawn afresh (a stage selection, a frame change, a refresh, a
    // room choice).
    void levelDrawn();
    // The stage was taken off the views; nothing is shown until a stage is chosen.
    void stageUnloaded();
    // While uses are shown: the counts or the selected metatile changed.
    void usesChanged();

private:
    // The cell under the pointer, and the cell that carries the white frame.
    struct TrackedCell
    {
        int col = 0, row = 0, lastCol = 0, lastRow = 0;
    };
    // Follows the pointer over a surface of columns x rows cells: repaints the cell the
    // frame leaves with restore(col, row) and frames the cell under the pointer.
    template<typename Restore>
    void trackPointer(TrackedCell &cell, double x, double y, int columns, int rows, QImage &image,
                      Surface surface, Restore restore);
    void paintEditorCell(int col, int row, int metaTile);
    void restoreEditorCell(int col, int row);
    void restoreTableCell(int col, int row);
    // An edit changed these image bytes: counts that read them are out of date.
    void imageBytesChanged(qint64 offset, qint64 length);
    // Repaints the map's cells that hold metatile n or m, with or without their outline.
    void repaintCellsHolding(int n, int m);
    void dimFreeTableCells();

    modKrelin &model;
    EditHistory &history;
    QImage &editorImage;
    QImage &tableImage;
    QImage &selectedImage;

    bool stageIsLoaded = false;
    bool redrawHeld = false;
    bool roomArmed = false;
    int selectedMetaTile = 0;
    int currentFrame = 0;
    int currentPage = 0;
    FrameCache frameMetaTiles{};
    bool usesShown = false;
    std::optional<MetaTileUses> uses; // empty until counted, and once out of date

    TrackedCell editorCell;
    TrackedCell tableCell;
};

} // namespace krelin
