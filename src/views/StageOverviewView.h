#pragma once

#include "core/ImageLayout.h"
#include "render/OverviewPicture.h"

#include <QImage>
#include <QObject>
#include <QRect>

#include <array>
#include <cstdint>
#include <vector>

namespace krelin {

class modKrelin;
struct Stage;

// The stage overview's picture and how it follows the model: every frame of the current
// stage at half size, the frame the main window shows outlined, and the marks it is told
// of (Show Uses, the selected cells). It follows the model on its own: a new stage or
// image draws it anew, new colours give it a new colour table, and a change of image
// bytes repaints just the cells it touches (a level byte, or a metatile's record,
// sub-palette or tiles: every cell showing that metatile).
class StageOverviewView : public QObject
{
    Q_OBJECT

public:
    explicit StageOverviewView(const modKrelin &model, QObject *parent = nullptr);

    const QImage &image() const { return picture; }
    // The stage drawn, nullptr while none is.
    const Stage *stage() const { return drawn; }
    int frames() const;
    // The frame at a pixel of the picture, or -1.
    int frameAt(const QPoint &p) const;

    // ---- marks, as the main window tells them -------------------------------------------
    void setShownFrame(int frame);
    int shownFrame() const { return shown; }
    // The metatile whose cells Show Uses outlines, -1 for none.
    void setUsesMarked(int metaTile);
    // The selected cells (in cells) of frame f; an empty rectangle for none.
    void setSelection(int frame, const QRect &cells);
    // While comparing: the frames that differ from the other image (a cell or the room),
    // ascending; edged in a colour of their own.
    void setDiffFrames(const std::vector<int> &frames);
    const std::vector<int> &diffFrames() const { return differing; }

    // Draws every frame of the current stage afresh.
    void redraw();

    // What one edit's repaint costs: cells repainted since the last draw.
    int cellsRepainted() const { return repainted; }

signals:
    // These pixels of the picture changed.
    void changed(const QRect &pixels);
    // The picture was drawn afresh; its size may differ (another stage).
    void redrawn();

private:
    void imageChanged(qint64 offset, qint64 length);
    void colorsChanged();
    void paintCell(int frame, int cell);
    void paintCells(int frame, const std::bitset<FrameBytes> &cells);
    void markFrame(int frame, std::uint8_t color);
    QRect cellPixels(int frame, int cell) const;

    const modKrelin &model;
    QImage picture;
    OverviewPainter painter;
    const Stage *drawn = nullptr;
    std::vector<std::array<std::int16_t, FrameBytes>> cells; // what each frame's cells show
    int shown = -1;
    int usesMarked = -1;
    int selectionFrame = -1;
    QRect selection;
    std::vector<int> differing;
    int repainted = 0;
};

} // namespace krelin
