#include "EditHistory.h"

#include "EditStep.h"

namespace krelin {

EditHistory::EditHistory(modKrelin &model, QObject *parent)
    : QObject(parent)
    , image(model)
{
    connect(&undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
}

EditHistory::~EditHistory()
{
    // The stack empties itself as it goes; nobody is to hear of that, and by then the
    // windows may be half gone.
    undoStack.blockSignals(true);
}

bool EditHistory::push(EditStep *step)
{
    if (!step->changesImage()) {
        delete step;
        return false;
    }
    undoStack.push(step);
    return true;
}

void EditHistory::clear()
{
    undoStack.clear();
    undoStack.setClean();
}

} // namespace krelin
