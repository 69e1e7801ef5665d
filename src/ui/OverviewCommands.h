#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class QAction;
class QMainWindow;
class QScrollBar;

namespace krelin {

class LevelEditor;
class MapTools;
class frmStageOverview;
class modKrelin;

// View > Stage Overview (F3): opens the overview window, a tool window of the main window.
// The window follows the model on its own; this part tells it, through signals only, the
// frame the main window shows, the metatile Show Uses marks and the selected cells, and
// shows the frame the user clicks in it.
class OverviewCommands : public QObject
{
    Q_OBJECT

public:
    OverviewCommands(const modKrelin &model, LevelEditor &editor, MapTools &tools, QScrollBar *hLevel_Frames,
                     QMainWindow *window);

    QAction *mnuStageOverview;

    void mnuStageOverview_Click();
    // The window while it is open, else nullptr.
    frmStageOverview *overview() const;
    // While comparing: the frames of the stage shown that differ (none otherwise).
    void setDiffFrames(const QList<int> &frames);

signals:
    void shownFrameChanged(int frame);
    void usesMarkChanged(int metaTile);
    void selectionChanged(int frame, const QRect &cells);
    void diffFramesChanged(const QList<int> &frames);

private:
    // Tells the window everything it marks, as it is now.
    void tellAll();

    const modKrelin &model;
    LevelEditor &editor;
    MapTools &tools;
    QScrollBar *hLevel_Frames;
    QMainWindow *window;
    QPointer<frmStageOverview> overviewWindow;
    QList<int> diffFrames;
};

} // namespace krelin
