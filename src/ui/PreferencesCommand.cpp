#include "PreferencesCommand.h"

#include "PreferencesDialog.h"

#include <QAction>

namespace krelin {

PreferencesCommand::PreferencesCommand(Preferences &preferences, KeyboardShortcuts &shortcuts, Desktop &desktop,
                                       QWidget *window)
    : QObject(window)
    , preferences(preferences)
    , shortcuts(shortcuts)
    , desktop(desktop)
    , window(window)
{
    setObjectName(QStringLiteral("preferencesCommand"));
    mnuPreferences = new QAction(QStringLiteral("Pre&ferences…"), this);
    mnuPreferences->setObjectName(QStringLiteral("mnuPreferences"));
    mnuPreferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    mnuPreferences->setShortcutContext(Qt::ApplicationShortcut);
    connect(mnuPreferences, &QAction::triggered, this, &PreferencesCommand::mnuPreferences_Click);
}

void PreferencesCommand::mnuPreferences_Click()
{
    // A dialog just closed is on its way out: a new one starts from the preferences.
    if (dialog && dialog->isVisible()) {
        dialog->raise();
        dialog->activateWindow();
        return;
    }
    dialog = new PreferencesDialog(preferences, shortcuts, desktop, window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

} // namespace krelin
