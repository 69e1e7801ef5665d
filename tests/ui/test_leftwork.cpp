// Work left behind by several sessions, offered in one window and answered there with
// keys and clicks; journals that cannot be read whole, set aside and never deleted
// unasked; a journal larger than any the program writes, refused by its size unread.
#include "Bytes.h"
#include "MainWindowSession.h"
#include "ModalWindow.h"

#include "core/JournalFile.h"
#include "core/JournalFormat.h"
#include "edit/Journal.h"
#include "ui/RecoveryDialog.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QUndoStack>

#include <fcntl.h>
#include <unistd.h>

using namespace krelin;
using namespace krelin::testing;

namespace {

QStringList leftFiles()
{
    return QDir(JournalFolder()).entryList({QStringLiteral("*.journal"), QStringLiteral("*.journal.damaged")},
                                           QDir::Files, QDir::Name);
}

QString journalOf(const Session &s)
{
    return s.window->findChild<Journal *>(QStringLiteral("journal"))->filePath();
}

// edits placements of metatile 0C in stage 1A, each a step; the image they leave.
Bytes placeMetaTiles(Session &s, int edits)
{
    Controls(s.window).mnuEdit_Level_Click(S1A);
    s.pick(12, 1, 4);
    const QPoint cells[] = {{2, 3}, {3, 3}, {9, 10}, {4, 5}};
    for (int i = 0; i < edits; ++i)
        s.clickOnMap(cells[i].x(), cells[i].y());
    return s.model.image();
}

// How many bytes this program has read so far, from any file.
qint64 bytesReadSoFar()
{
    const QByteArray io = ReadFile(QStringLiteral("/proc/self/io"));
    for (const QByteArray &line : io.split('\n'))
        if (line.startsWith("rchar:"))
            return line.mid(6).trimmed().toLongLong();
    return -1;
}

// Flips one bit of the file at offset (from its end when negative), keeping its time.
bool flipBit(const QString &path, qint64 offset)
{
    QFile file(path);
    const QDateTime written = QFileInfo(path).lastModified();
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const qint64 at = offset >= 0 ? offset : file.size() + offset;
    file.seek(at);
    char byte = 0;
    file.getChar(&byte);
    file.seek(at);
    file.putChar(char(byte ^ 0x10));
    file.flush();
    return file.setFileTime(written, QFileDevice::FileModificationTime);
}

QPushButton *buttonOf(QWidget *dialog, const char *name)
{
    return dialog->findChild<QPushButton *>(QLatin1String(name));
}

} // namespace

class TestLeftWork : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QDir(JournalFolder()).removeRecursively(); }
    void severalOfferedInOneWindow();
    void closedOrAllDiscarded();
    void unreadableJournalKeptUntilDiscarded_data();
    void unreadableJournalKeptUntilDiscarded();
    void unreadableAmongSeveral();
    void damagedStartRebuiltOnTheFile();
};

