#include "RecordedStep.h"

#include "core/modKrelin.h"

#include <algorithm>

namespace krelin {

namespace {

// More runs than this are written back as a whole new image, announced once, rather than
// one change at a time.
constexpr std::size_t MostRunsWrittenSingly = 64;

} // namespace

RecordedStep::RecordedStep(modKrelin &model, StepChanges changes, const QString &text)
    : EditStep(text)
    , model(model)
    , recorded(std::move(changes))
    , kept(recorded.bytes())
{
}

void RecordedStep::redo()
{
    if (std::exchange(applied, false))
        return;
    apply(true);
}

void RecordedStep::undo()
{
    apply(false);
}

void RecordedStep::apply(bool forward)
{
    if (!recorded.resizes() && recorded.runs.size() <= MostRunsWrittenSingly) {
        for (const StepChanges::Run &run : recorded.runs)
            model.writeBytes(run.offset, forward ? run.after : run.before);
        return;
    }
    const qint64 to = recorded.resizes() ? (forward ? recorded.sizeAfter : recorded.sizeBefore) : model.romSize();
    // A grown image reads 0 past the old end until the runs say otherwise; a run reaching
    // past the new end is cut there.
    std::vector<std::uint8_t> bytes = model.image();
    bytes.resize(std::size_t(to), 0);
    for (const StepChanges::Run &run : recorded.runs) {
        const auto &source = forward ? run.after : run.before;
        const qint64 length = std::clamp<qint64>(to - run.offset, 0, qint64(source.size()));
        std::copy_n(source.begin(), length, bytes.begin() + run.offset);
    }
    model.replaceImage(std::move(bytes));
}

} // namespace krelin
