#pragma once

#include "core/ImageLayout.h"

#include <QImage>
#include <QString>

#include <array>
#include <cstdint>

namespace krelin {

class modKrelin;
struct Stage;

// Each frame of a stage picture sits 544 pixels right of the one before: one map width
// and the one-pixel gap that separates neighbouring metatiles.
inline constexpr int StagePicturePitch = 16 * 34;

// Frame f of the current stage as the level map shows it, 543 x 509 pixels, in the
// colours given.
QImage DrawFramePicture(const modKrelin &model, int frame, const BgColorSet &colors);

// Every frame of the stage side by side, StagePicturePitch apart.
QImage DrawStagePicture(const modKrelin &model, const Stage &stage, const BgColorSet &colors);

// Writes the picture as a PNG through a temporary file beside the target, so a failed
// write leaves nothing behind and never a half-written file. Returns an empty string on
// success, otherwise a one-line message naming the file.
QString SavePng(const QImage &picture, const QString &path);

} // namespace krelin
