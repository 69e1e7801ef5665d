#include "CellEdits.h"

#include "core/Stamp.h"
#include "core/StageCells.h"
#include "core/StageSharing.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>
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

// The places of the stamp with its top-left cell at at that land inside the reach.
QRect landing(const QRect &reach, const QPoint &at, const Stamp &stamp)
{
    return QRect(at, QSize(stamp.columns, stamp.rows)).intersected(reach);
}

void addStamp(std::vector<CellsEditCommand::Cell> &cells, const modKrelin &model, const QRect &reach,
              const QPoint &at, const Stamp &stamp)
{
    const QRect lands = landing(reach, at, stamp);
    for (int y = lands.top(); y <= lands.bottom(); ++y)
        for (int x = lands.left(); x <= lands.right(); ++x)
            cells.push_back({StageCellOffset(model, {x, y}), stamp.at(x - at.x(), y - at.y())});
}

// A reach holds whole rows of places from column 0 on: nothing left of the stage or
// above or below its rows.
QRect onStage(const QRect &reach)
{
    return reach.intersected(QRect(0, 0, std::numeric_limits<int>::max() / 2, FrameRows));
}

int frameOf(const QRect &cells)
{
    return cells.left() / FrameColumns;
}

// The frames a rectangle of places lies in.
FrameSpan framesOf(const QRect &cells)
{
    return {cells.left() / FrameColumns, cells.right() / FrameColumns};
}

} // namespace

CellsEditCommand *MakePasteCommand(modKrelin &model, const QRect &reach, const QPoint &at, const Stamp &stamp)
{
    const QRect lands = landing(onStage(reach), at, stamp);
    if (stamp.isEmpty() || lands.isEmpty())
        return nullptr;
    std::vector<CellsEditCommand::Cell> cells;
    addStamp(cells, model, onStage(reach), at, stamp);
    const int frame = frameOf(lands);
    return new CellsEditCommand(model, cells, tr("Paste %1 in %2").arg(size(lands.width(), lands.height()), QStringLiteral("%2")),
                                here(model, frame), 0, framesOf(lands));
}

CellsEditCommand *MakeFillCommand(modKrelin &model, const QRect &reach, const QPoint &at, int metaTile)
{
    const QRect area = onStage(reach);
    if (!area.contains(at))
        return nullptr;
    // The reach's cells row by row, -1 where a byte lies outside the image.
    std::vector<std::int16_t> grid(std::size_t(area.width()) * std::size_t(area.height()), -1);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        std::int16_t *row = grid.data() + std::size_t(y - area.top()) * std::size_t(area.width()) - area.left();
        for (int x = area.left(); x <= area.right();) {
            // A frame's part of the row at once, where the image holds it.
            const int end = std::min(area.right(), (x / FrameColumns + 1) * FrameColumns - 1);
            const qint64 offset = StageCellOffset(model, {x, y});
            if (const std::uint8_t *bytes = model.bytesAt(offset, end - x + 1))
                std::copy(bytes, bytes + (end - x + 1), row + x);
            else
                for (int i = x; i <= end; ++i)
                    if (model.holds(offset + (i - x), 1))
                        row[i] = model.byteAt(offset + (i - x));
            x = end + 1;
        }
    }
    const std::vector<int> region =
        FillRegion(grid, area.width(), (at.y() - area.top()) * area.width() + at.x() - area.left());
    if (region.empty())
        return nullptr;
    std::vector<CellsEditCommand::Cell> cells;
    cells.reserve(region.size());
    int first = std::numeric_limits<int>::max(), last = -1;
    for (const int k : region) {
        const QPoint place(area.left() + k % area.width(), area.top() + k / area.width());
        first = std::min(first, place.x() / FrameColumns);
        last = std::max(last, place.x() / FrameColumns);
        cells.push_back({StageCellOffset(model, place), std::uint8_t(metaTile)});
    }
    return new CellsEditCommand(
        model, cells, tr("Fill %1 cells with %2 in %3").arg(QStringLiteral("%1"), HexByte(metaTile), QStringLiteral("%2")),
        here(model, first), 0, {first, last});
}

CellsEditCommand *MakeFillRectCommand(modKrelin &model, const QRect &rect, int metaTile)
{
    const QRect cells = onStage(rect);
    if (cells.isEmpty())
        return nullptr;
    std::vector<CellsEditCommand::Cell> writes;
    for (int y = cells.top(); y <= cells.bottom(); ++y)
        for (int x = cells.left(); x <= cells.right(); ++x)
            writes.push_back({StageCellOffset(model, {x, y}), std::uint8_t(metaTile)});
    const int frame = frameOf(cells);
    return new CellsEditCommand(
        model, writes,
        tr("Fill Selection %1 with %2 in %3").arg(size(cells.width(), cells.height()), HexByte(metaTile), QStringLiteral("%2")),
        here(model, frame), 0, framesOf(cells));
}

CellsEditCommand *MakePaintCommand(modKrelin &model, const QRect &reach, const QPoint &at, int metaTile,
                                   const Stamp *stamp, int stroke)
{
    const QRect area = onStage(reach);
    if (!area.contains(at))
        return nullptr;
    std::vector<CellsEditCommand::Cell> cells;
    QString text;
    const int frame = at.x() / FrameColumns;
    FrameSpan frames{frame, frame};
    if (stamp && !stamp->isEmpty()) {
        addStamp(cells, model, area, at, *stamp);
        frames = framesOf(landing(area, at, *stamp));
        text = tr("Paint %1 cells with a %2 stamp in %3")
                   .arg(QStringLiteral("%1"), size(stamp->columns, stamp->rows), QStringLiteral("%2"));
    } else {
        cells.push_back({StageCellOffset(model, at), std::uint8_t(metaTile)});
        text = tr("Paint %1 cells with %2 in %3").arg(QStringLiteral("%1"), HexByte(metaTile), QStringLiteral("%2"));
    }
    return new CellsEditCommand(model, cells, text, here(model, frame), stroke, frames);
}

// ---- within one frame ---------------------------------------------------------------------------

CellsEditCommand *MakePasteCommand(modKrelin &model, int frame, int col, int row, const Stamp &stamp)
{
    if (frame < 0)
        return nullptr;
    return MakePasteCommand(model, FrameReach(frame), StagePoint({frame, row, col}), stamp);
}

CellsEditCommand *MakeFillCommand(modKrelin &model, int frame, int col, int row, int metaTile)
{
    if (frame < 0 || col < 0 || col >= FrameColumns)
        return nullptr;
    return MakeFillCommand(model, FrameReach(frame), StagePoint({frame, row, col}), metaTile);
}

CellsEditCommand *MakeFillRectCommand(modKrelin &model, int frame, const QRect &cells, int metaTile)
{
    if (frame < 0)
        return nullptr;
    return MakeFillRectCommand(model, cells.intersected(QRect(0, 0, FrameColumns, FrameRows)).translated(FrameReach(frame).topLeft()),
                               metaTile);
}

CellsEditCommand *MakePaintCommand(modKrelin &model, int frame, int col, int row, int metaTile, const Stamp *stamp,
                                   int stroke)
{
    if (frame < 0 || col < 0 || col >= FrameColumns)
        return nullptr;
    return MakePaintCommand(model, FrameReach(frame), StagePoint({frame, row, col}), metaTile, stamp, stroke);
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
                targets.stagesUsed.push_back({area.stage, f, {}});
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
