#include "JournalSession.h"

#include "EditHistory.h"
#include "RecordedStep.h"
#include "core/JournalFormat.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QUndoStack>

#include <algorithm>
#include <optional>

namespace krelin {

namespace {

enum Kind : std::uint8_t { Begin = 'B', Push = 'P', Merge = 'M', Index = 'I', Clean = 'C' };

constexpr std::uint32_t MostTextBytes = 4096;
constexpr std::uint32_t MostPathBytes = 64 * 1024;

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

bool validSize(qint64 size)
{
    return size >= 1 && size <= MaxImageSize;
}

// Whether a step can be made on image: one that changes the size starts from its size, and
// every run lies inside the image (before or after the step) and holds as its old bytes
// the ones there (0 past the end). Steps that fit are undone and redone exactly.
bool fits(const StepChanges &changes, const std::vector<std::uint8_t> &image)
{
    const qint64 size = qint64(image.size());
    if (changes.resizes() && changes.sizeBefore != size)
        return false;
    const qint64 end = changes.resizes() ? std::max(changes.sizeBefore, changes.sizeAfter) : size;
    for (const StepChanges::Run &run : changes.runs) {
        if (run.offset + qint64(run.before.size()) > end)
            return false;
        for (std::size_t i = 0; i < run.before.size(); ++i) {
            const qint64 at = run.offset + qint64(i);
            if (run.before[i] != (at < size ? image[std::size_t(at)] : 0))
                return false;
        }
    }
    return true;
}

// A step's changes, or nothing when they could not be those of a step of an image: sizes
// out of range, a run's two sides of different lengths or reaching past the largest image.
std::optional<StepChanges> readChanges(JournalBodyReader &in)
{
    StepChanges changes;
    changes.sizeBefore = in.i64();
    changes.sizeAfter = in.i64();
    const bool sameSize = changes.sizeBefore == -1 && changes.sizeAfter == -1;
    if (!sameSize && !(validSize(changes.sizeBefore) && validSize(changes.sizeAfter)))
        return std::nullopt;
    const std::uint32_t count = in.u32();
    for (std::uint32_t i = 0; i < count && !in.failed(); ++i) {
        const qint64 offset = in.i64();
        const auto before = in.bytes(std::uint32_t(MaxImageSize));
        const auto after = in.bytes(std::uint32_t(MaxImageSize));
        if (in.failed() || before.size() != after.size() || offset < 0 || offset + qint64(before.size()) > MaxImageSize)
            return std::nullopt;
        changes.runs.push_back({offset, {before.begin(), before.end()}, {after.begin(), after.end()}});
    }
    if (!in.atEnd())
        return std::nullopt;
    return changes;
}

// The session as the records read so far tell it, and its image at the current step,
// against which each next record is checked.
struct Replay
{
    JournalSession &session;
    std::vector<std::uint8_t> image;

    void moveTo(int to)
    {
        while (session.index > to)
            ApplyStepChanges(image, session.steps[std::size_t(--session.index)].changes, false);
        while (session.index < to)
            ApplyStepChanges(image, session.steps[std::size_t(session.index++)].changes, true);
    }

    // Applies one record after the Begin; false when it cannot stand there.
    bool apply(const JournalRecord &record);
};

bool Replay::apply(const JournalRecord &record)
{
    JournalBodyReader in(record.body);
    const int count = int(session.steps.size());
    switch (record.kind) {
    case Push:
    case Merge: {
        QString text = in.text(MostTextBytes);
        std::optional<StepChanges> changes = readChanges(in);
        const bool merge = record.kind == Merge;
        if (!changes || (merge && session.index == 0))
            return false;
        // A merge changes the step before the current one: it starts where that one did.
        std::vector<std::uint8_t> start;
        if (merge) {
            start = image;
            ApplyStepChanges(start, session.steps[std::size_t(session.index - 1)].changes, false);
        }
        if (!fits(*changes, merge ? start : image))
            return false;
        if (merge)
            image = std::move(start);
        ApplyStepChanges(image, *changes, true);
        // The steps undone go, and with them a saved step among them; after a merge the
        // image differs from the step merged into on.
        session.steps.resize(std::size_t(session.index));
        if (session.clean > session.index || (merge && session.clean == session.index))
            session.clean = -1;
        if (merge && changes->isEmpty()) {
            session.steps.pop_back();
            --session.index;
        } else if (merge) {
            session.steps.back() = {std::move(text), std::move(*changes)};
        } else {
            session.steps.push_back({std::move(text), std::move(*changes)});
            ++session.index;
        }
        return true;
    }
    case Index: {
        const std::uint32_t index = in.u32();
        if (!in.atEnd() || index > std::uint32_t(count))
            return false;
        moveTo(int(index));
        return true;
    }
    case Clean: {
        const qint64 clean = in.i64();
        if (!in.atEnd() || clean < -1 || clean > count)
            return false;
        session.clean = int(clean);
        return true;
    }
    default: return false;
    }
}

} // namespace

void PutBegin(JournalWriter &out, const QString &path, qint64 fileSize, std::uint32_t fileCrc,
              std::span<const std::uint8_t> base)
{
    out.begin(Begin);
    out.putText(path);
    out.putI64(fileSize);
    out.putU32(fileCrc);
    out.putBytes(base);
    out.end();
}

void PutStep(JournalWriter &out, bool merged, const QString &text, const StepChanges &changes)
{
    out.begin(merged ? Merge : Push);
    out.putText(text.left(int(MostTextBytes / 4)));
    putChanges(out, changes);
    out.end();
}

void PutIndex(JournalWriter &out, int index)
{
    out.begin(Index);
    out.putU32(std::uint32_t(index));
    out.end();
}

void PutClean(JournalWriter &out, int clean)
{
    out.begin(Clean);
    out.putI64(clean);
    out.end();
}

JournalSession ReadJournal(std::span<const std::uint8_t> file)
{
    JournalSession session;
    const JournalRecords read = ReadJournalRecords(file);
    if (read.records.empty() || read.records.front().kind != Begin)
        return session;
    JournalBodyReader in(read.records.front().body);
    session.path = in.text(MostPathBytes);
    session.fileSize = in.i64();
    session.fileCrc = in.u32();
    const auto base = in.bytes(std::uint32_t(MaxImageSize));
    if (!in.atEnd() || base.empty() || session.fileSize < -1)
        return session;
    session.base.assign(base.begin(), base.end());
    // A session starts at the file it names, unless it had none.
    session.clean = session.fileSize >= 0 ? 0 : -1;
    session.valid = true;
    session.cutShort = read.cutShort;
    Replay replay{session, session.base};
    for (std::size_t i = 1; i < read.records.size(); ++i) {
        if (!replay.apply(read.records[i])) {
            session.cutShort = true;
            break;
        }
    }
    return session;
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
