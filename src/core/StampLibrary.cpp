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

namespace krelin {

namespace {

const QString Format = QStringLiteral("krelin-stamps");
constexpr int Version = 1;

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
    if (!read.ok()) {
        why = read.failureText(QStringLiteral("a stamps file"), QStringLiteral("a stamps file"), MaxFileSize);
    } else if (auto kept = fromJson(QByteArray(reinterpret_cast<const char *>(read.bytes.data()), qsizetype(read.bytes.size())), &why)) {
        tables = std::move(*kept);
        return;
    }
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
    if (file.isEmpty() || !unreadable.isEmpty())
        return {};
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return QStringLiteral("Cannot keep the stamps in %1: its folder cannot be made.").arg(QDir::toNativeSeparators(file));
    const QString why = ReplaceFileContents(file, toJson(tables));
    if (why.isEmpty())
        return {};
    return QStringLiteral("Cannot keep the stamps in %1: %2.").arg(QDir::toNativeSeparators(file), why);
}

QByteArray StampLibrary::toJson(const std::map<QString, std::vector<KeptStamp>> &tables)
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
    const QJsonObject root{{QStringLiteral("format"), Format},
                           {QStringLiteral("version"), Version},
                           {QStringLiteral("tables"), byTable}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

std::optional<std::map<QString, std::vector<KeptStamp>>> StampLibrary::fromJson(const QByteArray &text, QString *why)
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
    std::map<QString, std::vector<KeptStamp>> tables;
    const QJsonObject byTable = root.value(QStringLiteral("tables")).toObject();
    for (auto it = byTable.begin(); it != byTable.end(); ++it) {
        if (!it.value().isArray())
            return refuse(QStringLiteral("the stamps of %1 are not a list").arg(it.key()));
        std::vector<KeptStamp> &list = tables[it.key()];
        for (const QJsonValue &entry : it.value().toArray()) {
            const QJsonObject stamp = entry.toObject();
            const int number = int(list.size()) + 1;
            if (!entry.isObject() || !stamp.value(QStringLiteral("name")).isString()
                || !stamp.value(QStringLiteral("rows")).isArray())
                return refuse(QStringLiteral("stamp %1 of %2 has no name or no rows").arg(number).arg(it.key()));
            QStringList rows;
            for (const QJsonValue &row : stamp.value(QStringLiteral("rows")).toArray())
                rows << row.toString();
            QString reason;
            const std::optional<Stamp> cells = StampFromText(rows.join(u'\n'), &reason);
            if (!cells)
                return refuse(QStringLiteral("stamp %1 of %2: %3").arg(number).arg(it.key(), reason));
            list.push_back({stamp.value(QStringLiteral("name")).toString(), *cells});
        }
    }
    return tables;
}

} // namespace krelin
