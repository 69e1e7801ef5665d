#pragma once

#include "Stamp.h"

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <vector>

namespace krelin {

struct Stage;

// A stamp the user keeps, under a name of their own.
struct KeptStamp
{
    QString name;
    Stamp stamp;

    bool operator==(const KeptStamp &) const = default;
};

// The stamps the user keeps between runs. A stamp is a block of metatile numbers, and a
// number means a picture only within one metatile table, so they are kept per table: one
// list for the stages 1A to 2C, one for 3 to 4B, one for 5 to 7 (named after the first
// and the last stage that read the table).
//
// They live in one JSON file ($XDG_DATA_HOME/krelin/stamps.json), written whole through a
// temporary file and a rename after every change, as the program writes every file:
//
//   {"format": "krelin-stamps", "version": 1,
//    "tables": {"1A-2C": [{"name": "Pit", "rows": ["2F 05 00", "10 10 11"]}]}}
//
// A file that is there but cannot be read (not JSON, another format, unreadable on disk)
// is left exactly as it is: problem() says why, the program starts without its stamps,
// and the stamps kept in that session are not written, so nothing of the file is lost.
// A file of which some stamps cannot be read (no name, a row that is no row of metatile
// numbers) gives the others; problem() names each one that cannot be read by its name and
// the file's line. Those stamps are written back as they were, after the table's others,
// at every change, so the stamps kept meanwhile are kept and nothing of the file is lost.
// (A table that is not a list at all leaves the file as it is, as an unreadable file does.)
class StampLibrary
{
public:
    // The largest file read: far more than anyone keeps by hand.
    static constexpr qint64 MaxFileSize = 16 << 20;

    // Reads the file at path now; an empty path keeps the stamps for the session only.
    explicit StampLibrary(const QString &path);

    // The file of the user's data folder.
    static QString defaultPath();
    // The key of the metatile table stage reads: "1A-2C", "3-4B", "5-7".
    static QString tableOf(const Stage &stage);

    const QString &path() const { return file; }
    // Why the file could not be read (a message naming it); empty when it was, or is not
    // there yet.
    const QString &problem() const { return unreadable; }
    // True while changes are not written: the file could not be read, and is left as it is.
    bool leavesFileAsItIs() const { return leaveFile; }

    const std::vector<KeptStamp> &stamps(const QString &table) const;

    // Each change writes the file (but for an unreadable one) and returns why that failed,
    // or an empty string. A change that names no stamp changes nothing.
    QString add(const QString &table, const KeptStamp &stamp);
    QString rename(const QString &table, int index, const QString &name);
    QString remove(const QString &table, int index);
    // Flips the stamp's arrangement left to right; its metatiles stay as they are.
    QString flip(const QString &table, int index);

    // The file's text for the stamps given, and the stamps a text holds (nothing, and *why
    // set, for one that is not such a file). A stamp that cannot be read is left out, and
    // named in *damaged when given: "\"Pit\" of 1A-2C, on line 5 of the file: its row 2 has 1
    // number, its row 1 has 3".
    // The entries of unreadable (by table) are written as they are, after a table's stamps;
    // fromJson gives them there when asked, and says in *wholeTableDamaged when a table
    // cannot be read at all.
    using UnreadableEntries = std::map<QString, QJsonArray>;
    static QByteArray toJson(const std::map<QString, std::vector<KeptStamp>> &tables,
                             const UnreadableEntries &unreadable = {});
    static std::optional<std::map<QString, std::vector<KeptStamp>>> fromJson(const QByteArray &text, QString *why,
                                                                             QStringList *damaged = nullptr,
                                                                             UnreadableEntries *unreadable = nullptr,
                                                                             bool *wholeTableDamaged = nullptr);

private:
    QString save() const;
    bool holds(const QString &table, int index) const;

    QString file;
    QString unreadable;
    bool leaveFile = false;
    UnreadableEntries damagedEntries; // written back as they were read
    std::map<QString, std::vector<KeptStamp>> tables;
};

// The stamp flipped left to right: each row's metatiles in the opposite order.
Stamp FlippedLeftToRight(const Stamp &stamp);

} // namespace krelin
