#include "Journal.h"

#include "EditHistory.h"
#include "EditStep.h"
#include "JournalSession.h"
#include "core/Crc32.h"
#include "core/modKrelin.h"

#include <QUndoStack>

namespace krelin {

namespace {

// At most once a second the journal goes to the disk: a power cut loses at most that much.
constexpr int FlushIntervalMs = 1000;

const EditStep *stepAt(QUndoStack &stack, int index)
{
    return static_cast<const EditStep *>(stack.command(index));
}

} // namespace

Journal::Journal(modKrelin &model, EditHistory &history, const QString &folder, QObject *parent)
    : QObject(parent)
    , model(model)
    , history(history)
    , file(folder)
{
    setObjectName(QStringLiteral("journal"));
    flushTimer.setSingleShot(true);
    flushTimer.setInterval(FlushIntervalMs);
    connect(&flushTimer, &QTimer::timeout, this, &Journal::flush);
    connect(&history, &EditHistory::stepPushed, this, &Journal::recordPush);
    connect(&history, &EditHistory::stepsMoved, this, [this](int, int to) { recordMove(to); });
    connect(&history, &EditHistory::stepMergedAway, this, &Journal::recordMergedAway);
    connect(&history, &EditHistory::stepsReset, this, &Journal::markStale);
    connect(&history, &EditHistory::oldestStepsDropped, this, &Journal::followDroppedSteps);
    // Another name without a save or an open (which start the journal anew): the file the
    // journal names is not the image's any more.
    connect(&model, &modKrelin::romFileNameChanged, this, [this](const QString &name) {
        if (name == path)
            return;
        path = name;
        fileSize = -1;
        markStale();
    });
}

void Journal::begin(const QString &filePath)
{
    path = filePath;
    fileSize = model.romSize();
    fileCrc = Crc32(model.image());
    JournalWriter start(true);
    PutBegin(start, path, fileSize, fileCrc, model.image());
    windowStart = history.stack().index();
    journalIndex = journalCount = 0;
    stale = discarded = false;
    // Nothing in it is unsaved yet: it reaches the disk with the first flush.
    if (!file.replace(start.bytes(), false)) {
        // The journal before would tell of work that was just saved or left.
        file.remove();
        stale = true;
        reportFailure();
        return;
    }
    warned = false;
    flushTimer.start();
}

void Journal::follow(const QString &filePath, qint64 size, std::uint32_t crc)
{
    path = filePath;
    fileSize = size;
    fileCrc = crc;
    rewrite();
}

void Journal::discard()
{
    file.remove();
    discarded = true;
    stale = true;
}

void Journal::leave()
{
    flushTimer.stop();
    if (discarded || !history.isModified()) {
        file.remove();
        return;
    }
    if (stale || !file.exists())
        rewrite();
    flush();
}

void Journal::flush()
{
    flushTimer.stop();
    if (!file.flush())
        reportFailure();
}

void Journal::recordPush(int index, bool merged)
{
    const int at = index - windowStart;
    // A push lands on the current step, a merge on the one before it.
    if (stale || !file.exists() || at < 0 || at != (merged ? journalIndex - 1 : journalIndex)) {
        rewrite();
        return;
    }
    const EditStep *step = stepAt(history.stack(), index);
    PutStep(records, merged, step->text(), step->changes());
    journalIndex = journalCount = at + 1;
    writeRecords();
}

void Journal::recordMove(int to)
{
    const int at = to - windowStart;
    // Past the journal's first step (back before the last save) or its last one, the
    // journal has no record of the steps: written afresh, with all of them.
    if (stale || !file.exists() || at < 0 || at > journalCount) {
        rewrite();
        return;
    }
    PutIndex(records, at);
    journalIndex = at;
    writeRecords();
}

void Journal::recordMergedAway(int index)
{
    const int at = index - windowStart;
    // The step merged into was the one before the current step.
    if (stale || !file.exists() || at < 0 || at != journalIndex - 1) {
        rewrite();
        return;
    }
    // A merge into nothing: the reader takes the step away, as the history did.
    PutStep(records, true, QString(), StepChanges{});
    journalIndex = journalCount = at;
    writeRecords();
}

void Journal::followDroppedSteps()
{
    if (stale || !file.exists())
        return;
    // The history's steps are counted from its new oldest one; the journal still holds the
    // steps that went, which rebuild the same image. Written afresh when the history went
    // back to its current step only (it dropped the steps undone) or when the journal has
    // grown well past what the history keeps.
    const QUndoStack &stack = history.stack();
    windowStart = stack.index() - journalIndex;
    const qint64 worth = 2 * (history.bytesKept() + model.romSize()) + (qint64(1) << 20);
    if (stack.count() - stack.index() != journalCount - journalIndex || file.size() > worth)
        rewrite();
}

void Journal::markStale()
{
    stale = true;
    // Most changes of this kind are followed at once by an open that starts the journal
    // anew; when none follows, the journal is written afresh once the event loop runs
    // again, whether or not the image is modified: a journal left telling of steps the
    // history no longer has would give them back after a crash.
    QTimer::singleShot(0, this, [this] {
        if (stale && !discarded && model.hasImage() && (history.isModified() || file.exists()))
            rewrite();
    });
}

void Journal::rewrite()
{
    if (!model.hasImage())
        return;
    QUndoStack &stack = history.stack();
    // The image before the oldest step: the image now with every step done undone.
    std::vector<std::uint8_t> base = model.image();
    for (int i = stack.index() - 1; i >= 0; --i)
        ApplyStepChanges(base, stepAt(stack, i)->changes(), false);
    JournalWriter all(true);
    PutBegin(all, path, fileSize, fileCrc, base);
    for (int i = 0; i < stack.count(); ++i)
        PutStep(all, false, stepAt(stack, i)->text(), stepAt(stack, i)->changes());
    PutClean(all, fileSize >= 0 ? stack.cleanIndex() : -1);
    PutIndex(all, stack.index());
    windowStart = 0;
    journalIndex = stack.index();
    journalCount = stack.count();
    stale = discarded = false;
    records.clear();
    // It holds the unsaved work that the journal it replaces held: on the disk before it
    // takes its place.
    if (!file.replace(all.bytes(), true)) {
        stale = true;
        reportFailure();
        return;
    }
    warned = false;
}

void Journal::writeRecords()
{
    const bool written = file.append(records.bytes());
    records.clear();
    if (!written) {
        // The records are lost; the next change writes everything afresh.
        stale = true;
        reportFailure();
        return;
    }
    warned = false;
    if (!flushTimer.isActive())
        flushTimer.start();
}

void Journal::reportFailure()
{
    if (std::exchange(warned, true))
        return;
    emit warning(QStringLiteral("Unsaved changes cannot be kept safe from a crash: %1. Save them before long.")
                     .arg(file.lastError()));
}

} // namespace krelin
