// Any bytes as a journal of unsaved work left behind by a session that ended. The first
// byte chooses how the rest is taken: even, as the journal file itself (its framing and
// checksums under test); odd, as records (a kind byte, a 16-bit length, the body) given
// whole and valid framing, so that the fuzzer reaches the reading of each kind of record.
// Whatever the bytes, reading never leaves them, what is read makes sense (the current
// step among the steps, the saved one too), damage is said exactly when found, the
// outline read for the question at start tells the same session, the session rebuilds a
// history without fault, and a journal written afresh from that history reads back as the
// same session.

#include "FuzzSupport.h"

#include "core/JournalFormat.h"
#include "core/modKrelin.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"
#include "edit/JournalSession.h"

#include <QCoreApplication>
#include <QUndoStack>

using namespace krelin;

namespace {

std::vector<std::uint8_t> framed(const std::uint8_t *data, std::size_t size)
{
    JournalWriter out(true);
    std::size_t at = 0;
    while (at + 3 <= size) {
        const std::uint8_t kind = data[at];
        const std::size_t length = std::min<std::size_t>(data[at + 1] | data[at + 2] << 8, size - at - 3);
        out.begin(kind);
        for (std::size_t i = 0; i < length; ++i)
            out.putU8(data[at + 3 + i]);
        out.end();
        at += 3 + length;
    }
    return out.bytes();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_journal";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size == 0)
        return 0;
    const std::vector<std::uint8_t> file =
        data[0] % 2 == 0 ? std::vector<std::uint8_t>(data + 1, data + size) : framed(data + 1, size - 1);

    const JournalSession session = ReadJournal(file);
    FUZZ_CHECK(session.index >= 0 && session.index <= int(session.steps.size()), "current step out of range");
    FUZZ_CHECK(session.clean >= -1 && session.clean <= int(session.steps.size()), "saved step out of range");
    FUZZ_CHECK(!session.valid || !session.base.empty(), "a session without an image");
    FUZZ_CHECK(session.damage.isEmpty() == (session.valid && !session.cutShort), "damage said otherwise than found");

    // The outline the question at start reads tells the same session, when it is whole; it
    // finds no damage the whole reading does not.
    JournalRecordReader reader(file);
    const JournalOutline outline = ReadJournalOutline(reader);
    FUZZ_CHECK(outline.damage.isEmpty() || !session.damage.isEmpty(), "the outline finds damage the reading does not");
    if (session.damage.isEmpty())
        FUZZ_CHECK(outline.valid && outline.damage.isEmpty() && outline.steps == int(session.steps.size())
                       && outline.index == session.index && outline.clean == session.clean
                       && outline.path == session.path,
                   "the outline tells another session");
    if (!session.valid)
        return 0;

    modKrelin model;
    EditHistory history(model);
    RestoreJournal(history, session, true);
    QUndoStack &stack = history.stack();
    FUZZ_CHECK(stack.index() <= stack.count() && stack.count() <= int(session.steps.size()), "history out of step");
    stack.setIndex(0);
    stack.setIndex(stack.count());

    // Written afresh from the history, the journal gives the same session back.
    stack.setIndex(std::min(session.index, stack.count()));
    Journal journal(model, history, fuzz::WorkFolder().path());
    journal.follow(session.path, session.fileSize, session.fileCrc);
    const QByteArray written = fuzz::ReadWorkFile(journal.filePath());
    const JournalSession again = ReadJournal(
        {reinterpret_cast<const std::uint8_t *>(written.constData()), std::size_t(written.size())});
    FUZZ_CHECK(again.valid && !again.cutShort && int(again.steps.size()) == stack.count()
                   && again.index == stack.index(),
               "the journal written afresh reads back otherwise");
    modKrelin rebuiltModel;
    EditHistory rebuilt(rebuiltModel);
    RestoreJournal(rebuilt, again, true);
    FUZZ_CHECK(rebuiltModel.image() == model.image(), "the journal written afresh rebuilds another image");
    journal.discard(); // its file goes
    return 0;
}
