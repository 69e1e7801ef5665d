#include "EditHistory.h"

#include "ByteEditCommand.h"
#include "core/modKrelin.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace krelin {

EditHistory::EditHistory(modKrelin &model, QObject *parent)
    : QObject(parent)
    , image(model)
{
    connect(&undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) { image.setModified(!clean); });
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        const QScopedValueRollback quiet(pushing, true);
        undoStack.clear();
    });
    connect(&undoStack, &QUndoStack::indexChanged, this, &EditHistory::indexChanged);
}

EditHistory::~EditHistory()
{
    // The stack empties itself as it goes; that is no undo or new step for any window to
    // show, and by then the windows may be half gone.
    undoStack.blockSignals(true);
}

bool EditHistory::push(EditStep *command)
{
    if (!command->changesImage()) {
        delete command;
        return false;
    }
    const QScopedValueRollback quiet(pushing, true);
    undoStack.push(command);
    return true;
}

bool EditHistory::apply(ByteEditCommand *command)
{
    const bool valid = command->isValid();
    push(command);
    return valid;
}

void EditHistory::indexChanged(int index)
{
    const int from = shownIndex;
    shownIndex = index;
    if (pushing)
        return;
    // The steps between the old and the new index were undone or redone.
    std::vector<ByteRange> ranges;
    for (int i = std::min(from, index); i < std::max(from, index); ++i) {
        if (const auto *step = dynamic_cast<const ByteEditCommand *>(undoStack.command(i)))
            ranges.push_back({step->offset(), qint64(step->newBytes().size())});
        else // a step of another kind may have changed any byte
            ranges.push_back({0, image.romSize()});
    }
    emit restored(ranges);
}

} // namespace krelin
