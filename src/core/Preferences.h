#pragma once

#include <QObject>
#include <QString>

class QSettings;
class QVariant;

namespace krelin {

// What the user chose to keep between runs besides the recent files: whether the two
// refresh notices are shown, the emulator command and the tile editor's pixel lines. Kept
// in the program's settings (~/.config/krelin/krelin.conf); without settings they last
// for the session only. Each change is written at once and announced.
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

signals:
    void tileEditorNoticeChanged(bool shown);
    void paletteQuestionChanged(bool asked);
    void pixelGridChanged(bool shown);

private:
    void store(const QString &key, const QVariant &value);

    QSettings *settings;
    bool tileNotice = true;
    bool paletteAsked = true;
    bool gridLines = true;
    QString sessionEmulatorCommand; // while there are no settings to keep it in
};

} // namespace krelin
