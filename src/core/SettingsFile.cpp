#include "SettingsFile.h"

#include "FileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace krelin {

namespace {

// A name that no file can ever have (its folder is a device), for settings kept in memory:
// the settings there find nothing to read, and every write is refused before anything is
// made on the disk, so the values set stay in memory.
const QString NowhereFile = QStringLiteral("/dev/null/krelin.conf");

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(mode))
        return QStringLiteral("a named pipe");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a device");
}

// True when line goes on in the next: it ends in a backslash that is not itself escaped
// by one before it.
bool endsInOneBackslash(const QByteArray &line)
{
    qsizetype count = 0;
    while (count < line.size() && line[line.size() - 1 - count] == '\\')
        ++count;
    return count % 2 == 1;
}

// The first line of text the settings reader would take otherwise than it reads, or
// misread silently: a section name without its "]", a line without "=", a quote left
// open (which would swallow every line after it). A line ending in a backslash (not an
// escaped one) goes on in the next, and ";" outside quotes starts a comment, as the
// reader has it.
QString lineProblem(const QByteArray &text)
{
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const qsizetype number = i + 1;
        QByteArray line = lines[i].trimmed();
        while (endsInOneBackslash(line) && i + 1 < lines.size()) {
            line.chop(1);
            line += lines[++i].trimmed();
        }
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[')) {
            if (!line.contains(']'))
                return QStringLiteral("line %1 opens a section name with [ but does not close it with ]").arg(number);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals < 0)
            return QStringLiteral("line %1 is not of the form name=value").arg(number);
        bool quoted = false;
        for (qsizetype at = equals + 1; at < line.size(); ++at) {
            const char c = line[at];
            if (c == '\\')
                ++at;
            else if (c == '"')
                quoted = !quoted;
            else if (c == ';' && !quoted)
                break;
        }
        if (quoted)
            return QStringLiteral("line %1 opens a quote (\") that it does not close").arg(number);
    }
    return {};
}

} // namespace

QString SettingsFile::userPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/krelin/krelin.conf");
}

SettingsFile::Check SettingsFile::check(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray name = QFile::encodeName(path);
    struct stat info{};
    // Looked at before anything opens it: opening a named pipe would wait for a writer.
    if (::stat(name.constData(), &info) != 0)
        return {}; // none yet: the first change makes it
    if (!S_ISREG(info.st_mode))
        return {QStringLiteral("The settings file %1 is %2, not an ordinary file, so Krelin does not use it.")
                    .arg(shown, kindOf(info.st_mode))};
    if (info.st_size > MostBytes)
        return {QStringLiteral("The settings file %1 is larger than %2 MiB, too large to be Krelin's settings.")
                    .arg(shown)
                    .arg(MostBytes >> 20)};
    // O_NONBLOCK: should a named pipe take the file's place meanwhile, it is not waited on.
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return {QStringLiteral("The settings file %1 cannot be read: %2.")
                    .arg(shown, errno == EACCES ? QStringLiteral("permission denied")
                                                : QString::fromLocal8Bit(std::strerror(errno)))};
    QFile file;
    QByteArray text;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        text = file.read(MostBytes + 1);
    if (const QString where = lineProblem(text); !where.isEmpty())
        return {QStringLiteral("The settings file %1 cannot be read whole: %2.").arg(shown, where), true};
    if (QSettings(path, QSettings::IniFormat).status() == QSettings::FormatError)
        return {QStringLiteral("The settings file %1 is not in a form Krelin can read.").arg(shown), true};
    return {};
}

SettingsFile::SettingsFile(const QString &path)
    : SettingsFile(path, check(path))
{
}

SettingsFile::SettingsFile(const QString &path, const Check &checked)
    : QSettings(checked.problem.isEmpty() ? path : NowhereFile, QSettings::IniFormat)
    , filePath(path)
{
    if (checked.problem.isEmpty())
        return;
    trouble = checked.problem
        + (checked.readable ? QStringLiteral(" What could be read of it is used;")
                            : QStringLiteral(" Krelin starts from its defaults;"))
        + QStringLiteral(" what changes now lasts until Krelin ends, and the file is left as it is.");
    if (!checked.readable)
        return;
    const QSettings readable(path, QSettings::IniFormat);
    for (const QString &key : readable.allKeys())
        setValue(key, readable.value(key));
}

void SaveSettings(QSettings &settings)
{
    settings.sync();
    // Settings that are not written (an unreadable file's, kept in memory) have no folder
    // of theirs to flush.
    if (settings.status() == QSettings::NoError && settings.format() == QSettings::IniFormat
        && settings.fileName() != NowhereFile)
        FlushFolder(QFile::encodeName(QFileInfo(settings.fileName()).absolutePath()));
}

} // namespace krelin
