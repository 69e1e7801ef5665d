#include "ConsoleColorsCommand.h"

#include "Command.h"
#include "core/Preferences.h"
#include "core/modKrelin.h"

namespace krelin {

ConsoleColorsCommand::ConsoleColorsCommand(modKrelin &model, Preferences &preferences, QObject *parent)
    : QObject(parent)
    , model(model)
    , preferences(preferences)
{
    setObjectName(QStringLiteral("consoleColorsCommand"));
    mnuConsoleColours = NewCommand(this, "mnuConsoleColours", QStringLiteral("Console Co&lours"));
    mnuConsoleColours->setCheckable(true);
    mnuConsoleColours->setToolTip(
        QStringLiteral("Colour 0 of every sub-palette in the backdrop's colour, as the console shows it"));
    mnuConsoleColours->setChecked(preferences.consoleColors());
    model.setConsoleColors(preferences.consoleColors());
    connect(mnuConsoleColours, &QAction::toggled, this, [this](bool on) {
        this->preferences.setConsoleColors(on);
        this->model.setConsoleColors(on);
    });
    connect(&preferences, &Preferences::consoleColorsChanged, mnuConsoleColours, &QAction::setChecked);
}

} // namespace krelin
