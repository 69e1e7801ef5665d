#pragma once

#include "EditStep.h"

#include <QString>

namespace krelin {

class modKrelin;

// A step known by its bytes alone (StepChanges): a patch applied, a step read back from the
// journal of a session that ended unexpectedly, or a step the history kept when it let
// older ones go. Redo writes the runs' new bytes (and the new size), undo the old ones,
// through the model's one write path.
class RecordedStep : public EditStep
{
public:
    RecordedStep(modKrelin &model, StepChanges changes, const QString &text);

    // The step's changes are in the image already: its first redo (the one a push makes)
    // writes nothing.
    void markApplied() { applied = true; }

    bool changesImage() const override { return !recorded.isEmpty(); }
    StepChanges changes() const override { return recorded; }
    qint64 bytesKept() const override { return kept; }

    void redo() override;
    void undo() override;

private:
    void apply(bool forward);

    modKrelin &model;
    StepChanges recorded;
    qint64 kept;
    bool applied = false;
};

} // namespace krelin
