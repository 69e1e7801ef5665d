#include "PlayerTool.h"

#include "frmPlayer.h"
#include "core/Preferences.h"
#include "core/modKrelin.h"
#include "core/StageTable.h"
#include "player/Bookmarks.h"
#include "player/CoreLocator.h"

#include <QAction>
#include <QCoreApplication>
#include <QScreen>

namespace krelin {

PlayerTool::PlayerTool(const modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *window)
    : QObject(window)
    , model(model)
    , desktop(desktop)
    , preferences(preferences)
    , window(window)
{
    setObjectName(QStringLiteral("playerTool"));
    mnuPlay = new QAction(QStringLiteral("&Play"), this);
    mnuPlay->setObjectName(QStringLiteral("mnuPlay"));
    mnuPlay->setShortcut(QKeySequence(Qt::Key_F6));
    // Wanted straight after an edit in any window, and in the player itself.
    mnuPlay->setShortcutContext(Qt::ApplicationShortcut);
    mnuPlay->setToolTip(QStringLiteral("Play the image as it is, unsaved edits included"));
    mnuPlay->setEnabled(false);
    connect(&model, &modKrelin::imageReplaced, this, [this] { mnuPlay->setEnabled(this->model.hasImage()); });
    connect(mnuPlay, &QAction::triggered, this, &PlayerTool::mnuPlay_Click);
}

QString PlayerTool::PlayerProgram()
{
    return qEnvironmentVariable("KRELIN_PLAYER", QCoreApplication::applicationFilePath());
}

frmPlayer &PlayerTool::playerWindowMade()
{
    if (!player) {
        player = new frmPlayer(model, desktop, preferences, window);
        player->setAttribute(Qt::WA_DeleteOnClose);
        // Closed, it is on its way out: F6 makes a new one even before it is gone.
        connect(player, &frmPlayer::closed, this, [this] { player.clear(); });
        connect(player, &frmPlayer::stopped, this, [this](const QString &reason) {
            emit warning(QStringLiteral("The player stopped: %1. Every edit is kept; %2 starts a new one.")
                             .arg(reason, mnuPlay->shortcut().isEmpty()
                                              ? QStringLiteral("Tools ▸ Play")
                                              : QStringLiteral("Tools ▸ Play (%1)").arg(mnuPlay->shortcut().toString(
                                                    QKeySequence::NativeText))));
        });
        emit toolWindowMade(player);
        // Beside the main window where the screen has room.
        const QRect screen = window->screen()->availableGeometry(), frame = window->frameGeometry();
        const int width = player->sizeHint().width() + 8;
        player->move(frame.right() + 8 + width <= screen.right() ? frame.right() + 8 : std::max(screen.left(), frame.left() - width),
                     frame.top());
    }
    return *player;
}

void PlayerTool::mnuPlay_Click()
{
    if (!model.hasImage())
        return;
    if (!player || !player->isPlaying()) {
        const CoreChoice core = ChooseCore(LibretroFolders(), preferences.playerCore(), QStringLiteral("Preferences ▸ Player"));
        if (core.path.isEmpty()) {
            emit warning(core.problem);
            return;
        }
        QByteArray state;
        QString bookmark;
        if (model.currentStage() && !model.RomFileName.isEmpty()) {
            // The image's own bookmark, else one an earlier version kept by the file's name.
            const QStringList kept = ExistingBookmarks(model.RomFileName, QLatin1String(model.currentStage()->name));
            if (!kept.isEmpty()) {
                bookmark = kept.first();
                const BookmarkRead read = ReadBookmark(bookmark);
                if (!read.error.isEmpty())
                    emit warning(read.error + QStringLiteral(" The game starts from power-on; the bookmark is left as it is."));
                state = read.state;
            }
        }
        playerWindowMade().play(PlayerProgram(), core.path, state, bookmark);
    }
    // A tool window hidden along with the main window is not hidden in its own right.
    if (!player->isVisible())
        player->hide();
    player->show();
    player->raise();
    player->activateWindow();
}

void PlayerTool::closePlayer()
{
    delete player;
}

} // namespace krelin
