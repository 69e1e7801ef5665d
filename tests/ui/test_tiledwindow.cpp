// The Tiled maps in the real window: File > Export > Stage as Tiled Map and File > Import >
// Tiled Map (the change shown and asked about, one step named after the map and the stage,
// a bad map refused with nothing changed, another image's map asked about), Tools > Edit
// Stage in Tiled (each save taken in as one step after a question that can be turned off,
// whether another program renames a new file over the map or writes into it, at once or
// in two writes; a map that does not read waited for until its writer is done; the maps
// read off the window's thread; a second Edit Stage in Tiled that would replace work not
// taken in asks first; a folder removed made anew; the folder gone with the program unless
// it holds work not taken in, which the next start keeps, as it keeps that of a program
// killed) and the command in Preferences.
#include "Bytes.h"
#include "MainWindowSession.h"
#include "../tiled/MapText.h"
#include "core/MasterPalette.h"
#include "core/Preferences.h"
#include "render/Palette.h"
#include "tiled/TiledExport.h"
#include "tiled/TiledLiveFolder.h"
#include "ui/KeyboardShortcuts.h"
#include "ui/PreferencesDialog.h"
#include "ui/TiledCommands.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QLineEdit>
#include <QProcess>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <csignal>
#include <cstring>

using namespace krelin;
using namespace krelin::testing;

namespace {

// Stage 2A of a copy of the sample (7 frames, rooms 12 to 43), frame 0 shown.
struct Maps : Session
{
    QString mapPath = dir.filePath(QStringLiteral("m.tmx"));
    Maps() { QVERIFY(Controls(window).mnuEdit_Level_Click(S2A)); }

    QAction *action(const char *name) { return NamedChild<QAction>(window.get(), name); }
    TiledCommands &tiled() { return Part<TiledCommands>(window.get()); }
    EditHistory &history() { return Controls(window).history(); }

    void exportMap()
    {
        desktop.saveAnswers << mapPath;
        action("mnuExportTiled")->trigger();
    }
    void importMap(const QString &path, QList<bool> answers)
    {
        desktop.openAnswers << path;
        desktop.yesNoAnswers << answers;
        action("mnuImportTiled")->trigger();
    }
    // The cell (frame f, column, row) of the map, 7 frames wide.
    static std::size_t cell(int f, int col, int row) { return std::size_t(row * 16 * 7 + 16 * f + col); }

