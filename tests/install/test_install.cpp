// The installed program: an install into a temporary folder (DESTDIR) holds the program,
// its data, the desktop entry, the file type, the icons, the manual page, the AppStream
// metadata and the package's copyright and changelog with the right modes, whatever the
// umask of whoever installs; the installed program draws with its installed palette; the
// desktop's own tools accept the entry and the file type; the manual page renders and
// names the same options as krelin --help; the metadata is valid and shows the README's
// screenshots; every place that names the version names the same one; the program is
// built hardened; and the Debian package holds the same files under /usr, its program
// stripped.

#include "RunKrelin.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString BuildDir = QStringLiteral(KRELIN_BUILD_DIR);
const QString SamplePath = QStringLiteral(KRELIN_SAMPLE);
const QString Program = QStringLiteral(KRELIN_EXECUTABLE);
const QString MetainfoName = QStringLiteral("org.example.velquin.krelin.metainfo.xml");
// Where a failure says to look: the sources of the installed manual page and metadata.
const QString ManualSource = QStringLiteral("packaging/krelin.1");
const QString MetainfoSource = QStringLiteral("packaging/") + MetainfoName;
constexpr QFileDevice::Permissions Mode755 = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                             | QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                             | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions Mode644 =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
// Owner, group and others; not the bits that repeat the owner's for the running user.
constexpr QFileDevice::Permissions ModeBits = Mode755 | QFileDevice::WriteGroup | QFileDevice::WriteOther;

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run Execute(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment = {})
{
    krelin::testing::RunOptions options;
    options.environment = environment;
    options.timeoutMs = 120000;
    const krelin::testing::ProgramRun run = krelin::testing::RunProgram(program, arguments, options);
    return {run.status, QString::fromLocal8Bit(run.out), run.err};
}

// Runs a program under the strictest umask, which must not leak into what it installs.
Run ExecuteUnderUmask077(const QString &program, const QStringList &arguments,
                         const QProcessEnvironment &environment = {})
{
    return Execute(QStringLiteral("/bin/sh"),
                   QStringList{QStringLiteral("-c"), QStringLiteral("umask 077 && exec \"$0\" \"$@\""), program} + arguments,
                   environment);
}

// What an install puts under its prefix; the icon in every size a desktop asks for.
QStringList ExpectedFiles()
{
    QStringList files{QStringLiteral("bin/krelin"), QStringLiteral("share/krelin/Krelin.d_p"),
                      QStringLiteral("share/krelin/Krelin.WAV"), QStringLiteral("share/applications/krelin.desktop"),
                      QStringLiteral("share/mime/packages/krelin.xml"), QStringLiteral("share/man/man1/krelin.1.gz"),
                      QStringLiteral("share/metainfo/") + MetainfoName, QStringLiteral("share/doc/krelin/copyright"),
                      QStringLiteral("share/doc/krelin/changelog.gz")};
    for (int size : {16, 32, 48, 64, 128, 256})
        files << QStringLiteral("share/icons/hicolor/%1x%1/apps/krelin.png").arg(size);
    files.sort();
    return files;
}

// The text of a file compressed with gzip, as a program reading it would see it.
QString Gunzipped(const QString &path, QString *err)
{
    const Run run = Execute(QStringLiteral("gzip"), {QStringLiteral("-dc"), path});
    *err = run.status == 0 ? QString() : QStringLiteral("gzip -dc %1: %2").arg(path, run.err);
    return run.out;
}

// The options a text names: "-h", "--make-patch", each at the start of a word.
QSet<QString> OptionsNamed(const QString &text)
{
    static const QRegularExpression option(QStringLiteral(R"((?<![\w-])--?[A-Za-z][\w-]*)"));
    QSet<QString> options;
    for (auto it = option.globalMatch(text); it.hasNext();)
        options.insert(it.next().captured());
    return options;
}

