#pragma once

#include "EditStep.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace krelin {

class modKrelin;

// A byte as the program writes metatile numbers: two upper-case hexadecimal digits ("2F").
QString HexByte(int value);

// Where a level step is made, as its name says it: the stage shown and the frame, "4A,
// frame 3" ("frame 3" while no stage is shown), or the frames first to last of a step
// made across frames on the stage map, "4A, frames 3–4". Stages that share the bytes
// are named by the one shown when the step is made.
QString LevelPlaceText(const modKrelin &model, int frame);
QString LevelPlaceText(const modKrelin &model, int first, int last);

// The frames of the stage shown that a level step changes, first to last.
struct FrameSpan
{
    int first = -1;
    int last = -1;

    bool isValid() const { return first >= 0 && last >= first; }
    // The frames of both.
    FrameSpan united(const FrameSpan &other) const;
};
// The stage shown, as its name says it ("4A"), or empty.
QString StageNameText(const modKrelin &model);

// An edit of many level-map cells at once (a paste, a fill, a paint stroke, a
// replacement): one step, whatever it changes. It keeps, for each cell it writes, the
// byte that was there and the byte it puts there, grouped in runs of neighbouring bytes;
// redo() and undo() write each run through the model's one write path, so a row of a
// paste or a whole frame of a fill is one write and one change announced.
class CellsEditCommand : public EditStep
{
public:
    // One cell to write: its byte's offset in the image and the metatile it gets.
    struct Cell
    {
        qint64 offset;
        std::uint8_t value;
    };

    // The bytes in place are read from the model now. Cells outside the image are left
    // out; a cell named twice gets the later value. text may hold %1, which becomes the
    // number of cells the step changes, and, when frames are given, %2, which becomes
    // where the step is made: the stage shown now and those frames (LevelPlaceText). A
    // stroke number other than 0 makes the step merge with the next one of the same
    // stroke (the cells one drag of the Paint tool crosses), and the frames of both.
    CellsEditCommand(modKrelin &model, const std::vector<Cell> &cells, const QString &text, EditPlace place,
                     int stroke = 0, FrameSpan frames = {});

    bool changesImage() const override { return changed > 0; }
    EditPlace place() const override { return where; }
    StepChanges changes() const override;
    // How many cells the step changes (cells that held their new metatile already do not
    // count).
    int cellsChanged() const { return changed; }
    // How many writes a redo or an undo makes: one per run of neighbouring bytes.
    int runCount() const { return int(runs.size()); }

    int id() const override { return stroke != 0 ? MergeCellStroke : -1; }
    bool mergeWith(const QUndoCommand *other) override;

    void redo() override;
    void undo() override;

private:
    struct Run
    {
        qint64 offset;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> after;
    };
    // Builds the runs from cells sorted by offset, each with its old and new byte.
    void setCells(const std::vector<Run> &single);
    std::vector<Run> singleCells() const;
    // The name from textFormat, the cells changed and the frames.
    void updateText();

    modKrelin &model;
    QString textFormat;
    QString stageName; // the stage shown when the step was made
    FrameSpan frames;
    EditPlace where;
    int stroke;
    std::vector<Run> runs;
    int changed = 0;
};

} // namespace krelin
