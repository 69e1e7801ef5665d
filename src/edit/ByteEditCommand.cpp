#include "ByteEditCommand.h"

#include "EditHistory.h"
#include "core/modKrelin.h"

namespace krelin {

ByteEditCommand::ByteEditCommand(modKrelin &model, qint64 offset, std::vector<std::uint8_t> newBytes,
                                 const QString &text)
    : EditStep(text)
    , model(model)
    , at(offset)
    , after(std::move(newBytes))
    , inside(model.holds(offset, qint64(after.size())))
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

bool ByteEditCommand::takeBytesOf(const ByteEditCommand &later)
{
    if (later.at != at || later.after.size() != after.size() || !inside || !later.inside)
        return false;
    after = later.after;
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
