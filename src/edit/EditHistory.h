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
class EditHistory : public QObject
{
    Q_OBJECT

public:
    explicit EditHistory(modKrelin &model, QObject *parent = nullptr);
    ~EditHistory() override;

    QUndoStack &stack() { return undoStack; }
    // The model whose image the steps edit.
    modKrelin &model() const { return image; }

    // Does the edit and keeps it as a step. An edit that would change no byte (the byte
    // already in place, bytes outside the image, a patch that changes nothing) makes no
    // step and is deleted; returns whether a step was made.
    bool push(EditStep *step);

    // Whether the image differs from the one last opened or saved.
    bool isModified() const { return !undoStack.isClean(); }
    // The image as it now is is the one on disk.
    void markSaved() { undoStack.setClean(); }
    // Another image was opened: its history starts empty, and unmodified.
    void clear();

signals:
    void modifiedChanged(bool modified);
    // An undo or a redo (or a jump of several, from the history window) changed the image
    // back or forth; place is where the last step undone or redone changed the level map
    // (no stage when it changed none). Not raised when a step is pushed.
    void stepRevisited(krelin::EditPlace place);

private:
    void indexChanged(int index);

    modKrelin &image;
    QUndoStack undoStack;
    int lastIndex = 0;
    bool pushing = false;
};

} // namespace krelin
