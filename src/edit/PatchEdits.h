#pragma once

#include <QString>
#include "EditStep.h"

#include <cstdint>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

// A patch applied to the open image: one step that replaces the image's bytes, however
// many there are afterwards, and puts the old ones back when undone. A patch may make
// the image longer or shorter, so the step keeps both images whole.
class ApplyPatchCommand : public EditStep
{
public:
    // The image as it is now is read from the model; patched is what the step makes of it.
    ApplyPatchCommand(modKrelin &model, std::vector<std::uint8_t> patched, const QString &text);

    // False when the patched image is the image as it is: not worth a step.
    bool changesImage() const override { return before != after; }

    void redo() override;
    void undo() override;

private:
    modKrelin &model;
    std::vector<std::uint8_t> before;
    std::vector<std::uint8_t> after;
};

struct PatchApplied
{
    QString error;        // empty when the patch was applied, or changes nothing
    bool changed = false; // a step was made: the image changed
};

// Reads the IPS or BPS patch at patchPath and applies it to the open image as one step of
// history. A patch that cannot be read, is damaged, was made for another image or would
// make an image too large is refused with a message naming the file and what is wrong;
// the image is then left exactly as it was, and so it is when the patch changes nothing.
PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath);

} // namespace krelin
