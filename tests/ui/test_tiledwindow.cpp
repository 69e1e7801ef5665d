// The Tiled maps in the real window: File > Export > Stage as Tiled Map and File > Import >
// Tiled Map (the change shown and asked about, one step, a bad map refused with nothing
// changed, another image's map asked about), Tools > Edit Stage in Tiled (each save
// taken in as one step after a question that can be turned off, the folder gone with the
// program) and the command in Preferences.
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
#include <QLineEdit>
#include <QSaveFile>
#include <QTest>

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
};

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
        QCOMPARE(m.action("mnuUndo")->text(), QStringLiteral("&Undo Import Tiled Map"));
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

            // Another image opened: its saves are followed no more.
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

QTEST_MAIN(TestTiledWindow)
#include "test_tiledwindow.moc"