// Three sessions' work: in one window, newest first, with keys and clicks: Down and Not
// Now keep the damaged one for the next start, End and Alt+D discard the oldest, Enter
// recovers the one left.
void TestLeftWork::severalOfferedInOneWindow()
{
    // One after the other, each session ends without a word; its file stays.
    const auto leave = [](int edits, Bytes *image = nullptr) {
        auto s = std::make_unique<Session>();
        const Bytes left = placeMetaTiles(*s, edits);
        if (image)
            *image = left;
        const QString journal = journalOf(*s);
        s->window.reset();
        QTest::qWait(20);
        return std::pair(std::move(s), journal);
    };
    Bytes newestImage;
    const auto [oldest, oldestJournal] = leave(1);
    const auto [damaged, damagedJournal] = leave(3);
    const auto [newest, newestJournal] = leave(2, &newestImage);
    QVERIFY(flipBit(damagedJournal, -1)); // its last step is damaged
    QCOMPARE(leftFiles().size(), 3);

    Session s(false);
    const bool acted = WithModalWindow([&] { s.window->OpenAtStart({}); }, [&](QWidget *modal) {
        auto *dialog = qobject_cast<RecoveryDialog *>(modal);
        QVERIFY2(dialog, qPrintable(modal->metaObject()->className()));
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lstJournals"));
        auto *question = dialog->findChild<QLabel *>(QStringLiteral("lblQuestion"));
        QCOMPARE(list->topLevelItemCount(), 3);
        const auto row = [&](int r) {
            QTreeWidgetItem *item = list->topLevelItem(r);
            return QStringList{item->text(0), item->text(1), item->text(4)};
        };
        QCOMPARE(row(0), (QStringList{QStringLiteral("GAME.NES"), QStringLiteral("2"), QString()}));
        QCOMPARE(row(1), (QStringList{QStringLiteral("GAME.NES"), QStringLiteral("2"), QStringLiteral("Damaged")}));
        QCOMPARE(row(2), (QStringList{QStringLiteral("GAME.NES"), QStringLiteral("1"), QString()}));
        QCOMPARE(list->topLevelItem(0)->text(3), QLocale().formattedDataSize(QFileInfo(newestJournal).size()));
        QVERIFY2(question->text().startsWith(QStringLiteral("GAME.NES has unsaved changes")), qPrintable(question->text()));

        QTest::keyClick(list, Qt::Key_Down);
        QVERIFY2(question->text().contains(QDir::toNativeSeparators(damagedJournal) + QStringLiteral(".damaged"))
                     && question->text().contains(QStringLiteral("is damaged")),
                 qPrintable(question->text()));
        QTest::mouseClick(buttonOf(dialog, "cmdNotNow"), Qt::LeftButton);
        QCOMPARE(list->topLevelItemCount(), 2);
        QTest::keyClick(list, Qt::Key_End);
        QTest::keyClick(dialog, Qt::Key_D, Qt::AltModifier);
        QTRY_COMPARE(list->topLevelItemCount(), 1); // a mnemonic clicks a moment later, as it shows the press
        QVERIFY(!QFile::exists(oldestJournal));
        QTest::keyClick(list, Qt::Key_Return);
    });
    QVERIFY(acted);
    QVERIFY(s.model.image() == newestImage);
    QCOMPARE(Controls(s.window).history().stack().count(), 2);
    QVERIFY(s.desktop.choiceQuestions.isEmpty());
    // Left: the damaged one, set aside, and this session's own journal.
    QVERIFY(QFile::exists(damagedJournal + QStringLiteral(".damaged")));
    QCOMPARE(leftFiles().size(), 2);
}

// Escape keeps every journal for the next start; Discard All, once confirmed, deletes
// every one.
void TestLeftWork::closedOrAllDiscarded()
{
    for (int i = 0; i < 2; ++i) {
        Session before;
        placeMetaTiles(before, i + 1);
        before.window.reset();
    }
    {
        Session s(false);
        QVERIFY(WithModalWindow([&] { s.window->OpenAtStart({}); },
                                [](QWidget *dialog) { QTest::keyClick(dialog, Qt::Key_Escape); }));
        QVERIFY(!s.model.hasImage());
    }
    QCOMPARE(leftFiles().size(), 2);
    Session s(false);
    s.desktop.yesNoAnswers << false << true;
    QVERIFY(WithModalWindow([&] { s.window->OpenAtStart({}); }, [](QWidget *dialog) {
        QTest::mouseClick(buttonOf(dialog, "cmdDiscardAll"), Qt::LeftButton); // No: nothing goes
        QCOMPARE(leftFiles().size(), 2);
        QTest::keyClick(dialog, Qt::Key_A, Qt::AltModifier);
        QTRY_VERIFY(!dialog->isVisible());
    }));
    QCOMPARE(s.desktop.questions.size(), 2);
    QVERIFY2(s.desktop.questions[0].text.startsWith(QStringLiteral("Discard the unsaved changes of all 2 sessions")),
             qPrintable(s.desktop.questions[0].text));
    QVERIFY(leftFiles().isEmpty());
}

void TestLeftWork::unreadableJournalKeptUntilDiscarded_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("keptAs");
    QTest::addColumn<QString>("said");
    QTest::newRow("zero bytes, not a journal")
        << qint64(4096) << QStringLiteral(".damaged")
        << QStringLiteral("), cannot be read whole: it does not begin as a journal of unsaved work. Nothing in it can be "
                          "recovered. The journal is kept under that name until you discard it.");
    QTest::newRow("1.5 GiB, larger than any journal") // sparse: it takes no room
        << (qint64(3) << 29) << QString()
        << QStringLiteral("), is 1.5 GiB, larger than the 1 GiB that any journal of this program holds: it was not "
                          "read, and nothing in it can be recovered.");
}

