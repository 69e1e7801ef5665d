#pragma once

#include "CoreOptions.h"
#include "Joypad.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace krelin {

// The folders a core keeps files of its own in: its system folder (firmware, a palette
// file) and its save folder. The host makes them; a core never gets a folder of the
// user's.
struct CoreFolders
{
    QString system;
    QString save;
};

// The core's folders under the program's data folder ($XDG_DATA_HOME/krelin/core/).
CoreFolders DefaultCoreFolders();

struct CoreApi;
struct CoreCallbacks;

// A libretro core loaded into this process, and the frontend it talks to: the host answers
// the core's questions about its environment, gives it the image from memory, runs it a
// frame at a time with the buttons held, and keeps the frame's picture and sound. It saves
// and restores the core's state, and can swap the image under a running game. A core
// that cannot be used, and an image or a state it refuses, give a message that names the
// core's file and what is wrong.
//
// The core is native code of others: one that crashes takes this process with it. The
// editor never loads one into its own process.
class CoreHost
{
public:
    // Loads the core library at path and starts it (no image yet). Returns nothing, and a
    // message in *error, for a file that is missing, cannot be loaded, is not a libretro
    // core, speaks another version of the interface, or is already running in this
    // process.
    static std::unique_ptr<CoreHost> open(const QString &path, const CoreFolders &folders, QString *error);
    ~CoreHost();
    CoreHost(const CoreHost &) = delete;
    CoreHost &operator=(const CoreHost &) = delete;

    QString path() const { return corePath; }
    // The core's own name and version ("Nestopia 1.52.0").
    QString name() const;
    const CoreFolders &folders() const { return coreFolders; }

    // The core's settings. Values chosen before loadImage() are the ones it starts with;
    // later ones reach it at its next frame.
    CoreOptions &options() { return coreOptions; }

    // Gives the core an image of a cartridge, from memory: the host keeps its own copy
    // while the core holds it. An image loaded before is taken out first. False, with a
    // message, when the core refuses it (the core's own words added when it said why).
    bool loadImage(const QByteArray &image, QString *error);
    void unloadImage();
    bool hasImage() const { return loaded; }
    const QByteArray &image() const { return loadedImage; }

    // Swaps the image under the running game and keeps the game's state: the state is
    // saved, the new image loaded and the state restored. A state the core refuses with the
    // new image starts the game afresh (Restarted, *message says why).
    enum class Reload { StateKept, Restarted, Failed };
    Reload reloadImage(const QByteArray &image, QString *message);

    // Presses the power-on button again.
    void reset();

    // Controller 1's buttons, held from the next frame on until changed.
    void setButtons(JoypadButtons buttons) { held = buttons; }
    JoypadButtons buttons() const { return held; }

    // Runs one frame of the game. Needs an image.
    void runFrame();

    // The picture of the last frame (RGB32), or a null image before the first.
    const QImage &picture() const { return lastPicture; }
    // The sound of the last frame: 16-bit stereo samples, left and right in turn.
    const std::vector<std::int16_t> &audio() const { return frameAudio; }
    double framesPerSecond() const { return fps; }
    double sampleRate() const { return audioRate; }

    // The game's state as the core saves it, or nothing (with a message).
    std::optional<QByteArray> saveState(QString *error);
    // Puts the game back into a state saved before. False, with a message, when the core
    // refuses it; the game then goes on as it was.
    bool restoreState(const QByteArray &state, QString *error);

    // What the core said (its log and its messages), the latest last, at most a hundred lines.
    QStringList log() const;

private:
    friend struct CoreCallbacks;
    CoreHost() = default;

    bool start(const QString &path, const CoreFolders &folders, QString *error);
    QString problem(const QString &what) const;
    QString refusal(const QString &what) const;
    void note(const QString &line, bool warning);
    void takePicture(const void *data, unsigned width, unsigned height, std::size_t pitch);

    QString corePath;
    QByteArray corePathText, systemFolderText, saveFolderText, imagePathText;
    void *library = nullptr;
    std::unique_ptr<CoreApi> api;
    bool initialised = false;
    QString libraryName, libraryVersion;
    bool needsFile = false;
    CoreFolders coreFolders;
    CoreOptions coreOptions;

    bool loaded = false;
    QByteArray loadedImage;
    int pixelFormat = 0; // as libretro numbers them: 0RGB1555 until the core asks for another
    double fps = 60.0;
    double audioRate = 44100.0;
    JoypadButtons held = 0;
    QImage lastPicture;
    std::vector<std::int16_t> frameAudio;
    std::deque<QString> said;
    QString lastError; // the last error the core logged
};

} // namespace krelin
