#include "EmulatorRun.h"

#include "RomFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <unistd.h>

namespace krelin {

namespace {

const QString Placeholder = QStringLiteral("%f");
const QString RunFolderPrefix = QStringLiteral("krelin-run-");
// Held in each run folder while its program runs: a folder whose lock is no one's was
// left by a program that ended without removing it.
const QString OwnerLock = QStringLiteral("owner.lock");

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

QString SingleQuoteProblem(const QString &command)
{
    // Quoting as a shell has it, which the split takes as ordinary characters: a single
    // quote that opens a word and one that closes the same or a later word. Others (an
    // apostrophe in a name, quotes inside double quotes) are the text's own.
    static const QRegularExpression doubleQuoted(QStringLiteral("\"[^\"]*\"?"));
    static const QRegularExpression grouping(QStringLiteral("(^|[ \\t])'[^'\"]*'($|[ \\t])"));
    static const QRegularExpression singleQuoted(QStringLiteral("'([^'\"]*)'"));
    if (!QString(command).remove(doubleQuoted).contains(grouping))
        return {};
    const QString suggested = QString(command).replace(singleQuoted, QStringLiteral("\"\\1\""));
    return QStringLiteral("the command quotes with single quotes, which Krelin takes as ordinary characters; quote "
                          "with double quotes instead: %1")
        .arg(suggested);
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

EmulatorRun::~EmulatorRun()
{
    owner.reset(); // before the folder goes
}

int EmulatorRun::RemoveLeftovers()
{
    const QDir temporary(QDir::tempPath());
    int removed = 0;
    for (const QString &name : temporary.entryList({RunFolderPrefix + u'*'}, QDir::Dirs | QDir::Hidden)) {
        const QString folder = temporary.filePath(name);
        struct stat info{};
        // Only this user's own folders, not a link to somewhere else, and only those that
        // hold an owner's lock: a folder without one is a program's that has just made it.
        if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::geteuid() || !QFileInfo::exists(folder + u'/' + OwnerLock))
            continue;
        QLockFile lock(folder + u'/' + OwnerLock);
        lock.setStaleLockTime(0); // only an owner that no longer runs lets go of it
        if (!lock.tryLock(0))
            continue;
        removed += QDir(folder).removeRecursively() ? 1 : 0;
    }
    return removed;
}

QString EmulatorRun::start(const QString &command, const std::vector<std::uint8_t> &image, const QString &imageName)
{
    if (QProcess::splitCommand(command).isEmpty())
        return QStringLiteral("Cannot start the emulator: no emulator command is set. Set one in Tools > Emulator.");
    if (const QString quotes = SingleQuoteProblem(command); !quotes.isEmpty())
        return QStringLiteral("Cannot start the emulator: %1").arg(quotes);
    if (!folder) {
        folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + u'/' + RunFolderPrefix + QStringLiteral("XXXXXX"));
        if (!folder->isValid()) {
            const QString why = folder->errorString();
            folder.reset();
            return QStringLiteral("Cannot start the emulator: no temporary folder for the image could be made "
                                  "in %1: %2.")
                .arg(QDir::toNativeSeparators(QDir::tempPath()), why);
        }
        owner = std::make_unique<QLockFile>(folder->filePath(OwnerLock));
        owner->setStaleLockTime(0);
        owner->tryLock(0); // without it, the folder is merely left for the system to clear
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
