#pragma once

#include <QList>
#include <QWidget>

class QAction;
class QLabel;
class QToolBar;

namespace krelin {

class MapTools;
class StageMapCanvas;
class StageMapView;
class modKrelin;

// View > Stage Map: a window of its own, resized and maximised as the user likes, with
// every frame of the current stage side by side on a canvas that zooms and scrolls, and
// on which the level map's tools work across frame edges. A tool bar above it holds the
// zoom and the frame lines. It follows the model on its own (a new stage, an edit, an
// undo, a patch, new colours); its owner tells it the marks.
class frmStageMap : public QWidget
{
    Q_OBJECT

public:
    // The actions go on the tool bar (a null one is a separator).
    frmStageMap(const modKrelin &model, MapTools &tools, const QList<QAction *> &toolBarActions,
                QWidget *parent = nullptr);

    StageMapView &view() { return *picture; }
    StageMapCanvas &canvas() { return *picStageMap; }

private:
    void stageDrawn();
    void showZoom(int scale);

    StageMapView *picture;
    StageMapCanvas *picStageMap;
    QToolBar *tbStageMap;
    QLabel *lblZoom;
};

} // namespace krelin
