#include "frmStageMap.h"

#include "StageMapCanvas.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/StageMapView.h"
#include "widgets/AppIcon.h"

#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

namespace krelin {

frmStageMap::frmStageMap(const modKrelin &model, MapTools &tools, const QList<QAction *> &toolBarActions,
                         QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmStageMap"));
    setWindowIcon(AppIcon());
    picture = new StageMapView(model, this);
    picStageMap = new StageMapCanvas(model, *picture, tools, this);

    tbStageMap = new QToolBar(QStringLiteral("Stage Map"), this);
    tbStageMap->setObjectName(QStringLiteral("tbStageMap"));
    tbStageMap->setIconSize(QSize(20, 20));
    tbStageMap->setToolButtonStyle(Qt::ToolButtonTextOnly);
    lblZoom = new QLabel(tbStageMap);
    lblZoom->setObjectName(QStringLiteral("lblZoom"));
    lblZoom->setMinimumWidth(lblZoom->fontMetrics().horizontalAdvance(QStringLiteral("400 %")) + 12);
    lblZoom->setAlignment(Qt::AlignCenter);
    lblZoom->setToolTip(QStringLiteral("Zoom: 100 % is the console's own size"));
    bool zoomShown = false;
    for (QAction *action : toolBarActions) {
        if (!action) {
            tbStageMap->addSeparator();
            continue;
        }
        tbStageMap->addAction(action);
        if (!zoomShown) { // after the first (Zoom Out)
            tbStageMap->addWidget(lblZoom);
            zoomShown = true;
        }
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tbStageMap);
    layout->addWidget(picStageMap, 1);
    setFocusProxy(picStageMap);

    connect(picture, &StageMapView::redrawn, this, &frmStageMap::stageDrawn);
    connect(picStageMap, &StageMapCanvas::scaleChanged, this, &frmStageMap::showZoom);
    stageDrawn();
    showZoom(picStageMap->scale());
}

void frmStageMap::stageDrawn()
{
    const Stage *stage = picture->stage();
    setWindowTitle(stage ? QStringLiteral("Stage Map \u2014 %1 (%2 frames)").arg(stage->caption()).arg(stage->Frames)
                         : QStringLiteral("Stage Map"));
}

void frmStageMap::showZoom(int scale)
{
    lblZoom->setText(QStringLiteral("%1 %").arg(StageMapGeometry::percentOf(scale)));
}

} // namespace krelin
