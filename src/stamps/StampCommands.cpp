#include "StampCommands.h"

#include "frmStamps.h"
#include "core/modKrelin.h"
#include "views/MapTools.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QWidget>

namespace krelin {

namespace {

QString shown(const QString &table)
{
    QString text = table;
    return text.replace(u'-', u'\u2013');
}

} // namespace

StampCommands::StampCommands(const modKrelin &model, MapTools &tools, Desktop &desktop, const QString &libraryPath,
                             QWidget *window)
    : QObject(window)
    , model(model)
    , tools(tools)
    , desktop(desktop)
    , window(window)
    , kept(libraryPath)
{
    setObjectName(QStringLiteral("stampCommands"));
    mnuStamps = new QAction(QStringLiteral("S&tamps"), this);
    mnuStamps->setObjectName(QStringLiteral("mnuStamps"));
    mnuStamps->setToolTip(QStringLiteral("The stamps kept for the stage's metatile table"));
    mnuKeepStamp = new QAction(QStringLiteral("&Keep as Stamp\u2026"), this);
    mnuKeepStamp->setObjectName(QStringLiteral("mnuKeepStamp"));
    mnuKeepStamp->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    mnuKeepStamp->setToolTip(QStringLiteral("Keep the selected cells as a named stamp (Ctrl+Shift+C)"));
    mnuKeepStamp->setEnabled(false);
    connect(mnuStamps, &QAction::triggered, this, &StampCommands::mnuStamps_Click);
    connect(mnuKeepStamp, &QAction::triggered, this, &StampCommands::mnuKeepStamp_Click);
    connect(&model, &modKrelin::stageChanged, this, [this] {
        mnuKeepStamp->setEnabled(this->model.currentStage() != nullptr);
        showStamps();
    });
    // The pictures follow the stage's metatiles and colours.
    connect(&model, &modKrelin::imageReplaced, this, &StampCommands::showStamps);
    connect(&model, &modKrelin::bgColorsChanged, this, &StampCommands::showStamps);
}

frmStamps *StampCommands::stampsWindow() const
{
    return panel;
}

QString StampCommands::table() const
{
    return model.currentStage() ? StampLibrary::tableOf(*model.currentStage()) : QString();
}

void StampCommands::showStamps()
{
    if (!panel)
        return;
    if (table().isEmpty()) {
        panel->showStamps(QStringLiteral("Choose a stage to see the stamps of its metatile table."), {}, kept.problem());
        return;
    }
    panel->showStamps(QStringLiteral("Stamps of stages %1").arg(shown(table())), kept.stamps(table()), kept.problem());
}

void StampCommands::mnuStamps_Click()
{
    if (!panel) {
        panel = new frmStamps(model, window);
        panel->setAttribute(Qt::WA_DeleteOnClose);
        connect(panel, &frmStamps::stampTaken, this, &StampCommands::take);
        connect(panel, &frmStamps::renameWanted, this, &StampCommands::rename);
        connect(panel, &frmStamps::removeWanted, this, &StampCommands::remove);
        connect(panel, &frmStamps::flipWanted, this, &StampCommands::flip);
        panel->move(window->frameGeometry().topRight() + QPoint(8, 0));
        showStamps();
    }
    panel->show();
    panel->raise();
    panel->activateWindow();
}

bool StampCommands::mnuKeepStamp_Click()
{
    const Stage *stage = model.currentStage();
    if (!stage)
        return false;
    if (!tools.selection().isEmpty())
        tools.copy();
    else if (!tools.copied()) {
        emit warning(QStringLiteral("There are no cells to keep: select cells of the map (Shift + drag) first."));
        return false;
    }
    const Stamp stamp = *tools.copied();
    const std::optional<QString> name =
        desktop.askText(window, QStringLiteral("Keep as Stamp"),
                        QStringLiteral("A name for the %1 \u00D7 %2 stamp (for stages %3):")
                            .arg(stamp.columns)
                            .arg(stamp.rows)
                            .arg(shown(table())),
                        QStringLiteral("Stamp %1").arg(kept.stamps(table()).size() + 1));
    if (!name)
        return false;
    const QString given = name->trimmed().isEmpty() ? QStringLiteral("Stamp %1").arg(kept.stamps(table()).size() + 1)
                                                    : name->trimmed();
    reportWrite(kept.add(table(), {given, stamp}));
    showStamps();
    emit statusMessage(QStringLiteral("The stamp \u201C%1\u201D is kept for stages %2.").arg(given, shown(table())));
    return true;
}

void StampCommands::take(int index)
{
    const std::vector<KeptStamp> &list = kept.stamps(table());
    if (index < 0 || index >= int(list.size()))
        return;
    tools.setStamp(list[std::size_t(index)].stamp);
    emit statusMessage(QStringLiteral("The stamp \u201C%1\u201D is taken up: click the map to place it (Escape drops it).")
                           .arg(list[std::size_t(index)].name));
}

void StampCommands::rename(int index)
{
    const std::vector<KeptStamp> &list = kept.stamps(table());
    if (index < 0 || index >= int(list.size()))
        return;
    const std::optional<QString> name = desktop.askText(panel, QStringLiteral("Rename Stamp"),
                                                        QStringLiteral("A new name:"), list[std::size_t(index)].name);
    if (!name || name->trimmed().isEmpty())
        return;
    reportWrite(kept.rename(table(), index, name->trimmed()));
    showStamps();
}

void StampCommands::remove(int index)
{
    const std::vector<KeptStamp> &list = kept.stamps(table());
    if (index < 0 || index >= int(list.size()))
        return;
    if (!desktop.askYesNo(panel, QStringLiteral("Remove Stamp"),
                          QStringLiteral("Remove the stamp \u201C%1\u201D?").arg(list[std::size_t(index)].name)))
        return;
    reportWrite(kept.remove(table(), index));
    showStamps();
}

void StampCommands::flip(int index)
{
    reportWrite(kept.flip(table(), index));
    showStamps();
}

void StampCommands::reportWrite(const QString &problem)
{
    if (!problem.isEmpty())
        emit warning(problem);
}

} // namespace krelin
