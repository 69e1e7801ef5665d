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
            ? model.bytesAt(s.LevelOffset, qint64(FrameBytes) * s.Frames)
            : nullptr;
        if (!level) {
            uses.skipped.push_back(&s);
            continue;
        }
        uses.counted.push_back(&s);
        std::array<int, MetaTileCount> counts{};
        for (int i = 0, n = FrameBytes * s.Frames; i < n; ++i)
            ++counts[level[i]];
        for (int m = 0; m < MetaTileCount; ++m)
            uses.inShared[std::size_t(m)] += counts[std::size_t(m)];
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
    const std::uint8_t *bytes = model.bytesAt(stage.LevelOffset + qint64(FrameBytes) * frame, FrameBytes);
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
