#pragma once

#include "EditStep.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

// A patch applied to the open image: one step that changes the image's bytes, however
// many, and may make it longer or shorter. It keeps only what it changed: the runs of
// bytes that differ (as they were and as they become) and, when the image shrinks, the
// tail it cut off; when it grows, the tail it added.
class ApplyPatchCommand : public EditStep
{
public:
    // The image as it is now is read from the model; patched is what the step makes of it.
    ApplyPatchCommand(modKrelin &model, const std::vector<std::uint8_t> &patched, const QString &text);

    // False when the patched image is the image as it is: not worth a step.
    bool changesImage() const override { return !runs.empty() || sizeBefore != sizeAfter; }
    // The bytes the step keeps for undoing and redoing.
    qint64 bytesKept() const;

    void redo() override;
    void undo() override;

private:
    // A run of bytes inside both images that the patch changed.
    struct Run
    {
        qint64 offset;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> after;
    };
    void apply(bool forward);

    modKrelin &model;
    qint64 sizeBefore;
    qint64 sizeAfter;
    std::vector<Run> runs;
    std::vector<std::uint8_t> tail; // the bytes past the shorter image, of the longer one
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
