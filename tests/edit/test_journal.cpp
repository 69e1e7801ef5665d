// The journal of unsaved work: after every kind of change of the history it can be read
// back into the same history, and a journal cut short or damaged gives back every record
// before the damage.
#include "Bytes.h"
#include "SyntheticImage.h"

#include "core/JournalFormat.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"
#include "edit/JournalSession.h"
#include "edit/RecordedStep.h"

#include <QFile>
#include <QSignalSpy>

#include <cstring>
#include <tuple>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace krelin;
using namespace krelin::testing;

namespace {

// A one-byte edit that takes in the next one at the same offset, as a drag does.
class DragEdit : public EditStep
{
public:
    DragEdit(modKrelin &model, qint64 at, std::uint8_t value)
        : EditStep(QStringLiteral("Drag")), model(model), at(at), before(model.byteAt(at)), after(value)
    {
    }
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand *other) override
    {
        const auto *next = static_cast<const DragEdit *>(other);
        if (next->at != at)
            return false;
        after = next->after;
        setObsolete(before == after); // back where it started: the history drops the step
        return true;
    }
    bool changesImage() const override { return before != after; }
    StepChanges changes() const override
    {
        StepChanges c;
        c.runs.push_back({at, {before}, {after}});
        return c;
    }
    void redo() override { model.writeByte(at, after); }
    void undo() override { model.writeByte(at, before); }

private:
    modKrelin &model;
    qint64 at;
    std::uint8_t before, after;
};

std::span<const std::uint8_t> span(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

// The image at step `to` of a live history, worked out from its steps' bytes alone.
Bytes imageAt(EditHistory &live, int to)
{
    Bytes image = live.model().image();
    const QUndoStack &stack = live.stack();
    for (int i = stack.index() - 1; i >= to; --i)
        ApplyStepChanges(image, static_cast<const EditStep *>(stack.command(i))->changes(), false);
    for (int i = stack.index(); i < to; ++i)
        ApplyStepChanges(image, static_cast<const EditStep *>(stack.command(i))->changes(), true);
    return image;
}

// Empty when the session read from a journal, rebuilt into a history of its own, shows
// what the live history shows: whether the image is saved, the image at the current step,
// at each step it can redo and at each it can undo, at least back to the saved one.
QString sessionDiffers(const JournalSession &session, EditHistory &live)
{
    if (!session.valid || session.cutShort)
        return QStringLiteral("the journal cannot be read: ") + session.damage;
    modKrelin model;
    EditHistory rebuilt(model);
    RestoreJournal(rebuilt, session, true);
    const QUndoStack &stack = live.stack();
    QUndoStack &back = rebuilt.stack();
    const int saved = stack.cleanIndex();
    const int needed = saved >= 0 && saved <= stack.index() ? stack.index() - saved : stack.index();
    if (back.index() < needed || back.count() - back.index() != stack.count() - stack.index())
        return QStringLiteral("the journal holds %1 steps, at %2; the history %3, at %4")
            .arg(back.count()).arg(back.index()).arg(stack.count()).arg(stack.index());
    const int current = back.index();
    for (int d = -std::min(current, stack.index()); d <= stack.count() - stack.index(); ++d) {
        back.setIndex(current + d);
        if (model.image() != imageAt(live, stack.index() + d))
            return QStringLiteral("the image %1 steps from the current one differs").arg(d);
        if (rebuilt.isModified() != (stack.index() + d != stack.cleanIndex()))
            return QStringLiteral("the image %1 steps from the current one is saved in one only").arg(d);
    }
    return {};
}

QString journalDiffers(const Journal &journal, EditHistory &live)
{
    return sessionDiffers(ReadJournal(span(ReadFile(journal.filePath()))), live);
}

// A history on a noise image of size bytes, and its journal in folder (a temporary one when
// none is named), to be begun on game.nes.
struct Journaled
{
    QTemporaryDir dir;
    modKrelin model;
    EditHistory history{model};
    Journal journal;
    QString file = dir.filePath(QStringLiteral("game.nes"));

    explicit Journaled(std::size_t size, const QString &folder = {})
        : journal(model, history, folder.isEmpty() ? dir.path() : folder)
    {
        model.replaceImage(MakeNoiseImage(size));
    }
};

// Fills length bytes at `at` with value as one step, growing the image when it must.
bool fillStep(EditHistory &history, qint64 at, qint64 length, std::uint8_t value)
{
    modKrelin &model = history.model();
    Bytes next = model.image();
    if (qint64(next.size()) < at + length)
        next.resize(std::size_t(at + length));
    std::fill_n(next.begin() + at, length, value);
    return history.push(new RecordedStep(model, ChangesBetween(model.image(), next), QStringLiteral("Fill")));
}

// Reads the journal in memory through the reader the program uses for files, counting the
// bytes it reads.
struct CountingReader
{
    QByteArray file;
    qint64 bytesRead = 0;
    JournalRecordReader reader{[this](qint64 offset, std::span<std::uint8_t> into) {
                                   const std::size_t n = std::min<std::size_t>(into.size(), std::size_t(file.size() - offset));
                                   if (n > 0)
                                       std::memcpy(into.data(), file.constData() + offset, n);
                                   bytesRead += qint64(n);
                                   return n;
                               },
                               file.size()};
    explicit CountingReader(QByteArray bytes) : file(std::move(bytes)) {}
};

#define CHECK_JOURNAL(journal, history)                                                                            \
    do {                                                                                                           \
        const QString diff = journalDiffers(journal, history);                                                     \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));                                                                \
    } while (false)

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void followsEveryChangeOfTheHistory();
    void damagedJournalKeepsWhatCameBefore();
    void unwritableJournalSaysSoOnce();
    void damagedStartRebuiltOnTheFile_data();
    void damagedStartRebuiltOnTheFile();
    void notAJournalSaysWhy();
    void outlineReadsWhatTheQuestionNeeds();
};

