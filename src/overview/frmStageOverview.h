#pragma once

#include <QList>
#include <QRect>
#include <QWidget>

class QScrollArea;

namespace krelin {

class StageOverviewView;
class modKrelin;

// View > Stage Overview: a tool window with every frame of the current stage side by side
// at half size, the frame the main window shows outlined. A click on a frame asks for it
// to be shown (frameChosen). It follows the model on its own (a new stage, an edit, an
// undo, a patch, new colours); its owner tells it the frame shown and the marks.
class frmStageOverview : public QWidget
{
    Q_OBJECT

public:
    explicit frmStageOverview(const modKrelin &model, QWidget *parent = nullptr);

    StageOverviewView &view() { return *overview; }
    // The picture's widget, inside the scroll area: clicks and pixels for the tests.
    QWidget *canvas() const { return picture; }

    void setShownFrame(int frame);
    void setUsesMarked(int metaTile);
    void setSelection(int frame, const QRect &cells);
    void setDiffFrames(const QList<int> &frames);

    // A click on the picture, at a pixel of it.
    void picOverview_Click(const QPoint &pixel);

signals:
    void frameChosen(int frame);

private:
    void stageDrawn();

    const modKrelin &model;
    StageOverviewView *overview;
    QScrollArea *scroll;
    QWidget *picture;
};

} // namespace krelin
