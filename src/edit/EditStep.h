#pragma once

#include <QUndoCommand>

namespace krelin {

// One step of the edit history: a QUndoCommand that can tell, when it is made, whether
// doing it would change the image at all. A step that would not is never kept.
class EditStep : public QUndoCommand
{
public:
    using QUndoCommand::QUndoCommand;

    virtual bool changesImage() const = 0;
};

} // namespace krelin
