#include "LevelPicture.h"

#include "core/FileWriter.h"

#include "LevelView.h"
#include "TilePainter.h"
#include "core/StageTable.h"

#include <QBuffer>
#include <QPainter>

namespace krelin {

static_assert(StagePicturePitch == LevelMapWidth + 1);

QImage DrawFramePicture(const modKrelin &model, int frame, const BgColorSet &colors)
{
    // Drawn on a surface the size of the window's, then cut to the map itself.
    QImage surface(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
    FrameCache cache{};
    DrawLevelFrame(surface, model, frame, colors, cache);
    return surface.copy(0, 0, LevelMapWidth, LevelMapHeight);
}

QImage DrawStagePicture(const modKrelin &model, const Stage &stage, const BgColorSet &colors)
{
    QImage picture(StagePicturePitch * stage.Frames - 1, LevelMapHeight, QImage::Format_RGB32);
    picture.fill(ClearColor);
    QPainter painter(&picture);
    for (int f = 0; f < stage.Frames; ++f)
        painter.drawImage(StagePicturePitch * f, 0, DrawFramePicture(model, f, colors));
    return picture;
}

QString SavePng(const QImage &picture, const QString &path)
{
    // Encode first, then write: an encoding failure touches no file.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, "PNG"))
        return QStringLiteral("cannot encode the picture as PNG");
    // Replaced whole, as a cartridge is saved: a failure leaves any old file as it was and
    // names the system's reason (a full disk, a read-only file).
    const QString reason = ReplaceFileContents(path, png);
    if (!reason.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(path, reason);
    return {};
}

} // namespace krelin
