#pragma once

#include <QString>

#include <cstdint>
#include <span>
#include <vector>

namespace krelin {

class EditHistory;
class modKrelin;

struct PatchApplied
{
    QString error;        // empty when the patch was applied, or changes nothing
    bool changed = false; // a step was made: the image changed
};

// The open image as a patch would make it, worked out on a copy: the image itself stays
// as it is. error names the patch file (patchPath) and what is wrong, as
// ApplyPatchToImage says it.
struct PatchedImage
{
    QString error;
    std::vector<std::uint8_t> bytes;
};
PatchedImage PatchOpenImage(const modKrelin &model, std::span<const std::uint8_t> patch, const QString &patchPath);

// Makes the open image patched (what PatchOpenImage gave) as one step of history named
// after the patch file; no step when it equals the image.
PatchApplied ApplyPatchedImage(EditHistory &history, std::vector<std::uint8_t> patched, const QString &patchPath);

// Reads the IPS or BPS patch at patchPath and applies it to the open image as one step of
// history that keeps only the runs the patch changed (and the tail, when it changes the
// image's size). A patch that cannot be read, is damaged, was made for another image or would
// make an image too large is refused with a message naming the file and what is wrong;
// the image is then left exactly as it was, and so it is when the patch changes nothing.
PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath);

} // namespace krelin
