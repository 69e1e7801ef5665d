#include "frmStageOverview.h"

#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/StageOverviewView.h"
#include "widgets/AppIcon.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace krelin {

namespace {

// The picture, drawn as it is; only the part that changed is painted again.
class OverviewCanvas : public QWidget
{
public:
    OverviewCanvas(StageOverviewView &view, frmStageOverview *window, QWidget *parent)
        : QWidget(parent)
        , view(view)
        , window(window)
    {
        setObjectName(QStringLiteral("picOverview"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::PointingHandCursor);
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QPainter painter(this);
        const QRect r = event->rect();
        painter.drawImage(r.topLeft(), view.image(), r);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton)
            window->picOverview_Click(event->position().toPoint());
    }

private:
    StageOverviewView &view;
    frmStageOverview *window;
};

} // namespace

frmStageOverview::frmStageOverview(const modKrelin &model, QWidget *parent)
    : QWidget(parent, Qt::Tool)
    , model(model)
{
    setObjectName(QStringLiteral("frmStageOverview"));
    setWindowIcon(AppIcon());
    overview = new StageOverviewView(model, this);
    scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrOverview"));
    scroll->setWidgetResizable(false);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    picture = new OverviewCanvas(*overview, this, scroll);
    scroll->setWidget(picture);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    // Three and a half frames in sight; the scroll bar brings the others.
    resize(int(OverviewFramePitch * 3.5), OverviewHeight + scroll->horizontalScrollBar()->sizeHint().height());
    setMinimumHeight(height());
    setMaximumHeight(height());

    connect(overview, &StageOverviewView::changed, picture, qOverload<const QRect &>(&QWidget::update));
    connect(overview, &StageOverviewView::redrawn, this, &frmStageOverview::stageDrawn);
    stageDrawn();
}

void frmStageOverview::stageDrawn()
{
    picture->resize(overview->image().size());
    picture->update();
    const Stage *stage = overview->stage();
    setWindowTitle(stage ? QStringLiteral("Stage Overview \u2014 %1 (%2 frames)").arg(stage->caption()).arg(stage->Frames)
                         : QStringLiteral("Stage Overview"));
}

void frmStageOverview::setShownFrame(int frame)
{
    overview->setShownFrame(frame);
    if (frame >= 0 && frame < overview->frames()) {
        const QRect r = OverviewFrameRect(frame);
        scroll->ensureVisible(r.center().x(), r.center().y(), r.width() / 2, 0);
    }
}

void frmStageOverview::setUsesMarked(int metaTile)
{
    overview->setUsesMarked(metaTile);
}

void frmStageOverview::setSelection(int frame, const QRect &cells)
{
    overview->setSelection(frame, cells);
}

void frmStageOverview::setDiffFrames(const QList<int> &frames)
{
    overview->setDiffFrames(std::vector<int>(frames.begin(), frames.end()));
}

void frmStageOverview::picOverview_Click(const QPoint &pixel)
{
    const int frame = overview->frameAt(pixel);
    if (frame >= 0)
        emit frameChosen(frame);
}

} // namespace krelin
