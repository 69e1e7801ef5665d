#pragma once

#include "StepChanges.h"

#include <QUndoCommand>

namespace krelin {

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
};

} // namespace krelin