    // Tools > Edit Stage in Tiled with a command that does nothing: the map's path.
    QString editInTiled(const QString &command = QStringLiteral("true %f"))
    {
        Controls(window).preferences().setTiledCommand(command);
        action("mnuEditInTiled")->trigger();
        return QDir(tiled().liveFolder()).filePath(QStringLiteral("game-stage2A.tmx"));
    }
    // The map with the cell (frame f, col, row) holding another metatile, whose number is
    // written with as many digits as before (sameSize) or with another number of digits.
    QByteArray withOtherCell(const QByteArray &map, int f, int col, int row, bool sameSize)
    {
        const std::uint32_t id = std::uint32_t(byte(LevelCellOffset(StageTable[S2A], f, col, row))) + 1;
        const auto digits = [](std::uint32_t n) { return QByteArray::number(n).size(); };
        std::uint32_t other = sameSize ? id + 1 : (id < 100 ? 200 : 5);
        if (sameSize && (digits(other) != digits(id) || other > 256))
            other = id - 1;
        return WithCellKept(map, cell(f, col, row), other);
    }
};

// Writes content into the file at path as another program does, with sh: script gets the
// path as $1, a file of the content as $2 and split as $3. Runs while the window goes on.
bool writeByScript(const QString &script, const QString &path, const QByteArray &content, qsizetype split = 0)
{
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("content"));
    if (!WriteFile(source, content))
        return false;
    QProcess writer;
    writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"), path, source, QString::number(split)});
    if (!writer.waitForStarted())
        return false;
    // Waited for with the window's events going on, as they would while it writes.
    QDeadlineTimer deadline(20000);
    while (writer.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(10);
    return writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0;
}

// The maps kept in the folder that keeps what ended programs left.
QStringList keptMaps()
{
    QStringList maps;
    QDirIterator it(TiledCommands::KeptMapsFolder(), {QStringLiteral("*.tmx")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        maps << it.next();
    return maps;
}

// Writes bytes over path as Tiled saves: into a new file beside it, renamed over it.
bool saveAsTiled(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

QString hex(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

class TestTiledWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    // What a test leaves in the live folders is not the next one's to find at its start.
    void cleanup()
    {
        const QDir temporary(QDir::tempPath());
        for (const QString &name : temporary.entryList({QStringLiteral("krelin-tiled-*")}, QDir::Dirs))
            QDir(temporary.filePath(name)).removeRecursively();
        QDir(TiledCommands::KeptMapsFolder()).removeRecursively();
    }

    // Exported and imported back as it is: nothing changes, and the user is told so.
    void exportedComesBackTheSame()
    {
        Maps m;
        m.exportMap();
        QVERIFY2(m.desktop.messages.isEmpty(), qPrintable(m.desktop.messageTexts()));
        QCOMPARE(m.desktop.saveDialogs.value(0).start, m.dir.filePath(QStringLiteral("game-stage2A.tmx")));
        QVERIFY(QFile::exists(m.dir.filePath(QStringLiteral("m-metatiles.png"))));
        QVERIFY(ReadFile(m.mapPath).contains("name=\"stage\" value=\"2A\""));
        const Bytes before = m.model.image();
        m.importMap(m.mapPath, {});
        QVERIFY(m.desktop.questions.isEmpty());
        QVERIFY2(m.desktop.messageTexts().contains(QStringLiteral("m.tmx holds Stage 2A as it is; nothing changed.")),
                 qPrintable(m.desktop.messageTexts()));
        QCOMPARE(m.model.image(), before);
        QCOMPARE(m.history().stack().count(), 0);
    }

    // A cell and a room changed in the map: the question shows both as the comparison
    // says them; Yes makes one step of exactly those bytes (the map shows the cell), undone
    // as one; No changes nothing.
    void importAsks_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void importAsks()
    {
        QFETCH(bool, yes);
        Maps m;
        m.exportMap();
        const Stage &stage = StageTable[S2A];
        const Bytes before = m.model.image();
        const qint64 cell = LevelCellOffset(stage, 0, 3, 2), room = FrameRoomOffset(stage, 4);
        const int metaTile = before[std::size_t(cell)] ^ 0x11, newRoom = before[std::size_t(room)] == 30 ? 31 : 30;
        QVERIFY(WriteFile(m.mapPath, WithRoom(WithCell(ReadFile(m.mapPath), Maps::cell(0, 3, 2), metaTile + 1u), 4,
                                              QString::number(newRoom))));
        m.importMap(m.mapPath, {yes});
        QCOMPARE(m.desktop.questions.size(), 1);
        const QString asked = m.desktop.questions[0].text;
        QVERIFY2(asked.startsWith(QStringLiteral("Import m.tmx into Stage 2A?")), qPrintable(asked));
        QVERIFY2(asked.contains(QStringLiteral("Stage 2A: 1 cell (frame 0: row 2, column 3: %1 → %2)")
                                    .arg(hex(before[std::size_t(cell)]), hex(metaTile))),
                 qPrintable(asked));
        QVERIFY2(asked.contains(QStringLiteral("Stage 2A: 1 room (frame 4: %1 → %2)")
                                    .arg(hex(before[std::size_t(room)]), hex(newRoom))),
                 qPrintable(asked));
        if (!yes) {
            QCOMPARE(m.model.image(), before);
            QCOMPARE(m.history().stack().count(), 0);
            return;
        }
        QCOMPARE(ChangedOffsets(before, m.model.image()), (QList<qint64>{room, cell}));
        QCOMPARE(m.byte(cell), metaTile);
        QCOMPARE(m.byte(room), newRoom);
        QCOMPARE(cellDiff(m.map(), m.model, 3, 2, metaTile), QString());
        QCOMPARE(m.history().stack().count(), 1);
        QCOMPARE(m.action("mnuUndo")->text(), QStringLiteral("&Undo Import m.tmx into 2A"));
        m.action("mnuUndo")->trigger();
        QCOMPARE(m.model.image(), before);
        QCOMPARE(cellDiff(m.map(), m.model, 3, 2, before[std::size_t(cell)]), QString());
    }

    // A bad map: the message names the file and the cell; nothing asked, nothing changed.
    void badMapRefused()
    {
        Maps m;
        m.exportMap();
        QVERIFY(WriteFile(m.mapPath, WithCell(ReadFile(m.mapPath), Maps::cell(5, 9, 14), 0x80000001u)));
        const Bytes before = m.model.image();
        m.importMap(m.mapPath, {true});
        QVERIFY(m.desktop.questions.isEmpty());
        QCOMPARE(m.desktop.messages.size(), 1);
        const QString said = m.desktop.messages[0].text;
        QVERIFY2(said.contains(QDir::toNativeSeparators(m.mapPath) + QStringLiteral(": layer \"Level\", frame 5, row 14, "
                                                                                    "column 9: the tile is flipped")),
                 qPrintable(said));
        QCOMPARE(m.model.image(), before);
        QCOMPARE(m.history().stack().count(), 0);
    }

    // A map made from another image (another tile there) is imported only when the user
    // says so, after the question about the image.
    void anotherImage_data()
    {
        QTest::addColumn<bool>("yes");
        QTest::newRow("Yes") << true;
        QTest::newRow("No") << false;
    }
    void anotherImage()
    {
        QFETCH(bool, yes);
        Maps m;
        modKrelin other;
        LoadMasterPalette(other, QStringLiteral(KRELIN_RUNTIME_DIR));
        Bytes bytes = m.model.image();
        bytes[std::size_t(TileOffset(StageTable[S2A], 7))] ^= 0x80;
        other.replaceImage(bytes);
        other.ApplyStage(StageTable[S2A]);
        QCOMPARE(WriteTiledStage(other, m.mapPath, ResolveBgColors(other).value()), QString());
        const qint64 cell = LevelCellOffset(StageTable[S2A], 6, 0, 0);
        QVERIFY(WriteFile(m.mapPath, WithCell(ReadFile(m.mapPath), Maps::cell(6, 0, 0), (bytes[std::size_t(cell)] ^ 1) + 1u)));
        const Bytes before = m.model.image();
        m.importMap(m.mapPath, {yes, true});
        QVERIFY(m.desktop.questions.size() >= 1);
        QVERIFY2(m.desktop.questions[0].text.contains(QStringLiteral("m.tmx was made from another image: its checksum is ")),
                 qPrintable(m.desktop.questions[0].text));
        QCOMPARE(m.desktop.questions.size(), yes ? 2 : 1);
        QCOMPARE(ChangedOffsets(before, m.model.image()), yes ? QList<qint64>{cell} : QList<qint64>{});
    }

    // Tools > Edit Stage in Tiled: the map in a folder of its own, the command started on
    // it; each save there asked about and taken in as one step, "Don't ask again" taking
    // the next at once; a bad save refused; another image opened ends it; the folder goes
    // with the program.
    void editedLive()
    {
        QString folder;
        {
            Maps m;
            Preferences &preferences = Controls(m.window).preferences();
            QCOMPARE(preferences.tiledCommand(), QStringLiteral("tiled %f"));
            preferences.setTiledCommand(QStringLiteral("true %f"));
            m.action("mnuEditInTiled")->trigger();
            QVERIFY2(m.desktop.messages.isEmpty(), qPrintable(m.desktop.messageTexts()));
            folder = m.tiled().liveFolder();
            const QString map = QDir(folder).filePath(QStringLiteral("game-stage2A.tmx"));
            QVERIFY(QFile::exists(map));
            QVERIFY(QFile::exists(QDir(folder).filePath(QStringLiteral("game-stage2A-metatiles.png"))));

            const Stage &stage = StageTable[S2A];
            const Bytes before = m.model.image();
            const qint64 first = LevelCellOffset(stage, 1, 4, 4), second = LevelCellOffset(stage, 2, 4, 4);
            m.desktop.yesNoAnswers << true;
            m.desktop.checkAnswers << true; // don't ask again
            QByteArray text = WithCell(ReadFile(map), Maps::cell(1, 4, 4), (before[std::size_t(first)] ^ 2) + 1u);
            QVERIFY(saveAsTiled(map, text));
            QTRY_COMPARE(m.history().stack().count(), 1);
            QCOMPARE(m.desktop.questions.size(), 1);
            QVERIFY2(m.desktop.questions[0].text.startsWith(QStringLiteral("game-stage2A.tmx was saved in Tiled. Take its "
                                                                           "changes into Stage 2A?")),
                     qPrintable(m.desktop.questions[0].text));
            QCOMPARE(ChangedOffsets(before, m.model.image()), QList<qint64>{first});
            QVERIFY(!preferences.tiledSaveQuestion());
            QCOMPARE(m.action("mnuUndo")->text(), QStringLiteral("&Undo Import game-stage2A.tmx into 2A"));

            // The next save goes in at once, as a step of its own.
            text = WithCell(text, Maps::cell(2, 4, 4), (before[std::size_t(second)] ^ 4) + 1u);
            QVERIFY(saveAsTiled(map, text));
            QTRY_COMPARE(m.history().stack().count(), 2);
            QCOMPARE(m.desktop.questions.size(), 1);
            QCOMPARE(ChangedOffsets(before, m.model.image()), (QList<qint64>{first, second}));

            // A save Tiled could not have meant: told, nothing changed.
            const Bytes kept = m.model.image();
            QVERIFY(saveAsTiled(map, WithCell(text, Maps::cell(0, 0, 0), 0)));
            QTRY_COMPARE(m.desktop.messages.size(), 1);
            QVERIFY2(m.desktop.messages[0].text.contains(QStringLiteral("frame 0, row 0, column 0: the cell is empty")),
                     qPrintable(m.desktop.messageTexts()));
            QCOMPARE(m.model.image(), kept);

            // Another image opened: its saves are followed no more. (The map is put back as
            // it was taken in, so that it holds no work and the folder goes with the program.)
            const QString otherPath = m.dir.filePath(QStringLiteral("other.nes"));
            QVERIFY(QFile::copy(QStringLiteral(KRELIN_SAMPLE), otherPath));
            m.desktop.saveChangesAnswers << Desktop::SaveAnswer::Discard;
            QVERIFY(m.window->OpenRom(otherPath));
            QVERIFY(Controls(m.window).mnuEdit_Level_Click(S2A));
            QVERIFY(saveAsTiled(map, text));
            QTest::qWait(3 * TiledLiveFolder::SettleMilliseconds);
            QCOMPARE(m.history().stack().count(), 0);
            QCOMPARE(m.desktop.messages.size(), 1);
        }
        QVERIFY(!folder.isEmpty());
        QVERIFY(!QDir(folder).exists());
    }

    // A save written into the map by another program (Tiled without its safe writing, a
    // script), not renamed over it: in one write or in two with a pause between them (the
    // file kept open, or closed and opened again), of the same size or another. Each is
    // asked about once, when whole, and taken in as one step of exactly its two cells; the
    // half written first is never taken, nor refused.
    void writtenInPlace_data()
    {
        QTest::addColumn<bool>("sameSize");
        QTest::addColumn<QString>("script");
        QTest::newRow("one write, same size") << true << QStringLiteral("exec 3<>\"$1\"; cat \"$2\" >&3");
        QTest::newRow("one write, other size") << false << QStringLiteral("cat \"$2\" > \"$1\"");
        QTest::newRow("two writes, same size")
            << true << QStringLiteral("exec 3<>\"$1\"; head -c \"$3\" \"$2\" >&3; sleep 0.6; tail -c +$(($3 + 1)) \"$2\" >&3");
        QTest::newRow("two writes, other size")
            << false << QStringLiteral("exec 3>\"$1\"; head -c \"$3\" \"$2\" >&3; sleep 0.6; tail -c +$(($3 + 1)) \"$2\" >&3");
        // Closed between the two: the first part alone does not read, and is read again.
        QTest::newRow("two writes, closed between")
            << false << QStringLiteral("head -c \"$3\" \"$2\" > \"$1\"; sleep 0.3; tail -c +$(($3 + 1)) \"$2\" >> \"$1\"");
    }
    void writtenInPlace()
    {
        QFETCH(bool, sameSize);
        QFETCH(QString, script);
        Maps m;
        const QString map = m.editInTiled();
        QVERIFY(QFile::exists(map));
        const Stage &stage = StageTable[S2A];
        const Bytes before = m.model.image();
        const QByteArray old = ReadFile(map);
        const QByteArray saved = m.withOtherCell(m.withOtherCell(old, 1, 4, 1, sameSize), 5, 9, 13, sameSize);
        QCOMPARE(saved.size() == old.size(), sameSize);
        // The first write ends before the row of the second cell.
        const qsizetype data = saved.indexOf("<data");
        qsizetype split = data;
        for (int row = 0; row <= 13; ++row)
            split = saved.indexOf('\n', split + 1);
        m.desktop.yesNoAnswers << true;
        QVERIFY(writeByScript(script, map, saved, split));
        QCOMPARE(ReadFile(map), saved);
        QTRY_COMPARE(m.history().stack().count(), 1);
        QTest::qWait(3 * TiledLiveFolder::RetryMilliseconds);
        QCOMPARE(m.desktop.questions.size(), 1);
        QVERIFY2(m.desktop.messages.isEmpty(), qPrintable(m.desktop.messageTexts()));
        QCOMPARE(ChangedOffsets(before, m.model.image()),
                 (QList<qint64>{LevelCellOffset(stage, 1, 4, 1), LevelCellOffset(stage, 5, 9, 13)}));
    }

    // A save by rename while another program still holds the map it replaced open (Tiled,
    // a viewer), then a save written into the new file: noticed too. Before, the window
    // went on watching the file replaced, and the second save came only with a later touch.
    void inPlaceAfterTheFileWasReplaced()
    {
        Maps m;
        const QString map = m.editInTiled();
        m.desktop.yesNoAnswers << true << true;
        const QByteArray first = m.withOtherCell(ReadFile(map), 1, 4, 1, true);
        QFile held(map);
        QVERIFY(held.open(QIODevice::ReadOnly));
        QVERIFY(saveAsTiled(map, first));
        QTRY_COMPARE(m.history().stack().count(), 1);
        QVERIFY(writeByScript(QStringLiteral("exec 3<>\"$1\"; cat \"$2\" >&3"), map, m.withOtherCell(first, 2, 4, 1, true)));
        QTRY_COMPARE(m.history().stack().count(), 2);
        QCOMPARE(m.desktop.questions.size(), 2);
    }

    // A map that does not read (cut short, written in place and left so) is read again, and
    // refused with its message only once its writer is done: once, asking nothing. The next
    // save, whole, is asked about as any.
    void brokenUntilItsWriterIsDone()
    {
        Maps m;
        const QString map = m.editInTiled();
        const QByteArray whole = m.withOtherCell(ReadFile(map), 3, 2, 7, true);
        QVERIFY(writeByScript(QStringLiteral("cat \"$2\" > \"$1\""), map, whole.left(whole.size() / 2)));
        QTRY_COMPARE(m.desktop.messages.size(), 1);
        QVERIFY2(m.desktop.messages[0].text.contains(QStringLiteral("damaged or truncated")), qPrintable(m.desktop.messageTexts()));
        QTest::qWait(2 * TiledLiveFolder::RetryMilliseconds * TiledLiveFolder::RetryCount);
        QCOMPARE(m.desktop.messages.size(), 1);
        QVERIFY(m.desktop.questions.isEmpty());
        m.desktop.yesNoAnswers << true;
        QVERIFY(writeByScript(QStringLiteral("cat \"$2\" > \"$1\""), map, whole));
        QTRY_COMPARE(m.history().stack().count(), 1);
        QCOMPARE(m.desktop.questions.size(), 1);
    }

    // The maps of the live folder are read off the window's thread: while every thread of
    // the pool is held, a save waits unread and the window goes on taking keys; let go, it
    // is read and asked about.
    void readOffTheWindowsThread()
    {
        Maps m;
        const QString map = m.editInTiled();
        QTest::qWait(3 * TiledLiveFolder::SettleMilliseconds);
        const int threads = QThreadPool::globalInstance()->maxThreadCount();
        auto hold = std::make_shared<QSemaphore>(), started = std::make_shared<QSemaphore>();
        for (int i = 0; i < threads; ++i)
            (void)QtConcurrent::run([hold, started] {
                started->release();
                hold->acquire();
            });
        // Let go however the test ends.
        const auto letGo = qScopeGuard([&] { hold->release(threads); });
        QVERIFY(started->tryAcquire(threads, 10000));
        m.desktop.yesNoAnswers << true;
        QVERIFY(saveAsTiled(map, m.withOtherCell(ReadFile(map), 2, 3, 3, true)));
        QTest::qWait(4 * TiledLiveFolder::SettleMilliseconds + TiledLiveFolder::PollMilliseconds);
        QCOMPARE(m.desktop.questions.size(), 0);
        QTest::keyClicks(Controls(m.window).picEditor, QStringLiteral("2f"));
        QCOMPARE(m.editor().SelectedMetaTile(), 0x2F);
        hold->release(threads);
        QTRY_COMPARE(m.history().stack().count(), 1);
        QCOMPARE(m.desktop.questions.size(), 1);
    }

    // Edit Stage in Tiled again for a stage whose map holds work not taken in (answered No,
    // or refused) asks first: Cancel leaves the map as it is; Take In takes it in as one
    // step, and the map is written again from the stage that now holds it; Replace keeps the
    // map saved in Tiled beside it, says where, and writes the editor's stage. A map with
    // nothing new is written again without a word.
    void secondEditAsks_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("refused"); // the save was refused rather than answered No
        QTest::newRow("Cancel") << "Cancel" << false;
        QTest::newRow("Take In") << "Take In" << false;
        QTest::newRow("Replace") << "Replace with the Editor's Stage" << false;
        QTest::newRow("refused, Take In") << "Take In" << true;
        QTest::newRow("refused, Replace") << "Replace with the Editor's Stage" << true;
    }
    void secondEditAsks()
    {
        QFETCH(QString, answer);
        QFETCH(bool, refused);
        Maps m;
        const QString map = m.editInTiled();
        const Bytes before = m.model.image();
        const qint64 cell = LevelCellOffset(StageTable[S2A], 6, 1, 2);
        QByteArray work = m.withOtherCell(ReadFile(map), 6, 1, 2, true);
        if (refused)
            work = WithCell(work, Maps::cell(0, 0, 0), 0); // an empty cell
        m.desktop.yesNoAnswers << false;
        QVERIFY(saveAsTiled(map, work));
        if (refused)
            QTRY_COMPARE(m.desktop.messages.size(), 1);
        else
            QTRY_COMPARE(m.desktop.questions.size(), 1);
        m.desktop.clearLog();

        m.desktop.choiceAnswers << answer;
        m.action("mnuEditInTiled")->trigger();
        QCOMPARE(m.desktop.choiceQuestions.size(), 1);
        QVERIFY2(m.desktop.choiceQuestions[0].text.startsWith(
                     QStringLiteral("game-stage2A.tmx holds changes saved in Tiled that Stage 2A has not taken in.")),
                 qPrintable(m.desktop.choiceQuestions[0].text));
        QVERIFY(m.desktop.unanswered.isEmpty());
        const QStringList files = QDir(QFileInfo(map).path()).entryList({QStringLiteral("*.tmx")}, QDir::Files);
        if (answer == QLatin1String("Cancel")) {
            QCOMPARE(ReadFile(map), work);
            QCOMPARE(files, QStringList{QStringLiteral("game-stage2A.tmx")});
            QCOMPARE(m.model.image(), before);
        } else if (answer == QLatin1String("Take In") && !refused) {
            QCOMPARE(ChangedOffsets(before, m.model.image()), QList<qint64>{cell});
            QCOMPARE(m.history().stack().count(), 1);
            QCOMPARE(files, QStringList{QStringLiteral("game-stage2A.tmx")});
            QCOMPARE(CsvIds(ReadFile(map)), CsvIds(work)); // the stage as it now is
        } else if (answer == QLatin1String("Take In")) {
            // Refused again, with its message: the map stays as Tiled saved it.
            QCOMPARE(m.desktop.messages.size(), 1);
            QVERIFY2(m.desktop.messages[0].text.contains(QStringLiteral("the cell is empty")), qPrintable(m.desktop.messageTexts()));
            QCOMPARE(ReadFile(map), work);
            QCOMPARE(m.model.image(), before);
        } else {
            const QString aside = QDir(QFileInfo(map).path()).filePath(QStringLiteral("game-stage2A-replaced-1.tmx"));
            QCOMPARE(files, (QStringList{QStringLiteral("game-stage2A-replaced-1.tmx"), QStringLiteral("game-stage2A.tmx")}));
            QCOMPARE(ReadFile(aside), work);
            QCOMPARE(CsvIds(ReadFile(map)), CsvIds(EncodeTiledStage(m.model, TiledFormat::Tmx, QStringLiteral("x.png"), {}).map));
            QVERIFY2(Controls(m.window).sbStatus->currentMessage().contains(QDir::toNativeSeparators(aside)),
                     qPrintable(Controls(m.window).sbStatus->currentMessage()));
            QCOMPARE(m.model.image(), before);
        }
        // Nothing new in the map now (but after Cancel): the next Edit Stage asks nothing.
        if (answer != QLatin1String("Cancel") && !(refused && answer == QLatin1String("Take In"))) {
            m.desktop.clearLog();
            m.action("mnuEditInTiled")->trigger();
            QVERIFY(m.desktop.choiceQuestions.isEmpty());
        }
    }

    // The live folder removed while the program runs (by hand, or a cleaner of the
    // temporary folder): the next Edit Stage in Tiled makes a new one, and its saves come
    // back.
    void folderRemovedIsMadeAnew()
    {
        Maps m;
        const QString first = m.editInTiled();
        QVERIFY(QDir(QFileInfo(first).path()).removeRecursively());
        const QString map = m.editInTiled();
        QVERIFY2(m.desktop.messages.isEmpty(), qPrintable(m.desktop.messageTexts()));
        QVERIFY(QFile::exists(map));
        QVERIFY(QFileInfo(map).path() != QFileInfo(first).path());
        m.desktop.yesNoAnswers << true;
        QVERIFY(saveAsTiled(map, m.withOtherCell(ReadFile(map), 0, 0, 14, false)));
        QTRY_COMPARE(m.history().stack().count(), 1);
    }

    // The program ending with work not taken in (a save answered No) leaves its folder, and
    // the next start keeps the map, with its tileset picture, in the state folder, says so
    // and clears the folder. A folder with nothing new goes with its program.
    void workLeftAtTheEndIsKept()
    {
        QString folder, map;
        QByteArray work;
        {
            Maps m;
            map = m.editInTiled();
            folder = QFileInfo(map).path();
            work = m.withOtherCell(ReadFile(map), 4, 4, 4, true);
            m.desktop.yesNoAnswers << false;
            QVERIFY(saveAsTiled(map, work));
            QTRY_COMPARE(m.desktop.questions.size(), 1);
        }
        QVERIFY(QDir(folder).exists());
        Maps next;
        QTRY_COMPARE(next.desktop.messages.size(), 1);
        const QStringList kept = keptMaps();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(ReadFile(kept[0]), work);
        QVERIFY(QFile::exists(QFileInfo(kept[0]).dir().filePath(QStringLiteral("game-stage2A-metatiles.png"))));
        QVERIFY2(next.desktop.messages[0].text.contains(QDir::toNativeSeparators(kept[0])), qPrintable(next.desktop.messageTexts()));
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QDir(TiledCommands::KeptMapsFolder()).removeRecursively());

        // Nothing new: the folder goes at the end, and nothing is said at the next start.
        {
            Maps m;
            folder = QFileInfo(m.editInTiled()).path();
        }
        QVERIFY(!QDir(folder).exists());
    }

    // A program killed (kill -9) leaves its live folder: the next start keeps the map saved
    // in Tiled there, unless that Tiled still runs on the folder, which is then left alone
    // until it ends. A live folder of a program that runs is never touched.
    void workOfAKilledProgramIsKept_data()
    {
        QTest::addColumn<bool>("tiledRuns");
        QTest::newRow("Tiled ended") << false;
        QTest::newRow("Tiled still runs") << true;
    }
    void workOfAKilledProgramIsKept()
    {
        QFETCH(bool, tiledRuns);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"),
                     tiledRuns ? QStringLiteral("sh -c \"exec tail -f $0 > /dev/null\" %f") : QStringLiteral("true %f")});
        QByteArray said;
        while (!said.contains('\n') && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        QVERIFY2(said.startsWith("ready "), said.constData());
        const QString map = QString::fromLocal8Bit(said.mid(6).trimmed()), folder = QFileInfo(map).path();
        // The stand-in for Tiled ends with the test, however the test ends.
        const QString pidsFile = QDir(folder).filePath(QStringLiteral("tiled.pids"));
        QFile startedPids(pidsFile);
        const QByteArray pids = startedPids.open(QIODevice::ReadOnly) ? startedPids.readAll() : QByteArray();
        const auto endTiled = qScopeGuard([pids] {
            for (const QByteArray &pid : pids.split('\n'))
                if (pid.trimmed().toLongLong() > 0)
                    ::kill(pid_t(pid.trimmed().toLongLong()), SIGKILL);
        });
        // A program that runs, with work of its own in its folder.
        Maps running;
        const QString runningMap = running.editInTiled();
        running.desktop.yesNoAnswers << false;
        QVERIFY(saveAsTiled(runningMap, WithCell(ReadFile(runningMap), Maps::cell(1, 1, 1), 9)));
        QTRY_COMPARE(running.desktop.questions.size(), 1);

        // Saved in Tiled, and the program killed before it could ask.
        const QByteArray work = WithCell(ReadFile(map), Maps::cell(2, 2, 2), 77);
        QVERIFY(saveAsTiled(map, work));
        ::kill(pid_t(child.processId()), SIGKILL);
        QVERIFY(child.waitForFinished(30000));

        auto next = std::make_unique<Maps>();
        if (tiledRuns) {
            QTest::qWait(1000);
            QVERIFY(next->desktop.messages.isEmpty());
            QVERIFY(QDir(folder).exists());
            // The stand-in for Tiled ends: the start after it keeps the map.
            const qint64 pid = pids.trimmed().toLongLong();
            QVERIFY(pid > 0);
            ::kill(pid_t(pid), SIGKILL);
            QTRY_VERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1/cmdline").arg(pid)));
            next = std::make_unique<Maps>();
        }
        QTRY_COMPARE(next->desktop.messages.size(), 1);
        QVERIFY2(next->desktop.messages[0].text.startsWith(QStringLiteral("Krelin ended before it took in a map saved in Tiled.")),
                 qPrintable(next->desktop.messageTexts()));
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QFile::exists(runningMap));
        const QStringList kept = keptMaps();
        QCOMPARE(kept.size(), 1);
        QCOMPARE(ReadFile(kept[0]), work);
        QVERIFY(QDir(TiledCommands::KeptMapsFolder()).removeRecursively());
    }

