#include "StampLibrary.h"

#include "FileReader.h"
#include "FileWriter.h"
#include "StageSharing.h"
#include "StageTable.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace krelin {

namespace {

const QString Format = QStringLiteral("krelin-stamps");
constexpr int Version = 1;

// The line on which each stamp of each table begins in a stamps file's text, by table, in
// the order of the list (a file the program wrote has each stamp's "{" on a line of its
// own). Qt's JSON reader keeps no places, so the text is walked again: it was read whole
// already, so only its strings and the brackets that nest need telling apart.
using StampLines = std::map<QString, std::vector<int>>;

StampLines FindStampLines(const QByteArray &text)
{
    StampLines lines;
    // The objects and lists the walk is in, each object with the key of the value in it.
    struct Level
    {
        bool object;
        QByteArray key;
        bool atKey = true; // in an object: the next string is a key
    };
    std::vector<Level> levels;
    int line = 1;
    bool valueStarts = true; // the next character that is not blank starts a value
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n')
            ++line;
        if (c == '\n' || c == ' ' || c == '\t' || c == '\r')
            continue;
        // { "tables": { TABLE: [ a stamp, a stamp ...
        if (std::exchange(valueStarts, false) && c != ']' && levels.size() == 3 && levels[0].key == "tables"
            && levels[1].object && !levels[2].object)
            lines[QString::fromUtf8(levels[1].key)].push_back(line);
        switch (c) {
        case '"': {
            // A key's escapes are rare enough to be taken as written; a value's are skipped.
            QByteArray string;
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\')
                    ++i;
                else
                    string += text[i];
            }
            if (!levels.empty() && levels.back().object && std::exchange(levels.back().atKey, false))
                levels.back().key = string;
            break;
        }
        case '{':
        case '[':
            levels.push_back({c == '{', {}, true});
            valueStarts = c == '[';
            break;
        case '}':
        case ']':
            if (!levels.empty())
                levels.pop_back();
            break;
        case ':':
            valueStarts = true;
            break;
        case ',':
            if (!levels.empty() && levels.back().object)
                levels.back().atKey = true;
            else
                valueStarts = true;
            break;
        default:
            break;
        }
    }
    return lines;
}

} // namespace

Stamp FlippedLeftToRight(const Stamp &stamp)
{
    Stamp flipped = stamp;
    for (int row = 0; row < stamp.rows; ++row)
        for (int col = 0; col < stamp.columns; ++col)
            flipped.cells[std::size_t(stamp.columns * row + col)] = stamp.at(stamp.columns - 1 - col, row);
    return flipped;
}

QString StampLibrary::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/krelin/stamps.json");
}

QString StampLibrary::tableOf(const Stage &stage)
{
    const Stage *first = &stage, *last = &stage;
    for (const Stage *other : StagesSharingMetaTiles(stage)) {
        first = std::min(first, other);
        last = std::max(last, other);
    }
    return first == last ? QLatin1String(first->name)
                         : QLatin1String(first->name) + QLatin1Char('-') + QLatin1String(last->name);
}

StampLibrary::StampLibrary(const QString &path)
    : file(path)
{
    if (file.isEmpty())
        return;
    const FileReadResult read = ReadWholeFile(file, MaxFileSize);
    if (read.failure == ReadFailure::Missing)
        return; // no stamps kept yet
    QString why;
    QStringList damaged;
    bool wholeTable = false;
    if (!read.ok()) {
        why = read.failureText(QStringLiteral("a stamps file"), QStringLiteral("a stamps file"), MaxFileSize);
    } else if (auto kept = fromJson(QByteArray(reinterpret_cast<const char *>(read.bytes.data()), qsizetype(read.bytes.size())),
                                    &why, &damaged, &damagedEntries, &wholeTable)) {
        tables = std::move(*kept);
        if (damaged.isEmpty())
            return;
        const QString some =
            damaged.size() == 1 ? QStringLiteral("a stamp") : QStringLiteral("%1 stamps").arg(damaged.size());
        if (!wholeTable) {
            // The stamps that can be read are here; the others stay in the file as they are,
            // for the user to mend, whatever is kept meanwhile.
            unreadable = QStringLiteral("The stamps file %1 holds %2 that cannot be read: %3. The other stamps are "
                                        "here; the ones that cannot be read stay in the file as they are.")
                             .arg(QDir::toNativeSeparators(file), some, damaged.join(QStringLiteral("; ")));
            return;
        }
        leaveFile = true;
        unreadable = QStringLiteral("The stamps file %1 holds %2 that cannot be read: %3. The other stamps are here; "
                                    "the file is left as it is, and the stamps you keep now last until the program ends.")
                         .arg(QDir::toNativeSeparators(file), some, damaged.join(QStringLiteral("; ")));
        return;
    }
    leaveFile = true;
    unreadable = QStringLiteral("The stamps file %1 cannot be read: %2. It is left as it is; the stamps you keep "
                                "now last until the program ends.")
                     .arg(QDir::toNativeSeparators(file), why);
}

const std::vector<KeptStamp> &StampLibrary::stamps(const QString &table) const
{
    static const std::vector<KeptStamp> none;
    const auto it = tables.find(table);
    return it == tables.end() ? none : it->second;
}

bool StampLibrary::holds(const QString &table, int index) const
{
    return index >= 0 && index < int(stamps(table).size());
}

QString StampLibrary::add(const QString &table, const KeptStamp &stamp)
{
    if (stamp.stamp.isEmpty())
        return {};
    tables[table].push_back(stamp);
    return save();
}

