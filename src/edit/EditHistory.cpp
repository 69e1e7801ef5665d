#include "EditHistory.h"

#include "EditStep.h"
#include "RecordedStep.h"

#include <QScopedValueRollback>

#include <utility>
#include <vector>

#include <utility>

namespace krelin {

EditHistory::EditHistory(modKrelin &model, QObject *parent)
    : QObject(parent)
    , image(model)
{
    connect(&undoStack, &QUndoStack::cleanChanged, this, [this](bool clean) { emit modifiedChanged(!clean); });
    connect(&undoStack, &QUndoStack::indexChanged, this, [this](int index) {
        const int before = std::exchange(shownIndex, index);
        if (rebuilding || index == before)
            return;
        emit stepsMoved(before, index);
        // Going back, the last step undone is the one now at index; going forth, the one
        // just below it.
        emit stepRevisited(step(index < before ? index : index - 1)->place(), index < before);
    });
}

EditHistory::~EditHistory()
{
    // The stack empties itself as it goes; nobody is to hear of that, and by then the
    // windows may be half gone.
    undoStack.blockSignals(true);
}

bool EditHistory::push(EditStep *step)
{
    // The makers of many-cell steps give none when nothing would land.
    if (!step)
        return false;
    if (!step->changesImage()) {
        delete step;
        return false;
    }
    // The steps the push drops (those undone) are not counted off: the estimate only
    // errs high, and an exact count follows when it reaches the budget.
    keptAtMost += step->bytesKept();
    const int before = undoStack.index();
    {
        const QScopedValueRollback busy(rebuilding, true);
        undoStack.push(step);
    }
    if (undoStack.index() == before + 1)
        emit stepPushed(before, false);
    else if (undoStack.index() == before && before > 0)
        emit stepPushed(before - 1, true);
    else // merged into nothing: the step went
        emit stepMergedAway(undoStack.index());
    if (keptAtMost > budget) {
        keptAtMost = bytesKept();
        if (keptAtMost > budget)
            keepWithinBudget();
    }
    return true;
}

void EditHistory::clear()
{
    {
        const QScopedValueRollback busy(rebuilding, true);
        undoStack.clear();
        undoStack.setClean();
    }
    keptAtMost = 0;
    emit stepsReset();
}

const EditStep *EditHistory::step(int index) const
{
    return static_cast<const EditStep *>(undoStack.command(index));
}

qint64 EditHistory::bytesKept() const
{
    qint64 kept = 0;
    for (int i = 0; i < undoStack.count(); ++i)
        kept += step(i)->bytesKept();
    return kept;
}

void EditHistory::setMemoryBudget(qint64 bytes)
{
    budget = bytes;
    keptAtMost = bytesKept();
    if (keptAtMost > budget)
        keepWithinBudget();
}

void EditHistory::keepWithinBudget()
{
    const QScopedValueRollback busy(rebuilding, true);
    const int count = undoStack.count(), index = undoStack.index(), clean = undoStack.cleanIndex();
    // The newest steps that fit in three quarters of the budget: the rebuild costs the
    // whole history, so the next one waits until a quarter of the budget has come anew
    // (filled to the brim, every later edit would rebuild it all).
    const qint64 target = budget - budget / 4;
    int first = count;
    qint64 kept = 0;
    while (first > 0 && kept + step(first - 1)->bytesKept() <= target)
        kept += step(--first)->bytesKept();
    if (first == 0)
        return;
    // Steps undone past the oldest one kept cannot be reached again: none is kept then,
    // and the history starts at the image as it now is.
    if (index < first) {
        undoStack.clear();
        if (clean != index)
            undoStack.resetClean();
        keptAtMost = 0;
        emit oldestStepsDropped(count);
        return;
    }

    struct Kept
    {
        StepChanges changes;
        QString text;
    };
    std::vector<Kept> steps;
    for (int i = first; i < count; ++i)
        steps.push_back({step(i)->changes(), step(i)->text()});

    // The stack starts again with the steps kept, rebuilt from their bytes. They are in the
    // image already up to the current step; those after it were undone, and undoing them
    // once more writes the bytes in place, which changes nothing.
    undoStack.clear();
    for (std::size_t k = 0; k < steps.size(); ++k) {
        auto *rebuilt = new RecordedStep(image, std::move(steps[k].changes), steps[k].text);
        rebuilt->markApplied();
        undoStack.push(rebuilt);
        if (first + int(k) + 1 == clean)
            undoStack.setClean();
    }
    undoStack.setIndex(std::max(index - first, 0));
    if (clean < first)
        undoStack.resetClean(); // the image on disk lies past the oldest step kept
    keptAtMost = bytesKept();
    emit oldestStepsDropped(first);
}

} // namespace krelin
