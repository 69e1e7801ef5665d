#include "EmulatorRun.h"

#include "RomFile.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace krelin {

namespace {

const QString Placeholder = QStringLiteral("%f");

} // namespace

QStringList EmulatorArguments(const QString &command, const QString &path)
{
    QStringList words = QProcess::splitCommand(command);
    bool placed = false;
    for (QString &word : words) {
        if (word.contains(Placeholder)) {
            word.replace(Placeholder, path);
            placed = true;
        }
    }
    if (!words.isEmpty() && !placed)
        words << path;
    return words;
}

QString JoinCommand(const QStringList &words)
{
    QStringList quoted;
    for (const QString &word : words) {
        if (!word.isEmpty() && !word.contains(u' ') && !word.contains(u'\t') && !word.contains(u'"'))
            quoted << word;
        else // inside quotes, three quotes stand for one
            quoted << u'"' + QString(word).replace(QStringLiteral("\""), QStringLiteral("\"\"\"")) + u'"';
    }
    return quoted.join(u' ');
}

EmulatorRun::EmulatorRun() = default;
EmulatorRun::~EmulatorRun() = default;

QString EmulatorRun::start(const QString &command, const std::vector<std::uint8_t> &image, const QString &imageName)
{
    if (QProcess::splitCommand(command).isEmpty())
        return QStringLiteral("Cannot start the emulator: no emulator command is set. Set one in Tools > Emulator.");
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/krelin-run-XXXXXX"));
        if (!folder->isValid()) {
            const QString why = folder->errorString();
            folder.reset();
            return QStringLiteral("Cannot start the emulator: no temporary folder for the image could be made "
                                  "in %1: %2.")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), why);
        }
    }
    // Emulators tell a cartridge image by its extension.
    QString name = QFileInfo(imageName).fileName();
    if (name.isEmpty())
        name = QStringLiteral("image");
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".nes");
    const QString path = folder->filePath(name);
    const QString written = WriteRomFile(path, image);
    if (!written.isEmpty())
        return QStringLiteral("Cannot start the emulator: %1").arg(written);
    lastImage = path;

    QStringList words = EmulatorArguments(command, path);
    QProcess process;
    process.setProgram(words.takeFirst());
    process.setArguments(words);
    if (!process.startDetached())
        return QStringLiteral("Cannot start the emulator \"%1\": %2.").arg(process.program(), process.errorString());
    return {};
}

} // namespace krelin
