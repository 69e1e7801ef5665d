#pragma once

#include "core/ImageLayout.h"

#include <QObject>
#include <QUndoStack>

#include <vector>

namespace krelin {

class ByteEditCommand;
class EditStep;
class modKrelin;

// The history of the open image's edits: one QUndoStack. Every edit becomes a step here
// and is done by pushing it; the image counts as modified exactly while the stack is away
// from its saved step, and the model is kept told. Opening another image empties it.
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
    bool push(EditStep *command);
    // The same, for windows that tell a refused edit from one that changes nothing:
    // returns whether the edit was accepted (valid, see ByteEditCommand), step or not.
    bool apply(ByteEditCommand *command);

    // The image as it now is is the one on disk.
    void markSaved() { undoStack.setClean(); }

signals:
    // Undo, redo or a jump through the history rewrote these bytes of the image (a patch's
    // step: all of them, and the image's size may have changed). Not sent for a new edit:
    // the window that made it shows it itself.
    void restored(const std::vector<krelin::ByteRange> &ranges);

private:
    void indexChanged(int index);

    modKrelin &image;
    QUndoStack undoStack;
    bool pushing = false; // the stack moves because of a new step or a clear, not an undo
    int shownIndex = 0;   // the stack's index as last seen
};

} // namespace krelin
