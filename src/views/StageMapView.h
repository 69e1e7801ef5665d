#pragma once

#include "core/ImageLayout.h"
#include "render/StageMapPicture.h"

#include <QRgb>

#include <QImage>
#include <QObject>
#include <QRect>

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

namespace krelin {

class modKrelin;
struct Stage;

// The stage map's picture and how it follows the model: every frame of the current stage
// side by side at the console's size. A frame is painted when the window first shows it
// (paintFrames), so a new stage costs what is in sight, not the whole stage. It follows the
// model on its own: a new stage or image starts it afresh, new colours paint the frames
// again as they are shown, and a change of image bytes repaints just the cells it touches
// (a level byte, or a metatile's record, sub-palette or tiles: every cell showing that
// metatile). The marks over it are the window's.
class StageMapView : public QObject
{
    Q_OBJECT

public:
    explicit StageMapView(const modKrelin &model, QObject *parent = nullptr);

    const QImage &image() const { return picture; }
    // The stage drawn, nullptr while none is.
    const Stage *stage() const { return drawn; }
    int frames() const;
    // The metatile cell k (16 row + column) of frame f shows, -1 where its byte lies
    // outside the image.
    int metaTileAt(int frame, int cell) const { return cells[std::size_t(frame)][std::size_t(cell)]; }
    // Metatile n's picture as the map shows it (16 x 16 pixels).
    const QRgb *metaTilePicture(int n);

    // Starts afresh on the current stage: what each cell shows is read, nothing painted.
    void redraw();
    // Paints the frames first..last (as far as the stage goes) that are not painted yet.
    void paintFrames(int first, int last);
    bool framePainted(int frame) const { return frame >= 0 && frame < frames() && painted[std::size_t(frame)]; }

    // What one edit's repaint costs: cells repainted since the last draw.
    int cellsRepainted() const { return repainted; }

signals:
    // These pixels of a painted frame changed.
    void changed(const QRect &pixels);
    // The picture starts afresh; its size may differ (another stage).
    void redrawn();
    // The picture has new colours: every frame is painted again as it is shown.
    void colorsChanged();

private:
    void imageChanged(qint64 offset, qint64 length);
    void useColors();
    void paintCells(int frame, const std::bitset<FrameBytes> &cells);

    const modKrelin &model;
    QImage picture;
    StageMapPainter painter;
    const Stage *drawn = nullptr;
    std::vector<std::array<std::int16_t, FrameBytes>> cells; // what each frame's cells show
    std::vector<bool> painted; // the frames painted since the last start or new colours
    int repainted = 0;
};

} // namespace krelin
