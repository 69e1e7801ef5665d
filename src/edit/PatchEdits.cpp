#include "PatchEdits.h"

#include "EditHistory.h"
#include "core/Patch.h"
#include "core/modKrelin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace krelin {

namespace {

// Runs closer than this are kept as one: fewer, larger runs cost less to keep and to
// write back than many tiny ones.
constexpr qint64 RunGap = 8;

// More runs than this are written back as a whole new image, announced once, rather
// than one change at a time.
constexpr std::size_t MostRunsWrittenSingly = 64;

} // namespace

ApplyPatchCommand::ApplyPatchCommand(modKrelin &model, const std::vector<std::uint8_t> &patched, const QString &text)
    : EditStep(text)
    , model(model)
    , sizeBefore(model.romSize())
    , sizeAfter(qint64(patched.size()))
{
    const std::vector<std::uint8_t> &now = model.image();
    const qint64 common = std::min(sizeBefore, sizeAfter);
    qint64 i = 0;
    while (i < common) {
        if (now[std::size_t(i)] == patched[std::size_t(i)]) {
            ++i;
            continue;
        }
        // A run ends where RunGap equal bytes in a row follow its last difference.
        qint64 end = i + 1, same = 0;
        for (qint64 j = end; j < common && same < RunGap; ++j) {
            if (now[std::size_t(j)] != patched[std::size_t(j)]) {
                end = j + 1;
                same = 0;
            } else {
                ++same;
            }
        }
        runs.push_back({i, {now.begin() + i, now.begin() + end}, {patched.begin() + i, patched.begin() + end}});
        i = end;
    }
    const std::vector<std::uint8_t> &longer = sizeBefore > sizeAfter ? now : patched;
    tail.assign(longer.begin() + common, longer.end());
}

qint64 ApplyPatchCommand::bytesKept() const
{
    qint64 kept = qint64(tail.size());
    for (const Run &run : runs)
        kept += qint64(run.before.size() + run.after.size());
    return kept;
}

void ApplyPatchCommand::redo()
{
    apply(true);
}

void ApplyPatchCommand::undo()
{
    apply(false);
}

void ApplyPatchCommand::apply(bool forward)
{
    const qint64 from = forward ? sizeBefore : sizeAfter, to = forward ? sizeAfter : sizeBefore;
    if (from == to && runs.size() <= MostRunsWrittenSingly) {
        for (const Run &run : runs)
            model.writeBytes(run.offset, forward ? run.after : run.before);
        return;
    }
    std::vector<std::uint8_t> bytes = model.image();
    bytes.resize(std::size_t(to));
    for (const Run &run : runs) {
        const auto &source = forward ? run.after : run.before;
        std::copy(source.begin(), source.end(), bytes.begin() + run.offset);
    }
    if (to > from) // the longer image's tail comes back
        std::copy(tail.begin(), tail.end(), bytes.begin() + from);
    model.replaceImage(std::move(bytes));
}

PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath)
{
    const PatchResult patch = ReadPatchFile(patchPath);
    if (!patch.ok())
        return {patch.error};
    modKrelin &model = history.model();
    PatchResult patched = ApplyPatch(patch.bytes, model.image());
    if (!patched.ok())
        return {QStringLiteral("Cannot apply %1 to the open image: %2.")
                    .arg(QDir::toNativeSeparators(patchPath), patched.error)};
    const QString text = QCoreApplication::translate("EditCommands", "Apply Patch %1")
                             .arg(QFileInfo(patchPath).fileName());
    return {{}, history.push(new ApplyPatchCommand(model, patched.bytes, text))};
}

} // namespace krelin