void TestJournal::followsEveryChangeOfTheHistory()
{
    Journaled j(0x4000);
    modKrelin &model = j.model;
    EditHistory &history = j.history;
    Journal &journal = j.journal;
    QUndoStack &stack = history.stack();
    journal.begin(j.file);
    const auto fill = [&](qint64 at, qint64 length, std::uint8_t value) {
        Bytes next = model.image();
        if (qint64(next.size()) < at + length)
            next.resize(std::size_t(at + length));
        std::fill_n(next.begin() + at, length, value);
        return history.push(new RecordedStep(model, ChangesBetween(model.image(), next), QStringLiteral("Fill")));
    };

    QVERIFY(!ReadJournal(span(ReadFile(journal.filePath()))).hasUnsavedWork());
    for (int i = 0; i < 3; ++i)
        QVERIFY(fill(100 * i, 10, std::uint8_t(i + 1)));
    CHECK_JOURNAL(journal, history);
    stack.undo();
    CHECK_JOURNAL(journal, history);
    stack.setIndex(0); // a jump through the history window
    CHECK_JOURNAL(journal, history);
    stack.redo();
    QVERIFY(fill(50, 10, 9)); // the steps undone go
    CHECK_JOURNAL(journal, history);
    QVERIFY(history.push(new DragEdit(model, 7, 0x10)));
    QVERIFY(history.push(new DragEdit(model, 7, 0x20))); // merged into the step before
    QCOMPARE(stack.count(), 3);
    CHECK_JOURNAL(journal, history);
    QVERIFY(fill(0x4000 - 4, 100, 0x33)); // the image grows
    CHECK_JOURNAL(journal, history);
    // A drag that comes back to where it started: merged into nothing, the step goes.
    const std::uint8_t at9 = model.byteAt(9);
    QVERIFY(history.push(new DragEdit(model, 9, std::uint8_t(at9 + 1))));
    QVERIFY(history.push(new DragEdit(model, 9, at9)));
    QCOMPARE(stack.count(), 4);
    CHECK_JOURNAL(journal, history);

    // Saved: the journal starts anew and holds no unsaved work; then back past the save.
    history.markSaved();
    journal.begin(j.file);
    QVERIFY(!ReadJournal(span(ReadFile(journal.filePath()))).hasUnsavedWork());
    // The same right after the save: the image is the saved one again, and so says the
    // journal.
    QVERIFY(history.push(new DragEdit(model, 9, std::uint8_t(at9 + 2))));
    QVERIFY(history.isModified());
    QVERIFY(history.push(new DragEdit(model, 9, at9)));
    QVERIFY(!history.isModified());
    QVERIFY(!ReadJournal(span(ReadFile(journal.filePath()))).hasUnsavedWork());
    CHECK_JOURNAL(journal, history);
    stack.undo();
    stack.undo();
    CHECK_JOURNAL(journal, history);
    stack.setIndex(stack.count());
    QVERIFY(fill(900, 4, 0x44));
    CHECK_JOURNAL(journal, history);

    // Changes discarded: no journal; the work goes on (the file chosen next was refused).
    journal.discard();
    QVERIFY(journal.filePath().isEmpty());
    QVERIFY(fill(1000, 4, 0x55));
    CHECK_JOURNAL(journal, history);

    // Past the budget the oldest steps go; the journal still rebuilds the same steps.
    for (int i = 0; i < 6; ++i)
        QVERIFY(fill(0x1000 + 0x200 * i, 0x200, std::uint8_t(0x60 + i)));
    history.setMemoryBudget(4 * 0x200 + 1024);
    QVERIFY(stack.count() < 8);
    CHECK_JOURNAL(journal, history);
    QVERIFY(fill(0x3000, 0x200, 0x77));
    stack.undo();
    CHECK_JOURNAL(journal, history);

    // The program ends: kept while it holds unsaved work, gone once that is saved.
    const QString kept = journal.filePath();
    journal.leave();
    QVERIFY(ReadJournal(span(ReadFile(kept))).hasUnsavedWork());
    history.markSaved();
    journal.begin(j.file);
    journal.leave();
    QVERIFY(!QFile::exists(kept));
}

