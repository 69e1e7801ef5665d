#pragma once

#include <QSettings>
#include <QString>

namespace krelin {

// The settings the program keeps between runs, in one file (the user's is
// ~/.config/krelin/krelin.conf). A file that can be read whole is read and written as
// usual. One that cannot be (not an ordinary file, no permission to read it, too large,
// or a line the program cannot read) is never written: what could be read of it is used,
// the changes of this run last in memory until the program ends, and problem() says so
// once, naming the file. Such a file is looked at before anything opens it, so a named
// pipe in its place never holds the start up.
class SettingsFile : public QSettings
{
    Q_OBJECT

public:
    explicit SettingsFile(const QString &path);

    // $XDG_CONFIG_HOME/krelin/krelin.conf, or ~/.config/krelin/krelin.conf.
    static QString userPath();

    // The file the settings are kept in, or were read from.
    const QString &path() const { return filePath; }
    // Why the file is left alone, as sentences naming it; empty when it is in use.
    const QString &problem() const { return trouble; }

    // The most a settings file may hold: far beyond what the program writes.
    static constexpr qint64 MostBytes = qint64(4) << 20;

private:
    struct Check
    {
        QString problem;       // empty: the file is used as it is
        bool readable = false; // what could be read of it is taken over
    };
    static Check check(const QString &path);
    SettingsFile(const QString &path, const Check &checked);

    QString filePath;
    QString trouble;
};

// Writes what changed in settings to its file, and takes the file to the disk with its
// name: QSettings writes a new file and renames it over the old one, and the rename
// survives a power cut only once the folder is flushed too. Every write of the program's
// settings goes through here.
void SaveSettings(QSettings &settings);

} // namespace krelin
