#pragma once

#include "ImageLayout.h"

#include <QString>
#include <QAnyStringView>

#include <array>
#include <cstdint>

namespace krelin {

// One row of the built-in stage table: where a stage's data lies in the image, how many
// frames its level map has and which rooms its frames may be given.
struct Stage : StageOffsets
{
    const char *name;    // "1A" ... "7", as the menu and the command line name it
    std::int16_t FirstRoom;
    std::int16_t LastRoom;
    int Frames;

    QString caption() const { return QStringLiteral("Stage ") + QLatin1String(name); }
};

inline constexpr int StageCount = 12;
extern const std::array<Stage, StageCount> StageTable;

// The stage named name ("1A", "2b", "3" ...), or nullptr.
const Stage *FindStage(QAnyStringView name);

// One past the last image byte that the stage reads or writes: its tiles, metatiles,
// sub-palettes, palette, every frame and its frame-to-room bytes.
qint64 StageBytesNeeded(const Stage &stage);

// Empty when an image of imageSize bytes holds every byte the stage uses; otherwise a
// message naming the stage, the bytes it needs and the image's size.
QString StageFitProblem(const Stage &stage, qint64 imageSize);

} // namespace krelin
