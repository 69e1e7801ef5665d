#include "CellEdits.h"

#include "core/Stamp.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <QCoreApplication>

#include <algorithm>
#include <set>

namespace krelin {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("EditCommands", text);
}

QString size(int columns, int rows)
{
    return QStringLiteral("%1 \u00D7 %2").arg(columns).arg(rows);
}

EditPlace here(const modKrelin &model, int frame)
{
    return EditPlace::In(model.currentStage(), frame);
}

// The cells of the stamp with its top-left cell at (col, row) that land on the frame,
// and the part of the frame they cover.
QRect landing(int col, int row, const Stamp &stamp)
{
    return QRect(col, row, stamp.columns, stamp.rows).intersected(QRect(0, 0, FrameColumns, FrameRows));
}

void addStamp(std::vector<CellsEditCommand::Cell> &cells, const modKrelin &model, int frame, int col, int row,
              const Stamp &stamp)
{
    const QRect lands = landing(col, row, stamp);
    for (int y = lands.top(); y <= lands.bottom(); ++y)
        for (int x = lands.left(); x <= lands.right(); ++x)
            cells.push_back({LevelCellOffset(model, frame, x, y), stamp.at(x - col, y - row)});
}

} // namespace

CellsEditCommand *MakePasteCommand(modKrelin &model, int frame, int col, int row, const Stamp &stamp)
{
    const QRect lands = landing(col, row, stamp);
    if (frame < 0 || stamp.isEmpty() || lands.isEmpty())
        return nullptr;
    std::vector<CellsEditCommand::Cell> cells;
    addStamp(cells, model, frame, col, row, stamp);
    return new CellsEditCommand(model, cells,
                                tr("Paste %1 in %2").arg(size(lands.width(), lands.height()), LevelPlaceText(model, frame)),
                                here(model, frame));
}

CellsEditCommand *MakeFillCommand(modKrelin &model, int frame, int col, int row, int metaTile)
{
    const qint64 start = FrameOffset(model, frame);
    const std::uint8_t *bytes = model.bytesAt(start, FrameBytes);
    if (frame < 0 || !bytes || col < 0 || col >= FrameColumns || row < 0 || row >= FrameRows)
        return nullptr;
    FrameCells frameCells;
    std::copy(bytes, bytes + FrameBytes, frameCells.begin());
    const std::bitset<FrameBytes> region = FillRegion(frameCells, FrameColumns * row + col);
    std::vector<CellsEditCommand::Cell> cells;
    cells.reserve(region.count());
    for (int cell = 0; cell < FrameBytes; ++cell)
        if (region.test(std::size_t(cell)))
            cells.push_back({start + cell, std::uint8_t(metaTile)});
    return new CellsEditCommand(
        model, cells, tr("Fill %1 cells with %2 in %3").arg(QStringLiteral("%1"), HexByte(metaTile), LevelPlaceText(model, frame)),
        here(model, frame));
}

CellsEditCommand *MakeFillRectCommand(modKrelin &model, int frame, const QRect &rect, int metaTile)
{
    const QRect cells = rect.intersected(QRect(0, 0, FrameColumns, FrameRows));
    if (frame < 0 || cells.isEmpty())
        return nullptr;
    std::vector<CellsEditCommand::Cell> writes;
    for (int y = cells.top(); y <= cells.bottom(); ++y)
        for (int x = cells.left(); x <= cells.right(); ++x)
            writes.push_back({LevelCellOffset(model, frame, x, y), std::uint8_t(metaTile)});
    return new CellsEditCommand(
        model, writes,
        tr("Fill Selection %1 with %2 in %3")
            .arg(size(cells.width(), cells.height()), HexByte(metaTile), LevelPlaceText(model, frame)),
        here(model, frame));
}

