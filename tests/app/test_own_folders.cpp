// The benchmark program and the test programs keep everything the windows they open write
// (journals, settings, backups, locks) in folders of its own, and remove them at the end: a
// run leaves nothing in the user's folders nor in the temporary folder, however it is run.
#include "PrivateFolders.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Every file and folder under folder, as paths relative to it.
QStringList everythingUnder(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(folder).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class TestOwnFolders : public QObject
{
    Q_OBJECT

private slots:
    void runLeavesNothing_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        // The window benchmarks open the main window and edit in it, which journals.
        QTest::newRow("benchmarks") << QStringLiteral(KRELIN_BENCH)
                                    << QStringList{QStringLiteral("--benchmark_filter=BM_Edit(While|Not)Comparing"),
                                                   QStringLiteral("--benchmark_min_time=0.01")};
        // Saves that replace files keep backups; the window keeps its settings.
        QTest::newRow("a window test") << QStringLiteral(KRELIN_WINDOW_TEST) << QStringList{QStringLiteral("saveAndSaveAs")};
    }

    void runLeavesNothing()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QTemporaryDir dir;
        const QStringList folders{QStringLiteral("home"), QStringLiteral("config"), QStringLiteral("data"),
                                  QStringLiteral("state"), QStringLiteral("cache"), QStringLiteral("runtime"),
                                  QStringLiteral("tmp")};
        for (const QString &name : folders)
            QVERIFY(QDir(dir.path()).mkdir(name));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        const auto at = [&](const char *name) { return dir.filePath(QLatin1String(name)); };
        environment.insert(QStringLiteral("HOME"), at("home"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), at("config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), at("data"));
        environment.insert(QStringLiteral("XDG_STATE_HOME"), at("state"));
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), at("cache"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), at("runtime"));
        environment.insert(QStringLiteral("TMPDIR"), at("tmp"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.remove(QLatin1String(krelin::testing::PrivateFolders::Marker)); // run as a user runs it
        QProcess run;
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        run.start(program, arguments);
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        const QByteArray said = run.readAllStandardOutput();
        QVERIFY2(run.exitCode() == 0, said.constData());
        QStringList left = folders;
        left.sort();
        QCOMPARE(everythingUnder(dir.path()), left);
    }
};

QTEST_GUILESS_MAIN(TestOwnFolders)
#include "test_own_folders.moc"
