#pragma once

// Processes other than the test's own, as the system sees them: a process the test did not
// start (a helper of a core's, say) is gone once it has ended, whether or not its parent
// has collected it yet.

#include <QFile>
#include <QString>

namespace krelin::testing {

// True while the process with that id runs (a process that has ended and is waiting to be
// collected, a zombie, does not).
inline bool ProcessRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    // "pid (name) S ...": the state follows the name, which may hold spaces and brackets.
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() && line[close + 2] != 'Z' && line[close + 2] != 'X';
}

// The process id a file holds (a number on its first line), or 0.
inline qint64 ProcessIdIn(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine().trimmed().toLongLong();
}

} // namespace krelin::testing
