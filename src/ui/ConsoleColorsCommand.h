#pragma once

#include <QObject>

class QAction;

namespace krelin {

class Preferences;
class modKrelin;

// View > Console Colours: shows colour 0 of every sub-palette as the console does, in the
// level map, the metatile table, its preview and the stage map. Kept in the preferences,
// off at first; the model carries it to the views.
class ConsoleColorsCommand : public QObject
{
    Q_OBJECT

public:
    ConsoleColorsCommand(modKrelin &model, Preferences &preferences, QObject *parent);

    QAction *mnuConsoleColours;

private:
    modKrelin &model;
    Preferences &preferences;
};

} // namespace krelin
