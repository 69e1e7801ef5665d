// The model, the master-palette file, cartridge file reading and writing, the save
// fix-up and the stage table.

#include "core/EmulatorRun.h"
#include "core/FileWriter.h"
#include "core/MasterPalette.h"
#include "core/ResolveLinks.h"
#include "core/RomFile.h"
#include "core/SameFile.h"
#include "core/StageTable.h"
#include "core/StandardPalette.h"
#include "core/modKrelin.h"

#include "FileSizeLimit.h"
#include "OddFiles.h"
#include "TestFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/file.h>
#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

using namespace krelin;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Counting(std::size_t size)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = std::uint8_t(i * 7 + i / 256);
    return b;
}

void WriteFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(data), data.size());
}

QByteArray ReadFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The colours of data/master-palette.csv, by colour code.
std::array<Rgb, 64> CsvPalette()
{
    std::array<Rgb, 64> colors{};
    QFile f(krelin::testing::SourceFolder() + QStringLiteral("/data/master-palette.csv"));
    if (!f.open(QIODevice::ReadOnly))
        return colors;
    int seen = 0;
    while (!f.atEnd()) {
        const QList<QByteArray> cells = f.readLine().trimmed().split(',');
        bool ok = false;
        const int code = cells.value(0).toInt(&ok);
        if (!ok || cells.size() != 4 || code < 0 || code > 63)
            continue;
        colors[code] = {std::uint8_t(cells[1].toInt()), std::uint8_t(cells[2].toInt()), std::uint8_t(cells[3].toInt())};
        ++seen;
    }
    return seen == 64 ? colors : std::array<Rgb, 64>{};
}

bool ModelHasPalette(const modKrelin &m, const std::array<Rgb, 64> &colors)
{
    for (int n = 0; n < 64; ++n)
        if (m.NesRed[n] != colors[n].red || m.NesGreen[n] != colors[n].green || m.NesBlue[n] != colors[n].blue)
            return false;
    return true;
}

} // namespace

class TestCore : public QObject
{
    Q_OBJECT

private slots:
    void standardPaletteMatchesCsv()
    {
        const auto csv = CsvPalette();
        QVERIFY2(csv[32].red != 0, "data/master-palette.csv could not be read");
        for (int n = 0; n < 64; ++n) {
            QCOMPARE(StandardPalette[n].red, csv[n].red);
            QCOMPARE(StandardPalette[n].green, csv[n].green);
            QCOMPARE(StandardPalette[n].blue, csv[n].blue);
        }
        const QByteArray file = StandardPaletteFile();
        QCOMPARE(file.size(), 208);
        for (int n = 0; n < 64; ++n) {
            QCOMPARE(quint8(file[16 + 3 * n]), csv[n].red);
            QCOMPARE(quint8(file[17 + 3 * n]), csv[n].green);
            QCOMPARE(quint8(file[18 + 3 * n]), csv[n].blue);
        }
        // The Krelin.d_p written beside the program loads to the same colours.
        modKrelin model;
        QCOMPARE(LoadMasterPalette(model, krelin::testing::RuntimeFolder()), QString());
        QVERIFY(ModelHasPalette(model, csv));
    }

