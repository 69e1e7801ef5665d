#include "EditHistory.h"

#include "EditStep.h"

#include <utility>

namespace krelin {

EditHistory::EditHistory(modKrelin &model, QObject *parent)
    : QObject(parent)
    , image(model)
{
    connect(&undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
    connect(&undoStack, &QUndoStack::indexChanged, this, &EditHistory::indexChanged);
}

void EditHistory::indexChanged(int index)
{
    const int before = std::exchange(lastIndex, index);
    if (pushing || index == before)
        return;
    // Going back, the last step undone is the one now at index; going forth, the one
    // just below it.
    const auto *step = dynamic_cast<const EditStep *>(undoStack.command(index < before ? index : index - 1));
    emit stepRevisited(step ? step->place() : EditPlace{});
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
    pushing = true;
    undoStack.push(step);
    pushing = false;
    lastIndex = undoStack.index();
    return true;
}

void EditHistory::clear()
{
    pushing = true;
    undoStack.clear();
    undoStack.setClean();
    pushing = false;
    lastIndex = undoStack.index();
}

} // namespace krelin
