#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSettings;
class QVariant;

namespace krelin {

// What the user chose to keep between runs besides the recent files and the keys: whether
// the two refresh notices are shown, the emulator command, the command that starts Tiled
// and whether its saves are asked about, the tile editor's pixel lines, Console Colours,
// how many backups each file keeps and how the player plays. Kept in the program's settings
// (~/.config/krelin/krelin.conf); without settings they last for the session only. Each
// change is written at once and announced. A kept value that cannot be read is taken as
// its default, and its key is listed in unreadable().
class Preferences : public QObject
{
    Q_OBJECT

public:
    explicit Preferences(QSettings *settings = nullptr, QObject *parent = nullptr);

    // "Editor Must Refresh!" on leaving the tile editor, and the main window's wait until
    // then. Off: the main window shows every change at once.
    bool tileEditorNotice() const { return tileNotice; }
    void setTileEditorNotice(bool shown);

    // "Do You Wish To Refresh The Editor?" after a palette colour. Off: every colour is
    // shown at once, as Yes does.
    bool paletteQuestion() const { return paletteAsked; }
    void setPaletteQuestion(bool asked);

    // The command that runs the emulator; "%f" stands for the image. Read afresh from the
    // settings, which another copy of the program may have changed.
    QString emulatorCommand() const;
    void setEmulatorCommand(const QString &command);

    // The command that starts the map editor Tiled on a stage's map; "%f" stands for the
    // map. "tiled %f" until the user sets another, and again when the user empties it.
    QString tiledCommand() const;
    void setTiledCommand(const QString &command);

    // Whether each save of a stage's map in Tiled is shown and asked about before it is
    // taken in. Off: it is taken in at once.
    bool tiledSaveQuestion() const { return tiledAsked; }
    void setTiledSaveQuestion(bool asked);

    // The lines between the pixels of the tile editor's grid.
    bool pixelGrid() const { return gridLines; }
    void setPixelGrid(bool shown);

    // View > Console Colours: colour 0 of every sub-palette shown as the console shows it.
    bool consoleColors() const { return console; }
    void setConsoleColors(bool on);

    // How many old versions of each file the backups keep, 0 (none) to MaxBackupsKept.
    static constexpr int MaxBackupsKept = 99;
    int backupsKept() const { return kept; }
    void setBackupsKept(int count);

    // The player: the libretro core file chosen (empty: the one found), the picture's
    // scale (1 to 4), whether it fills the screen, whether the game's sound is muted.
    QString playerCore() const { return core; }
    void setPlayerCore(const QString &path);
    static constexpr int MinPlayerScale = 1, MaxPlayerScale = 4;
    int playerScale() const { return scale; }
    void setPlayerScale(int scale);
    bool playerFullScreen() const { return fullScreen; }
    void setPlayerFullScreen(bool on);
    bool playerMuted() const { return muted; }
    void setPlayerMuted(bool on);
    // The stage map's zoom in per cent (25 to 400; 100 shows the console's own size) and
    // whether it draws a line between frames.
    static constexpr int MinStageMapZoom = 25;
    static constexpr int MaxStageMapZoom = 400;
    int stageMapZoom() const { return zoom; }
    void setStageMapZoom(int percent);
    bool frameLines() const { return linesBetweenFrames; }
    void setFrameLines(bool shown);

    // The keys whose kept values could not be read when the preferences were made.
    const QStringList &unreadable() const { return unreadableKeys; }

signals:
    void frameLinesChanged(bool shown);
    void tileEditorNoticeChanged(bool shown);
    void paletteQuestionChanged(bool asked);
    void pixelGridChanged(bool shown);
    void consoleColorsChanged(bool on);

private:
    void store(const QString &key, const QVariant &value);
    bool readBool(const QString &key, bool fallback);


    QSettings *settings;
    bool tileNotice = true;
    bool paletteAsked = true;
    bool gridLines = true;
    bool console = false;
    bool tiledAsked = true;
    int kept;
    QString core;
    int scale = 2;
    bool fullScreen = false;
    bool muted = false;
    int zoom = 100;
    bool linesBetweenFrames = true;
    QStringList unreadableKeys;
    QString sessionEmulatorCommand; // while there are no settings to keep it in
    QString sessionTiledCommand;
};

// What to tell the user, once, when the settings could not all be read: the file as a whole
// (a SettingsFile's problem(), or for other settings an unreadable file or one not in a
// form the program reads) and the values of keys. Empty when all was read.
QString UnreadableSettingsText(const QSettings &settings, const QStringList &keys);

} // namespace krelin