    void masterPaletteFileLayout_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("exactly 208 bytes") << 208;
        QTest::newRow("longer file") << 400;
    }
    void masterPaletteFileLayout()
    {
        QFETCH(int, size);
        QTemporaryDir dir;
        QByteArray data(size, '\0');
        for (int i = 0; i < size; ++i)
            data[i] = char(i < 16 ? 0xFF - i : i >= 208 ? 0xEE : (i * 13) & 0xFF);
        WriteFile(dir.filePath(MasterPaletteFileName), data);
        modKrelin model;
        QCOMPARE(LoadMasterPalette(model, dir.path()), QString());
        for (int n = 0; n < 64; ++n) {
            QCOMPARE(model.NesRed[n], std::int16_t(quint8(data[16 + 3 * n])));
            QCOMPARE(model.NesGreen[n], std::int16_t(quint8(data[17 + 3 * n])));
            QCOMPARE(model.NesBlue[n], std::int16_t(quint8(data[18 + 3 * n])));
        }
        QCOMPARE(model.NesBlue[63], std::int16_t((207 * 13) & 0xFF));
    }

    void masterPaletteFileRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing") << "missing";
        QTest::newRow("folder") << "folder";
        QTest::newRow("empty") << "empty";
        QTest::newRow("207 bytes") << "short";
    }
    void masterPaletteFileRefused()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(MasterPaletteFileName);
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir(MasterPaletteFileName));
        else if (kind == "empty")
            WriteFile(path, {});
        else if (kind == "short")
            WriteFile(path, QByteArray(207, '\x11'));
        modKrelin model;
        model.NesRed.fill(7);
        const QString message = LoadMasterPalette(model, dir.path());
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(ModelHasPalette(model, StandardPalette));
    }

    void readRomFile()
    {
        QTemporaryDir dir;
        Bytes bytes = Counting(70001);
        std::copy(std::begin(CartridgeSignature), std::end(CartridgeSignature), bytes.begin());
        WriteFile(dir.filePath("a.nes"), QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())));
        const RomReadResult r = ReadRomFile(dir.filePath("a.nes"));
        QVERIFY2(r.ok(), qPrintable(r.error));
        QVERIFY(r.bytes == bytes);

        // The largest accepted size, held sparse on disk.
        QFile big(dir.filePath("big.nes"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.write("NES\x1A") == 4 && big.resize(MaxImageSize));
        big.close();
        QCOMPARE(ReadRomFile(big.fileName()).bytes.size(), std::size_t(MaxImageSize));
    }

    void readRomFileRefused_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "missing" << "the file does not exist";
        QTest::newRow("folder") << "folder" << "it is a folder";
        QTest::newRow("empty") << "empty" << "the file is empty";
        QTest::newRow("16 MiB + 1") << "large" << "larger than 16 MiB";
        QTest::newRow("unreadable") << "unreadable" << "Permission denied";
        QTest::newRow("named pipe") << "pipe" << "not an ordinary file"; // reading it would wait for a writer for ever
        QTest::newRow("device") << "device" << "not an ordinary file";   // and this one never ends
        QTest::newRow("no header") << "headerless" << "has no cartridge header (\"NES\" and 1A at its start)";
        QTest::newRow("header cut short") << "three bytes" << "has no cartridge header";
        QTest::newRow("41 links in a row") << "chain" << "too many levels of symbolic links";
        QTest::newRow("links in a loop") << "loop" << "too many levels of symbolic links";
    }
    void readRomFileRefused()
    {
        QFETCH(QString, kind);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString path = kind == "device" ? QStringLiteral("/dev/zero") : dir.filePath("game.nes");
        if (kind == "unreadable" && geteuid() == 0)
            QSKIP("running as root: file permissions do not stop reading");
        if (kind == "folder") {
            QVERIFY(QDir(dir.path()).mkdir("game.nes"));
        } else if (kind == "pipe") {
            QVERIFY(mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (kind == "chain") {
            WriteFile(dir.filePath("real.nes"), QByteArray("NES\x1A", 4) + QByteArray(100, 'x'));
            QVERIFY(testing::MakeLinkChain(dir.filePath("real.nes"), path, MaxLinkSteps + 1));
        } else if (kind == "loop") {
            QVERIFY(testing::MakeLinkChain(path, path, 2));
        } else if (kind != "missing" && kind != "device") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            if (kind == "large")
                QVERIFY(f.write("NES\x1A") == 4 && f.resize(MaxImageSize + 1));
            if (kind == "unreadable") {
                f.write("NES\x1a");
                QVERIFY(f.setPermissions(QFileDevice::Permissions()));
            }
            if (kind == "headerless")
                f.write(QByteArray("NES\x1B", 4) + QByteArray(0x20000, 'x'));
            if (kind == "three bytes")
                f.write("NES");
        }
        const RomReadResult r = ReadRomFile(path);
        QVERIFY(!r.ok());
        QVERIFY(r.bytes.empty());
        QVERIFY2(r.error.contains(QDir::toNativeSeparators(path)) && r.error.contains(says), qPrintable(r.error));
    }

    // A file reached through links is found the same way by reading, writing and the
    // "same file" check: up to the system's limit of links in a row, and never past it.
    void linkChains_data()
    {
        QTest::addColumn<int>("links");
        QTest::newRow("40 links: the most the system follows") << MaxLinkSteps;
        QTest::newRow("41 links") << MaxLinkSteps + 1;
        QTest::newRow("45 links") << 45;
        QTest::newRow("a loop") << 0;
    }
    void linkChains()
    {
        QFETCH(int, links);
        QTemporaryDir dir;
        const QString real = dir.filePath("real.nes"), end = dir.filePath("end.nes");
        const QByteArray old = QByteArray("NES\x1A", 4) + QByteArray(300, 'o');
        WriteFile(real, old);
        QVERIFY(testing::MakeLinkChain(links > 0 ? real : end, end, links > 0 ? links : 3));
        const bool followed = links > 0 && links <= MaxLinkSteps;

        QCOMPARE(ReadRomFile(end).ok(), followed);
        QCOMPARE(IsSameFile(end, real), followed);
        const QString written = WriteRomFile(end, Counting(200));
        if (followed) {
            QCOMPARE(written, QString());
            QCOMPARE(ReadFile(real).size(), 200);
        } else {
            QCOMPARE(written, QStringLiteral("Cannot save %1: %2.").arg(QDir::toNativeSeparators(end), LinkLoopReason));
            QCOMPARE(ReadFile(real), old);
        }
        QVERIFY(QFileInfo(end).isSymLink()); // the link itself is never replaced
    }

    // A link whose target is not valid UTF-8 leads to that exact file, not to one whose
    // name was mangled on the way.
    void linkToNonUtf8Name()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        const QByteArray real = folder + "/bad\xff.nes", decoy = folder + "/bad\xef\xbf\xbd.nes";
        WriteFile(QFile::decodeName(decoy), "decoy");
        QVERIFY(::close(::open(real.constData(), O_CREAT | O_WRONLY, 0644)) == 0);
        QCOMPARE(::symlink("bad\xff.nes", (folder + "/link.nes").constData()), 0);
        QCOMPARE(WriteRomFile(dir.filePath("link.nes"), Counting(10)), QString());
        struct stat st{};
        QCOMPARE(::stat(real.constData(), &st), 0);
        QCOMPARE(st.st_size, 10);
        QCOMPARE(ReadFile(QFile::decodeName(decoy)), QByteArray("decoy"));
    }

    void writeRomFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("out.nes");
        WriteFile(path, QByteArray(5000, 'x'));
        const Bytes bytes = Counting(1234);
        QCOMPARE(WriteRomFile(path, bytes), QString());
        const QByteArray written = ReadFile(path);
        QCOMPARE(written.size(), 1234); // no stale tail of the longer old file
        QVERIFY(std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const std::uint8_t *>(written.constData())));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.nes"}); // no temporary left
    }

    // A write leaves no file but its target, whichever temporary file it goes through, and
    // removes what writes killed half way left in its folder: this writer's own names, the
    // user's own files, a minute old or more. Everything else stays.
    // A write clears up its own leftovers and nothing else: other programs' temporary files
    // (of any name) stay, however old.
    void temporaryFiles_data()
    {
        QTest::addColumn<int>("first");
        QTest::newRow("unnamed temporary") << int(TemporaryFile::Unnamed);
        QTest::newRow("named temporary") << int(TemporaryFile::Named);
    }
    void temporaryFiles()
    {
        QFETCH(int, first);
        QTemporaryDir dir;
        const QString path = dir.filePath("game.nes");
        WriteFile(path, "old");
        // This writer's, whose writers are gone, however young; and an earlier version's
        // (never locked) once a minute old.
        const QStringList gone{".game.nes.krelin-new-0123abcd~", ".other.nes.krelin-new-ffff0000~", "..krelin-new-00000000~"};
        const QStringList earlier{".game.nes.krelin-0123abcd~", ".other.nes.krelin-ffff0000~", "..krelin-00000000~"};
        QStringList kept{".game.nes.krelin-new-5555aaaa~", // its writer still runs (holds the lock)
                         ".game.nes.krelin-9876fedc~",     // an earlier version's, young: perhaps still written
                         ".thesis.tex.0badc0de~", ".game.nes.0123abcd~", ".game.nes.krelin-0123ABCD~",
                         ".game.nes.krelin-new-0123abc~", "game.nes.krelin-new-0123abcd~", ".game.nes.krelin-new-0123abcd"};
        for (const QString &name : gone + earlier + kept)
            WriteFile(dir.filePath(name), "left");
        if (geteuid() == 0) {
            kept << ".theirs.nes.krelin-new-00000000~" << ".theirs.nes.krelin-00000000~"; // another user's
            for (const QString &name : kept.mid(kept.size() - 2)) {
                WriteFile(dir.filePath(name), "theirs");
                QCOMPARE(::chown(QFile::encodeName(dir.filePath(name)).constData(), 65534, 65534), 0);
            }
        }
        for (const QString &name : earlier + kept.mid(2))
            QVERIFY(testing::Backdate(dir.filePath(name), 2 * StaleTemporaryAge));
        const int writing = ::open(QFile::encodeName(dir.filePath(kept.first())).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(writing >= 0 && ::flock(writing, LOCK_EX | LOCK_NB) == 0);

        QCOMPARE(ReplaceFileContents(path, "new", TemporaryFile(first)), QString());
        ::close(writing);
        QCOMPARE(ReadFile(path), QByteArray("new"));
        QStringList expected = kept;
        expected << "game.nes";
        expected.sort();
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    }

    // A file whose name is as long as the file system allows is written like any other,
    // through either kind of temporary file, and leaves nothing else behind.
    void longestNames_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<QString>("name");
        const QString ascii = QString(251, u'a') + ".nes";
        const QString wide = QString(83, QChar(0x00E9)) + u'x' + ".nes"; // 166 + 1 + 4 bytes, cut inside an é
        for (const auto &[kind, label] : {std::pair{TemporaryFile::Unnamed, "unnamed"}, std::pair{TemporaryFile::Named, "named"}}) {
            QTest::addRow("%s, 255 bytes", label) << int(kind) << ascii;
            QTest::addRow("%s, 245 bytes", label) << int(kind) << ascii.mid(10);
            QTest::addRow("%s, UTF-8", label) << int(kind) << QString(wide).prepend(QString(84, u'b'));
        }
    }
    void longestNames()
    {
        QFETCH(int, first);
        QFETCH(QString, name);
        QVERIFY(QFile::encodeName(name).size() <= 255);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        WriteFile(path, "old");
        QCOMPARE(ReplaceFileContents(path, "new", TemporaryFile(first)), QString());
        QCOMPARE(ReadFile(path), QByteArray("new"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{name});
    }

    void writeRomFileFails()
    {
        QTemporaryDir dir;
        const Bytes bytes = Counting(100);

        const QString noFolder = dir.filePath("nowhere/out.nes");
        QString message = WriteRomFile(noFolder, bytes);
        QVERIFY2(message.contains(QDir::toNativeSeparators(noFolder)), qPrintable(message));

        QVERIFY(QDir(dir.path()).mkdir("folder.nes"));
        message = WriteRomFile(dir.filePath("folder.nes"), bytes);
        QVERIFY2(message.contains(QDir::toNativeSeparators(dir.filePath("folder.nes"))), qPrintable(message));
        QVERIFY(QFileInfo(dir.filePath("folder.nes")).isDir());

        // A folder that cannot take the temporary file: the old file stays whole.
        if (geteuid() == 0)
            QSKIP("running as root: a read-only folder still takes new files");
        QVERIFY(QDir(dir.path()).mkdir("ro"));
        const QString old = dir.filePath("ro/old.nes");
        WriteFile(old, QByteArray(300, 'o'));
        QFile::setPermissions(dir.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        message = WriteRomFile(old, bytes);
        QFile::setPermissions(dir.filePath("ro"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY2(message.contains(QStringLiteral("does not allow new files")), qPrintable(message));
        QCOMPARE(ReadFile(old), QByteArray(300, 'o'));
    }

    // The target's permission bits decide, for root as for anyone: a file its owner may not
    // write is refused whole; any other keeps its mode, and a link keeps pointing at it.
    void writeRomFileModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("viaLink");
        QTest::newRow("0600 stays 0600") << 0600 << false;
        QTest::newRow("0640 stays 0640") << 0640 << false;
        QTest::newRow("0644 through a link") << 0644 << true;
        QTest::newRow("0444 read-only") << 0444 << false;
        QTest::newRow("0400 read-only through a link") << 0400 << true;
    }
    void writeRomFileModes()
    {
        QFETCH(int, mode);
        QFETCH(bool, viaLink);
        QTemporaryDir dir;
        const QString path = dir.filePath("game.nes");
        WriteFile(path, QByteArray(300, 'o'));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        QString target = path;
        if (viaLink) {
            target = dir.filePath("link.nes");
            QVERIFY(QFile::link(path, target));
        }
        const QString message = WriteRomFile(target, Counting(200));
        const bool readOnly = !(mode & 0200);
        if (readOnly) {
            QCOMPARE(message, QStringLiteral("Cannot save %1: the file is read-only.").arg(QDir::toNativeSeparators(target)));
            QCOMPARE(ReadFile(path), QByteArray(300, 'o'));
        } else {
            QCOMPARE(message, QString());
            QCOMPARE(ReadFile(path).size(), 200);
        }
        struct stat st{};
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 07777), mode);
        QCOMPARE(QFileInfo(target).isSymLink(), viaLink);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), viaLink ? 2 : 1);
    }

    // A write that the system stops names the system's reason, never a generic one, and
    // leaves the old file whole.
    void writeRomFileSystemReasons()
    {
        QCOMPARE(SystemWriteReason(ENOSPC), QStringLiteral("there is no space left on the device"));
        QVERIFY(SystemWriteReason(EFBIG).contains(QStringLiteral("file size limit")));
        QVERIFY(SystemWriteReason(EROFS).contains(QStringLiteral("read-only")));
        QCOMPARE(SystemWriteReason(EIO), QStringLiteral("input/output error")); // the system's own words

        QTemporaryDir dir;
        const QString path = dir.filePath("big.nes");
        WriteFile(path, QByteArray(300, 'o'));
        QString message;
        {
            const testing::FileSizeLimit limit(4096);
            QVERIFY(limit.isSet());
            message = WriteRomFile(path, Counting(10000));
        }
        QCOMPARE(message, QStringLiteral("Cannot save %1: %2. The file on disk was not changed.")
                              .arg(QDir::toNativeSeparators(path), SystemWriteReason(EFBIG)));
        QCOMPARE(ReadFile(path), QByteArray(300, 'o'));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"big.nes"});
    }

    void saveFixUp()
    {
        modKrelin model;
        Bytes bytes = Counting(FixUpImageSize); // 117,145 bytes: just long enough
        QCOMPARE(FixUpImageSize, 117145);
        model.replaceImage(bytes);
        QSignalSpy changed(&model, &modKrelin::imageChanged);
        QVERIFY(ApplySaveFixUp(model));
        QCOMPARE(model.byteAt(0x12008), bytes[0x1C997]);
        QCOMPARE(model.byteAt(0x12009), bytes[0x1C998]);
        QCOMPARE(changed.size(), 1);
        bytes[0x12008] = bytes[0x1C997];
        bytes[0x12009] = bytes[0x1C998];
        QVERIFY(model.image() == bytes); // nothing else moved

        Bytes shorter = Counting(FixUpImageSize - 1);
        model.replaceImage(shorter);
        QVERIFY(!ApplySaveFixUp(model));
        QVERIFY(model.image() == shorter);
    }

    void modelBounds_data()
    {
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("length");
        QTest::addColumn<bool>("inside");
        constexpr qint64 big = std::numeric_limits<qint64>::max();
        QTest::newRow("whole image") << qint64(0) << qint64(100) << true;
        QTest::newRow("last byte") << qint64(99) << qint64(1) << true;
        QTest::newRow("at end, nothing") << qint64(100) << qint64(0) << true;
        QTest::newRow("at end") << qint64(100) << qint64(1) << false;
        QTest::newRow("last two") << qint64(99) << qint64(2) << false;
        QTest::newRow("negative offset") << qint64(-1) << qint64(1) << false;
        QTest::newRow("negative length") << qint64(10) << qint64(-1) << false;
        QTest::newRow("length overflows") << qint64(1) << big << false;
        QTest::newRow("offset huge") << big << qint64(1) << false;
        QTest::newRow("offset min") << std::numeric_limits<qint64>::min() << qint64(2) << false;
    }
    void modelBounds()
    {
        QFETCH(qint64, offset);
        QFETCH(qint64, length);
        QFETCH(bool, inside);
        modKrelin model;
        const Bytes bytes = Counting(100);
        model.replaceImage(bytes);
        QCOMPARE(model.holds(offset, length), inside);
        QCOMPARE(model.bytesAt(offset, length) != nullptr, inside && length > 0);
        if (inside && length > 0)
            QCOMPARE(model.bytesAt(offset, length), model.image().data() + offset);
        QCOMPARE(model.byteAt(offset), model.holds(offset, 1) ? bytes[std::size_t(offset)] : std::uint8_t(0));
        if (length >= 0 && length <= 200) {
            const Bytes patch(std::size_t(length), 0xA5);
            QCOMPARE(model.writeBytes(offset, patch), inside);
            if (!inside)
                QVERIFY(model.image() == bytes);
        }
        QCOMPARE(model.writeByte(offset, 0x5A), model.holds(offset, 1));
    }

    void modelChangeTracking()
    {
        modKrelin model;
        QVERIFY(!model.hasImage());
        QSignalSpy replaced(&model, &modKrelin::imageReplaced);
        model.replaceImage(Counting(64));
        QCOMPARE(replaced.size(), 1);

        QSignalSpy changed(&model, &modKrelin::imageChanged);
        const std::uint8_t same[3] = {model.byteAt(10), model.byteAt(11), model.byteAt(12)};
        QVERIFY(model.writeBytes(10, same));
        QCOMPARE(changed.size(), 0);

        const std::uint8_t other[3] = {same[0], std::uint8_t(same[1] + 1), same[2]};
        QVERIFY(model.writeBytes(10, other));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed[0][0].toLongLong(), 10);
        QCOMPARE(changed[0][1].toLongLong(), 3);
        QCOMPARE(model.byteAt(11), other[1]);
        QVERIFY(model.writeByte(40, std::uint8_t(model.byteAt(40) ^ 1)));
        QCOMPARE(changed.size(), 2);
    }

    void stageTableLayout()
    {
        for (const Stage &s : StageTable)
            QCOMPARE(s.MetaPalOffset, s.MetaTileOffset + 0x400);
        // Level maps of stages played one after another lie back to back.
        const QList<QStringList> runs = {{"1A", "1B", "1C", "2A", "2B", "2C"}, {"3", "4A", "4B"}, {"5", "6", "7"}};
        for (const QStringList &run : runs) {
            for (int k = 0; k + 1 < run.size(); ++k) {
                const Stage *a = FindStage(run[k]), *b = FindStage(run[k + 1]);
                QVERIFY(a && b);
                QCOMPARE(a->LevelOffset + 240 * a->Frames, b->LevelOffset);
            }
        }
        const Stage *s4b = FindStage(QStringLiteral("4B"));
        QCOMPARE(s4b->LevelOffset + 240 * s4b->Frames, 0xB677);
        const Stage *s7 = FindStage(QStringLiteral("7"));
        QCOMPARE(s7->LevelOffset + 240 * s7->Frames - 1, 0xF814);

        qint64 highest = 0;
        for (const Stage &s : StageTable)
            highest = std::max(highest, StageBytesNeeded(s) - 1);
        QCOMPARE(highest, qint64(0x1C00F));
        QCOMPARE(StageBytesNeeded(*FindStage(QStringLiteral("1A"))), qint64(0x19010)); // its tile bank ends last

        QCOMPARE(FindStage(QStringLiteral("2a")), &StageTable[3]);
        QCOMPARE(FindStage(QStringLiteral("4b")), &StageTable[8]);
        QCOMPARE(FindStage(QStringLiteral("7")), &StageTable[11]);
        for (const char *name : {"8", "1", "", "2A ", "1AB", "A"})
            QVERIFY2(FindStage(QString::fromLatin1(name)) == nullptr, name);
    }

    void stageFit()
    {
        for (const Stage &s : StageTable) {
            const qint64 needed = StageBytesNeeded(s);
            QCOMPARE(StageFitProblem(s, needed), QString());
            QCOMPARE(StageFitProblem(s, 0x20010), QString());
            const QString problem = StageFitProblem(s, needed - 1);
            QVERIFY2(problem.contains(s.caption()) && problem.contains(QString::number(needed - 1)),
                     qPrintable(problem));
        }
    }

    // The emulator's words: "%f" replaced after the split, so a path with spaces stays one
    // word; without "%f" the path comes last.
    void emulatorArguments_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("words");
        const QString path = QStringLiteral("/tmp/my run/game.nes");
        QTest::newRow("placeholder") << "emu %f" << QStringList{"emu", path};
        QTest::newRow("no placeholder") << "emu -f" << QStringList{"emu", "-f", path};
        QTest::newRow("inside a word, quoted program")
            << "\"/opt/my emu/emu\" --rom=%f -x" << QStringList{"/opt/my emu/emu", "--rom=" + path, "-x"};
        QTest::newRow("empty") << "   " << QStringList{};
    }

    void emulatorArguments()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, words);
        QCOMPARE(EmulatorArguments(command, QStringLiteral("/tmp/my run/game.nes")), words);
    }

    // Single quotes as a shell has them would split a program's path: such a command is
    // refused with the double-quoted one it should be; an apostrophe in a name is not.
    void singleQuotes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("suggested"); // empty: no problem
        QTest::newRow("a path with spaces") << "'/opt/emu dir/emu' %f" << "\"/opt/emu dir/emu\" %f";
        QTest::newRow("a whole word") << "emu --rom 'x' %f" << "emu --rom \"x\" %f";
        QTest::newRow("apostrophes") << "/home/o'neill/emu --title o'brien %f" << QString();
        QTest::newRow("inside double quotes") << "\"/opt/it's 'a' dir/emu\" %f" << QString();
        QTest::newRow("double quotes") << "\"/opt/emu dir/emu\" %f" << QString();
    }
    void singleQuotes()
    {
        QFETCH(QString, command);
        QFETCH(QString, suggested);
        const QString problem = SingleQuoteProblem(command);
        QVERIFY2(suggested.isEmpty() ? problem.isEmpty() : problem.endsWith(QStringLiteral("instead: ") + suggested),
                 qPrintable(problem));
        if (!suggested.isEmpty())
            QVERIFY(SingleQuoteProblem(suggested).isEmpty());
    }

    // The test runs' folders of programs that no longer run go at the next start; a live
    // program's, and a folder without an owner (one being made), stay.
    void emulatorRunLeftovers()
    {
        QTemporaryDir temporary;
        const QByteArray before = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temporary.path()));
        const QDir tmp(temporary.path());
        for (const char *name : {"krelin-run-dead01", "krelin-run-new002", "krelin-run-live03"})
            QVERIFY(tmp.mkdir(name));
        QProcess gone;
        gone.start(QStringLiteral("true"), {});
        QVERIFY(gone.waitForStarted());
        const qint64 dead = gone.processId();
        QVERIFY(gone.waitForFinished());
        WriteFile(tmp.filePath("krelin-run-dead01/owner.lock"),
                  QStringLiteral("%1\nkrelin\n%2\n").arg(dead).arg(QSysInfo::machineHostName()).toUtf8());
        WriteFile(tmp.filePath("krelin-run-dead01/game.nes"), "a copy");
        QLockFile live(tmp.filePath("krelin-run-live03/owner.lock"));
        QVERIFY(live.tryLock(0));
        EmulatorRun run;
        QCOMPARE(run.start(QStringLiteral("true %f"), {0x4E, 0x45, 0x53, 0x1A}, QStringLiteral("game.nes")), QString());
        QCOMPARE(EmulatorRun::RemoveLeftovers(), 1);
        QStringList left = tmp.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(left.size(), 3);
        QVERIFY(left.contains("krelin-run-new002") && left.contains("krelin-run-live03"));
        QVERIFY(QFile::exists(run.imagePath()));
        qputenv("TMPDIR", before);
    }

    void joinCommandQuotes()
    {
        const QStringList words{"/a b/emu", "say \"hi\"", "%f"};
        QCOMPARE(QProcess::splitCommand(JoinCommand(words)), words);
    }
};

QTEST_GUILESS_MAIN(TestCore)
#include "test_core.moc"
