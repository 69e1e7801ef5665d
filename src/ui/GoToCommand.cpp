#include "GoToCommand.h"

#include "Command.h"
#include "Navigation.h"
#include "core/GoTo.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "views/LevelEditor.h"
#include "views/MapTools.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QScrollBar>
#include <QWidget>

namespace krelin {

namespace {

QString hex2(int n)
{
    return QStringLiteral("%1").arg(n, 2, 16, QLatin1Char('0')).toUpper();
}

int stageIndex(const Stage *stage)
{
    return stage ? int(stage - StageTable.data()) : -1;
}

} // namespace

GoToCommand::GoToCommand(const modKrelin &model, LevelEditor &editor, MapTools &tools, Navigation &navigation,
                         Desktop &desktop, const Controls &controls, QWidget *window)
    : QObject(window)
    , model(model)
    , editor(editor)
    , tools(tools)
    , navigation(navigation)
    , desktop(desktop)
    , controls(controls)
    , window(window)
{
    setObjectName(QStringLiteral("goToCommand"));
    mnuGoTo = NewCommand(this, "mnuGoTo", QStringLiteral("&Go To\u2026"), QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuGoTo->setToolTip(QStringLiteral("Go to a frame (12), a stage and frame (3:12), the next cell holding a "
                                       "metatile (M2F) or what lies at an offset of the image (0x9929)"));
    mnuGoTo->setEnabled(false);
    connect(mnuGoTo, &QAction::triggered, this, &GoToCommand::mnuGoTo_Click);
    // Stages, metatiles and offsets need an image; frames a stage.
    connect(&model, &modKrelin::imageReplaced, this, [this] { mnuGoTo->setEnabled(this->model.hasImage()); });
}

void GoToCommand::mnuGoTo_Click()
{
    const std::optional<QString> text =
        desktop.askText(window, QStringLiteral("Go To"),
                        QStringLiteral("A frame (12), a stage and frame (3:12), a metatile (M2F) or an offset (0x9929):"),
                        lastText);
    if (!text || text->trimmed().isEmpty())
        return;
    goTo(*text);
}

bool GoToCommand::goTo(const QString &text)
{
    lastText = text.trimmed();
    QString why;
    const std::optional<GoToRequest> request = ParseGoTo(text, &why);
    if (!request) {
        emit warning(why);
        return false;
    }
    switch (request->kind) {
    case GoToRequest::Kind::Frame: return goToFrame(-1, request->frame);
    case GoToRequest::Kind::StageFrame: return goToFrame(stageIndex(request->stage), request->frame);
    case GoToRequest::Kind::MetaTile: return goToMetaTile(request->metaTile);
    case GoToRequest::Kind::Offset: return goToOffset(request->offset);
    }
    return false;
}

bool GoToCommand::goToFrame(int index, int frame)
{
    if (index >= 0) {
        const Stage &stage = StageTable[std::size_t(index)];
        if (frame >= stage.Frames) {
            emit warning(QStringLiteral("%1 has frames 0 to %2.").arg(stage.caption()).arg(stage.Frames - 1));
            return false;
        }
        if (&stage != model.currentStage() && !navigation.mnuEdit_Level_Click(index))
            return false; // the image does not hold that stage: the user has been told
    }
    const Stage *stage = model.currentStage();
    if (!stage) {
        emit warning(QStringLiteral("Choose a stage first (Edit \u25B8 Level), or go to a stage and frame (3:12)."));
        return false;
    }
    if (frame >= stage->Frames) {
        emit warning(QStringLiteral("%1 has frames 0 to %2.").arg(stage->caption()).arg(stage->Frames - 1));
        return false;
    }
    const StageCell at = tools.cell();
    tools.setCell(tools.view(), {frame, at.row, at.col});
    emit statusMessage(QStringLiteral("%1, frame %2").arg(stage->caption()).arg(frame));
    return true;
}

bool GoToCommand::goToMetaTile(int metaTile)
{
    const Stage *stage = model.currentStage();
    if (!stage) {
        emit warning(QStringLiteral("Choose a stage first (Edit \u25B8 Level): Go To finds a metatile in the stage shown."));
        return false;
    }
    const std::vector<StageCell> cells = CellsHolding(model, *stage, metaTile);
    const int next = NextCellIndex(cells, tools.cell());
    if (next < 0) {
        emit warning(QStringLiteral("No frame of %1 holds metatile %2.").arg(stage->caption(), hex2(metaTile)));
        return false;
    }
    const StageCell cell = cells[std::size_t(next)];
    tools.setCell(tools.view(), cell);
    emit statusMessage(QStringLiteral("Metatile %1: frame %2, row %3, column %4 (%5 of %6 in %7)")
                           .arg(hex2(metaTile))
                           .arg(cell.frame)
                           .arg(cell.row)
                           .arg(cell.col)
                           .arg(next + 1)
                           .arg(cells.size())
                           .arg(stage->caption()));
    return true;
}

bool GoToCommand::goToOffset(qint64 offset)
{
    const QString where = QStringLiteral("0x%1").arg(QString::number(offset, 16).toUpper());
    if (!model.holds(offset, 1)) {
        emit warning(QStringLiteral("%1 lies past the end of the image, which has %2 bytes.").arg(where).arg(model.romSize()));
        return false;
    }
    const ImagePlace place = PlaceOfOffset(model, model.currentStage(), offset);
    if (place.kind == ImagePlace::Kind::None) {
        emit warning(QStringLiteral("%1 lies in no stage's cells, rooms, metatiles, tiles or palette.").arg(where));
        return false;
    }
    if (place.stage != model.currentStage() && !navigation.mnuEdit_Level_Click(stageIndex(place.stage)))
        return false;
    const StageCell at = tools.cell();
    switch (place.kind) {
    case ImagePlace::Kind::Cell: tools.setCell(tools.view(), place.cell); break;
    case ImagePlace::Kind::Room: tools.setCell(tools.view(), {place.cell.frame, at.row, at.col}); break;
    case ImagePlace::Kind::MetaTile: tools.chooseMetaTile(place.metaTile); break;
    case ImagePlace::Kind::Tile:
        // The first metatile drawn with the tile, so that Edit Tile opens on it.
        for (int n = 0; n < MetaTileCount; ++n)
            for (int q = 0; q < 4; ++q)
                if (model.byteAt(QuadrantTileOffset(model, n, q)) == place.tile) {
                    tools.chooseMetaTile(n);
                    n = MetaTileCount;
                    break;
                }
        break;
    case ImagePlace::Kind::PaletteEntry: emit paletteEntryWanted(place.entry); break;
    case ImagePlace::Kind::None: break;
    }
    emit statusMessage(where + QStringLiteral(": ") + PlaceText(model, place));
    return true;
}

} // namespace krelin
