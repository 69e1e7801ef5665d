#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QSettings;
class QVariant;

namespace krelin {

// What the user chose to keep between runs besides the recent files and the keys: whether
// the two refresh notices are shown, the emulator command, the tile editor's pixel lines
// and how many backups each file keeps. Kept in the program's settings
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

    // The lines between the pixels of the tile editor's grid.
    bool pixelGrid() const { return gridLines; }
    void setPixelGrid(bool shown);

    // How many old versions of each file the backups keep, 0 (none) to MaxBackupsKept.
    static constexpr int MaxBackupsKept = 99;
    int backupsKept() const { return kept; }
    void setBackupsKept(int count);

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

private:
    void store(const QString &key, const QVariant &value);
    bool readBool(const QString &key, bool fallback);


    QSettings *settings;
    bool tileNotice = true;
    bool paletteAsked = true;
    bool gridLines = true;
    int kept;
    int zoom = 100;
    bool linesBetweenFrames = true;
    QStringList unreadableKeys;
    QString sessionEmulatorCommand; // while there are no settings to keep it in
};

// What to tell the user, once, when the settings could not all be read: the file as a whole
// (unreadable, or not in a form the program reads) or the values of keys. Empty when all
// was read.
QString UnreadableSettingsText(const QSettings &settings, const QStringList &keys);

} // namespace krelin
