#pragma once

#include "player/Joypad.h"

#include <QString>

#include <optional>
#include <vector>

namespace krelin {

// The player without a window, for scripts and a hack's CI:
//   krelin --play IMAGE --frames N [--press FROM-TO:BUTTONS ...] [--state FILE] --screenshot OUT.png
// and the player process the editor (and that command) start:
//   krelin --player --socket FD

bool WantsPlayCommand(int argc, char **argv);
// Runs it and returns the exit status: 0 once the picture is written; on any error one
// line on standard error, status 1 and no file written.
int RunPlayCommand(int argc, char **argv);

bool WantsPlayerProcess(int argc, char **argv);
int RunPlayerProcessCommand(int argc, char **argv);

// Buttons held from frame `from` through frame `to` (frames count from 0).
struct ButtonPress
{
    qint64 from = 0;
    qint64 to = 0;
    JoypadButtons buttons = 0;
};

// "120-127:right+a" (or "120:start" for one frame): the buttons are right, left, up, down,
// a, b, start and select, in any case. Nothing, with *error saying what is wrong.
std::optional<ButtonPress> ParsePress(const QString &text, QString *error);

struct PlayRequest
{
    QString imagePath;
    qint64 frames = 0;
    std::vector<ButtonPress> presses;
    QString statePath; // empty: from power-on
    QString screenshotPath;
};

inline constexpr qint64 MaxPlayFrames = 10'000'000;

// Runs the image in the player process (program --player) for the frames asked, with the
// buttons pressed, and writes the core's picture as a PNG. An empty string on success,
// else a one-line message; nothing is written then. The core is KRELIN_CORE's or the NES
// core found; its colours are Krelin.d_p's in programFolder (with a warning on
// paletteWarning when that cannot be read).
QString Play(const PlayRequest &request, const QString &program, const QString &programFolder,
             QString *paletteWarning = nullptr);

} // namespace krelin
