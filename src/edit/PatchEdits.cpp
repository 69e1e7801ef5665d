#include "PatchEdits.h"

#include "EditHistory.h"
#include "RecordedStep.h"
#include "core/Patch.h"
#include "core/modKrelin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace krelin {

PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath)
{
    const PatchResult patch = ReadPatchFile(patchPath);
    if (!patch.ok())
        return {patch.error};
    modKrelin &model = history.model();
    PatchResult patched = ApplyPatch(patch.bytes, model.image());
    if (!patched.ok())
        return {QStringLiteral("Cannot apply %1 to the open image: %2.")
                    .arg(QDir::toNativeSeparators(patchPath), patched.error)};
    const QString text = QCoreApplication::translate("EditCommands", "Apply Patch %1")
                             .arg(QFileInfo(patchPath).fileName());
    return {{}, history.push(new RecordedStep(model, ChangesBetween(model.image(), patched.bytes), text))};
}

} // namespace krelin
