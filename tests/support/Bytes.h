#pragma once

// Reading and writing whole files, and comparing images byte by byte: what a test
// checks after an edit ("these bytes changed, and no others").

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace krelin::testing {

using Bytes = std::vector<std::uint8_t>;

// The whole file, or nothing when it cannot be read.
inline QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

inline Bytes BytesOf(const QByteArray &data)
{
    return Bytes(data.begin(), data.end());
}

// The offsets at which two images differ, within the shorter of them.
inline QList<qint64> ChangedOffsets(const Bytes &before, const Bytes &after)
{
    QList<qint64> offsets;
    for (std::size_t i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i])
            offsets << qint64(i);
    return offsets;
}

} // namespace krelin::testing
