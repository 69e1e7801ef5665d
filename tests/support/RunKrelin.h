#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

// Running programs as a user runs them, for the tests of the command line and of the
// install. The test target defines KRELIN_EXECUTABLE as the program's path. A program
// that does not end in time is killed and counts as failed, never as status 0.
namespace krelin::testing {

struct ProgramRun
{
    int status = -1; // the exit status, or -1 when the program crashed or hung
    QByteArray out;
    QString err;     // standard error; for a program that did not end, says so first
};

struct RunOptions
{
    QString folder;                         // the working folder; the test's own when empty
    QProcessEnvironment environment;        // the test's own when empty
    std::function<void()> childModifier;    // run in the child before it starts the program
    int timeoutMs = 60000;
};

inline ProgramRun RunProgram(const QString &program, const QStringList &arguments, const RunOptions &options = {})
{
    QProcess process;
    if (!options.folder.isEmpty())
        process.setWorkingDirectory(options.folder);
    if (!options.environment.isEmpty())
        process.setProcessEnvironment(options.environment);
    if (options.childModifier)
        process.setChildProcessModifier(options.childModifier);
    process.start(program, arguments);
    const bool ended = process.waitForFinished(options.timeoutMs);
    QString trouble;
    if (!ended) {
        trouble = process.state() == QProcess::NotRunning
            ? QStringLiteral("%1 did not start: %2\n").arg(program, process.errorString())
            : QStringLiteral("%1 did not end within %2 s: killed\n").arg(program).arg(options.timeoutMs / 1000.0);
        process.kill();
        process.waitForFinished();
    }
    const int status = ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return {status, process.readAllStandardOutput(), trouble + QString::fromLocal8Bit(process.readAllStandardError())};
}

// Runs the program with arguments in folder (the test's own when empty) and waits for it.
inline ProgramRun RunKrelin(const QStringList &arguments, const QString &folder = {})
{
    RunOptions options;
    options.folder = folder;
    return RunProgram(QStringLiteral(KRELIN_EXECUTABLE), arguments, options);
}

inline ProgramRun RunKrelin(const QStringList &arguments, const RunOptions &options)
{
    return RunProgram(QStringLiteral(KRELIN_EXECUTABLE), arguments, options);
}

} // namespace krelin::testing
