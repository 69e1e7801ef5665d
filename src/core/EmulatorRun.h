#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

class QLockFile;
class QTemporaryDir;

namespace krelin {

// The words of an emulator command with "%f" in each replaced by path. The command is
// split at spaces and tabs; double quotes group words ("/opt/my emu/emu"), and inside
// them three double quotes stand for one. Single quotes and backslashes are ordinary
// characters. The path goes in after the split, so a path with spaces stays one word. A command without "%f" gets the path as
// its last word.
QStringList EmulatorArguments(const QString &command, const QString &path);

// Why command would not run as its writer meant: single quotes that group words as a
// shell would ('/opt/emu dir/emu' %f), which the split takes as they are, with the
// command as it should be written; empty when there are none. A single quote within a
// word (/home/o'neill/emu) is an ordinary character and no problem.
QString SingleQuoteProblem(const QString &command);

// A command line as its words would be typed: a word with spaces or quotes is quoted so
// that EmulatorArguments() splits it back into the same word.
QString JoinCommand(const QStringList &words);

// Test runs of the open image in an emulator. Each run writes the image it is given to a
// file in a folder of its own under the system's temporary folder, never to the user's
// file, and starts the emulator on it without waiting for it. The folder and what is in
// it go when this object does, that is when the program ends; a program killed leaves
// them, and the next program's RemoveLeftovers() removes them.
class EmulatorRun
{
public:
    EmulatorRun();
    ~EmulatorRun();

    // Removes the run folders that programs of this user's, no longer running, left in
    // the system's temporary folder. Returns how many.
    static int RemoveLeftovers();

    // Writes image as imageName (its folder part ignored; ".nes" added to a name without
    // an extension) in the run folder and starts command on it. Returns an empty string when the emulator started, otherwise a
    // message saying what could not be done and why.
    QString start(const QString &command, const std::vector<std::uint8_t> &image, const QString &imageName);

    // The file the last run wrote; empty before the first.
    QString imagePath() const { return lastImage; }

private:
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<QLockFile> owner; // in the folder, while it is this program's
    QString lastImage;
};

} // namespace krelin
