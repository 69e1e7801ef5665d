// The benchmark program keeps everything the windows it opens write (journals, settings,
// locks) in folders of its own, and removes them at its end: a run leaves nothing in the
// user's folders nor in the temporary folder.
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

class TestBenchFolders : public QObject
{
    Q_OBJECT

private slots:
    void windowBenchmarksLeaveNothing()
    {
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
        QProcess bench;
        bench.setProcessEnvironment(environment);
        bench.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // The window benchmarks: each opens the main window and edits in it, which journals.
        bench.start(QStringLiteral(KRELIN_BENCH),
                    {QStringLiteral("--benchmark_filter=BM_Edit(While|Not)Comparing"), QStringLiteral("--benchmark_min_time=0.01")});
        QVERIFY(bench.waitForFinished(120000));
        QCOMPARE(bench.exitStatus(), QProcess::NormalExit);
        QCOMPARE(bench.exitCode(), 0);
        QVERIFY2(bench.readAllStandardOutput().contains("BM_EditNotComparing"), "the window benchmarks did not run");
        QStringList left = folders;
        left.sort();
        QCOMPARE(everythingUnder(dir.path()), left);
    }
};

QTEST_GUILESS_MAIN(TestBenchFolders)
#include "test_bench_folders.moc"
