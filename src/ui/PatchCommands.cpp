// The main window's patches: File > Create Patch records how the open image differs from
// a clean one, File > Apply Patch shows what a patch would change and applies it to the
// open image as one step of the edit history.
#include "PatchCommands.h"

#include "FileSession.h"
#include "PatchPreviewDialog.h"
#include "core/DiffReport.h"
#include "core/ImageDiff.h"
#include "core/PatchInfo.h"
#include "core/Patch.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/SettingsFile.h"
#include "core/Version.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/PatchEdits.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace krelin {

namespace {

const QString RomFilter = QStringLiteral("NES Rom Files (*.NES *.nes)");
const QString IpsFilter = QStringLiteral("IPS Patch (*.ips)");
const QString BpsFilter = QStringLiteral("BPS Patch (*.bps)");
const QString PatchFilter = QStringLiteral("IPS or BPS Patches (*.ips *.bps *.IPS *.BPS);;All Files (*)");

// The name the last patch was signed with, offered for the next.
const QString AuthorKey = QStringLiteral("patches/author");

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

PatchCommands::PatchCommands(modKrelin &model, EditHistory &history, Desktop &desktop, const FileSession &files,
                             QSettings *settings, QWidget *window)
    : QObject(window)
    , model(model)
    , history(history)
    , desktop(desktop)
    , files(files)
    , settings(settings)
    , window(window)
{
    if (settings)
        lastAuthor = settings->value(AuthorKey).toString();
    setObjectName(QStringLiteral("patchCommands"));
    mnuCreatePatch = new QAction(QStringLiteral("&Create Patch…"), this);
    mnuCreatePatch->setObjectName(QStringLiteral("mnuCreatePatch"));
    mnuApplyPatch = new QAction(QStringLiteral("A&pply Patch…"), this);
    mnuApplyPatch->setObjectName(QStringLiteral("mnuApplyPatch"));
    for (QAction *action : {mnuCreatePatch, mnuApplyPatch})
        action->setEnabled(false);
    connect(&model, &modKrelin::imageReplaced, this, [this] {
        for (QAction *action : {mnuCreatePatch, mnuApplyPatch})
            action->setEnabled(this->model.hasImage());
    });
    connect(mnuCreatePatch, &QAction::triggered, this, &PatchCommands::mnuCreatePatch_Click);
    connect(mnuApplyPatch, &QAction::triggered, this, &PatchCommands::mnuApplyPatch_Click);
}

bool PatchCommands::mnuCreatePatch_Click()
{
    if (!model.hasImage())
        return false;
    const QString originalPath =
        desktop.getOpenFileName(window, QStringLiteral("Create Patch: Original Image"), files.dialogStart(), RomFilter);
    if (originalPath.isEmpty())
        return false;
    const RomReadResult original = ReadRomFile(originalPath);
    if (!original.ok()) {
        emit warning(original.error);
        return false;
    }
    // What a save would write, without saving: the image in memory and its unsaved state
    // stay as they are.
    const std::vector<std::uint8_t> modified = ImageAsSaved(model.image());
    if (modified == original.bytes) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("The open image is the same as %1: a patch would change nothing, so "
                                           "none was written.")
                                .arg(shown(originalPath)),
                            Desktop::Icon::Information);
        return false;
    }

    const QFileInfo rom(model.RomFileName);
    QString filter = IpsFilter;
    QString path = desktop.getSaveFileNameAndFilter(window, QStringLiteral("Create Patch"),
                                           rom.dir().filePath(rom.completeBaseName() + QStringLiteral(".ips")),
                                           IpsFilter + QStringLiteral(";;") + BpsFilter, &filter);
    if (path.isEmpty())
        return false;
    // The filter chooses the format of a name typed without .ips or .bps; the dialog
    // asked about replacing the name as typed, so ask again about the one written.
    if (!PatchFormatForPath(path)) {
        path += filter == BpsFilter ? QStringLiteral(".bps") : QStringLiteral(".ips");
        if (QFileInfo::exists(path)
            && !desktop.askYesNo(window, ProgramCaption(),
                                 QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(shown(path))))
            return false;
    }
    for (const QString &input : {originalPath, model.RomFileName}) {
        if (IsSameFile(path, input)) {
            emit warning(QStringLiteral("Will not write the patch %1: it is the same file as the image %2.")
                     .arg(shown(path), shown(input)));
            return false;
        }
    }
    // BPS keeps a description and an author in its metadata; IPS has nowhere to keep them,
    // so they are not asked for.
    PatchDescription described;
    if (PatchFormatForPath(path) == PatchFormat::Bps) {
        const auto description = desktop.askText(window, QStringLiteral("Create Patch"),
                                                 QStringLiteral("Description (one line, may be left empty):"), {});
        if (!description)
            return false;
        const auto author = desktop.askText(window, QStringLiteral("Create Patch"),
                                            QStringLiteral("Author (may be left empty):"), lastAuthor);
        if (!author)
            return false;
        described = {description->trimmed(), author->trimmed()};
        lastAuthor = described.author;
        if (settings) {
            settings->setValue(AuthorKey, lastAuthor);
            SaveSettings(*settings);
        }
    }
    const QString error = WriteDescribedPatchFile(path, original.bytes, modified, described);
    if (!error.isEmpty()) {
        emit warning(error);
        return false;
    }
    emit statusMessage(QStringLiteral("Patch written to %1").arg(shown(path)));
    return true;
}

bool PatchCommands::mnuApplyPatch_Click()
{
    if (!model.hasImage())
        return false;
    const QString path = desktop.getOpenFileName(window, QStringLiteral("Apply Patch"),
                                                 files.dialogFolder(), PatchFilter);
    if (path.isEmpty())
        return false;
    const PatchResult patch = ReadPatchFile(path);
    if (!patch.ok()) {
        emit warning(patch.error);
        return false;
    }
    // What the patch would change is worked out on a copy; the image stays as it is until
    // the user says Apply.
    const PatchedImage patched = PatchOpenImage(model, patch.bytes, path);
    if (!patched.error.isEmpty()) {
        emit warning(patched.error);
        return false;
    }
    const QStringList summary = patched.bytes == model.image()
        ? QStringList()
        : DiffSummary(ImageDiff(model.image(), patched.bytes), QStringLiteral("the open image"),
                      QStringLiteral("the patched image"));
    QString description, author;
    if (const PatchInfo info = ReadPatchInfo(patch.bytes); info.ok() && info.format == PatchFormat::Bps) {
        description = info.metadata.description();
        author = info.metadata.author();
        // Another program's metadata is shown as it is, as one line.
        if (info.metadata.fields.isEmpty())
            description = info.metadata.text.simplified();
    }
    auto *preview = new PatchPreviewDialog(QFileInfo(path).fileName(), summary, description, author, window);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QDialog::accepted, this, [this, path, bytes = patch.bytes] {
        // Applied to the image as it is now: the same result as shown, unless a tool
        // window changed the image meanwhile.
        PatchedImage now = PatchOpenImage(model, bytes, path);
        if (!now.error.isEmpty()) {
            emit warning(now.error);
            return;
        }
        if (ApplyPatchedImage(history, std::move(now.bytes), path).changed)
            emit statusMessage(QStringLiteral("Patch %1 applied").arg(QFileInfo(path).fileName()));
    });
    // Modal to the window, without blocking: the answer arrives through accepted().
    preview->open();
    return true;
}

} // namespace krelin
