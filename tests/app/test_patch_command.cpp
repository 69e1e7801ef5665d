// The patch commands run as a user runs them: a patch made from two images turns a fresh
// copy of the first into the second, and every bad request ends with one line, a non-zero
// status and no file written or changed.
#include "core/FileWriter.h"
#include "core/Patch.h"
#include "core/RomFile.h"

#include "OddFiles.h"
#include "RunKrelin.h"
#include "Traced.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>
#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

ProgramRun runKrelin(const QStringList &arguments)
{
    return RunKrelin(arguments);
}

// Runs the program in folder with arguments written for the shell, which can spell
// names that are not valid UTF-8 ($(printf 'bad\377.nes')); a QStringList cannot.
ProgramRun runKrelinInShell(const QString &folder, const QString &arguments)
{
    RunOptions options;
    options.folder = folder;
    return RunProgram(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), QStringLiteral("exec \"$0\" ") + arguments, QStringLiteral(KRELIN_EXECUTABLE)},
                      options);
}

// True while process has a file open that stands for the output being written: an
// unnamed one in folder, or a temporary file named after out.
bool IsWritingOutput(qint64 pid, const QString &folder)
{
    const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
    for (const QString &fd : QDir(fds).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        char link[4096];
        const ssize_t n = ::readlink(QFile::encodeName(fds + u'/' + fd).constData(), link, sizeof link);
        const QString target = QFile::decodeName(QByteArray(link, n > 0 ? n : 0));
        if (target.startsWith(folder + u'/')
            && (target.endsWith(QLatin1String(" (deleted)")) || target.contains(QLatin1String("/.out.nes."))))
            return true;
    }
    return false;
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

// Every file of the folder with its bytes.
QMap<QString, QByteArray> Snapshot(const QDir &dir)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : dir.entryList(QDir::Files | QDir::System))
        files[name] = ReadFile(dir.filePath(name));
    return files;
}

// The sample with a placed metatile, a recoloured palette, a filled tile block and a tail.
QByteArray EditedSample()
{
    QByteArray bytes = ReadFile(QStringLiteral(KRELIN_SAMPLE));
    bytes[0x583A + 17] = char(0x42);
    bytes[0x43F8 + 3] = char(0x21);
    bytes.replace(0x18010, 4096, QByteArray(4096, char(0x55)));
    return bytes + QByteArray("tail");
}

} // namespace