CellsEditCommand *MakePaintCommand(modKrelin &model, int frame, int col, int row, int metaTile, const Stamp *stamp,
                                   int stroke)
{
    if (frame < 0 || col < 0 || col >= FrameColumns || row < 0 || row >= FrameRows)
        return nullptr;
    std::vector<CellsEditCommand::Cell> cells;
    QString text;
    if (stamp && !stamp->isEmpty()) {
        addStamp(cells, model, frame, col, row, *stamp);
        text = tr("Paint %1 cells with a %2 stamp in %3")
                   .arg(QStringLiteral("%1"), size(stamp->columns, stamp->rows), LevelPlaceText(model, frame));
    } else {
        cells.push_back({LevelCellOffset(model, frame, col, row), std::uint8_t(metaTile)});
        text = tr("Paint %1 cells with %2 in %3").arg(QStringLiteral("%1"), HexByte(metaTile), LevelPlaceText(model, frame));
    }
    return new CellsEditCommand(model, cells, text, here(model, frame), stroke);
}

ReplaceTargets FindReplaceTargets(const modKrelin &model, int frame, ReplaceScope scope, int from)
{
    ReplaceTargets targets;
    const Stage *stage = model.currentStage();
    if (!stage || from < 0 || from >= MetaTileCount)
        return targets;
    // The stage shown comes first (at the model's offsets), then the others in table order.
    struct Area
    {
        const Stage *stage;
        StageOffsets offsets;
        int first, count;
    };
    std::vector<Area> areas;
    switch (scope) {
    case ReplaceScope::Frame:
        if (frame >= 0 && frame < stage->Frames)
            areas.push_back({stage, model, frame, 1});
        break;
    case ReplaceScope::Stage: areas.push_back({stage, model, 0, stage->Frames}); break;
    case ReplaceScope::SharedStages:
        areas.push_back({stage, model, 0, stage->Frames});
        for (const Stage *other : StagesSharingMetaTiles(*stage))
            if (StageFitProblem(*other, model.romSize()).isEmpty())
                areas.push_back({other, *other, 0, other->Frames});
        break;
    }
    std::set<qint64> offsets;
    for (const Area &area : areas) {
        bool stageUsed = false;
        for (int f = area.first; f < area.first + area.count; ++f) {
            const qint64 start = FrameOffset(area.offsets, f);
            const std::uint8_t *bytes = model.bytesAt(start, FrameBytes);
            if (!bytes)
                continue;
            bool frameUsed = false;
            for (int cell = 0; cell < FrameBytes; ++cell)
                if (bytes[cell] == from && offsets.insert(start + cell).second)
                    frameUsed = true;
            targets.frames += frameUsed;
            if (frameUsed && !stageUsed)
                targets.stagesUsed.push_back({area.stage, f});
            stageUsed = stageUsed || frameUsed;
        }
        targets.stages += stageUsed;
    }
    targets.offsets.assign(offsets.begin(), offsets.end());
    return targets;
}

CellsEditCommand *MakeReplaceCommand(modKrelin &model, int frame, ReplaceScope scope, int from, int to)
{
    if (to < 0 || to >= MetaTileCount)
        return nullptr;
    const ReplaceTargets targets = FindReplaceTargets(model, frame, scope, from);
    std::vector<CellsEditCommand::Cell> cells;
    cells.reserve(targets.offsets.size());
    for (qint64 offset : targets.offsets)
        cells.push_back({offset, std::uint8_t(to)});
    // Shown again on undo: the first stage and frame changed; the step says how many
    // stages it changed.
    EditPlace place;
    QStringList stages;
    for (const EditPlace &used : targets.stagesUsed) {
        stages << QLatin1String(used.stage->name);
        place.stages.push_back(used.stage);
    }
    if (!targets.stagesUsed.empty()) {
        place.stage = targets.stagesUsed.front().stage;
        place.frame = targets.stagesUsed.front().frame;
    }
    QString where;
    switch (scope) {
    case ReplaceScope::Frame: where = LevelPlaceText(model, frame); break;
    case ReplaceScope::Stage: where = StageNameText(model); break;
    case ReplaceScope::SharedStages: where = stages.join(QStringLiteral(", ")); break;
    }
    return new CellsEditCommand(
        model, cells, tr("Replace %1 with %2 in %3 cells of %4").arg(HexByte(from), HexByte(to), QStringLiteral("%1"), where),
        place);
}

} // namespace krelin
