#pragma once

#include "CellsEditCommand.h"

#include <QRect>

#include <vector>

namespace krelin {

class modKrelin;
struct Stage;
struct Stamp;

// The level-map edits of many cells, each made as one CellsEditCommand on the current
// stage (at the model's offsets). None is pushed here: the caller pushes it onto the
// history, which keeps it only if it changes a byte.
//
// Cells are named by their place on the stage's strip of frames (StageCells.h), and each
// edit keeps inside a reach: the cells of the view it was made in (one frame for the main
// window's map, every frame of the stage for the stage map). What would land outside it
// is cut off. A step is named after the frames it changes ("in 4A, frames 3–4" for one
// made across a frame edge on the stage map), and shows the first of them on undo.

// The stamp with its top-left cell at place at: "Paste 3 × 2 in 4A, frame 1" (the part
// that lands). nullptr when no part of it lands inside the reach.
CellsEditCommand *MakePasteCommand(modKrelin &model, const QRect &reach, const QPoint &at, const Stamp &stamp);

// The 4-connected region of cells holding the same metatile as the cell at place at,
// inside the reach (over the frames' edges where it holds several), filled with
// metaTile: "Fill 17 cells with 05 in 4A, frame 1".
CellsEditCommand *MakeFillCommand(modKrelin &model, const QRect &reach, const QPoint &at, int metaTile);

// Every cell of the rectangle of places filled with metaTile: "Fill Selection 3 × 2 with
// 05 in 4A, frame 0". What Delete does to the selection.
CellsEditCommand *MakeFillRectCommand(modKrelin &model, const QRect &cells, int metaTile);

// One cell of a Paint stroke: metaTile at place at, or the stamp with its top-left cell
// there when stamp is given. The steps of one stroke (the same stroke number) merge
// into one: "Paint 12 cells with 05 in 4A, frame 1".
CellsEditCommand *MakePaintCommand(modKrelin &model, const QRect &reach, const QPoint &at, int metaTile,
                                   const Stamp *stamp, int stroke);

// The same within frame f alone, the cell given by its column and row in the frame.
CellsEditCommand *MakePasteCommand(modKrelin &model, int frame, int col, int row, const Stamp &stamp);
CellsEditCommand *MakeFillCommand(modKrelin &model, int frame, int col, int row, int metaTile);
CellsEditCommand *MakeFillRectCommand(modKrelin &model, int frame, const QRect &cells, int metaTile);
CellsEditCommand *MakePaintCommand(modKrelin &model, int frame, int col, int row, int metaTile,
                                   const Stamp *stamp, int stroke);

// Where Edit > Replace Metatile replaces.
enum class ReplaceScope { Frame, Stage, SharedStages };

// The level-map bytes that hold metatile from, in frame f of the current stage, in all
// its frames, or in every frame of every stage that shares its metatile table (each
// byte once, however many stages read it; stages the image does not hold are left
// out); and the frames they lie in, counted per stage.
struct ReplaceTargets
{
    std::vector<qint64> offsets;
    int frames = 0;
    int stages = 0;
    // Each stage that holds it, with the first frame that does: the stage shown first,
    // then the others in table order.
    std::vector<EditPlace> stagesUsed;
};
ReplaceTargets FindReplaceTargets(const modKrelin &model, int frame, ReplaceScope scope, int from);

// Replaces metatile from by to where FindReplaceTargets finds it: "Replace 2F with 05 in
// 40 cells of 4A, frame 3" (of the frame), "... of 4A" (of the stage), "... of 3, 4B" (of the
// stages changed).
CellsEditCommand *MakeReplaceCommand(modKrelin &model, int frame, ReplaceScope scope, int from, int to);

} // namespace krelin