class TestPatchCommand : public QObject
{
    Q_OBJECT

private slots:
    void makeAndApply_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("ips") << QStringLiteral("hack.ips");
        QTest::newRow("bps") << QStringLiteral("hack.BPS");
    }

    void makeAndApply()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString original = dir.filePath(QStringLiteral("original.nes"));
        const QString edited = dir.filePath(QStringLiteral("edited.nes"));
        const QString patch = dir.filePath(name);
        const QString fresh = dir.filePath(QStringLiteral("fresh.nes"));
        const QString out = dir.filePath(QStringLiteral("out.nes"));
        const QByteArray sample = ReadFile(QStringLiteral(KRELIN_SAMPLE));
        WriteFile(original, sample);
        WriteFile(fresh, sample);
        WriteFile(edited, EditedSample());

        ProgramRun run = runKrelin({QStringLiteral("--make-patch"), patch, original, edited});
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        run = runKrelin({QStringLiteral("--apply-patch"), patch, fresh, out});
        QVERIFY2(run.status == 0 && run.err.isEmpty(), qPrintable(run.err));
        QCOMPARE(ReadFile(out), EditedSample());
        QCOMPARE(ReadFile(fresh), sample);
        QCOMPARE(ReadFile(original), sample);
    }

    void refusesBadRequests_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        const QString make = QStringLiteral("--make-patch"), apply = QStringLiteral("--apply-patch");
        auto row = [](const char *name, const QString &command, const char *args, const char *says) {
            QStringList list{command};
            list += QString::fromLatin1(args).split(u' ');
            QTest::newRow(name) << list << QString::fromUtf8(says);
        };
        row("missing argument", make, "@/p.ips @/a.nes", "Usage");
        row("too many arguments", apply, "@/p.bps @/a.nes @/old.nes @/x.nes", "Usage");
        row("no patch format", make, "@/p.txt @/a.nes @/b.nes", ".ips or .bps");
        row("patch over the original", make, "@/link.ips @/a.nes @/b.nes", "same file as the original");
        row("missing original", make, "@/p.ips @/none.nes @/b.nes", "none.nes: the file does not exist");
        row("output is the image", apply, "@/p.bps @/a.nes @/a.nes", "same file as the image");
        row("output links to the image", apply, "@/p.bps @/a.nes @/link.ips", "same file as the image");
        row("missing patch", apply, "@/none.ips @/a.nes @/old.nes", "none.ips: the file does not exist");
        row("empty patch", apply, "@/empty.ips @/a.nes @/old.nes", "empty.ips: the file is empty");
        row("patch for another image", apply, "@/p.bps @/b.nes @/old.nes", "made for another image");
        row("damaged patch", apply, "@/cut.ips @/a.nes @/old.nes", "cut.ips to");
        row("unwritable output", apply, "@/p.bps @/a.nes @/no/such/folder/out.nes", "Cannot save");
        row("patch over 32 MiB", apply, "@/huge.ips @/a.nes @/old.nes", "larger than 32 MiB");
        const char *noHeader = "has no cartridge header (\"NES\" and 1A at its start)";
        row("image without header", apply, "@/p.ips @/headerless.nes @/old.nes", noHeader);
        row("original without header", make, "@/p.ips @/headerless.nes @/b.nes", noHeader);
        row("modified without header", make, "@/p.ips @/a.nes @/headerless.nes", noHeader);
        row("patch removes the header", apply, "@/unsign.ips @/a.nes @/old.nes", "the image it makes has no cartridge header");
        const char *tooMany = "too many levels of symbolic links";
        row("output 45 links from the image", apply, "@/p.bps @/a.nes @/chain.nes", tooMany);
        row("patch 45 links from the image", make, "@/chain.ips @/a.nes @/b.nes", tooMany);
        row("output in a loop", apply, "@/p.bps @/a.nes @/loop.nes", tooMany);
        row("patch in a loop", make, "@/loop.ips @/a.nes @/b.nes", tooMany);
        row("image in a loop", apply, "@/p.bps @/loop.nes @/old.nes", tooMany);
    }

    void refusesBadRequests()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QByteArray sample = ReadFile(QStringLiteral(KRELIN_SAMPLE));
        WriteFile(dir.filePath(QStringLiteral("a.nes")), sample);
        WriteFile(dir.filePath(QStringLiteral("b.nes")), EditedSample());
        WriteFile(dir.filePath(QStringLiteral("old.nes")), "an older file that must stay as it is");
        WriteFile(dir.filePath(QStringLiteral("empty.ips")), {});
        WriteFile(dir.filePath(QStringLiteral("cut.ips")), QByteArray("PATCH\0\0\1\0\1x", 11));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("a.nes")), dir.filePath(QStringLiteral("link.ips"))));
        QFile huge(dir.filePath(QStringLiteral("huge.ips")));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.write("PATCH") == 5 && huge.resize(MaxPatchSize + 1));
        huge.close();
        WriteFile(dir.filePath(QStringLiteral("headerless.nes")), sample.mid(16));
        WriteFile(dir.filePath(QStringLiteral("unsign.ips")), QByteArray("PATCH\0\0\0\0\1\0EOF", 14));
        QVERIFY(MakeLinkChain(dir.filePath(QStringLiteral("a.nes")), dir.filePath(QStringLiteral("chain.nes")), 45));
        QVERIFY(MakeLinkChain(dir.filePath(QStringLiteral("a.nes")), dir.filePath(QStringLiteral("chain.ips")), 45));
        QVERIFY(MakeLinkChain(dir.filePath(QStringLiteral("loop.nes")), dir.filePath(QStringLiteral("loop.nes")), 2));
        QVERIFY(MakeLinkChain(dir.filePath(QStringLiteral("loop.ips")), dir.filePath(QStringLiteral("loop.ips")), 2));
        const std::vector<std::uint8_t> a(sample.begin(), sample.end()), b = ReadRomFile(dir.filePath("b.nes")).bytes;
        QCOMPARE(WritePatchFile(dir.filePath(QStringLiteral("p.bps")), a, b), QString());
        QCOMPARE(WritePatchFile(dir.filePath(QStringLiteral("p.ips")), a, b), QString());
        const QMap<QString, QByteArray> before = Snapshot(dir);

        for (QString &arg : arguments)
            arg.replace(u'@', temp.path());
        const ProgramRun run = runKrelin(arguments);
        QVERIFY(run.status > 0);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(run.err.trimmed().count(u'\n'), 0);
        QCOMPARE(Snapshot(dir), before);
        for (const char *link : {"chain.nes", "chain.ips", "loop.nes", "loop.ips"})
            QVERIFY(QFileInfo(dir.filePath(QLatin1String(link))).isSymLink());
    }

    // A name that is not valid UTF-8 is refused as it was given, never taken for the
    // file that Qt's reading of it names (here a decoy holding a good image).
    void refusesNamesNotUtf8_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("says");
        QTest::newRow("image to patch") << "--apply-patch p.ips \"$(printf 'bad\\377.nes')\" out.nes"
                                        << "bad\\xff.nes";
        QTest::newRow("patched output") << "--apply-patch p.ips a.nes \"$(printf 'out\\376.nes')\"" << "out\\xfe.nes";
        QTest::newRow("patch to make") << "--make-patch \"$(printf 'p\\377.ips')\" a.nes bad.nes" << "p\\xff.ips";
        QTest::newRow("image to export") << "--export out.png --stage 3 \"$(printf 'bad\\377.nes')\""
                                         << "bad\\xff.nes";
        QTest::newRow("picture to export") << "--export=\"$(printf 'o\\303\\251\\377.png')\" --stage 3 a.nes"
                                           << "o\u00e9\\xff.png";
    }
    void refusesNamesNotUtf8()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, says);
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QByteArray sample = ReadFile(QStringLiteral(KRELIN_SAMPLE));
        WriteFile(dir.filePath(QStringLiteral("a.nes")), sample);
        WriteFile(dir.filePath(QStringLiteral("bad\uFFFD.nes")), sample); // the name Qt makes of bad\xff.nes
        WriteFile(dir.filePath(QStringLiteral("bad.nes")), EditedSample());
        WriteFile(dir.filePath(QStringLiteral("p.ips")), QByteArray("PATCH\0\0\x20\0\1AEOF", 14));
        const QMap<QString, QByteArray> before = Snapshot(dir);

        const ProgramRun run = runKrelinInShell(temp.path(), arguments);
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QStringLiteral("Cannot use the name ") + says + QStringLiteral(": it is not valid UTF-8")),
                 qPrintable(run.err));
        QCOMPARE(run.err.trimmed().count(u'\n'), 0);
        QCOMPARE(Snapshot(dir), before);
    }

    // The editor given such a name opens without an image and says why.
    void editorRefusesNameNotUtf8()
    {
        QTemporaryDir temp;
        WriteFile(temp.filePath(QStringLiteral("bad\uFFFD.nes")), ReadFile(QStringLiteral(KRELIN_SAMPLE)));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), temp.path());
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(temp.path());
        process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$(printf 'bad\\377.nes')\""),
                                                  QStringLiteral(KRELIN_EXECUTABLE)});
        process.setReadChannel(QProcess::StandardError);
        const QByteArray says = "Cannot use the name bad\\xff.nes: it is not valid UTF-8";
        QByteArray err;
        QDeadlineTimer deadline(20000);
        while (!err.contains(says) && process.waitForReadyRead(int(deadline.remainingTime())))
            err += process.readAllStandardError();
        process.kill(); // the message box waits for an answer
        process.waitForFinished();
        QVERIFY2(err.contains(says), err.constData());
    }

    // A write killed half way leaves the old output whole and no other file for good:
    // the new bytes go to a file that has no name until it is whole, and what a write
    // on a file system without such files leaves, the next write removes (and nothing
    // else).
    void killedWriteLeavesNothing()
    {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QByteArray sample = ReadFile(QStringLiteral(KRELIN_SAMPLE));
        const QString out = dir.filePath(QStringLiteral("out.nes"));
        WriteFile(dir.filePath(QStringLiteral("a.nes")), sample);
        WriteFile(out, "the old output");
        // One record at the end of the largest image: the output is 16 MiB.
        WriteFile(dir.filePath(QStringLiteral("grow.ips")), QByteArray("PATCH\xFF\xFF\xFF\0\1!EOF", 14));
        // Another program's temporary file, however old, is its own business.
        WriteFile(dir.filePath(QStringLiteral(".thesis.tex.0badc0de~")), "another program's");
        const QStringList files = dir.entryList(QDir::Files | QDir::Hidden);

        int killed = 0;
        for (int attempt = 0; attempt < 20 && killed < 3; ++attempt) {
            QProcess process;
            process.start(QStringLiteral(KRELIN_EXECUTABLE),
                          {QStringLiteral("--apply-patch"), dir.filePath(QStringLiteral("grow.ips")),
                           dir.filePath(QStringLiteral("a.nes")), out});
            QVERIFY(process.waitForStarted());
            const qint64 pid = process.processId();
            QDeadlineTimer deadline(3000);
            while (!IsWritingOutput(pid, temp.path()) && !deadline.hasExpired()) {
            }
            ::kill(pid_t(pid), SIGKILL);
            QVERIFY(process.waitForFinished(10000));
            if (process.exitStatus() == QProcess::CrashExit)
                ++killed;
            if (ReadFile(out) != "the old output") // it finished first: start again
                WriteFile(out, "the old output");
        }
        QVERIFY2(killed > 0, "no write was caught half way");
        QCOMPARE(ReadFile(out), QByteArray("the old output"));

        // A kill between naming the new file and renaming it may leave it: the next write
        // removes it, however young, its writer being gone.
        const ProgramRun run = runKrelin({QStringLiteral("--apply-patch"), dir.filePath(QStringLiteral("grow.ips")),
                                   dir.filePath(QStringLiteral("a.nes")), out});
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(QFileInfo(out).size(), MaxImageSize);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), files);
    }

    // Killed at the rename itself (strace kills it as it asks for the rename), the write
    // leaves its new file whole under its hidden name; the next write of that name removes
    // it at once, and leaves another program's temporary file alone.
    void killedAtTheRename()
    {
        QTemporaryDir temp;
        const QDir dir(temp.path());
        const QString out = dir.filePath(QStringLiteral("out.nes"));
        WriteFile(dir.filePath(QStringLiteral("a.nes")), ReadFile(QStringLiteral(KRELIN_SAMPLE)));
        WriteFile(out, "the old output");
        WriteFile(dir.filePath(QStringLiteral("grow.ips")), QByteArray("PATCH\xFF\xFF\xFF\0\1!EOF", 14));
        WriteFile(dir.filePath(QStringLiteral(".thesis.tex.0badc0de~")), "another program's");
        const QStringList files = dir.entryList(QDir::Files | QDir::Hidden);
        const QStringList apply{QStringLiteral("--apply-patch"), dir.filePath(QStringLiteral("grow.ips")),
                                dir.filePath(QStringLiteral("a.nes")), out};

        const TracedRun killed = RunTraced({QStringLiteral("-e"), QStringLiteral("trace=rename,renameat,renameat2"),
                                            QStringLiteral("-e"), QStringLiteral("inject=rename,renameat,renameat2:signal=KILL")},
                                           QStringLiteral(KRELIN_EXECUTABLE), apply);
        QVERIFY2(killed.problem.isEmpty(), qPrintable(killed.problem));
        QVERIFY2(killed.run.status != 0, "the write was not killed at the rename");
        QCOMPARE(ReadFile(out), QByteArray("the old output"));
        const QStringList left = dir.entryList({QStringLiteral(".out.nes.krelin-new-*~")}, QDir::Files | QDir::Hidden);
        QCOMPARE(left.size(), 1);
        QCOMPARE(QFileInfo(dir.filePath(left.first())).size(), MaxImageSize);

        const ProgramRun run = runKrelin(apply);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QCOMPARE(QFileInfo(out).size(), MaxImageSize);
        QCOMPARE(dir.entryList(QDir::Files | QDir::Hidden), files);
    }
};

QTEST_GUILESS_MAIN(TestPatchCommand)
#include "test_patch_command.moc"