QStringList Sorted(const QSet<QString> &set)
{
    QStringList list(set.cbegin(), set.cend());
    list.sort();
    return list;
}

// What a manual page lists: the options its SYNOPSIS names, and those that head an entry
// under OPTIONS (the tag line after .TP), read from its roff source.
struct ManualOptions
{
    QSet<QString> synopsis;
    QSet<QString> entries;
};

ManualOptions ReadManualOptions(const QString &page)
{
    static const QRegularExpression fontAndHyphenation(QStringLiteral(R"(\\f[BIRP]|\\%|\\&)"));
    ManualOptions found;
    QString section;
    bool tagLine = false;
    for (QString line : page.split(u'\n')) {
        if (line.startsWith(QStringLiteral(".\\\"")))
            continue; // a comment
        line.replace(QStringLiteral("\\-"), QStringLiteral("-")).remove(fontAndHyphenation);
        if (line.startsWith(QStringLiteral(".SH "))) {
            section = line.mid(4).remove(u'"').trimmed();
            tagLine = false;
        } else if (section == QStringLiteral("SYNOPSIS")) {
            found.synopsis += OptionsNamed(line);
        } else if (section == QStringLiteral("OPTIONS")) {
            if (tagLine)
                found.entries += OptionsNamed(line);
            tagLine = line.startsWith(QStringLiteral(".TP"));
        }
    }
    return found;
}

// The AppStream metadata's parts that the tests compare with other files.
struct Metainfo
{
    QString error;
    QString id;
    QString launchable;
    QStringList releases; // newest first
    QMap<QString, QSize> screenshots; // by the image's file name
};

Metainfo ReadMetainfo(const QString &path)
{
    Metainfo info;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        info.error = file.errorString();
        return info;
    }
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == QLatin1String("id")) {
            info.id = xml.readElementText();
        } else if (xml.name() == QLatin1String("launchable")) {
            info.launchable = xml.readElementText();
        } else if (xml.name() == QLatin1String("release")) {
            info.releases << attributes.value(QLatin1String("version")).toString();
        } else if (xml.name() == QLatin1String("image")) {
            const QSize size(attributes.value(QLatin1String("width")).toInt(),
                             attributes.value(QLatin1String("height")).toInt());
            info.screenshots.insert(QFileInfo(xml.readElementText()).fileName(), size);
        }
    }
    if (xml.hasError())
        info.error = xml.errorString();
    return info;
}

// What readelf says of a program: its header, segments, sections, dynamic section and
// dynamic symbols.
QString ElfReport(const QString &program, QString *err)
{
    const QString readelf = QStandardPaths::findExecutable(QStringLiteral("readelf"));
    if (readelf.isEmpty()) {
        *err = QStringLiteral("readelf is missing (Debian package binutils)");
        return {};
    }
    const QStringList report{QStringLiteral("-W"), QStringLiteral("-h"), QStringLiteral("-l"), QStringLiteral("-S"),
                             QStringLiteral("-d"), QStringLiteral("--dyn-syms")};
    const Run run = Execute(readelf, report + QStringList{program});
    *err = run.status == 0 ? QString() : run.err;
    return run.out;
}

QImage ExportFrame(const QString &program, const QString &out, QString *err)
{
    const Run run = Execute(program, {QStringLiteral("--export"), out, QStringLiteral("--stage"), QStringLiteral("3"),
                                      QStringLiteral("--frame"), QStringLiteral("5"), SamplePath});
    *err = run.err;
    return run.status == 0 ? QImage(out).convertToFormat(QImage::Format_RGB32) : QImage();
}

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir destDir;
    QString prefix; // the installed tree: DESTDIR + /usr/local