// A journal that cannot be read whole is asked about at every start, named with what is
// wrong (a damaged one set aside under another name), read no further than the question
// needs, and deleted only when the user discards it.
void TestLeftWork::unreadableJournalKeptUntilDiscarded()
{
    QFETCH(qint64, size);
    QFETCH(QString, keptAs);
    QFETCH(QString, said);
    QVERIFY(QDir().mkpath(JournalFolder()));
    const QString journal = QDir(JournalFolder()).filePath(QStringLiteral("4711-0badc0de.journal"));
    {
        QFile file(journal);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    }
    for (const char *answer : {"Not Now", "Discard"}) {
        Session s(false);
        s.desktop.choiceAnswers << QLatin1String(answer);
        const qint64 before = bytesReadSoFar();
        s.window->OpenAtStart({});
        QVERIFY2(bytesReadSoFar() - before < (qint64(1) << 20), qPrintable(QString::number(bytesReadSoFar() - before)));
        QCOMPARE(s.desktop.choiceQuestions.size(), 1);
        const QString asked = s.desktop.choiceQuestions[0].text;
        QVERIFY2(asked.startsWith(QStringLiteral("The journal of unsaved changes %1, left by a session that ended "
                                                 "unexpectedly (")
                                      .arg(journal + keptAs))
                     && asked.endsWith(said),
                 qPrintable(asked));
        QVERIFY(s.desktop.unanswered.isEmpty()); // no Recover offered
        QVERIFY(!s.model.hasImage());
        QCOMPARE(QFile::exists(journal + keptAs), QByteArray(answer) == "Not Now");
    }
    QVERIFY(leftFiles().isEmpty());
}

// Among several, one that cannot be recovered shows no edits, and Recover is off for it.
void TestLeftWork::unreadableAmongSeveral()
{
    QVERIFY(QDir().mkpath(JournalFolder()));
    const QString zeros = QDir(JournalFolder()).filePath(QStringLiteral("4711-0badc0de.journal"));
    QVERIFY(WriteFile(zeros, QByteArray(4096, '\0')));
    Session before;
    placeMetaTiles(before, 1);
    before.window.reset();
    Session s(false);
    QVERIFY(WithModalWindow([&] { s.window->OpenAtStart({}); }, [](QWidget *dialog) {
        auto *list = dialog->findChild<QTreeWidget *>(QStringLiteral("lstJournals"));
        auto *recover = buttonOf(dialog, "cmdRecover");
        const int damagedRow = list->topLevelItem(0)->text(4).isEmpty() ? 1 : 0;
        list->setCurrentItem(list->topLevelItem(damagedRow));
        QCOMPARE(list->currentItem()->text(1), QStringLiteral("\u2014"));
        QVERIFY(!recover->isEnabled());
        list->setCurrentItem(list->topLevelItem(1 - damagedRow));
        QVERIFY(recover->isEnabled());
    }));
    QVERIFY(QFile::exists(zeros + QStringLiteral(".damaged")));
}

// One bit flipped in the image a journal starts from: the question names the journal and
// what is wrong with it, and Recover puts the edits back on the file, unchanged since. The
// damaged journal stays.
void TestLeftWork::damagedStartRebuiltOnTheFile()
{
    Session before;
    const Bytes image = placeMetaTiles(before, 3);
    const QString journal = journalOf(before);
    before.window.reset();
    const int inImage = int(sizeof JournalSignature + JournalRecordHeaderSize) + 200 + before.romPath.toUtf8().size();
    QVERIFY(flipBit(journal, inImage));

    Session s(false);
    s.desktop.choiceAnswers << QStringLiteral("Recover");
    s.window->OpenAtStart({});
    QCOMPARE(s.desktop.choiceQuestions.size(), 1);
    const QString asked = s.desktop.choiceQuestions[0].text;
    QVERIFY2(asked.startsWith(QStringLiteral("GAME.NES has unsaved changes from a session that ended unexpectedly (3 edits, "))
                 && asked.contains(QStringLiteral("Its journal, %1.damaged, cannot be read whole: its first record, the "
                                                  "image the work started from, is damaged. The edits after it can be put "
                                                  "back on GAME.NES, which is unchanged since.")
                                       .arg(journal)),
             qPrintable(asked));
    QCOMPARE(s.model.RomFileName, before.romPath);
    QVERIFY(s.model.image() == image);
    QCOMPARE(Controls(s.window).history().stack().count(), 3);
    QVERIFY(s.desktop.messages.isEmpty());
    QVERIFY(QFile::exists(journal + QStringLiteral(".damaged")));
}

QTEST_MAIN(TestLeftWork)
#include "test_leftwork.moc"
