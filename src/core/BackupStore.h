#pragma once

#include <QDateTime>
#include <QString>

#include <vector>

namespace krelin {

// One kept copy of a file as it was before a save replaced it.
struct Backup
{
    QString path;         // the copy
    QString originalPath; // the file it was a copy of
    QDateTime time;       // when it was replaced
    qint64 size = 0;
};

// The old bytes of every file a save replaces, kept in a folder of the user's
// (~/.local/share/krelin/backups, or under $XDG_DATA_HOME): one folder per file, named
// after it, holding its last few versions, newest kept, oldest let go.
class BackupStore
{
public:
    static constexpr int DefaultKept = 10;

    // folder: where the backups are kept; empty for the user's data folder.
    explicit BackupStore(const QString &folder = {});

    QString folder() const { return root; }

    // Keeps a copy of the file at path as it is on disk now, then lets go of all but the
    // newest `kept` copies of it: only the copies made here (ordinary files named after
    // their moment), never anything else in the folder. A backup folder that is a link
    // (or a file) is left alone, and no copy is kept. A file that does not exist has
    // nothing to keep. Returns
    // an empty string, or what went wrong.
    QString keep(const QString &path, int kept = DefaultKept);

    // Every backup kept, newest first.
    std::vector<Backup> list() const;

private:
    QString folderFor(const QString &path) const;

    QString root;
};

} // namespace krelin
