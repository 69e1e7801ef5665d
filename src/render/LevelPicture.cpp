#include "LevelPicture.h"

#include "LevelView.h"
#include "TilePainter.h"
#include "core/StageTable.h"

#include <QBuffer>
#include <QPainter>
#include <QSaveFile>

namespace krelin {

static_assert(StagePicturePitch == LevelMapWidth + 1);

QImage DrawFramePicture(const modKrelin &model, int frame)
{
    // Drawn on a surface the size of the window's, then cut to the map itself.
    QImage surface(LevelSurfaceWidth, LevelSurfaceHeight, QImage::Format_RGB32);
    FrameCache cache{};
    DrawLevelFrame(surface, model, frame, cache);
    return surface.copy(0, 0, LevelMapWidth, LevelMapHeight);
}

QImage DrawStagePicture(const modKrelin &model, const Stage &stage)
{
    QImage picture(StagePicturePitch * stage.Frames - 1, LevelMapHeight, QImage::Format_RGB32);
    picture.fill(ClearColor);
    QPainter painter(&picture);
    for (int f = 0; f < stage.Frames; ++f)
        painter.drawImage(StagePicturePitch * f, 0, DrawFramePicture(model, f));
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
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(png) != png.size() || !out.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, out.errorString());
    return {};
}

} // namespace krelin
