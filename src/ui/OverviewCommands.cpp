#include "OverviewCommands.h"

#include "overview/frmStageOverview.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/ToolIcons.h"

#include <QAction>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>

namespace krelin {

OverviewCommands::OverviewCommands(const modKrelin &model, LevelEditor &editor, MapTools &tools,
                                   QScrollBar *hLevel_Frames, QMainWindow *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , tools(tools)
    , hLevel_Frames(hLevel_Frames)
    , window(window)
{
    setObjectName(QStringLiteral("overviewCommands"));
    mnuStageOverview = new QAction(QStringLiteral("Stage &Overview"), this);
    mnuStageOverview->setObjectName(QStringLiteral("mnuStageOverview"));
    mnuStageOverview->setShortcut(QKeySequence(Qt::Key_F3));
    mnuStageOverview->setIcon(ToolIcon(ToolIconKind::Overview));
    mnuStageOverview->setToolTip(QStringLiteral("Every frame of the stage at half size (F3)"));
    connect(mnuStageOverview, &QAction::triggered, this, &OverviewCommands::mnuStageOverview_Click);

    connect(&editor, &LevelEditor::levelDrawn, this, [this] { emit shownFrameChanged(this->editor.frame()); });
    const auto uses = [this] { emit usesMarkChanged(this->editor.showsUses() ? this->editor.SelectedMetaTile() : -1); };
    connect(&editor, &LevelEditor::usesChanged, this, uses);
    connect(&editor, &LevelEditor::metaTileSelected, this, uses);
    connect(&tools, &MapTools::selectionChanged, this,
            [this] { emit selectionChanged(this->tools.selectionFrame(), this->tools.selection()); });
}

void OverviewCommands::mnuStageOverview_Click()
{
    if (!overviewWindow) {
        overviewWindow = new frmStageOverview(model, window);
        overviewWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(this, &OverviewCommands::shownFrameChanged, overviewWindow, &frmStageOverview::setShownFrame);
        connect(this, &OverviewCommands::usesMarkChanged, overviewWindow, &frmStageOverview::setUsesMarked);
        connect(this, &OverviewCommands::selectionChanged, overviewWindow, &frmStageOverview::setSelection);
        connect(this, &OverviewCommands::diffFramesChanged, overviewWindow, &frmStageOverview::setDiffFrames);
        connect(overviewWindow, &frmStageOverview::frameChosen, hLevel_Frames, &QScrollBar::setValue);
        // Below the main window where the screen has room, else over its lower part.
        const QRect screen = window->screen()->availableGeometry(), frame = window->frameGeometry();
        int y = frame.bottom() + 8;
        if (y + overviewWindow->height() > screen.bottom())
            y = std::max(screen.top(), screen.bottom() - overviewWindow->height() - 32);
        overviewWindow->move(frame.left(), y);
        tellAll();
    }
    overviewWindow->show();
    overviewWindow->raise();
    overviewWindow->activateWindow();
}

frmStageOverview *OverviewCommands::overview() const
{
    return overviewWindow;
}

void OverviewCommands::tellAll()
{
    if (model.currentStage())
        emit shownFrameChanged(editor.frame());
    emit usesMarkChanged(editor.showsUses() ? editor.SelectedMetaTile() : -1);
    emit selectionChanged(tools.selectionFrame(), tools.selection());
    emit diffFramesChanged(diffFrames);
}

void OverviewCommands::setDiffFrames(const QList<int> &frames)
{
    if (frames == diffFrames)
        return;
    diffFrames = frames;
    emit diffFramesChanged(diffFrames);
}

} // namespace krelin
