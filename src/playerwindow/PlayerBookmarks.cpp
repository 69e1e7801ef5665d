// The player's bookmarks and screenshots: the game's state kept for the stage shown in the
// editor and given back to the game, and the core's picture written as a PNG.
#include "frmPlayer.h"

#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/modKrelin.h"
#include "player/Bookmarks.h"
#include "player/PlayerSession.h"
#include "render/LevelPicture.h"
#include "widgets/Desktop.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

namespace krelin {

void frmPlayer::connectBookmarks()
{
    PlayerConnection &player = playerSession->connection();
    connect(&player, &PlayerConnection::stateSaved, this, [this](const QByteArray &state) {
        const QString path = std::exchange(savingBookmark, {});
        if (path.isEmpty())
            return;
        const QString failure = WriteBookmark(path, state);
        if (!failure.isEmpty())
            desktop.showMessage(this, windowTitle(), failure, Desktop::Icon::Warning);
        else
            say(QStringLiteral("Bookmark of stage %1 kept.").arg(savingStage));
    });
    connect(&player, &PlayerConnection::stateRestored, this, [this](bool restored, const QString &message) {
        const QString path = std::exchange(restoringBookmark, {});
        if (path.isEmpty())
            return;
        if (restored)
            say(QStringLiteral("Back at the bookmark of stage %1.").arg(restoringStage));
        else
            desktop.showMessage(this, windowTitle(),
                                QStringLiteral("The bookmark %1 was refused: %2 It is left as it is, and the game goes on.")
                                    .arg(QDir::toNativeSeparators(path), message),
                                Desktop::Icon::Warning);
    });
}

const Stage *frmPlayer::stageForBookmark()
{
    const Stage *stage = model.currentStage();
    if (!stage || model.RomFileName.isEmpty()) {
        say(QStringLiteral("A bookmark belongs to the stage shown in the editor: choose a stage there first."), 10000);
        return nullptr;
    }
    return stage;
}

void frmPlayer::mnuBookmark_Click()
{
    const Stage *stage = stageForBookmark();
    if (!stage || !playerSession->connection().hasStarted())
        return;
    savingBookmark = BookmarkPath(model.RomFileName, QLatin1String(stage->name));
    savingStage = QLatin1String(stage->name);
    playerSession->connection().saveState();
}

void frmPlayer::mnuRestartAtBookmark_Click()
{
    const Stage *stage = stageForBookmark();
    if (!stage || !playerSession->connection().hasStarted())
        return;
    const QStringList kept = ExistingBookmarks(model.RomFileName, QLatin1String(stage->name));
    if (kept.isEmpty()) {
        say(QStringLiteral("Stage %1 has no bookmark yet: %2 keeps one.")
                .arg(QLatin1String(stage->name), mnuBookmark->text().remove(QLatin1Char('&'))),
            10000);
        return;
    }
    const BookmarkRead bookmark = ReadBookmark(kept.first());
    if (!bookmark.error.isEmpty()) {
        desktop.showMessage(this, windowTitle(), bookmark.error + QStringLiteral(" It is left as it is."),
                            Desktop::Icon::Warning);
        return;
    }
    restoringBookmark = kept.first();
    restoringStage = QLatin1String(stage->name);
    playerSession->connection().restoreState(bookmark.state);
}

void frmPlayer::mnuDeleteBookmark_Click()
{
    const Stage *stage = stageForBookmark();
    if (!stage)
        return;
    const QString name = QLatin1String(stage->name);
    const QStringList kept = ExistingBookmarks(model.RomFileName, name);
    if (kept.isEmpty()) {
        say(QStringLiteral("Stage %1 has no bookmark to delete.").arg(name), 10000);
        return;
    }
    QStringList shown;
    for (const QString &path : kept)
        shown << QDir::toNativeSeparators(path);
    if (!desktop.askYesNo(this, windowTitle(),
                          QStringLiteral("Delete the bookmark of stage %1 (%2)? Playing stage %1 then starts the game "
                                         "from power-on.")
                              .arg(name, shown.join(QStringLiteral(", ")))))
        return;
    const QString failure = DeleteBookmarks(kept);
    if (!failure.isEmpty())
        desktop.showMessage(this, windowTitle(), failure, Desktop::Icon::Warning);
    else
        say(QStringLiteral("Bookmark of stage %1 deleted.").arg(name));
}

void frmPlayer::mnuScreenshot_Click()
{
    if (picture().isNull())
        return;
    const QFileInfo image(model.RomFileName);
    const QString start = model.RomFileName.isEmpty() ? QStringLiteral("screenshot.png")
                                                      : image.dir().filePath(image.completeBaseName() + QStringLiteral(" screenshot.png"));
    // The picture as it is now, whatever the game does while the dialog is open.
    const QImage shot = picture().copy();
    const QString path =
        desktop.getSaveFileName(this, QStringLiteral("Screenshot"), start, QStringLiteral("PNG pictures (*.png)"));
    if (path.isEmpty())
        return;
    if (!model.RomFileName.isEmpty() && IsSameFile(path, model.RomFileName)) {
        desktop.showMessage(this, windowTitle(),
                            QStringLiteral("The screenshot was not written: %1 is the cartridge image itself.")
                                .arg(QDir::toNativeSeparators(path)),
                            Desktop::Icon::Warning);
        return;
    }
    const QString failure = SavePng(shot, path);
    if (!failure.isEmpty())
        desktop.showMessage(this, windowTitle(), QStringLiteral("The screenshot was not written: %1.").arg(failure),
                            Desktop::Icon::Warning);
    else
        say(QStringLiteral("Screenshot written to %1.").arg(QDir::toNativeSeparators(path)));
}

} // namespace krelin
