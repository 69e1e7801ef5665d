// The main window's patches: File > Create Patch records how the open image differs from
// a clean one, File > Apply Patch applies a patch to the open image as one step of the
// edit history.
#include "frmKrelin.h"

#include "MainStatusBar.h"
#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/PatchEdits.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace krelin {

namespace {

const QString RomFilter = QStringLiteral("NES Rom Files (*.NES *.nes)");
const QString IpsFilter = QStringLiteral("IPS Patch (*.ips)");
const QString BpsFilter = QStringLiteral("BPS Patch (*.bps)");
const QString PatchFilter = QStringLiteral("IPS or BPS Patches (*.ips *.bps *.IPS *.BPS);;All Files (*)");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

void frmKrelin::createPatchCommands()
{
    // Between the saves and Quit, in a group of their own.
    QAction *quitFiller = mnuFile->actions().at(mnuFile->actions().indexOf(mnuFile_Quit) - 1);
    mnuCreatePatch = new QAction(QStringLiteral("&Create Patch…"), this);
    mnuCreatePatch->setObjectName(QStringLiteral("mnuCreatePatch"));
    mnuApplyPatch = new QAction(QStringLiteral("A&pply Patch…"), this);
    mnuApplyPatch->setObjectName(QStringLiteral("mnuApplyPatch"));
    mnuFile->insertSeparator(quitFiller)->setObjectName(QStringLiteral("mnuFileFillerPatches"));
    mnuFile->insertActions(quitFiller, {mnuCreatePatch, mnuApplyPatch});
    for (QAction *action : {mnuCreatePatch, mnuApplyPatch})
        action->setEnabled(false);
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        for (QAction *action : {mnuCreatePatch, mnuApplyPatch})
            action->setEnabled(model.hasImage());
    });
    connect(mnuCreatePatch, &QAction::triggered, this, &frmKrelin::mnuCreatePatch_Click);
    connect(mnuApplyPatch, &QAction::triggered, this, &frmKrelin::mnuApplyPatch_Click);
}

bool frmKrelin::mnuCreatePatch_Click()
{
    if (!model.hasImage())
        return false;
    const QString start = lastChosenFile.isEmpty() ? programFolder : lastChosenFile;
    const QString originalPath =
        desktop.getOpenFileName(this, QStringLiteral("Create Patch: Original Image"), start, RomFilter);
    if (originalPath.isEmpty())
        return false;
    const RomReadResult original = ReadRomFile(originalPath);
    if (!original.ok()) {
        warn(original.error);
        return false;
    }
    // What a save would write, without saving: the image in memory and its unsaved state
    // stay as they are.
    const std::vector<std::uint8_t> modified = ImageAsSaved(model.image());
    if (modified == original.bytes) {
        desktop.showMessage(this, ProgramCaption(),
                            QStringLiteral("The open image is the same as %1: a patch would change nothing, so "
                                           "none was written.")
                                .arg(shown(originalPath)),
                            Desktop::Icon::Information);
        return false;
    }

    const QFileInfo rom(model.RomFileName);
    QString filter = IpsFilter;
    QString path = desktop.getSaveFileNameAndFilter(this, QStringLiteral("Create Patch"),
                                           rom.dir().filePath(rom.completeBaseName() + QStringLiteral(".ips")),
                                           IpsFilter + QStringLiteral(";;") + BpsFilter, &filter);
    if (path.isEmpty())
        return false;
    // The filter chooses the format of a name typed without .ips or .bps; the dialog
    // asked about replacing the name as typed, so ask again about the one written.
    if (!PatchFormatForPath(path)) {
        path += filter == BpsFilter ? QStringLiteral(".bps") : QStringLiteral(".ips");
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(this, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(shown(path))))
            return false;
    }
    for (const QString &input : {originalPath, model.RomFileName}) {
        if (IsSameFile(path, input)) {
            warn(QStringLiteral("Will not write the patch %1: it is the same file as the image %2.")
                     .arg(shown(path), shown(input)));
            return false;
        }
    }
    const QString error = WritePatchFile(path, original.bytes, modified);
    if (!error.isEmpty()) {
        warn(error);
        return false;
    }
    sbStatus->showMessage(QStringLiteral("Patch written to %1").arg(shown(path)), 5000);
    return true;
}

bool frmKrelin::mnuApplyPatch_Click()
{
    if (!model.hasImage())
        return false;
    const QString start = lastChosenFile.isEmpty() ? programFolder : QFileInfo(lastChosenFile).absolutePath();
    const QString path = desktop.getOpenFileName(this, QStringLiteral("Apply Patch"), start, PatchFilter);
    if (path.isEmpty())
        return false;
    const PatchApplied applied = ApplyPatchToImage(*editHistory, path);
    if (!applied.error.isEmpty()) {
        warn(applied.error);
        return false;
    }
    if (!applied.changed) {
        desktop.showMessage(this, ProgramCaption(),
                            QStringLiteral("%1 changes nothing in the open image.").arg(shown(path)),
                            Desktop::Icon::Information);
        return false;
    }
    // A new step is shown by the window that made it: here, all of the image.
    if (keepStageIfHeld())
        mnuRefresh_Click();
    updateStatus();
    sbStatus->showMessage(QStringLiteral("Patch %1 applied").arg(QFileInfo(path).fileName()), 5000);
    return true;
}

bool frmKrelin::keepStageIfHeld()
{
    if (currentStage < 0)
        return true;
    const QString problem = StageFitProblem(StageTable[currentStage], model.romSize());
    if (problem.isEmpty())
        return true;
    dropStage();
    warn(problem + QStringLiteral("\n\nChoose a stage that this image holds."));
    return false;
}

} // namespace krelin
