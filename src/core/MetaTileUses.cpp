#include "MetaTileUses.h"

#include "core/StageSharing.h"
#include "core/modKrelin.h"

#include <QStringList>

#include <algorithm>

namespace krelin {

namespace {

QString names(const std::vector<const Stage *> &stages)
{
    QStringList list;
    for (const Stage *s : stages)
        list << QLatin1String(s->name);
    return list.join(QStringLiteral(", "));
}

QString times(int n)
{
    return n == 1 ? QStringLiteral("1 use") : QStringLiteral("%1 uses").arg(n);
}

} // namespace

MetaTileUses CountMetaTileUses(const modKrelin &model, const Stage &stage)
{
    MetaTileUses uses;
    std::vector<const Stage *> group = StagesSharingMetaTiles(stage);
    group.push_back(&stage);
    for (const Stage &s : StageTable) {
        if (std::find(group.begin(), group.end(), &s) == group.end())
            continue;
        const std::uint8_t *level = StageFitProblem(s, model.romSize()).isEmpty()
            ? model.bytesAt(LevelRange(s, s.Frames).offset, LevelRange(s, s.Frames).length)
            : nullptr;
        if (!level) {
            uses.skipped.push_back(&s);
            continue;
        }
        uses.counted.push_back(&s);
        // Four tallies taken in turn: runs of one metatile, common in level maps, would
        // otherwise make every increment wait for the one before.
        std::array<std::array<int, MetaTileCount>, 4> tally{};
        for (int i = 0, n = FrameBytes * s.Frames; i < n; i += 4) { // 240 is a multiple of 4
            ++tally[0][level[i]];
            ++tally[1][level[i + 1]];
            ++tally[2][level[i + 2]];
            ++tally[3][level[i + 3]];
        }
        std::array<int, MetaTileCount> counts{};
        for (std::size_t m = 0; m < std::size_t(MetaTileCount); ++m) {
            counts[m] = tally[0][m] + tally[1][m] + tally[2][m] + tally[3][m];
            uses.inShared[m] += counts[m];
        }
        if (&s == &stage)
            uses.inStage = counts;
    }
    return uses;
}

std::vector<int> CellsPlacing(const modKrelin &model, const Stage &stage, int frame, int metaTile)
{
    std::vector<int> cells;
    if (frame < 0 || frame >= stage.Frames)
        return cells;
    const std::uint8_t *bytes = model.bytesAt(FrameOffset(stage, frame), FrameBytes);
    if (!bytes)
        return cells;
    for (int cell = 0; cell < FrameBytes; ++cell)
        if (bytes[cell] == metaTile)
            cells.push_back(cell);
    return cells;
}

QString UsesText(const MetaTileUses &uses, const Stage &stage, int metaTile)
{
    const auto m = std::size_t(metaTile);
    const QString name = QStringLiteral("Metatile ") + QString::number(metaTile, 16).toUpper().rightJustified(2, u'0');
    QString text;
    if (uses.counted.empty())
        text = name + QStringLiteral(": no stage of its table fits the image");
    else if (uses.isFree(metaTile))
        text = name + QStringLiteral(": used by no frame of stages ") + names(uses.counted);
    else
        text = QStringLiteral("%1: %2 in stage %3, %4 in stages %5")
                   .arg(name, times(uses.inStage[m]), QLatin1String(stage.name),
                        QString::number(uses.inShared[m]), names(uses.counted));
    if (!uses.skipped.empty())
        text += QStringLiteral(" (%1 not counted: the image does not hold their data)").arg(names(uses.skipped));
    return text;
}

} // namespace krelin