private slots:
    void initTestCase()
    {
        QVERIFY(destDir.isValid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DESTDIR"), destDir.path());
        const Run run = ExecuteUnderUmask077(QStringLiteral(KRELIN_CMAKE),
                                {QStringLiteral("--install"), BuildDir, QStringLiteral("--prefix"), QStringLiteral("/usr/local")},
                                environment);
        QVERIFY2(run.status == 0, qPrintable(run.err));
        prefix = destDir.filePath(QStringLiteral("usr/local"));
    }

    void filesAndModes()
    {
        QStringList files;
        QDirIterator it(destDir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo entry(it.next());
            const QString name = QDir(prefix).relativeFilePath(entry.filePath());
            const bool program = name == QStringLiteral("bin/krelin");
            if (!entry.isDir())
                files << name;
            const QFileDevice::Permissions wanted = entry.isDir() || program ? Mode755 : Mode644;
            QVERIFY2((entry.permissions() & ModeBits) == wanted,
                     qPrintable(name + QStringLiteral(": mode 0x") + QString::number(int(entry.permissions()), 16)));
        }
        files.sort();
        QCOMPARE(files, ExpectedFiles());
        for (int size : {16, 32, 48, 64, 128, 256}) {
            const QImage icon(prefix + QStringLiteral("/share/icons/hicolor/%1x%1/apps/krelin.png").arg(size));
            QCOMPARE(icon.size(), QSize(size, size));
        }
    }

    // The installed program finds its data beside it, not in the build folder: a palette
    // changed in the installed copy changes the picture.
    void installedProgramExports()
    {
        QTemporaryDir out;
        const QString installed = prefix + QStringLiteral("/bin/krelin");
        QString err;
        const QImage built = ExportFrame(QStringLiteral(KRELIN_EXECUTABLE), out.filePath(QStringLiteral("built.png")), &err);
        const QImage picture = ExportFrame(installed, out.filePath(QStringLiteral("installed.png")), &err);
        QVERIFY2(!picture.isNull() && err.isEmpty(), qPrintable(err));
        QCOMPARE(picture, built);

        QFile palette(prefix + QStringLiteral("/share/krelin/Krelin.d_p"));
        QVERIFY(palette.open(QIODevice::ReadWrite));
        QByteArray bytes = palette.readAll();
        for (qsizetype i = 16; i < bytes.size(); ++i)
            bytes[i] = char(~bytes[i]);
        QVERIFY(palette.seek(0) && palette.write(bytes) == bytes.size());
        palette.close();
        const QImage inverted = ExportFrame(installed, out.filePath(QStringLiteral("inverted.png")), &err);
        QVERIFY2(!inverted.isNull(), qPrintable(err));
        QVERIFY(inverted != picture);
        // Somewhere a tile pixel shows the inverted colour of the same pixel before.
        bool invertedSeen = false;
        for (int y = 0; y < 34 && !invertedSeen; ++y)
            for (int x = 0; x < 34 && !invertedSeen; ++x)
                invertedSeen = (inverted.pixel(x, y) & 0xFFFFFF) == (~picture.pixel(x, y) & 0xFFFFFF);
        QVERIFY(invertedSeen);
    }

    // The desktop's own tools take the entry and the file type, and bind the type to Krelin.
    void desktopEntryAndFileType()
    {
        const QString desktopFile = prefix + QStringLiteral("/share/applications/krelin.desktop");
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing (Debian package desktop-file-utils)");
        const Run validate = Execute(validator, {desktopFile});
        QVERIFY2(validate.status == 0 && !validate.out.contains(QStringLiteral("error")), qPrintable(validate.out));

        QFile entry(desktopFile);
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(u'\n');
        for (const char *line : {"Exec=krelin %f", "Icon=krelin", "Categories=Development;Graphics;",
                                 "MimeType=application/x-nes-rom;"})
            QVERIFY2(lines.contains(QLatin1String(line)), line);

        const Run apps = Execute(QStringLiteral("update-desktop-database"),
                                 {prefix + QStringLiteral("/share/applications")});
        QVERIFY2(apps.status == 0, qPrintable(apps.err));
        QFile cache(prefix + QStringLiteral("/share/applications/mimeinfo.cache"));
        QVERIFY(cache.open(QIODevice::ReadOnly));
        QVERIFY(cache.readAll().contains("application/x-nes-rom=krelin.desktop;"));

        const Run mime = Execute(QStringLiteral("update-mime-database"), {prefix + QStringLiteral("/share/mime")});
        QVERIFY2(mime.status == 0, qPrintable(mime.err));
        QFile globs(prefix + QStringLiteral("/share/mime/globs2"));
        QVERIFY(globs.open(QIODevice::ReadOnly));
        QVERIFY(globs.readAll().contains(":application/x-nes-rom:*.nes"));
    }

    // The manual page renders without a warning from man or groff, and lists the options
    // that krelin --help lists, no more and no fewer: each one has an entry under OPTIONS,
    // and each one the page names in SYNOPSIS or OPTIONS is one krelin --help lists.
    void manualPage()
    {
        const QString page = prefix + QStringLiteral("/share/man/man1/krelin.1.gz");
        QString err;
        const ManualOptions manual = ReadManualOptions(Gunzipped(page, &err));
        QVERIFY2(err.isEmpty(), qPrintable(err));
        const Run help = Execute(Program, {QStringLiteral("--help")});
        QVERIFY2(help.status == 0, qPrintable(help.err));
        const QSet<QString> helpOptions = OptionsNamed(help.out);
        // Both readings find what surely is there, or their comparison would prove nothing.
        for (const char *option : {"--help", "--export", "--apply-patch"}) {
            QVERIFY2(helpOptions.contains(QLatin1String(option)), qPrintable(help.out));
            QVERIFY2(manual.entries.contains(QLatin1String(option)), option);
            QVERIFY2(manual.synopsis.contains(QLatin1String(option)), option);
        }
        QStringList problems;
        for (const QString &option : Sorted(helpOptions))
            if (!manual.entries.contains(option))
                problems << QStringLiteral("krelin --help lists %1, but the manual page (%2) has no entry for it "
                                           "under OPTIONS")
                                .arg(option, ManualSource);
        for (const QString &option : Sorted(manual.synopsis + manual.entries))
            if (!helpOptions.contains(option))
                problems << QStringLiteral("the manual page (%1) names %2 in its %3, but krelin --help does not "
                                           "list it")
                                .arg(ManualSource, option,
                                     manual.entries.contains(option) ? QStringLiteral("OPTIONS")
                                                                     : QStringLiteral("SYNOPSIS"));
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
        if (man.isEmpty())
            QSKIP("man is missing (Debian package man-db): the page's rendering is not checked");
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        const Run rendered = Execute(man, {QStringLiteral("--warnings"), QStringLiteral("-l"), page}, environment);
        QVERIFY2(rendered.status == 0 && rendered.err.isEmpty(), qPrintable(ManualSource + u'\n' + rendered.err));
        QVERIFY2(rendered.out.contains(QStringLiteral("EXIT STATUS")), qPrintable(rendered.out));
    }

    // The metadata software centres read is valid, starts the installed desktop entry, and
    // shows the pictures the README shows, at their sizes.
    void appStreamMetadata()
    {
        const QString path = prefix + QStringLiteral("/share/metainfo/") + MetainfoName;
        const Metainfo info = ReadMetainfo(path);
        QVERIFY2(info.error.isEmpty(), qPrintable(info.error));
        QCOMPARE(info.id + QStringLiteral(".metainfo.xml"), MetainfoName);
        QVERIFY2(QFileInfo::exists(prefix + QStringLiteral("/share/applications/") + info.launchable),
                 qPrintable(info.launchable + QStringLiteral(" is not an installed desktop entry")));

        QFile readme(QStringLiteral(KRELIN_SOURCE_DIR "/README.md"));
        QVERIFY(readme.open(QIODevice::ReadOnly));
        static const QRegularExpression picture(QStringLiteral(R"(!\[[^\]]*\]\((docs/[^)]+\.png)\))"));
        QMap<QString, QSize> shown;
        for (auto it = picture.globalMatch(QString::fromUtf8(readme.readAll())); it.hasNext();) {
            const QString file = it.next().captured(1);
            shown.insert(QFileInfo(file).fileName(), QImage(QStringLiteral(KRELIN_SOURCE_DIR "/") + file).size());
        }
        QVERIFY(!shown.isEmpty());
        const auto listed = [](const QMap<QString, QSize> &pictures) {
            QStringList list;
            for (auto it = pictures.cbegin(); it != pictures.cend(); ++it)
                list << QStringLiteral("%1 %2x%3").arg(it.key()).arg(it->width()).arg(it->height());
            return list.join(QStringLiteral(", "));
        };
        QVERIFY2(info.screenshots == shown,
                 qPrintable(QStringLiteral("%1's screenshots (%2) are not the README's pictures at their sizes (%3)")
                                .arg(MetainfoSource, listed(info.screenshots), listed(shown))));

        const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (appstreamcli.isEmpty())
            QSKIP("appstreamcli is missing (Debian package appstream): the metadata is not validated");
        const Run validate = Execute(appstreamcli, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                                    QStringLiteral("--pedantic"), QStringLiteral("--no-color"), path});
        static const QRegularExpression finding(QStringLiteral("^[EWIP]: "), QRegularExpression::MultilineOption);
        QVERIFY2(validate.status == 0 && !validate.out.contains(finding), qPrintable(validate.out + validate.err));
    }

    // The program, the changelog, the newest release in the metadata and the manual page
    // all name one version.
    void versionsAgree()
    {
        const Run version = Execute(Program, {QStringLiteral("--version")});
        QVERIFY2(version.status == 0, qPrintable(version.err));
        const QString programVersion = version.out.simplified().section(u' ', -1);
        QVERIFY2(QRegularExpression(QStringLiteral(R"(^\d+\.\d+\.\d+$)")).match(programVersion).hasMatch(),
                 qPrintable(version.out));

        QString err;
        const QString changelog = Gunzipped(prefix + QStringLiteral("/share/doc/krelin/changelog.gz"), &err);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QCOMPARE(changelog.section(u'\n', 0, 0).section(u' ', 0, 1),
                 QStringLiteral("krelin (%1)").arg(programVersion));

        const Metainfo info = ReadMetainfo(prefix + QStringLiteral("/share/metainfo/") + MetainfoName);
        QVERIFY(!info.releases.isEmpty());
        QCOMPARE(info.releases.first(), programVersion);

        const QString page = Gunzipped(prefix + QStringLiteral("/share/man/man1/krelin.1.gz"), &err);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QVERIFY2(page.contains(QStringLiteral("\"Krelin %1\"").arg(programVersion)),
                 qPrintable(ManualSource + QStringLiteral("'s .TH line does not name version ") + programVersion));
    }

    // The built program is hardened as Debian builds its packages: a position-independent
    // executable, relocations read-only and resolved at start-up, the stack protector, and
    // (outside the checked builds) the C library's checked buffer functions.
    void hardenedProgram()
    {
#if !KRELIN_HARDENED
        QSKIP("built without KRELIN_HARDEN");
#endif
        QString err;
        const QString elf = ElfReport(Program, &err);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        QVERIFY2(elf.contains(QRegularExpression(QStringLiteral(R"(Type:\s+DYN)"))),
                 "not a position-independent executable");
        QVERIFY2(elf.contains(QStringLiteral("GNU_RELRO")), "no read-only relocations (-z relro)");
        QVERIFY2(elf.contains(QRegularExpression(QStringLiteral(R"(\(FLAGS\).*\bBIND_NOW\b|\(FLAGS_1\).*\bNOW\b)"))),
                 "relocations not resolved at start-up (-z now)");
        QVERIFY2(elf.contains(QStringLiteral("__stack_chk_fail")), "no stack protector");
#if KRELIN_FORTIFIED
        QVERIFY2(elf.contains(QRegularExpression(QStringLiteral(R"(\b__\w+_chk\b)"))), "no fortified C library calls");
#endif
    }

    // The package holds the installed files under /usr, owned by root, with their modes,
    // and names its version and the Qt libraries it needs.
    void debianPackage()
    {
        QTemporaryDir out;
        const Run pack = ExecuteUnderUmask077(QStringLiteral(KRELIN_CPACK),
                                 {QStringLiteral("--config"), BuildDir + QStringLiteral("/CPackConfig.cmake"),
                                  QStringLiteral("-B"), out.path()});
        QVERIFY2(pack.status == 0, qPrintable(pack.out + pack.err));
        const Run arch = Execute(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")});
        const QString deb = out.filePath(QStringLiteral("krelin_0.5.1_%1.deb").arg(arch.out.trimmed()));
        QVERIFY2(QFileInfo::exists(deb), qPrintable(pack.out));

        const Run list = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        QVERIFY2(list.status == 0, qPrintable(list.err));
        QStringList files;
        for (const QString &line : list.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.simplified().split(u' ');
            QVERIFY(fields.size() >= 6);
            QCOMPARE(fields[1], QStringLiteral("root/root"));
            const QString path = fields[5];
            const bool dir = path.endsWith(u'/');
            const QString mode = dir                                       ? QStringLiteral("drwxr-xr-x")
                                 : path == QStringLiteral("./usr/bin/krelin") ? QStringLiteral("-rwxr-xr-x")
                                                                              : QStringLiteral("-rw-r--r--");
            QCOMPARE(fields[0], mode);
            QVERIFY2(path.startsWith(QStringLiteral("./usr/")), qPrintable(path));
            if (!dir)
                files << path.mid(6);
        }
        files.sort();
        QCOMPARE(files, ExpectedFiles());

        const Run fields = Execute(QStringLiteral("dpkg-deb"),
                                   {QStringLiteral("-f"), deb, QStringLiteral("Package"), QStringLiteral("Version"),
                                    QStringLiteral("Depends"), QStringLiteral("Recommends"), QStringLiteral("Provides")});
        QVERIFY(fields.out.contains(QStringLiteral("Package: krelin\n")));
        // The player's core comes with the package, and no other frontend with the core.
        QVERIFY2(fields.out.contains(QRegularExpression(QStringLiteral("Recommends: .*libretro-nestopia"))), qPrintable(fields.out));
        QVERIFY2(fields.out.contains(QStringLiteral("Provides: libretro-frontend")), qPrintable(fields.out));
        QVERIFY(fields.out.contains(QStringLiteral("Version: 0.5.1\n")));
        for (const char *library : {"libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6multimedia6"})
            QVERIFY2(fields.out.contains(QLatin1String(library)), qPrintable(fields.out));

        // Its program is stripped of symbols, debugging information and the compilers'
        // notes, and still runs; the build's own program keeps what the tests' debugging
        // needs.
        const QString unpacked = out.filePath(QStringLiteral("unpacked"));
        const Run extract = Execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb, unpacked});
        QVERIFY2(extract.status == 0, qPrintable(extract.err));
        const QString packaged = unpacked + QStringLiteral("/usr/bin/krelin");
        QString err;
        const QString elf = ElfReport(packaged, &err);
        QVERIFY2(err.isEmpty(), qPrintable(err));
        for (const char *section : {" .comment ", " .symtab ", " .debug_"})
            QVERIFY2(!elf.contains(QLatin1String(section)), section);
        const Run version = Execute(packaged, {QStringLiteral("--version")});
        QVERIFY2(version.status == 0 && version.out.contains(QStringLiteral("0.5.1")), qPrintable(version.err));
#if KRELIN_DEBUG_INFO
        QVERIFY(ElfReport(Program, &err).contains(QStringLiteral(" .debug_info ")));
#endif
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "test_install.moc"
