// The stamps the user keeps: kept with Ctrl+Shift+C, found again by the next run of the
// program for every stage that shares the metatile table, taken up and placed; renamed,
// flipped and removed in the Stamps window; a stamps file that cannot be read named at
// start and left as it was; and the file's form.
#include "Bytes.h"
#include "MainWindowSession.h"

#include "core/StampLibrary.h"
#include "core/StageTable.h"
#include "stamps/StampCommands.h"
#include "stamps/frmStamps.h"

#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

// The stamps file in the user's data folder, which is this test program's own.
QString StampsFile()
{
    return StampLibrary::defaultPath();
}

struct StampSession : Session
{
    explicit StampSession(int stage = S1A)
    {
        window->activateWindow();
        [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(window.get());
        Controls(window).mnuEdit_Level_Click(stage);
    }
    StampCommands &stamps() { return Part<StampCommands>(window.get()); }
    frmStamps *panel()
    {
        Controls(window).named<QAction>("mnuStamps")->trigger();
        return stamps().stampsWindow();
    }
    // Shift + drag over the map from one cell to another, then Ctrl+Shift+C with the name.
    void keep(QPoint from, QPoint to, const QString &name)
    {
        QTest::mousePress(Controls(window).picEditor, Qt::LeftButton, Qt::ShiftModifier, cellPoint(from.x(), from.y()));
        QTest::mouseMove(Controls(window).picEditor, cellPoint(to.x(), to.y()));
        QTest::mouseRelease(Controls(window).picEditor, Qt::LeftButton, Qt::ShiftModifier, cellPoint(to.x(), to.y()));
        desktop.textAnswers.enqueue(name);
        QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

} // namespace

class TestStamps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { QFile::remove(StampsFile()); }

    void keptStampComesBackInTheNextRun()
    {
        Stamp kept;
        {
            StampSession s;
            const Stage &stage = StageTable[S1A];
            s.keep({2, 12}, {4, 13}, QStringLiteral("Ledge"));
            kept = {3, 2, {}};
            for (int row = 12; row <= 13; ++row)
                for (int col = 2; col <= 4; ++col)
                    kept.cells.push_back(std::uint8_t(s.byte(LevelCellOffset(stage, 0, col, row))));
            QVERIFY(QFile::exists(StampsFile()));
            const QByteArray file = ReadFile(StampsFile());
            QVERIFY(file.contains("\"Ledge\""));
            QVERIFY(file.contains(StampToText(kept).split(u'\n').first().toLatin1()));
            QCOMPARE(s.panel()->lstStamps->count(), 1);
            QVERIFY(s.panel()->lblStamps->text().contains(QStringLiteral("1A\u20132C")));
        }
        // The program started again: stage 2A reads the same metatile table.
        StampSession s(S2A);
        QVERIFY(s.desktop.messages.isEmpty());
        frmStamps *panel = s.panel();
        QCOMPARE(panel->lstStamps->count(), 1);
        QVERIFY(panel->lstStamps->item(0)->text().startsWith(QStringLiteral("Ledge\n3 \u00D7 2")));
        QListWidgetItem *item = panel->lstStamps->item(0);
        QTest::mouseClick(panel->lstStamps->viewport(), Qt::LeftButton, {},
                          panel->lstStamps->visualItemRect(item).center());
        QVERIFY(s.tools().stamp() && *s.tools().stamp() == kept);
        const Stage &stage = StageTable[S2A];
        const Bytes before = s.model.image();
        s.clickOnMap(6, 1);
        QList<qint64> written;
        for (int row = 0; row < 2; ++row)
            for (int col = 0; col < 3; ++col) {
                const qint64 at = LevelCellOffset(stage, 0, 6 + col, 1 + row);
                QCOMPARE(s.byte(at), int(kept.at(col, row)));
                if (before[std::size_t(at)] != kept.at(col, row))
                    written << at;
            }
        QVERIFY(!written.isEmpty());
        QCOMPARE(ChangedOffsets(before, s.model.image()), written);
        QCOMPARE(Controls(s.window).history().stack().count(), 1);
        // Stage 3 has a metatile table of its own, and no stamps yet.
        Controls(s.window).mnuEdit_Level_Click(S3);
        QCOMPARE(panel->lstStamps->count(), 0);
    }

    void renameFlipAndRemove()
    {
        StampSession s;
        s.keep({0, 0}, {2, 0}, QStringLiteral("Row"));
        frmStamps *panel = s.panel();
        panel->lstStamps->setCurrentRow(0);
        const Stamp before = s.stamps().library().stamps(QStringLiteral("1A-2C")).front().stamp;
        QTest::mouseClick(panel->cmdFlip, Qt::LeftButton);
        const Stamp flipped = s.stamps().library().stamps(QStringLiteral("1A-2C")).front().stamp;
        QCOMPARE(flipped.cells, (std::vector<std::uint8_t>{before.cells[2], before.cells[1], before.cells[0]}));
        s.desktop.textAnswers.enqueue(QStringLiteral("Floor"));
        QTest::mouseClick(panel->cmdRename, Qt::LeftButton);
        QVERIFY(panel->lstStamps->item(0)->text().startsWith(QStringLiteral("Floor")));
        // What the file says is what the window says.
        QString why;
        const auto read = StampLibrary::fromJson(ReadFile(StampsFile()), &why);
        QVERIFY2(read, qPrintable(why));
        QCOMPARE(read->at(QStringLiteral("1A-2C")).front(), (KeptStamp{QStringLiteral("Floor"), flipped}));
        s.desktop.yesNoAnswers << true;
        QTest::mouseClick(panel->cmdRemove, Qt::LeftButton);
        QCOMPARE(panel->lstStamps->count(), 0);
        QVERIFY(StampLibrary::fromJson(ReadFile(StampsFile()), nullptr)->at(QStringLiteral("1A-2C")).empty());
    }

    void damagedFileIsNamedAndLeftAsItWas()
    {
        QDir().mkpath(QFileInfo(StampsFile()).absolutePath());
        // Cut short: not JSON at all.
        const QByteArray damaged = "{\"format\": \"krelin-stamps\", \"version\": 1, \"tables\": {\"3-4B\": [{\"name\": \"x\", \"rows\": [\"2F 01\"]}]";
        QVERIFY(WriteFile(StampsFile(), damaged));
        StampSession s;
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        const QString text = s.desktop.messages.first().text;
        QVERIFY2(text.contains(QDir::toNativeSeparators(StampsFile())) && text.contains(QLatin1String("it is not JSON")),
                 qPrintable(text));
        // A stamp kept now lasts for the session; the file stays as it was.
        s.keep({0, 0}, {1, 1}, QStringLiteral("Block"));
        QCOMPARE(s.panel()->lstStamps->count(), 1);
        QVERIFY(s.panel()->lblStampsNote->isVisible());
        QCOMPARE(ReadFile(StampsFile()), damaged);
    }

    // Damaged stamps among good ones: the good ones are there, each damaged one is named
    // by its name (or its place in the list) and the file's line; a stamp kept meanwhile
    // is written, and the damaged ones stay in the file as they were.
    void damagedStampsNamedTheOthersKept()
    {
        QDir().mkpath(QFileInfo(StampsFile()).absolutePath());
        const QByteArray text = "{\n"                                 // 1
                                "    \"format\": \"krelin-stamps\",\n" // 2
                                "    \"tables\": {\n"                  // 3
                                "        \"1A-2C\": [\n"               // 4
                                "            {\n"                      // 5
                                "                \"name\": \"Ledge\",\n"
                                "                \"rows\": [\"01 02\"]\n"
                                "            },\n"
                                "            {\n"                      // 9
                                "                \"name\": \"Pit\",\n"
                                "                \"rows\": [\n"
                                "                    \"2F 05 00\",\n"
                                "                    \"10\"\n"
                                "                ]\n"
                                "            },\n"
                                "            { \"rows\": [\"01\"] },\n" // 16
                                "            {\"name\": \"Step, [a] {b}\", \"rows\": [\"03\", \"04\"]}\n"
                                "        ],\n"
                                "        \"5-7\": [{\"name\": \"Gap\", \"rows\": [\"2F ZZ\"]}]\n" // 19
                                "    },\n"
                                "    \"version\": 1\n"
                                "}\n";
        QVERIFY(WriteFile(StampsFile(), text));
        StampSession s;
        QTRY_COMPARE(s.desktop.messages.size(), 1);
        QCOMPARE(s.desktop.messages.first().text,
                 QStringLiteral("The stamps file %1 holds 3 stamps that cannot be read: \"Pit\" of 1A-2C, on line 9 of "
                                "the file: its row 2 has 1 number, its row 1 has 3; stamp 3 of 1A-2C, on line 16 of the "
                                "file: it has no name or no rows; \"Gap\" of 5-7, on line 19 of the file: \"ZZ\" on its "
                                "row 1 is not a metatile number (00 to FF). The other stamps are here; the ones that cannot "
                                "be read stay in the file as they are.")
                     .arg(QDir::toNativeSeparators(StampsFile())));
        frmStamps *panel = s.panel();
        QCOMPARE(panel->lstStamps->count(), 2);
        QVERIFY(panel->lstStamps->item(0)->text().startsWith(QStringLiteral("Ledge\n2 \u00D7 1")));
        QVERIFY(panel->lstStamps->item(1)->text().startsWith(QStringLiteral("Step, [a] {b}\n1 \u00D7 2")));
        s.keep({0, 0}, {1, 1}, QStringLiteral("Block"));
        QCOMPARE(panel->lstStamps->count(), 3);
        QStringList damaged;
        const auto written = StampLibrary::fromJson(ReadFile(StampsFile()), nullptr, &damaged);
        QVERIFY(written);
        QCOMPARE(written->at(QStringLiteral("1A-2C")).size(), std::size_t(3));
        QCOMPARE(written->at(QStringLiteral("1A-2C")).back().name, QStringLiteral("Block"));
        QCOMPARE(damaged.size(), 3);
        QVERIFY2(damaged.join(u'|').contains(QLatin1String("\"Pit\" of 1A-2C"))
                     && damaged.join(u'|').contains(QLatin1String("\"Gap\" of 5-7")),
                 qPrintable(damaged.join(u'|')));
        // The damaged ones are written as they were read.
        QVERIFY(ReadFile(StampsFile()).contains("\"2F ZZ\""));
    }

    void fileFormRefusesWhatItCannotRead_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("not JSON") << QByteArray("stamps: many");
        QTest::newRow("another file") << QByteArray("{\"format\": \"tiled-map\"}");
        QTest::newRow("a later version") << QByteArray("{\"format\": \"krelin-stamps\", \"version\": 2, \"tables\": {}}");
    }
    void fileFormRefusesWhatItCannotRead()
    {
        QFETCH(QByteArray, text);
        QString why;
        QVERIFY(!StampLibrary::fromJson(text, &why));
        QVERIFY(!why.isEmpty());
        // Written and read again, stamps come back as they were.
        const std::map<QString, std::vector<KeptStamp>> tables{
            {QStringLiteral("5-7"), {{QStringLiteral("Pit \u2014 left"), Stamp{2, 2, {0x00, 0xFF, 0x10, 0x2F}}}}}};
        QCOMPARE(StampLibrary::fromJson(StampLibrary::toJson(tables), &why), std::optional(tables));
    }
};

QTEST_MAIN(TestStamps)
#include "test_stamps.moc"
