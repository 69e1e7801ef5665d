#pragma once

#include "EditStep.h"

#include <QObject>
#include <QUndoStack>

namespace krelin {

class modKrelin;

// The history of the open image's edits: one QUndoStack. Every edit becomes a step here
// and is done by pushing it. Undoing and redoing write the steps' bytes through the
// model's one write path, so the views learn of them as of any other change. The image
// differs from the file on disk exactly while the stack is away from its clean (saved)
// step: isModified() asks the stack, nothing keeps a copy.
//
// The history keeps its steps within a memory budget: past it, the oldest steps go.
class EditHistory : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 DefaultMemoryBudget = qint64(256) << 20;

    explicit EditHistory(modKrelin &model, QObject *parent = nullptr);
    ~EditHistory() override;

    QUndoStack &stack() { return undoStack; }
    // The model whose image the steps edit.
    modKrelin &model() const { return image; }

    // Does the edit and keeps it as a step. An edit that would change no byte (the byte
    // already in place, bytes outside the image, a patch that changes nothing) makes no
    // step and is deleted, as is no step at all (nullptr); returns whether a step was made.
    bool push(EditStep *step);

    // Whether the image differs from the one last opened or saved.
    bool isModified() const { return !undoStack.isClean(); }
    // The image as it now is is the one on disk.
    void markSaved() { undoStack.setClean(); }
    // Another image was opened: its history starts empty, and unmodified.
    void clear();

    // What the steps keep, in bytes, and the most they may keep.
    qint64 bytesKept() const;
    qint64 memoryBudget() const { return budget; }
    void setMemoryBudget(qint64 bytes);

signals:
    void modifiedChanged(bool modified);
    // The budget was reached and the oldest steps went, count of them.
    void oldestStepsDropped(int count);
    // For whoever keeps a record of the history (the journal of unsaved work): a push made
    // the step at index, or merged an edit into it; an undo, a redo or a jump went from
    // step from to step to; an edit merged into the step at index left it changing nothing,
    // so it went (the history is at index now); the steps were emptied or replaced in
    // another way.
    void stepPushed(int index, bool merged);
    void stepsMoved(int from, int to);
    void stepMergedAway(int index);
    void stepsReset();
    // An undo or a redo (or a jump of several, from the history window) changed the image
    // back (undone) or forth; place is where the last step undone or redone changed the
    // level map (no stage when it changed none). Not raised when a step is pushed.
    void stepRevisited(const krelin::EditPlace &place, bool undone);

private:
    void keepWithinBudget();
    const EditStep *step(int index) const;

    modKrelin &image;
    QUndoStack undoStack;
    qint64 budget = DefaultMemoryBudget;
    qint64 keptAtMost = 0; // never below what the steps keep; counted exactly when it passes the budget
    int shownIndex = 0;    // the step stepsMoved() last told of
    bool rebuilding = false; // the stack's own index changes are not moves
};

} // namespace krelin
