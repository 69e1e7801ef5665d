#pragma once

#include "core/StageCells.h"

#include <QList>
#include <QObject>
#include <QPointer>

#include <vector>

class QAction;
class QMainWindow;

namespace krelin {

class LevelEditor;
class MapTools;
class Preferences;
class frmStageMap;
class modKrelin;

// View > Stage Map (F3): opens the stage map, a window of its own beside the main window,
// and holds its zoom (View > Zoom In, Zoom Out, Whole Stage) and its frame lines (View >
// Frame Lines), both kept between runs. The window follows the model on its own; this
// part tells it, through signals only, the frame the main window shows, the metatile Show
// Uses marks and a comparison's differences. The map's tools and their keys (Copy, Paste,
// Delete ...) are the main window's, shared with it.
class StageMapCommands : public QObject
{
    Q_OBJECT

public:
    StageMapCommands(const modKrelin &model, LevelEditor &editor, MapTools &tools, Preferences &preferences,
                     QMainWindow *window);

    QAction *mnuStageMap;
    QAction *mnuFrameLines;
    QAction *mnuZoomIn;
    QAction *mnuZoomOut;
    QAction *mnuZoomStage;

    void mnuStageMap_Click();
    // The window while it is open, else nullptr.
    frmStageMap *stageMap() const;
    // The main window's keys that work in the stage map too.
    void shareKeys(const QList<QAction *> &actions);
    // While comparing: the frames and the cells of the stage shown that differ (none
    // otherwise).
    void setDifferences(const QList<int> &frames, const std::vector<StageCell> &cells);

signals:
    void shownFrameChanged(int frame);
    void usesMarkChanged(int metaTile);
    void differencesChanged(const std::vector<int> &frames, const std::vector<krelin::StageCell> &cells);

private:
    // Tells the window everything it marks, as it is now.
    void tellAll();
    void updateEnabled();

    const modKrelin &model;
    LevelEditor &editor;
    MapTools &tools;
    Preferences &preferences;
    QMainWindow *window;
    QPointer<frmStageMap> mapWindow;
    QList<QAction *> sharedKeys;
    std::vector<int> diffFrames;
    std::vector<StageCell> diffCells;
};

} // namespace krelin
