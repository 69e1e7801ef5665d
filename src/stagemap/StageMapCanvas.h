#pragma once

#include "StageMapGeometry.h"
#include "StageMapPixels.h"
#include "views/MapKeys.h"

#include <QAbstractScrollArea>
#include <QImage>

#include <optional>
#include <vector>

namespace krelin {

class MapTools;
class StageMapView;
struct Stage;
class modKrelin;

// The stage map's canvas: every frame of the stage side by side, zoomed from 25 to 400 %,
// scrolled by the scroll bars, the wheel or a drag with the middle button, zoomed by
// Ctrl + wheel about the pointer. It is a view of the level map's tools: it turns the
// pointer's positions and the keys into stage cells for them, and draws what they say
// (the white frame on their cell, the selection, the stamp where it would land) over the
// picture, with the marks it is told of: Show Uses, a comparison's differing cells and
// frames, the frame the main window shows. Above each frame its number and room.
class StageMapCanvas : public QAbstractScrollArea
{
    Q_OBJECT

public:
    StageMapCanvas(const modKrelin &model, StageMapView &view, MapTools &tools, QWidget *parent = nullptr);

    const StageMapGeometry &layout() const { return geo; }
    // The zoom as a frame's width in pixels (256 at 100 %, StageMapGeometry).
    int scale() const { return geo.scale; }
    // Zooms to a scale, keeping the canvas point under the viewport position about (the
    // pointer's) in its place; without one, the middle of the viewport.
    void setScale(int scale, std::optional<QPoint> about = std::nullopt);
    void zoomIn();
    void zoomOut();
    // The largest zoom at which the whole stage fits the window, whatever its percentage:
    // the stage fills the window's width or its height.
    void zoomToStage();
    void setFrameLines(bool shown);

    // ---- marks, as the main window tells them ----------------------------------------
    void setShownFrame(int frame);
    int shownFrame() const { return shown; }
    void setUsesMarked(int metaTile);
    void setDifferences(const std::vector<int> &frames, const std::vector<StageCell> &cells);
    const std::vector<int> &diffFrames() const { return differingFrames; }

    // The viewport position of the middle of a cell, as it is scrolled now.
    QPoint cellCentre(const StageCell &cell) const;
    // Draws the viewport's area (viewport coordinates) as a paint event does: renders it,
    // and shows what was rendered.
    void paintArea(QPainter &painter, const QRect &area);
    // What the viewport's area shows, rendered into an image of the canvas's own (its
    // top-left corner), marks and labels included.
    const QImage &render(const QRect &area);
    // Scrolls so that the canvas rectangle given is in sight, as little as it takes.
    void bringIntoView(const QRect &content);

signals:
    void scaleChanged(int scale);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QPoint scrolled() const;
    QRect onViewport(const QRect &content) const;
    std::optional<StageCell> cellAt(const QPoint &viewportPosition) const;
    void stageDrawn();
    void layOut();
    void pictureChanged(const QRect &pixels);
    void cellChanged();
    void ghostChanged();
    void selectionChanged();
    // Repaints the canvas rectangle given (content coordinates), a pixel around it too.
    void repaintContent(const QRect &content);
    QRect ghostContent() const;

    // Painting (StageMapPainting.cpp).
    void useColors();
    void paintGhost(const QRect &area);
    void paintLabels(QPainter &painter, const QRect &area);
    // A frame's label as drawn last, and what it said.
    struct Label
    {
        int room = -2;
        bool current = false, differing = false;
        int width = 0;
        QImage image;
        bool sameAs(const Label &o) const
        {
            return room == o.room && current == o.current && differing == o.differing && width == o.width;
        }
    };
    QImage drawLabel(int frame, const Label &label) const;
    void paintMarks(QPainter &painter, const QRect &area);

    const modKrelin &model;
    StageMapView &view;
    MapTools &tools;
    MapKeys keys;
    StageMapGeometry geo;
    StageMapPixels pixels;
    QImage buffer; // the area being painted, before the marks
    std::vector<Label> labels; // by frame

    const Stage *laidOut = nullptr; // the stage the layout is of
    int shown = -1;
    int usesMarked = -1;
    std::vector<int> differingFrames;
    std::vector<StageCell> differingCells;

    StageCell drawnCell;          // where the white frame was drawn last
    QRect drawnGhost, drawnSelection; // content rectangles drawn last
    std::optional<QPoint> dragFrom; // the middle button's drag: where it started ...
    QPoint dragScroll;              // ... and the scroll bars' values then
};

} // namespace krelin
