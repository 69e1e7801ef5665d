#pragma once

#include "StepChanges.h"

#include <QUndoCommand>

#include <vector>

namespace krelin {

struct Stage;

// Where a step of the history edited the level map: the stage shown when it was made (or,
// for a step that changed several stages, the first of them) and the first frame it
// changed there. Undoing or redoing the step shows that frame of that stage, so the user
// sees what came back. No stage: the step changed no frame (a tile, a colour).
struct EditPlace
{
    const Stage *stage = nullptr;
    int frame = -1;
    // Every stage whose level map the step changed, the one above first.
    std::vector<const Stage *> stages;

    // Frame f of stage s, the one stage changed.
    static EditPlace In(const Stage *s, int f) { return {s, f, s ? std::vector<const Stage *>{s} : std::vector<const Stage *>{}}; }

    bool isValid() const { return stage && frame >= 0; }
    bool operator==(const EditPlace &) const = default;
};

// One step of the edit history: a QUndoCommand that can tell, when it is made, whether
// doing it would change the image at all (a step that would not is never kept), and what
// it changes in bytes, so that the history can write it to disk and rebuild it.
class EditStep : public QUndoCommand
{
public:
    using QUndoCommand::QUndoCommand;

    virtual bool changesImage() const = 0;
    virtual StepChanges changes() const = 0;
    // What keeping the step costs, in bytes.
    virtual qint64 bytesKept() const { return changes().bytes(); }
    // Where the step changed the level map, if it did in one frame.
    virtual EditPlace place() const { return {}; }
};

// The ids under which steps merge (QUndoCommand::id()).
enum EditMergeId {
    MergePixelStroke = 0x4B01,     // the pixels one drag in the tile editor crosses
    MergeQuadrantGesture = 0x4B02, // a tile number stepped again and again (an arrow held)
    MergeCellStroke = 0x4B03,      // the cells one drag of the Paint tool crosses
};

} // namespace krelin
