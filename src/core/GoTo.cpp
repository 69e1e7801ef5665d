#include "GoTo.h"

#include "StageTable.h"
#include "modKrelin.h"

#include <QRegularExpression>

#include <tuple>

namespace krelin {

namespace {

QString hex2(int n)
{
    return QStringLiteral("%1").arg(n, 2, 16, QLatin1Char('0')).toUpper();
}

std::tuple<int, int, int> order(const StageCell &c)
{
    return {c.frame, c.row, c.col};
}

} // namespace

std::optional<GoToRequest> ParseGoTo(const QString &typed, QString *why)
{
    const auto refuse = [why](const QString &reason) -> std::optional<GoToRequest> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    const QString text = typed.trimmed();
    if (text.isEmpty())
        return refuse(QStringLiteral("Type where to go."));
    QRegularExpressionMatch m;
    if ((m = QRegularExpression(QStringLiteral("^\\d{1,3}$")).match(text)).hasMatch())
        return GoToRequest{GoToRequest::Kind::Frame, nullptr, text.toInt()};
    if ((m = QRegularExpression(QStringLiteral("^(\\w{1,2})\\s*:\\s*(\\d{1,3})$")).match(text)).hasMatch()) {
        const Stage *stage = FindStage(m.captured(1));
        if (!stage)
            return refuse(QStringLiteral("There is no stage %1: the stages are 1A, 1B, 1C, 2A, 2B, 2C, 3, 4A, 4B, 5, 6 "
                                         "and 7.")
                              .arg(m.captured(1)));
        return GoToRequest{GoToRequest::Kind::StageFrame, stage, m.captured(2).toInt()};
    }
    if ((m = QRegularExpression(QStringLiteral("^[Mm]\\s*([0-9A-Fa-f]{1,2})$")).match(text)).hasMatch())
        return GoToRequest{GoToRequest::Kind::MetaTile, nullptr, -1, m.captured(1).toInt(nullptr, 16)};
    if ((m = QRegularExpression(QStringLiteral("^(?:0[xX]|\\$)([0-9A-Fa-f]{1,8})$")).match(text)).hasMatch())
        return GoToRequest{GoToRequest::Kind::Offset, nullptr, -1, -1, m.captured(1).toLongLong(nullptr, 16)};
    return refuse(QStringLiteral("\"%1\" is no place to go to. Type a frame (12), a stage and a frame (3:12), a "
                                 "metatile (M2F) or an offset in the image (0x9929).")
                      .arg(text.left(40)));
}

ImagePlace PlaceOfOffset(const modKrelin &model, const Stage *shown, qint64 offset)
{
    if (!model.holds(offset, 1))
        return {};
    std::vector<const Stage *> stages;
    if (shown)
        stages.push_back(shown);
    for (const Stage &stage : StageTable)
        if (&stage != shown)
            stages.push_back(&stage);
    for (const Stage *stage : stages) {
        if (!StageFitProblem(*stage, model.romSize()).isEmpty())
            continue;
        const Stage &s = *stage;
        if (const int frame = FrameOfLevelByte(s, s.Frames, offset); frame >= 0) {
            const int k = int(offset - FrameOffset(s, frame));
            return {ImagePlace::Kind::Cell, stage, {frame, k / FrameColumns, k % FrameColumns}};
        }
        if (const int frame = FrameOfRoomByte(s, s.Frames, offset); frame >= 0)
            return {ImagePlace::Kind::Room, stage, {frame, 0, 0}};
        int n = MetaTileOfRecordByte(s, offset);
        if (n < 0)
            n = MetaTileOfSubPaletteByte(s, offset);
        if (n >= 0)
            return {ImagePlace::Kind::MetaTile, stage, {}, n};
        if (const int tile = TileOfByte(s, offset); tile >= 0)
            return {ImagePlace::Kind::Tile, stage, {}, -1, tile};
        if (const int entry = PaletteEntryOfByte(s, offset); entry >= 0)
            return {ImagePlace::Kind::PaletteEntry, stage, {}, -1, -1, entry};
    }
    return {};
}

QString PlaceText(const modKrelin &model, const ImagePlace &place)
{
    if (!place.stage)
        return {};
    const QString stage = QStringLiteral("stage ") + QLatin1String(place.stage->name);
    switch (place.kind) {
    case ImagePlace::Kind::Cell: {
        const qint64 at = LevelCellOffset(*place.stage, place.cell.frame, place.cell.col, place.cell.row);
        return QStringLiteral("%1, frame %2, row %3, column %4 (metatile %5)")
            .arg(stage)
            .arg(place.cell.frame)
            .arg(place.cell.row)
            .arg(place.cell.col)
            .arg(hex2(model.byteAt(at)));
    }
    case ImagePlace::Kind::Room:
        return QStringLiteral("%1, the room of frame %2").arg(stage).arg(place.cell.frame);
    case ImagePlace::Kind::MetaTile: return QStringLiteral("%1, metatile %2").arg(stage, hex2(place.metaTile));
    case ImagePlace::Kind::Tile: return QStringLiteral("%1, tile %2").arg(stage, hex2(place.tile));
    case ImagePlace::Kind::PaletteEntry: return QStringLiteral("%1, palette entry %2").arg(stage).arg(place.entry);
    case ImagePlace::Kind::None: break;
    }
    return {};
}

std::vector<StageCell> CellsHolding(const modKrelin &model, const Stage &stage, int metaTile)
{
    std::vector<StageCell> cells;
    for (int f = 0; f < stage.Frames; ++f) {
        const std::uint8_t *bytes = model.bytesAt(FrameOffset(stage, f), FrameBytes);
        for (int k = 0; bytes && k < FrameBytes; ++k)
            if (bytes[k] == metaTile)
                cells.push_back({f, k / FrameColumns, k % FrameColumns});
    }
    return cells;
}

int NextCellIndex(const std::vector<StageCell> &cells, const StageCell &after)
{
    for (std::size_t i = 0; i < cells.size(); ++i)
        if (order(cells[i]) > order(after))
            return int(i);
    return cells.empty() ? -1 : 0;
}

} // namespace krelin
