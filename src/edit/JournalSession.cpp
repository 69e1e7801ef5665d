#include "JournalSession.h"

#include "EditHistory.h"
#include "RecordedStep.h"
#include "core/JournalFormat.h"
#include "core/modKrelin.h"

#include <QUndoStack>

#include <algorithm>

namespace krelin {

namespace {

void putChanges(JournalWriter &out, const StepChanges &changes)
{
    out.putI64(changes.sizeBefore);
    out.putI64(changes.sizeAfter);
    out.putU32(std::uint32_t(changes.runs.size()));
    for (const StepChanges::Run &run : changes.runs) {
        out.putI64(run.offset);
        out.putBytes(run.before);
        out.putBytes(run.after);
    }
}

} // namespace

void PutBegin(JournalWriter &out, const QString &path, qint64 fileSize, std::uint32_t fileCrc,
              std::span<const std::uint8_t> base)
{
    out.begin(JournalBegin);
    out.putText(path);
    out.putI64(fileSize);
    out.putU32(fileCrc);
    out.putBytes(base);
    out.end();
}

void PutStep(JournalWriter &out, bool merged, const QString &text, const StepChanges &changes)
{
    out.begin(merged ? JournalMerge : JournalPush);
    out.putText(text.left(int(MostJournalTextBytes / 4)));
    putChanges(out, changes);
    out.end();
}

void PutIndex(JournalWriter &out, int index)
{
    out.begin(JournalIndex);
    out.putU32(std::uint32_t(index));
    out.end();
}

void PutClean(JournalWriter &out, int clean)
{
    out.begin(JournalClean);
    out.putI64(clean);
    out.end();
}

void ApplyStepChanges(std::vector<std::uint8_t> &image, const StepChanges &changes, bool forward)
{
    const qint64 to = changes.resizes() ? (forward ? changes.sizeAfter : changes.sizeBefore) : qint64(image.size());
    image.resize(std::size_t(to), 0);
    for (const StepChanges::Run &run : changes.runs) {
        const auto &source = forward ? run.after : run.before;
        if (run.offset >= to)
            continue;
        const qint64 length = std::min(to - run.offset, qint64(source.size()));
        std::copy_n(source.begin(), length, image.begin() + run.offset);
    }
}

void RestoreJournal(EditHistory &history, const JournalSession &session, bool atFile)
{
    modKrelin &model = history.model();
    QUndoStack &stack = history.stack();
    model.replaceImage(session.base);
    history.clear();
    // A step that changes nothing makes no step of the history: journal steps are
    // counted as the history keeps them.
    std::vector<int> kept(session.steps.size() + 1, 0);
    for (std::size_t i = 0; i < session.steps.size(); ++i) {
        const JournalStep &step = session.steps[i];
        kept[i + 1] = kept[i] + (history.push(new RecordedStep(model, step.changes, step.text)) ? 1 : 0);
    }
    // Counted from the newest: past its budget the history lets the oldest steps go.
    const auto toStack = [&](int i) { return stack.count() - (kept.back() - kept[std::size_t(i)]); };
    if (atFile && session.clean >= 0 && toStack(session.clean) >= 0) {
        stack.setIndex(toStack(session.clean));
        stack.setClean();
    } else {
        stack.resetClean();
    }
    stack.setIndex(std::max(0, toStack(session.index)));
}

} // namespace krelin
