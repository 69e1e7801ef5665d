#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QTemporaryDir;

namespace krelin {

// The words of an emulator command with "%f" in each replaced by path. The command is
// split as a shell would split it (quotes group words), and the path goes in after the
// split, so a path with spaces stays one word. A command without "%f" gets the path as
// its last word.
QStringList EmulatorArguments(const QString &command, const QString &path);

// A command line as its words would be typed: a word with spaces or quotes is quoted so
// that EmulatorArguments() splits it back into the same word.
QString JoinCommand(const QStringList &words);

// Test runs of the open image in an emulator. Each run writes the image it is given to a
// file in a folder of its own under the system's temporary folder, never to the user's
// file, and starts the emulator on it without waiting for it. The folder and what is in
// it go when this object does, that is when the program ends.
class EmulatorRun
{
public:
    EmulatorRun();
    ~EmulatorRun();

    // Writes image as imageName (its folder part ignored; ".nes" added to a name without
    // an extension) in the run folder and starts command on it. Returns an empty string when the emulator started, otherwise a
    // message saying what could not be done and why.
    QString start(const QString &command, const std::vector<std::uint8_t> &image, const QString &imageName);

    // The file the last run wrote; empty before the first.
    QString imagePath() const { return lastImage; }

private:
    std::unique_ptr<QTemporaryDir> folder;
    QString lastImage;
};

} // namespace krelin
