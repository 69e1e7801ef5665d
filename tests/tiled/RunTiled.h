#pragma once

// Running the programs of the map editor's Debian package (tiled, tmxrasterizer) as a
// test needs them: off screen, with a home and settings of their own, so that nothing
// reaches the user's and no display is needed. A program that is not installed fails
// the test, naming the package; it never skips.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace krelin::testing {

struct TiledRun
{
    int status = -1; // the exit status; -1 when it crashed, hung or is not installed
    QString output;  // what it wrote, both streams
};

// The path of program, or an empty string when the package is not installed.
inline QString TiledProgram(const QString &program)
{
    return QStandardPaths::findExecutable(program);
}

inline QString MissingTiledText(const QString &program)
{
    return QStringLiteral("%1 is not installed: it comes with the Debian package \"tiled\", which `make test` "
                          "installs (PACKAGES in the Makefile)")
        .arg(program);
}

inline TiledRun RunTiledProgram(const QString &program, const QStringList &arguments)
{
    TiledRun run;
    const QString path = TiledProgram(program);
    if (path.isEmpty()) {
        run.output = MissingTiledText(program);
        return run;
    }
    static QTemporaryDir home; // for the whole test program
    QDir(home.path()).mkpath(QStringLiteral("config"));
    QDir(home.path()).mkpath(QStringLiteral("runtime"));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("XDG_STATE_HOME"), home.filePath(QStringLiteral("state")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(path, arguments);
    const bool ended = process.waitForFinished(60000);
    if (!ended) {
        process.kill();
        process.waitForFinished();
    }
    run.status = ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromLocal8Bit(process.readAll());
    return run;
}

} // namespace krelin::testing
