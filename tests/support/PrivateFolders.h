#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <utility>

// Folders of its own for a program that is not the user's session (a test program, the
// benchmarks): HOME, the XDG folders (settings, data, state, cache, runtime) and TMPDIR
// (where the emulator's runs and the maps edited in Tiled go, and what a start clears of
// ended programs) point into one temporary folder while the object lives, and it is removed with everything in it at
// the end. Windows opened there keep journals, settings, backups and locks as the editor
// does; none of it reaches the user's folders, nor another program's running at the same
// time. The programs it starts inherit the folders; one of them that has a PrivateFolders
// too (a test program started again as a child) uses them and makes none of its own.
namespace krelin::testing {

class PrivateFolders
{
public:
    explicit PrivateFolders(const char *prefix)
    {
        const QByteArray inherited = qgetenv(Marker);
        if (!inherited.isEmpty() && QDir(QFile::decodeName(inherited)).exists())
            return;
        QTemporaryDir made(QDir::temp().filePath(QLatin1String(prefix) + QStringLiteral("-XXXXXX")));
        if (!made.isValid())
            return;
        made.setAutoRemove(false);
        root = made.path();
        const std::pair<const char *, const char *> folders[] = {
            {"HOME", "home"},           {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
            {"XDG_STATE_HOME", "state"}, {"XDG_CACHE_HOME", "cache"},  {"XDG_RUNTIME_DIR", "runtime"},
            {"TMPDIR", "tmp"},
        };
        for (const auto &[variable, name] : folders) {
            const QString path = root + u'/' + QLatin1String(name);
            QDir().mkpath(path);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(variable, QFile::encodeName(path));
        }
        qputenv(Marker, QFile::encodeName(root));
    }

    ~PrivateFolders()
    {
        if (!root.isEmpty())
            QDir(root).removeRecursively();
    }

    PrivateFolders(const PrivateFolders &) = delete;
    PrivateFolders &operator=(const PrivateFolders &) = delete;

    // Names the folders, for the programs a PrivateFolders starts.
    static constexpr const char *Marker = "KRELIN_PRIVATE_FOLDERS";

private:
    QString root; // empty when the folders are another's
};

} // namespace krelin::testing
