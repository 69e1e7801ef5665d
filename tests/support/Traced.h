#pragma once

#include "RunKrelin.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>

// Running a program under strace (Debian package strace), which records the system calls
// the program makes, and can make one of them fail or kill the program as it makes it:
// what the tests of the disk's order and of a write killed at one exact step need.
namespace krelin::testing {

struct TracedRun
{
    ProgramRun run;
    // The calls traced, one a line as strace writes them, each in the order the program
    // made it (a call another thread interrupted keeps the line of its start). Every
    // descriptor is followed by the path it names: fsync(7</tmp/x>).
    QStringList calls;
    QString problem; // why the program could not be traced at all
};

// Runs program with arguments under strace with the options given (a filter -e trace=...,
// -P PATH, -e inject=...). The program's children and threads are followed.
inline TracedRun RunTraced(const QStringList &straceOptions, const QString &program, const QStringList &arguments,
                           RunOptions options = {})
{
    TracedRun traced;
    const QString strace = QStandardPaths::findExecutable(QStringLiteral("strace"));
    if (strace.isEmpty()) {
        traced.problem = QStringLiteral("strace is missing (Debian package strace)");
        return traced;
    }
    QTemporaryDir logs;
    const QString log = logs.filePath(QStringLiteral("calls"));
    if (options.environment.isEmpty())
        options.environment = QProcessEnvironment::systemEnvironment();
    // A traced program cannot look for leaks (the leak checker traces it too) in the
    // sanitized build.
    const QString asan = options.environment.value(QStringLiteral("ASAN_OPTIONS"));
    options.environment.insert(QStringLiteral("ASAN_OPTIONS"),
                               asan.isEmpty() ? QStringLiteral("detect_leaks=0") : asan + QStringLiteral(":detect_leaks=0"));
    traced.run = RunProgram(strace,
                            QStringList{QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-y"),
                                        QStringLiteral("-s"), QStringLiteral("4096"), QStringLiteral("-e"),
                                        QStringLiteral("signal=none"), QStringLiteral("-o"), log}
                                + straceOptions + QStringList{QStringLiteral("--"), program} + arguments,
                            options);
    QFile file(log);
    if (!file.open(QIODevice::ReadOnly)) {
        traced.problem = QStringLiteral("strace wrote no record: %1").arg(traced.run.err);
        return traced;
    }
    for (QString line : QString::fromLocal8Bit(file.readAll()).split(u'\n', Qt::SkipEmptyParts)) {
        // Each line starts with the number of the process or thread that made the call.
        const qsizetype space = line.indexOf(u' ');
        if (space > 0 && line.left(space).toLongLong() > 0)
            line = line.mid(space + 1).trimmed();
        if (!line.startsWith(QLatin1String("<...")))
            traced.calls << line;
    }
    return traced;
}

// The index of the first call from `from` on that starts with start and holds every one
// of parts, or -1.
inline qsizetype FindCall(const QStringList &calls, const QString &start, const QStringList &parts, qsizetype from = 0)
{
    for (qsizetype i = std::max<qsizetype>(from, 0); i < calls.size(); ++i) {
        if (!calls[i].startsWith(start))
            continue;
        bool all = true;
        for (const QString &part : parts)
            all = all && calls[i].contains(part);
        if (all)
            return i;
    }
    return -1;
}

} // namespace krelin::testing
