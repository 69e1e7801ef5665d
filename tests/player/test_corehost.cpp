// The core host, with small cores built for the tests: what a core that cannot be used
// says, how an image, the buttons, the options, the picture, the sound and the states
// reach the core and come back, and how the core to use is found.
#include "TestCores.h"
#include "player/CoreHost.h"
#include "player/CoreLocator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace krelin;
using krelin::testing::TestCore;

namespace {

QByteArray Image(int size, char first = 1)
{
    return testing::TestCoreImage(size, first);
}

int Red(const QImage &picture, int i)
{
    return qRed(picture.pixel(i % picture.width(), i / picture.width()));
}

int Green(const QImage &picture)
{
    return qGreen(picture.pixel(0, 0));
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class CoreHostTest : public QObject
{
    Q_OBJECT

    QTemporaryDir scratch;
    CoreFolders folders() const { return {scratch.filePath("system"), scratch.filePath("saves")}; }

    std::unique_ptr<CoreHost> openTestCore(const char *name = "test_core")
    {
        QString error;
        auto host = CoreHost::open(TestCore(name), folders(), &error);
        if (!host)
            qWarning("%s", qPrintable(error));
        return host;
    }

    // A test core running the image for the given number of frames.
    std::unique_ptr<CoreHost> running(const QByteArray &image, int frames, const char *name = "test_core")
    {
        auto host = openTestCore(name);
        QString error;
        if (host && !host->loadImage(image, &error)) {
            qWarning("%s", qPrintable(error));
            host.reset();
        }
        for (int i = 0; host && i < frames; ++i)
            host->runFrame();
        return host;
    }

private slots:
    void unusableCores_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << scratch.filePath("gone_libretro.so") << "the file does not exist";
        QTest::newRow("not a library") << scratch.filePath("text_libretro.so") << "cannot be loaded as a library";
        QTest::newRow("a folder") << scratch.path() << "it is not a file";
        QTest::newRow("not libretro") << TestCore("test_core_no_run") << "is not a libretro core (it has no retro_run)";
        QTest::newRow("other version") << TestCore("test_core_old_api")
                                       << "speaks version 0 of the libretro interface";
    }

    void unusableCores()
    {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        WriteFile(scratch.filePath("text_libretro.so"), "not a library\n");
        QString error;
        QVERIFY(!CoreHost::open(path, folders(), &error));
        QVERIFY2(error.startsWith(QStringLiteral("Cannot use the core %1: ").arg(path)), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
    }

    // A core's globals are its library's: a second host on the same file would share them.
    void oneHostPerCore()
    {
        auto first = openTestCore();
        QVERIFY(first);
        QString error;
        QVERIFY(!CoreHost::open(TestCore("test_core"), folders(), &error));
        QVERIFY2(error.contains("already running"), qPrintable(error));
        first.reset();
        QVERIFY(openTestCore()); // free again once the first is gone
    }

    void refusedImages()
    {
        auto host = openTestCore();
        QString error;
        QVERIFY(!host->loadImage(Image(64, 'X'), &error));
        QCOMPARE(error, QStringLiteral("The core %1 refused the image: the image is damaged.").arg(TestCore("test_core")));
        QVERIFY(!host->hasImage());
        QVERIFY(!host->loadImage(QByteArray(), &error));
        QVERIFY2(error.contains("refused an empty image"), qPrintable(error));
        host.reset();

        auto filesOnly = openTestCore("test_core_needs_file");
        QVERIFY(!filesOnly->loadImage(Image(64), &error));
        QVERIFY2(error.contains(TestCore("test_core_needs_file")) && error.contains("only from files"), qPrintable(error));
    }

    // The image, the buttons and the options reach the core; its picture and sound come
    // back frame by frame.
    void framesPictureSoundAndButtons()
    {
        auto host = openTestCore();
        QCOMPARE(host->name(), QStringLiteral("Test core 1.0"));
        QString error;
        const QByteArray image = Image(100);
        QVERIFY2(host->loadImage(image, &error), qPrintable(error));
        QVERIFY(host->picture().isNull());
        QCOMPARE(host->framesPerSecond(), 50.0);
        QCOMPARE(host->sampleRate(), 32000.0);

        host->setButtons(ButtonBit(JoypadButton::Up) | ButtonBit(JoypadButton::Select));
        host->runFrame();
        host->runFrame();
        const QImage picture = host->picture();
        QCOMPARE(picture.size(), QSize(16, 8));
        QCOMPARE(picture.format(), QImage::Format_RGB32);
        for (int i : {0, 1, 99, 100, 127})
            QCOMPARE(Red(picture, i), int(quint8(image[i % 100])));
        QCOMPARE(Green(picture), 2);
        QCOMPARE(qBlue(picture.pixel(5, 5)), (1 << 4) | (1 << 2));
        QCOMPARE(qAlpha(picture.pixel(5, 5)), 255);
        QCOMPARE(host->audio().size(), std::size_t(200)); // this frame's only
        QCOMPARE(host->audio().back(), std::int16_t(2));

        host->setButtons(0);
        host->options().set("test_core_green", "zero");
        host->runFrame();
        QCOMPARE(qBlue(host->picture().pixel(0, 0)), 0);
        QCOMPARE(Green(host->picture()), 0);
        QCOMPARE(host->options().valueOf("test_core_green"), QStringLiteral("zero"));
        QCOMPARE(host->options().valuesOf("test_core_green"), QStringList({"frames", "zero"}));
    }

    void picturesIn565()
    {
        QByteArray image(16, '\0');
        image[0] = char(0xFF), image[1] = char(0x10), image[2] = char(0x08);
        auto host = running(image, 255, "test_core_565"); // green: 255 frames, the most it shows
        QVERIFY(host);
        const QImage picture = host->picture();
        QCOMPARE(Red(picture, 0), 0xFF);
        QCOMPARE(Red(picture, 1), 0x10);
        QCOMPARE(Red(picture, 2), 0x08);
        QCOMPARE(Green(picture), 0xFF);
    }

    void savedAndRestoredStates()
    {
        auto host = running(Image(64), 5);
        QVERIFY(host);
        QString error;
        const auto state = host->saveState(&error);
        QVERIFY2(state, qPrintable(error));
        host->runFrame();
        host->runFrame();
        QVERIFY2(host->restoreState(*state, &error), qPrintable(error));
        host->runFrame();
        QCOMPARE(Green(host->picture()), 6);

        QByteArray damaged = *state;
        damaged[0] = 'Y';
        QVERIFY(!host->restoreState(damaged, &error));
        QCOMPARE(error, QStringLiteral("The core %1 refused the saved state: not a state of mine.").arg(TestCore("test_core")));
        host->runFrame(); // the game goes on as it was
        QCOMPARE(Green(host->picture()), 7);
    }

    // A new image under the running game: the game goes on where it was, with the new
    // bytes; when the core refuses the old state with the new image, the game restarts.
    void imageReloads()
    {
        auto host = running(Image(64), 9);
        QVERIFY(host);
        QByteArray edited = Image(64);
        edited[3] = char(0xEE);
        QString message;
        QCOMPARE(host->reloadImage(edited, &message), CoreHost::Reload::StateKept);
        QVERIFY(message.isEmpty());
        QCOMPARE(host->image(), edited);
        host->runFrame();
        QCOMPARE(Green(host->picture()), 10);
        QCOMPARE(Red(host->picture(), 3), 0xEE);

        QCOMPARE(host->reloadImage(Image(80), &message), CoreHost::Reload::Restarted);
        QVERIFY2(message.contains("image of another size") && message.endsWith("The game starts again."),
                 qPrintable(message));
        host->runFrame();
        QCOMPARE(Green(host->picture()), 1);

        QCOMPARE(host->reloadImage(Image(80, 'X'), &message), CoreHost::Reload::Failed);
        QVERIFY(message.contains("refused the image"));
        QVERIFY(!host->hasImage());
    }

    void coresFound()
    {
        QTemporaryDir first, second;
        const auto put = [](const QTemporaryDir &dir, const char *name, const QByteArray &text = "core") {
            WriteFile(dir.filePath(name), text);
        };
        put(second, "nestopia_libretro.so");
        put(first, "other_libretro.so");
        put(first, "other.libretro", "[Libretro]\nModule=other_libretro.so\n[Platform:NintendoEntertainmentSystem]\n");
        put(first, "snes_libretro.so");
        put(first, "snes.libretro", "[Libretro]\nModule=snes_libretro.so\n[Platform:SuperNintendo]\n");
        put(first, "gone.libretro", "[Libretro]\nModule=gone_libretro.so\n[Platform:NintendoEntertainmentSystem]\n");
        const QStringList folders = {first.path(), second.path()};
        QCOMPARE(FindNesCores(folders),
                 QStringList({second.filePath("nestopia_libretro.so"), first.filePath("other_libretro.so")}));

        qunsetenv(CoreVariable);
        QCOMPARE(ChooseCore(folders).path, second.filePath("nestopia_libretro.so"));
        qputenv(CoreVariable, "snes_libretro.so");
        QCOMPARE(ChooseCore(folders).path, first.filePath("snes_libretro.so"));
        qputenv(CoreVariable, first.filePath("snes_libretro.so").toLocal8Bit());
        QCOMPARE(ChooseCore(folders).path, first.filePath("snes_libretro.so"));
        qunsetenv(CoreVariable);
        QCOMPARE(ChooseCore(folders, first.filePath("other_libretro.so")).path, first.filePath("other_libretro.so"));

        const CoreChoice none = ChooseCore({scratch.filePath("nothing here")});
        QVERIFY(none.path.isEmpty());
        QVERIFY2(none.problem.contains(scratch.filePath("nothing here")) && none.problem.contains("libretro-nestopia")
                     && none.problem.contains("KRELIN_CORE"),
                 qPrintable(none.problem));
    }

    // A core named that is not there is refused before anything opens, saying what names it
    // and what to do instead.
    void namedCoreMissing_data()
    {
        QTest::addColumn<QByteArray>("variable");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("nameItIn");
        QTest::addColumn<QStringList>("said");
        const QString window = QStringLiteral("Preferences ▸ Player");
        QTest::newRow("variable, a path") << QByteArray("/x/core.so") << QString() << window
                                          << QStringList{"/x/core.so", "does not exist", "KRELIN_CORE", "libretro-nestopia", window};
        QTest::newRow("variable, a name") << QByteArray("mine_libretro.so") << QString() << window
                                          << QStringList{"mine_libretro.so", "KRELIN_CORE", "libretro-nestopia", window};
        QTest::newRow("variable, a folder") << QByteArray("/tmp") << QString() << window
                                            << QStringList{"/tmp", "is not a file", "KRELIN_CORE"};
        QTest::newRow("variable, command line") << QByteArray("/x/core.so") << QString() << QString(CoreVariable)
                                                << QStringList{"/x/core.so", "KRELIN_CORE", "libretro-nestopia"};
        QTest::newRow("preferences") << QByteArray() << QStringLiteral("/x/core.so") << window
                                     << QStringList{"/x/core.so", "does not exist", window, "libretro-nestopia"};
    }

    void namedCoreMissing()
    {
        QFETCH(QByteArray, variable);
        QFETCH(QString, chosen);
        QFETCH(QString, nameItIn);
        QFETCH(QStringList, said);
        if (variable.isEmpty())
            qunsetenv(CoreVariable);
        else
            qputenv(CoreVariable, variable);
        const CoreChoice choice = ChooseCore({scratch.path()}, chosen, nameItIn);
        qunsetenv(CoreVariable);
        QVERIFY(choice.path.isEmpty());
        for (const QString &words : said)
            QVERIFY2(choice.problem.contains(words), qPrintable(choice.problem));
        QVERIFY2(!choice.problem.contains("..") && choice.problem.endsWith('.'), qPrintable(choice.problem));
        // The command line has no preferences to name.
        QCOMPARE(choice.problem.contains("Preferences"), nameItIn != QLatin1String(CoreVariable));
    }
};

QTEST_GUILESS_MAIN(CoreHostTest)
#include "test_corehost.moc"