    // The command and the question in Preferences: shown as they are, kept as changed.
    void preferences()
    {
        Maps m;
        Preferences &preferences = Controls(m.window).preferences();
        PreferencesDialog dialog(preferences, Part<KeyboardShortcuts>(m.window.get()), m.desktop, m.window.get());
        dialog.show();
        QCOMPARE(dialog.txtTiledCommand->text(), QStringLiteral("tiled %f"));
        QVERIFY(dialog.chkTiledSaveQuestion->isChecked());
        dialog.txtTiledCommand->clear();
        QTest::keyClicks(dialog.txtTiledCommand, QStringLiteral("/opt/tiled/bin/tiled --new-instance %f"));
        dialog.chkTiledSaveQuestion->setChecked(false);
        dialog.cmdOK->click();
        QCOMPARE(preferences.tiledCommand(), QStringLiteral("/opt/tiled/bin/tiled --new-instance %f"));
        QVERIFY(!preferences.tiledSaveQuestion());
        // Emptied, the command is the first one again.
        preferences.setTiledCommand(QString());
        QCOMPARE(preferences.tiledCommand(), QStringLiteral("tiled %f"));
    }
};

namespace {

// The program a test kills: the real main window on a copy of the sample, stage 2A edited
// in Tiled with the command given; then it says "ready MAP" and waits.
int runChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    Maps m;
    const QString map = m.editInTiled(QString::fromLocal8Bit(argv[2]));
    std::printf("ready %s\n", qPrintable(map));
    std::fflush(stdout);
    return app.exec();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return runChild(argc, argv);
    QApplication app(argc, argv);
    TestTiledWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_tiledwindow.moc"