void TestJournal::damagedJournalKeepsWhatCameBefore()
{
    Journaled j(0x800);
    modKrelin &model = j.model;
    EditHistory &history = j.history;
    Journal &journal = j.journal;
    journal.begin(j.file);
    for (int i = 0; i < 4; ++i) {
        Bytes next = model.image();
        next[std::size_t(16 * i)] ^= 0xFF;
        history.push(new RecordedStep(model, ChangesBetween(model.image(), next), QStringLiteral("Edit")));
    }
    history.stack().undo();
    const QByteArray file = ReadFile(journal.filePath());
    const JournalRecords records = ReadJournalRecords(span(file));
    QCOMPARE(records.records.size(), std::size_t(6)); // begin, four steps, an undo
    // Where each record ends, and what a journal that ends there says.
    std::vector<qsizetype> ends;
    for (const JournalRecord &r : records.records)
        ends.push_back(qsizetype(r.body.data() + r.body.size() - reinterpret_cast<const std::uint8_t *>(file.data())));
    const auto stepsAndIndex = [](const JournalSession &s) { return std::pair(s.steps.size(), s.index); };
    const std::pair<std::size_t, int> expected[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {4, 3}};

    for (qsizetype cut = 0; cut <= file.size(); ++cut) {
        const JournalSession s = ReadJournal(span(file.left(cut)));
        const auto whole = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin();
        QCOMPARE(s.valid, whole > 0);
        if (whole > 0) {
            QCOMPARE(stepsAndIndex(s), expected[whole - 1]);
            QCOMPARE(s.cutShort, cut != ends[std::size_t(whole - 1)]);
        }
    }
    // A byte damaged in a record: the records before it are read, none after it.
    for (std::size_t k = 1; k < ends.size(); ++k) {
        QByteArray damaged = file;
        damaged[ends[k] - 1] = char(damaged[ends[k] - 1] ^ 0x01);
        const JournalSession s = ReadJournal(span(damaged));
        QVERIFY(s.cutShort);
        QCOMPARE(stepsAndIndex(s), expected[k - 1]);
    }
}

void TestJournal::unwritableJournalSaysSoOnce()
{
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.filePath(QStringLiteral("state")), "a file where the folder would be"));
    Journaled j(0x800, dir.filePath(QStringLiteral("state/krelin")));
    QSignalSpy warnings(&j.journal, &Journal::warning);
    j.journal.begin(j.file);
    for (int i = 0; i < 3; ++i)
        QVERIFY(j.history.push(new DragEdit(j.model, 16 * i, 0xAA)));
    QCOMPARE(warnings.size(), 1);
    QVERIFY2(warnings[0][0].toString().startsWith(QStringLiteral("Unsaved changes cannot be kept safe from a crash: "
                                                                 "cannot create the folder ")),
             qPrintable(warnings[0][0].toString()));
    QVERIFY(j.journal.filePath().isEmpty());
}

void TestJournal::damagedStartRebuiltOnTheFile_data()
{
    QTest::addColumn<bool>("writtenAfresh");
    QTest::newRow("begun at the save") << false;
    QTest::newRow("written afresh after an undo past the save") << true;
}

