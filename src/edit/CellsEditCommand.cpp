#include "CellsEditCommand.h"

#include "core/ImageLayout.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <algorithm>
#include <map>

namespace krelin {

QString HexByte(int value)
{
    return QStringLiteral("%1").arg(value & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

QString StageNameText(const modKrelin &model)
{
    const Stage *stage = model.currentStage();
    return stage ? QLatin1String(stage->name) : QString();
}

namespace {

QString placeText(const QString &stage, int first, int last)
{
    const QString frameText = first == last ? QStringLiteral("frame %1").arg(first)
                                            : QStringLiteral("frames %1\u2013%2").arg(first).arg(last);
    return stage.isEmpty() ? frameText : stage + QStringLiteral(", ") + frameText;
}

} // namespace

QString LevelPlaceText(const modKrelin &model, int frame)
{
    return placeText(StageNameText(model), frame, frame);
}

QString LevelPlaceText(const modKrelin &model, int first, int last)
{
    return placeText(StageNameText(model), first, last);
}

FrameSpan FrameSpan::united(const FrameSpan &other) const
{
    if (!other.isValid())
        return *this;
    if (!isValid())
        return other;
    return {std::min(first, other.first), std::max(last, other.last)};
}

CellsEditCommand::CellsEditCommand(modKrelin &model, const std::vector<Cell> &cells, const QString &text,
                                   EditPlace place, int stroke, FrameSpan frames)
    : model(model)
    , textFormat(text)
    , stageName(StageNameText(model))
    , frames(frames)
    , where(place)
    , stroke(stroke)
{
    std::vector<Cell> sorted;
    sorted.reserve(cells.size());
    for (const Cell &cell : cells)
        if (model.holds(cell.offset, 1))
            sorted.push_back(cell);
    // Stable: of two writes to one byte the later stays last, and wins below.
    const auto before = [](const Cell &a, const Cell &b) { return a.offset < b.offset; };
    if (!std::is_sorted(sorted.begin(), sorted.end(), before)) // the edits made here come sorted
        std::stable_sort(sorted.begin(), sorted.end(), before);
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const Cell &cell = sorted[i];
        if (i + 1 < sorted.size() && sorted[i + 1].offset == cell.offset)
            continue;
        const std::uint8_t old = model.byteAt(cell.offset);
        changed += old != cell.value;
        if (!runs.empty() && runs.back().offset + qint64(runs.back().after.size()) == cell.offset) {
            runs.back().before.push_back(old);
            runs.back().after.push_back(cell.value);
        } else {
            runs.push_back({cell.offset, {old}, {cell.value}});
            runs.back().before.reserve(FrameColumns);
            runs.back().after.reserve(FrameColumns);
        }
    }
    updateText();
}

void CellsEditCommand::updateText()
{
    const bool counted = textFormat.contains(QLatin1String("%1"));
    if (frames.isValid() && textFormat.contains(QLatin1String("%2")))
        setText(counted ? textFormat.arg(QString::number(changed), placeText(stageName, frames.first, frames.last))
                        : QString(textFormat).replace(QLatin1String("%2"), placeText(stageName, frames.first, frames.last)));
    else
        setText(counted ? textFormat.arg(changed) : textFormat);
}

void CellsEditCommand::setCells(const std::vector<Run> &single)
{
    runs.clear();
    changed = 0;
    for (const Run &cell : single) {
        if (cell.before[0] != cell.after[0])
            ++changed;
        if (!runs.empty() && runs.back().offset + qint64(runs.back().after.size()) == cell.offset) {
            runs.back().before.push_back(cell.before[0]);
            runs.back().after.push_back(cell.after[0]);
        } else {
            runs.push_back(cell);
        }
    }
    updateText();
}

std::vector<CellsEditCommand::Run> CellsEditCommand::singleCells() const
{
    std::vector<Run> single;
    for (const Run &run : runs)
        for (std::size_t i = 0; i < run.after.size(); ++i)
            single.push_back({run.offset + qint64(i), {run.before[i]}, {run.after[i]}});
    return single;
}

bool CellsEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = dynamic_cast<const CellsEditCommand *>(other);
    if (!next || stroke == 0 || next->stroke != stroke)
        return false;
    // Each byte keeps what it held before this step and takes what the later step wrote.
    std::map<qint64, Run> cells;
    for (Run &cell : singleCells())
        cells.emplace(cell.offset, std::move(cell));
    for (Run &cell : next->singleCells()) {
        auto found = cells.find(cell.offset);
        if (found == cells.end())
            cells.emplace(cell.offset, std::move(cell));
        else
            found->second.after = cell.after;
    }
    std::vector<Run> single;
    single.reserve(cells.size());
    for (auto &[offset, cell] : cells)
        single.push_back(std::move(cell));
    textFormat = next->textFormat;
    frames = frames.united(next->frames);
    setCells(single);
    setObsolete(changed == 0);
    return true;
}

StepChanges CellsEditCommand::changes() const
{
    StepChanges changes;
    for (const Run &run : runs)
        changes.runs.push_back({run.offset, run.before, run.after});
    return changes;
}

void CellsEditCommand::redo()
{
    for (const Run &run : runs)
        model.writeBytes(run.offset, run.after);
}

void CellsEditCommand::undo()
{
    for (auto run = runs.rbegin(); run != runs.rend(); ++run)
        model.writeBytes(run->offset, run->before);
}

} // namespace krelin
