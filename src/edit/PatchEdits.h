#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace krelin {

class EditHistory;

struct PatchApplied
{
    QString error;        // empty when the patch was applied, or changes nothing
    bool changed = false; // a step was made: the image changed
};

// Reads the IPS or BPS patch at patchPath and applies it to the open image as one step of
// history that keeps only the runs the patch changed (and the tail, when it changes the
// image's size). A patch that cannot be read, is damaged, was made for another image or would
// make an image too large is refused with a message naming the file and what is wrong;
// the image is then left exactly as it was, and so it is when the patch changes nothing.
PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath);

} // namespace krelin
