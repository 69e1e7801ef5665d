#pragma once

#include <QtGlobal>

#include <cstdint>
#include <vector>

namespace krelin {

// What one step of the history changes, in bytes alone, whatever kind of edit it is: the
// runs of bytes that differ, as they were and as they become, and the image's size before
// and after when the step changes it. Bytes past the end of an image count as 0 there, so
// a step that grows the image with zeros, or cuts zeros off, keeps nothing for them: a
// patch that makes the image 16 MiB long by one byte at its end costs a few bytes. Enough
// to write the step to disk and rebuild it later, undoable as before.
struct StepChanges
{
    struct Run
    {
        qint64 offset = 0;
        std::vector<std::uint8_t> before;
        std::vector<std::uint8_t> after;
    };
    std::vector<Run> runs;
    qint64 sizeBefore = -1; // both -1 while the step leaves the size alone
    qint64 sizeAfter = -1;

    bool resizes() const { return sizeBefore != sizeAfter; }
    bool isEmpty() const { return runs.empty() && !resizes(); }
    // What keeping the step costs, in bytes.
    qint64 bytes() const;
};

// The changes that turn image `from` into image `to`: runs closer than a few bytes are
// kept as one, fewer and larger runs being cheaper to keep and to write back.
StepChanges ChangesBetween(const std::vector<std::uint8_t> &from, const std::vector<std::uint8_t> &to);

} // namespace krelin
