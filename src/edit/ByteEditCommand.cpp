#include "ByteEditCommand.h"

#include "EditHistory.h"
#include "core/modKrelin.h"

#include <chrono>

namespace krelin {

ByteEditCommand::ByteEditCommand(modKrelin &model, qint64 offset, std::vector<std::uint8_t> newBytes,
                                 const QString &text)
    : EditStep(text)
    , model(model)
    , at(offset)
    , after(std::move(newBytes))
    , inside(model.holds(offset, qint64(after.size())))
    , madeAt(std::chrono::duration_cast<std::chrono::milliseconds>(
                 std::chrono::steady_clock::now().time_since_epoch()).count())
{
    if (inside && !after.empty()) {
        const std::uint8_t *old = model.bytesAt(offset, qint64(after.size()));
        before.assign(old, old + after.size());
    }
}

bool ByteEditCommand::isValid() const
{
    return inside && !after.empty();
}

bool ByteEditCommand::changesImage() const
{
    return isValid() && before != after;
}

StepChanges ByteEditCommand::changes() const
{
    StepChanges changes;
    if (changesImage())
        changes.runs.push_back({at, before, after});
    return changes;
}

void ByteEditCommand::redo()
{
    if (inside)
        model.writeBytes(at, after);
}

void ByteEditCommand::undo()
{
    if (inside)
        model.writeBytes(at, before);
}

bool ByteEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const ByteEditCommand *>(other);
    if (!next || mergeId < 0 || next->id() != mergeId || next->at != at || next->after.size() != after.size()
        || next->madeAt - madeAt > MergeWindowMs)
        return false;
    after = next->after;
    madeAt = next->madeAt;
    setObsolete(before == after);
    return true;
}

bool PushEdit(EditHistory &history, ByteEditCommand *command)
{
    const bool valid = command->isValid();
    history.push(command);
    return valid;
}

} // namespace krelin
