#include "StageTable.h"

#include <algorithm>

namespace krelin {

// clang-format off
const std::array<Stage, StageCount> StageTable = {{
    //  Chr      MetaTile MetaPal Pal     Level   FrameTbl  name First Last Frames
    {{0x18010, 0x790A, 0x7D0A, 0x43F8, 0x583A, 0x5810}, "1A",  0, 11,  7},
    {{0x18010, 0x790A, 0x7D0A, 0x4408, 0x5ECA, 0x5817}, "1B",  0, 11,  3},
    {{0x18010, 0x790A, 0x7D0A, 0x4418, 0x619A, 0x581B}, "1C",  0, 11,  2},
    {{0x19010, 0x790A, 0x7D0A, 0x4428, 0x637A, 0x581E}, "2A", 12, 43,  7},
    {{0x19010, 0x790A, 0x7D0A, 0x4438, 0x6A0A, 0x581B}, "2B",  0, 11, 14},
    {{0x19010, 0x790A, 0x7D0A, 0x4448, 0x772A, 0x581B}, "2C",  0, 11,  1},
    {{0x1A010, 0xB677, 0xBA77, 0x8350, 0x9877, 0x581B}, "3",   0, 11, 24},
    {{0x1A010, 0xB677, 0xBA77, 0x8360, 0xAEF7, 0x581B}, "4A",  0, 11,  5},
    {{0x1A010, 0xB677, 0xBA77, 0x8370, 0xB3A7, 0x581B}, "4B",  0, 11,  3},
    {{0x1B010, 0xF9F5, 0xFDF5, 0xC268, 0xDFB5, 0x581B}, "5",   0, 11, 15},
    {{0x1B010, 0xF9F5, 0xFDF5, 0xC278, 0xEDC5, 0x581B}, "6",   0, 11, 10},
    {{0x1B010, 0xF9F5, 0xFDF5, 0xC288, 0xF725, 0x581B}, "7",   0, 11,  1},
}};
// clang-format on

const Stage *FindStage(QAnyStringView name)
{
    for (const Stage &stage : StageTable) {
        if (QAnyStringView::compare(name, QLatin1String(stage.name), Qt::CaseInsensitive) == 0)
            return &stage;
    }
    return nullptr;
}

qint64 StageBytesNeeded(const Stage &stage)
{
    return std::max({
        TilesRange(stage).end(),
        MetaTileRecordsRange(stage).end(),
        SubPalettesRange(stage).end(),
        PaletteRange(stage).end(),
        LevelRange(stage, stage.Frames).end(),
        FrameTableRange(stage, stage.Frames).end(),
    });
}

QString StageFitProblem(const Stage &stage, qint64 imageSize)
{
    const qint64 needed = StageBytesNeeded(stage);
    if (imageSize >= needed)
        return {};
    return QStringLiteral("%1 cannot be shown: its data reaches up to offset 0x%2, so it needs an image of "
                          "at least %3 bytes, but the open image has only %4 bytes.")
        .arg(stage.caption(), QString::number(needed - 1, 16).toUpper(), QString::number(needed),
             QString::number(imageSize));
}

} // namespace krelin
