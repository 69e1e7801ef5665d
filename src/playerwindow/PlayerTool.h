#pragma once

#include "frmPlayer.h"

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;

namespace krelin {

class Desktop;
class Preferences;
class modKrelin;

// The main window's Tools > Play (F6): the player on the image as it is in memory, started
// at the bookmark of the stage shown in the editor when it has one. Without a core it
// says which package to install and where another core can be named. F6 again brings the
// running player to the front; after the player stopped, it starts a new one. The player
// window is a tool window of the main window.
class PlayerTool : public QObject
{
    Q_OBJECT

public:
    PlayerTool(const modKrelin &model, Desktop &desktop, Preferences &preferences, QWidget *window);

    QAction *mnuPlay;
    void mnuPlay_Click();

    // Ends the player, its window and its process (the program is leaving).
    void closePlayer();
    frmPlayer *playerWindow() const { return player; }

    // The program run as the player process: the one KRELIN_PLAYER names, else this one.
    static QString PlayerProgram();

signals:
    void warning(const QString &text);
    // The player window was made: its keys go on it, and it goes and comes with the main
    // window.
    void toolWindowMade(QWidget *window);

private:
    frmPlayer &playerWindowMade();

    const modKrelin &model;
    Desktop &desktop;
    Preferences &preferences;
    QWidget *window;
    QPointer<frmPlayer> player;
};

} // namespace krelin