QString StampLibrary::rename(const QString &table, int index, const QString &name)
{
    if (!holds(table, index))
        return {};
    tables[table][std::size_t(index)].name = name;
    return save();
}

QString StampLibrary::remove(const QString &table, int index)
{
    if (!holds(table, index))
        return {};
    auto &list = tables[table];
    list.erase(list.begin() + index);
    return save();
}

QString StampLibrary::flip(const QString &table, int index)
{
    if (!holds(table, index))
        return {};
    Stamp &stamp = tables[table][std::size_t(index)].stamp;
    stamp = FlippedLeftToRight(stamp);
    return save();
}

QString StampLibrary::save() const
{
    // An unreadable file keeps what is in it: nothing is written over it.
    if (file.isEmpty() || leaveFile)
        return {};
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return QStringLiteral("Cannot keep the stamps in %1: its folder cannot be made.").arg(QDir::toNativeSeparators(file));
    const QString why = ReplaceFileContents(file, toJson(tables, damagedEntries));
    if (why.isEmpty())
        return {};
    return QStringLiteral("Cannot keep the stamps in %1: %2.").arg(QDir::toNativeSeparators(file), why);
}

QByteArray StampLibrary::toJson(const std::map<QString, std::vector<KeptStamp>> &tables,
                                const UnreadableEntries &unreadable)
{
    QJsonObject byTable;
    for (const auto &[table, list] : tables) {
        QJsonArray stamps;
        for (const KeptStamp &kept : list) {
            QJsonArray rows;
            for (const QString &row : StampToText(kept.stamp).split(u'\n', Qt::SkipEmptyParts))
                rows.append(row);
            stamps.append(QJsonObject{{QStringLiteral("name"), kept.name}, {QStringLiteral("rows"), rows}});
        }
        byTable.insert(table, stamps);
    }
    for (const auto &[table, entries] : unreadable) {
        QJsonArray stamps = byTable.value(table).toArray();
        for (const QJsonValue &entry : entries)
            stamps.append(entry);
        byTable.insert(table, stamps);
    }
    const QJsonObject root{{QStringLiteral("format"), Format},
                           {QStringLiteral("version"), Version},
                           {QStringLiteral("tables"), byTable}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<std::map<QString, std::vector<KeptStamp>>> StampLibrary::fromJson(const QByteArray &text, QString *why,
                                                                               QStringList *damaged,
                                                                               UnreadableEntries *unreadable,
                                                                               bool *wholeTableDamaged)
{
    const auto refuse = [why](const QString &reason) -> std::optional<std::map<QString, std::vector<KeptStamp>>> {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return refuse(QStringLiteral("it is not JSON (%1 at byte %2)").arg(error.errorString()).arg(error.offset));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != Format)
        return refuse(QStringLiteral("it is not a file of stamps"));
    if (root.value(QStringLiteral("version")).toInt() != Version)
        return refuse(QStringLiteral("it is of a version this program does not read"));
    if (!root.value(QStringLiteral("tables")).isObject())
        return refuse(QStringLiteral("it has no tables of stamps"));
    // Where each table's list and each stamp begin, to name what cannot be read.
    const StampLines lines = FindStampLines(text);
    const auto lineOf = [&lines](const QString &table, qsizetype index) {
        const auto found = lines.find(table);
        return found == lines.end() || index >= qsizetype(found->second.size()) ? 0 : found->second[std::size_t(index)];
    };
    const auto onLine = [](int line) { return line > 0 ? QStringLiteral(", on line %1 of the file").arg(line) : QString(); };
    std::map<QString, std::vector<KeptStamp>> tables;
    const QJsonObject byTable = root.value(QStringLiteral("tables")).toObject();
    for (auto it = byTable.begin(); it != byTable.end(); ++it) {
        if (!it.value().isArray()) {
            if (damaged)
                *damaged << QStringLiteral("the stamps of %1 are not a list").arg(it.key());
            if (wholeTableDamaged)
                *wholeTableDamaged = true;
            continue;
        }
        std::vector<KeptStamp> &list = tables[it.key()];
        const QJsonArray entries = it.value().toArray();
        for (qsizetype i = 0; i < entries.size(); ++i) {
            const QJsonObject stamp = entries[i].toObject();
            const QJsonValue name = stamp.value(QStringLiteral("name"));
            // A stamp is named by its name where it has one, else by its place in the list.
            const QString called = name.isString()
                ? QStringLiteral("\"%1\" of %2").arg(name.toString().left(40), it.key())
                : QStringLiteral("stamp %1 of %2").arg(i + 1).arg(it.key());
            const QString where = called + onLine(lineOf(it.key(), i));
            if (!entries[i].isObject() || !name.isString() || !stamp.value(QStringLiteral("rows")).isArray()) {
                if (damaged)
                    *damaged << where + QStringLiteral(": it has no name or no rows");
                if (unreadable)
                    (*unreadable)[it.key()].append(entries[i]);
                continue;
            }
            QStringList rows;
            for (const QJsonValue &row : stamp.value(QStringLiteral("rows")).toArray())
                rows << row.toString();
            QString reason;
            const std::optional<Stamp> cells = StampFromText(rows.join(u'\n'), &reason, QStringLiteral("its row"));
            if (!cells) {
                if (damaged)
                    *damaged << where + QStringLiteral(": ") + reason;
                if (unreadable)
                    (*unreadable)[it.key()].append(entries[i]);
                continue;
            }
            list.push_back({name.toString(), *cells});
        }
    }
    return tables;
}

} // namespace krelin