// One bit flipped in the image the work started from: the later records are applied to
// the file the journal names while it is unchanged; once it has changed, nothing is.
void TestJournal::damagedStartRebuiltOnTheFile()
{
    QFETCH(bool, writtenAfresh);
    Journaled j(0x800);
    QUndoStack &stack = j.history.stack();
    j.journal.begin(j.file);
    for (int i = 0; i < 3; ++i)
        QVERIFY(fillStep(j.history, 0x40 * i, 8, std::uint8_t(i + 1)));
    j.history.markSaved();
    j.journal.begin(j.file);
    const Bytes onDisk = j.model.image();
    if (writtenAfresh)
        stack.setIndex(1); // the journal now holds every step, the save at the third
    QVERIFY(fillStep(j.history, 0x200, 4, 0x77));
    QVERIFY(fillStep(j.history, 0x300, 4, 0x78));
    stack.undo();

    QByteArray file = ReadFile(j.journal.filePath());
    const int flipped = int(sizeof JournalSignature + JournalRecordHeaderSize) + 64 + j.file.toUtf8().size();
    file[flipped] = char(file[flipped] ^ 0x10);
    QVERIFY(!ReadJournal(span(file)).valid); // with no file to rebuild it on

    const Bytes changed = [&] {
        Bytes b = onDisk;
        b[5] ^= 1;
        return b;
    }();
    for (const Bytes *disk : {&onDisk, &changed}) {
        QString askedFor;
        JournalRecordReader reader(span(file));
        const JournalSession session = ReadJournal(reader, [&](const QString &path) {
            askedFor = path;
            return *disk;
        });
        QCOMPARE(askedFor, j.file);
        QVERIFY2(session.damage.startsWith(QStringLiteral("its first record, the image the work started from, is damaged")),
                 qPrintable(session.damage));
        JournalRecordReader again(span(file));
        const JournalOutline outline = ReadJournalOutline(again, [&](const QString &) { return *disk; });
        QCOMPARE(outline.damage, session.damage);
        if (disk == &changed) {
            QVERIFY(!session.valid && !outline.valid);
            QVERIFY2(session.damage.endsWith(j.file + QStringLiteral(", on which its edits could be rebuilt, is no longer the file it was")),
                     qPrintable(session.damage));
            continue;
        }
        QVERIFY(session.rebuiltOnFile && outline.rebuiltOnFile);
        QCOMPARE(outline.unsavedEdits(), session.unsavedEdits());
        QCOMPARE(session.unsavedEdits(), writtenAfresh ? 2 : 1);
        const QString diff = sessionDiffers(session, j.history);
        QVERIFY2(diff.isEmpty(), qPrintable(diff));
    }
}

// A journal that is not one: empty, zero-filled or anything else, said so and read no
// further.
void TestJournal::notAJournalSaysWhy()
{
    const std::pair<QByteArray, QString> cases[] = {
        {QByteArray(), QStringLiteral("it is empty")},
        {QByteArray(4096, '\0'), QStringLiteral("it does not begin as a journal of unsaved work")},
        {QByteArray(JournalSignature, sizeof JournalSignature), QStringLiteral("it holds no record")},
        {QByteArray(JournalSignature, sizeof JournalSignature) + QByteArray(3, 'x'),
         QStringLiteral("it ends in the middle of its record 1, at byte 8")},
    };
    for (const auto &[bytes, words] : cases) {
        const JournalSession session = ReadJournal(span(bytes));
        QVERIFY(!session.valid);
        QCOMPARE(session.damage, words);
        JournalRecordReader reader(span(bytes));
        QCOMPARE(ReadJournalOutline(reader).damage, words);
    }
}

// The outline tells what the whole reading tells, the steps, the current and saved ones,
// reading the image it starts from and the small records but not the bodies of large
// steps.
void TestJournal::outlineReadsWhatTheQuestionNeeds()
{
    constexpr qint64 Size = 1 << 20;
    Journaled j{std::size_t(Size)};
    j.journal.begin(j.file);
    for (int i = 0; i < 6; ++i) {
        QVERIFY(fillStep(j.history, 0, Size / 2, std::uint8_t(i + 1))); // half the image each
        QVERIFY(fillStep(j.history, 0x10 * i, 4, std::uint8_t(0x80 + i)));
    }
    j.history.stack().undo();
    QVERIFY(j.history.push(new DragEdit(j.model, 3, 0x55)));
    QVERIFY(j.history.push(new DragEdit(j.model, 3, j.model.byteAt(3) == 0x55 ? 0x56 : 0x55)));
    CountingReader counting(ReadFile(j.journal.filePath()));
    QVERIFY(counting.file.size() > 6 * Size);
    const JournalOutline outline = ReadJournalOutline(counting.reader);
    const JournalSession session = ReadJournal(span(counting.file));
    QVERIFY(outline.valid && outline.damage.isEmpty());
    QCOMPARE(std::tuple(outline.steps, outline.index, outline.clean, outline.path),
             std::tuple(int(session.steps.size()), session.index, session.clean, session.path));
    QVERIFY2(counting.bytesRead < Size + 64 * 1024, qPrintable(QString::number(counting.bytesRead)));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
