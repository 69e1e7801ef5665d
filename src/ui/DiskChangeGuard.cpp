#include "DiskChangeGuard.h"

#include "core/Version.h"
#include "widgets/Desktop.h"

#include <QFileInfo>
#include <QScopedValueRollback>

namespace krelin {

DiskChangeGuard::DiskChangeGuard(Desktop &desktop, QWidget *window)
    : desktop(desktop)
    , window(window)
{
}

void DiskChangeGuard::remember(const QString &path, std::span<const std::uint8_t> bytes)
{
    file = path;
    known = path.isEmpty() ? DiskIdentity{} : IdentityOf(path, bytes);
    asked = known;
}

DiskChangeGuard::Decision DiskChangeGuard::beforeSave()
{
    if (file.isEmpty() || !known.exists)
        return Decision::Go;
    const DiskIdentity now = CurrentIdentity(file, known);
    if (now.sameContents(known))
        return Decision::Go;
    if (!now.exists)
        return Decision::Recreate;
    return ask(now, true);
}

DiskChangeGuard::Decision DiskChangeGuard::onActivation()
{
    if (asking || file.isEmpty() || !known.exists)
        return Decision::Go;
    // Against the file as last seen, so that a file left as it was is never read again.
    const DiskIdentity now = CurrentIdentity(file, asked);
    if (now.sameContents(known)) { // touched at most: its new time saves a read next time
        known = now;
        asked = now;
        return Decision::Go;
    }
    if (now.sameContents(asked)) { // asked about already
        asked = now;
        return Decision::Go;
    }
    return ask(now, false);
}

DiskChangeGuard::Decision DiskChangeGuard::ask(const DiskIdentity &now, bool saving)
{
    const QScopedValueRollback busy(asking, true);
    asked = now;
    const QString name = QFileInfo(file).fileName().toUpper();
    if (!now.exists) {
        desktop.showMessage(window, ProgramCaption(),
                            QStringLiteral("%1 was deleted from the disk by another program. Save writes it again "
                                           "from the image here.")
                                .arg(name),
                            Desktop::Icon::Warning);
        return Decision::Go;
    }
    const QString text =
        QStringLiteral("%1 was changed on disk by another program.\n\nReload opens it as it is now: your unsaved "
                       "edits here are dropped. Overwrite saves the image here over the other program's change. "
                       "Cancel %2.")
            .arg(name, saving ? QStringLiteral("writes nothing") : QStringLiteral("leaves both as they are for now"));
    const QStringList answers{QStringLiteral("&Reload"), QStringLiteral("&Overwrite"), QStringLiteral("Cancel")};
    switch (desktop.askChoice(window, ProgramCaption(), text, answers, 2, 2)) {
    case 0: return Decision::Reload;
    case 1: return Decision::Overwrite;
    default: return Decision::Cancel;
    }
}

} // namespace krelin
