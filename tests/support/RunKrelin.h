#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// Running the built program as a user runs it, for the tests of its command line. The test
// target defines KRELIN_EXECUTABLE as the program's path.
namespace krelin::testing {

struct ProgramRun
{
    int status = -1; // the exit status, or -1 when the program crashed or hung
    QByteArray out;
    QString err;
};

// Runs the program with arguments in folder (the test's own when empty) and waits for it.
inline ProgramRun RunKrelin(const QStringList &arguments, const QString &folder = {})
{
    QProcess process;
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(KRELIN_EXECUTABLE), arguments);
    const bool ended = process.waitForFinished(60000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

} // namespace krelin::testing
