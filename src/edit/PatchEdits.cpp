#include "PatchEdits.h"

#include "EditHistory.h"
#include "RecordedStep.h"
#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/modKrelin.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace krelin {

PatchedImage PatchOpenImage(const modKrelin &model, std::span<const std::uint8_t> patch, const QString &patchPath)
{
    PatchResult patched = ApplyPatch(patch, model.image());
    if (!patched.ok())
        return {QStringLiteral("Cannot apply %1 to the open image: %2.")
                    .arg(QDir::toNativeSeparators(patchPath), patched.error),
                {}};
    // A patch that takes the header off would leave an image no stage can be read from
    // rightly, and whose next save writes its fix-up into the wrong bytes.
    if (!HasCartridgeHeader(patched.bytes))
        return {QStringLiteral("Cannot apply %1 to the open image: the image it makes has no cartridge header "
                               "(\"NES\" and 1A at its start), so it would not be a cartridge image. The image was "
                               "left as it was.")
                    .arg(QDir::toNativeSeparators(patchPath)),
                {}};
    return {{}, std::move(patched.bytes)};
}

PatchApplied ApplyPatchedImage(EditHistory &history, std::vector<std::uint8_t> patched, const QString &patchPath)
{
    modKrelin &model = history.model();
    const QString text = QCoreApplication::translate("EditCommands", "Apply Patch %1")
                             .arg(QFileInfo(patchPath).fileName());
    return {{}, history.push(new RecordedStep(model, ChangesBetween(model.image(), patched), text))};
}

PatchApplied ApplyPatchToImage(EditHistory &history, const QString &patchPath)
{
    const PatchResult patch = ReadPatchFile(patchPath);
    if (!patch.ok())
        return {patch.error};
    PatchedImage patched = PatchOpenImage(history.model(), patch.bytes, patchPath);
    if (!patched.error.isEmpty())
        return {patched.error};
    return ApplyPatchedImage(history, std::move(patched.bytes), patchPath);
}

} // namespace krelin
