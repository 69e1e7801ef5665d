#include "StageSharing.h"

#include <QStringList>

namespace krelin {

namespace {

ByteRange tiles(const Stage &s) { return TilesRange(s); }
ByteRange metaTiles(const Stage &s) { return MetaTileRecordsRange(s); }
ByteRange subPalettes(const Stage &s) { return SubPalettesRange(s); }
ByteRange frameTable(const Stage &s) { return FrameTableRange(s, s.Frames); }

template<typename Shares>
std::vector<const Stage *> othersWhere(const Stage &stage, Shares shares)
{
    std::vector<const Stage *> found;
    for (const Stage &other : StageTable)
        if (&other != &stage && shares(other))
            found.push_back(&other);
    return found;
}

} // namespace

std::vector<const Stage *> StagesSharingTiles(const Stage &stage)
{
    return othersWhere(stage, [&](const Stage &o) { return tiles(o).overlaps(tiles(stage)); });
}

std::vector<const Stage *> StagesSharingMetaTiles(const Stage &stage)
{
    return othersWhere(stage, [&](const Stage &o) {
        return metaTiles(o).overlaps(metaTiles(stage)) || subPalettes(o).overlaps(subPalettes(stage));
    });
}

std::vector<const Stage *> StagesSharingFrameTable(const Stage &stage)
{
    return othersWhere(stage, [&](const Stage &o) { return frameTable(o).overlaps(frameTable(stage)); });
}

std::vector<const Stage *> StagesSharingFrameRoom(const Stage &stage, int frame)
{
    if (frame < 0 || frame >= stage.Frames)
        return {};
    const ByteRange room{FrameRoomOffset(stage, frame), 1};
    return othersWhere(stage, [&](const Stage &o) { return frameTable(o).overlaps(room); });
}

QString SharedWithText(const std::vector<const Stage *> &stages)
{
    if (stages.empty())
        return {};
    QStringList names;
    for (const Stage *stage : stages)
        names << QLatin1String(stage->name);
    return QStringLiteral("Shared with ") + names.join(QStringLiteral(", "));
}

QString FrameRoomSharingText(const Stage &stage, int frame)
{
    const auto line = [](const QString &what, const std::vector<const Stage *> &stages) {
        return what + (stages.empty() ? QStringLiteral("this stage only") : SharedWithText(stages));
    };
    return QStringLiteral("The room of the frame on screen\n")
        + line(QStringLiteral("This frame's room byte: "), StagesSharingFrameRoom(stage, frame)) + u'\n'
        + line(QStringLiteral("The stage's frame table: "), StagesSharingFrameTable(stage));
}

} // namespace krelin
