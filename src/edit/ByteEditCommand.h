#pragma once

#include "EditStep.h"

#include <cstdint>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

// One edit of the image: a run of bytes at one offset, with the bytes that were there
// when the edit was made and the bytes it puts there. redo() writes the new bytes and
// undo() the old ones, both through the model's one write path. Each kind of edit is a
// small subclass that works out its offset and new bytes and names itself.
class ByteEditCommand : public EditStep
{
public:
    // The bytes at [offset, offset + newBytes.size()) are read from the model now.
    ByteEditCommand(modKrelin &model, qint64 offset, std::vector<std::uint8_t> newBytes, const QString &text);

    // False when the edit has no bytes (an argument out of range) or they do not lie
    // wholly inside the image: the edit is refused.
    bool isValid() const;
    // False when the edit is refused or its bytes equal those in place: such an edit is
    // not worth a step.
    bool changesImage() const override;
    StepChanges changes() const override;
    qint64 bytesKept() const override { return qint64(sizeof(*this) + before.size() + after.size()); }

    qint64 offset() const { return at; }
    const std::vector<std::uint8_t> &oldBytes() const { return before; }
    const std::vector<std::uint8_t> &newBytes() const { return after; }

    void redo() override;
    void undo() override;

protected:
    // Takes the bytes a later edit of the same bytes puts there, so that both are one
    // step: the step undoes to the bytes before the first. False, changing nothing, for
    // edits of other bytes. A step that then changes nothing is marked obsolete, and the
    // history drops it.
    bool takeBytesOf(const ByteEditCommand &later);

private:
    modKrelin &model;
    qint64 at;
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> after;
    bool inside;
};

// Pushes the edit onto the history. Returns whether it was accepted (valid), whether or
// not it changed a byte: the windows tell a refused edit from one that changes nothing.
bool PushEdit(EditHistory &history, ByteEditCommand *command);

} // namespace krelin
