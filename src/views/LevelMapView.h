#pragma once

#include "core/ImageLayout.h"
#include "core/Stamp.h"
#include "render/LevelView.h"
#include "render/MetaTileSprites.h"

#include <QObject>
#include <QImage>
#include <QRect>

#include <bitset>
#include <optional>

namespace krelin {

class modKrelin;

// The level map as the main window shows it: one frame of the current stage on the map
// surface's image, the white frame on the cell under the pointer and, with Show Uses, the
// outline of every cell that holds the selected metatile. It draws in the colours the
// main window last resolved and remembers the metatile each cell shows (FrameMetaTiles).
class LevelMapView : public QObject
{
    Q_OBJECT

public:
    LevelMapView(const modKrelin &model, QImage &image, QObject *parent = nullptr);

    const FrameCache &FrameMetaTiles() const { return shown; }
    int frame() const { return shownFrame; }

    // Draws frame f whole.
    void draw(int frame);
    // Clears the map and writes text in its middle (what to do next, before a stage).
    void drawHint(const QString &text);
    // Forgets what the cells show: nothing is on the map.
    void forget();

    // Repaints the cells given from the image as it now is; the white frame goes from them.
    void repaintCells(const std::bitset<FrameBytes> &cells);
    // A change of the image reached the map: the level bytes of these cells changed (a
    // cell that still shows the metatile its byte holds stays as it is), and these
    // metatiles look different (every cell showing one is repainted).
    void showChange(const std::bitset<FrameBytes> &cells, const std::bitset<MetaTileCount> &metaTiles);
    // The cells that show one of the metatiles given.
    std::bitset<FrameBytes> cellsShowing(const std::bitset<MetaTileCount> &metaTiles) const;
    // Shows metatile n in cell (col, row) as placed there.
    void showPlaced(int col, int row, int metaTile);

    // With Show Uses: the metatile whose cells carry an outline, or -1 for none. Changing it
    // repaints the cells that gain or lose their outline, unless told not to (the map is
    // about to be drawn whole).
    void setOutlined(int metaTile, bool repaint = true);

    // While comparing: the cells of frame f that differ from the other image carry a mark of
    // their own. The cells that gain or lose it are repainted, unless told not to (no
    // stage is on the map); a frame other than the one shown is marked once it is drawn.
    void setDifferences(int frame, const std::bitset<FrameBytes> &cells, bool repaint = true);
    // The cells marked on the frame shown.
    std::bitset<FrameBytes> differingCells() const
    {
        return diffFrame == shownFrame ? diffCells : std::bitset<FrameBytes>();
    }

    // The white frame: leaves the cell it was on (which is repainted) for cell (col, row).
    void frameCell(int col, int row);
    // Takes the white frame away: the cell it is on lies in another frame.
    void unframeCell();

    // The selected cells (places on the stage's strip of frames, StageCells.h; empty for
    // none), outlined where they lie on the frame shown; the cells that gain or lose the
    // outline are repainted.
    void setSelection(const QRect &cells);
    QRect selection() const { return selected; }
    // The stamp drawn over the map as it would land, its top-left cell at a place on the
    // stage's strip, cut at the frame's edges; nullptr for none. The cells it leaves and
    // covers are repainted.
    void setGhost(const Stamp *stamp, const QPoint &place = {});

signals:
    // The image changed and should be shown.
    void changed();

private:
    // The metatile cell k shows: the stamp's where it lies over the map, else the image's.
    int metaTileShown(int cell) const;
    // The marks on cell k: the stamp's edges, or the use outline and the selection's edges.
    void markCell(int cell);
    void paintCell(int cell);
    void paintCells(const std::bitset<FrameBytes> &cells);
    // The cells of a rectangle (in cells) that lie on the frame.
    static std::bitset<FrameBytes> cellsOf(const QRect &rect);
    // The stamp's cells and the selection in the columns of the frame shown.
    QRect ghostRect() const;
    QRect selectionRect() const;

    const modKrelin &model;
    QImage &image;
    FrameCache shown{};
    int shownFrame = 0;
    int outlined = -1;
    int framedCol = 0, framedRow = 0; // the cell the white frame was drawn on last
    bool framed = true;                // the white frame is on this frame
    MetaTileSprites sprites;
    // Cells on whose lines (the 34th column and row of the cell's box) something was drawn:
    // the white frame, an outline, an edge. The others show the cleared colour there, and
    // a repaint leaves those lines alone.
    std::bitset<FrameBytes> linesMarked;
    QRect selected; // places on the stage's strip
    std::bitset<FrameBytes> diffCells; // on diffFrame
    int diffFrame = -1;
    std::optional<Stamp> ghost;
    QPoint ghostPlace;
};

} // namespace krelin
