#pragma once

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class KeyboardShortcuts;
class Preferences;
class PreferencesDialog;

// Edit > Preferences (Ctrl+,, also from the tool windows): opens the Preferences dialog,
// modal to the main window without blocking it; asked again while it is open, brings it
// forward.
class PreferencesCommand : public QObject
{
    Q_OBJECT

public:
    PreferencesCommand(Preferences &preferences, KeyboardShortcuts &shortcuts, Desktop &desktop, QWidget *window);

    QAction *mnuPreferences;
    void mnuPreferences_Click();

private:
    Preferences &preferences;
    KeyboardShortcuts &shortcuts;
    Desktop &desktop;
    QWidget *window;
    QPointer<PreferencesDialog> dialog; // open while it is on the screen
};

} // namespace krelin
