// Any bytes as a session of edits: pixel strokes and cell strokes that merge (into nothing
// too), single bytes, patches that grow and shrink the image, undo, redo, jumps through the
// history and saves, with the history's memory budget small enough that its oldest steps
// go. The journal follows all of it. At a point the bytes choose (or at their end) the
// program "dies": the journal is read back as the next start would find it, and the
// history it rebuilds must be the one that was live: the same image, modified or not
// alike, the same steps to redo (but those undone before a save, which the journal starts
// without), and the same images step by step back and forth as far as both go.
//
// The first byte chooses the memory budget (0: the program's own), each later byte starts
// an operation whose arguments are the bytes after it.

#include "FuzzSupport.h"

#include "core/modKrelin.h"
#include "edit/ByteEditCommand.h"
#include "edit/CellsEditCommand.h"
#include "edit/EditCommands.h"
#include "edit/EditHistory.h"
#include "edit/Journal.h"
#include "edit/JournalSession.h"
#include "edit/PatchEdits.h"

#include <QCoreApplication>
#include <QUndoStack>

using namespace krelin;

namespace {

constexpr std::size_t ImageSize = 4096;
constexpr qint64 SmallestImage = 64;
constexpr qint64 LargestImage = 3 * ImageSize;
const QString FilePath = QStringLiteral("/fuzz/game.nes");

enum Op : std::uint8_t { PixelStroke, PixelMore, Cells, Undo, Redo, Jump, Save, Resize, Byte, Kill, OpCount };

struct Bytes
{
    const std::uint8_t *at;
    std::size_t left;

    bool done() const { return left == 0; }
    std::uint8_t next()
    {
        if (left == 0)
            return 0;
        --left;
        return *at++;
    }
};

std::vector<std::uint8_t> startImage()
{
    std::vector<std::uint8_t> image(ImageSize);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = std::uint8_t((i * 131) ^ (i >> 4));
    return image;
}

std::vector<std::uint8_t> imageAt(EditHistory &history, int index)
{
    history.stack().setIndex(index);
    return history.model().image();
}

// The journal as a kill leaves it (its writes go straight to the file), read as the next
// start reads it, rebuilt, and compared with the live history.
void checkRecovery(Journal &journal, EditHistory &live)
{
    const QByteArray written = fuzz::ReadWorkFile(journal.filePath());
    const JournalSession session = ReadJournal(
        {reinterpret_cast<const std::uint8_t *>(written.constData()), std::size_t(written.size())});
    FUZZ_CHECK(session.valid && !session.cutShort, "the journal cannot be read whole");
    FUZZ_CHECK(session.hasUnsavedWork() == live.isModified(), "the journal and the history differ on unsaved work");

    modKrelin rebuiltModel;
    EditHistory rebuilt(rebuiltModel);
    RestoreJournal(rebuilt, session, true);
    QUndoStack &a = live.stack(), &b = rebuilt.stack();
    FUZZ_CHECK(rebuiltModel.image() == live.model().image(), "the recovered image is not the image as it was");
    FUZZ_CHECK(b.isClean() == a.isClean(), "the recovered image is saved where the live one is not, or the reverse");
    // A save starts the journal anew from the image saved: steps undone before it are not
    // unsaved work, and the journal holds them again only once the history moves.
    const int redoLive = a.count() - a.index(), redoRebuilt = b.count() - b.index();
    FUZZ_CHECK(a.isClean() ? redoRebuilt <= redoLive : redoRebuilt == redoLive,
               "the recovered history has other steps to redo");

    // Step by step back as far as both go (the journal starts at the last save, the live
    // history at its oldest step kept), and forth to the newest step.
    const int liveAt = a.index(), offset = b.index() - liveAt;
    const int oldest = std::max(0, -offset);
    for (int i = liveAt - 1; i >= oldest; --i) {
        FUZZ_CHECK(imageAt(rebuilt, i + offset) == imageAt(live, i), QStringLiteral("undone to step %1, the images differ").arg(i));
        FUZZ_CHECK(a.isClean() == b.isClean(), QStringLiteral("undone to step %1, saved differs").arg(i));
    }
    for (int i = oldest + 1; i <= liveAt + redoRebuilt; ++i) {
        FUZZ_CHECK(imageAt(rebuilt, i + offset) == imageAt(live, i), QStringLiteral("redone to step %1, the images differ").arg(i));
        FUZZ_CHECK(a.isClean() == b.isClean(), QStringLiteral("redone to step %1, saved differs").arg(i));
    }
    a.setIndex(liveAt);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_history";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size == 0)
        return 0;
    Bytes in{data, size};

    modKrelin model;
    model.replaceImage(startImage());
    EditHistory history(model);
    if (const int budget = in.next() & 0x0F)
        history.setMemoryBudget(qint64(budget) * 128); // from a step or two up to a dozen or so
    Journal journal(model, history, fuzz::WorkFolder().path());
    journal.begin(FilePath);

    QUndoStack &stack = history.stack();
    int stroke = 0;
    qint64 strokeTile = 0;
    while (!in.done()) {
        const std::uint8_t op = in.next() % OpCount;
        if (op == Kill)
            break;
        switch (op) {
        case PixelStroke:
        case PixelMore: {
            if (op == PixelStroke || stroke == 0) {
                ++stroke;
                strokeTile = qint64(in.next()) * 16;
            }
            const std::uint8_t at = in.next();
            history.push(new PaintPixelCommand(model, strokeTile, at & 7, (at >> 3) & 7, (at >> 6) & 3, stroke));
            break;
        }
        case Cells: {
            const std::uint8_t how = in.next();
            const int strokeOfCells = how & 1 ? stroke : ++stroke;
            std::vector<CellsEditCommand::Cell> cells;
            for (int i = 0; i <= (how >> 1) % 3; ++i) {
                const qint64 offset = (qint64(in.next()) << 4 | (in.next() & 0x0F)) % qint64(ImageSize);
                cells.push_back({offset, in.next()});
            }
            history.push(new CellsEditCommand(model, cells, QStringLiteral("Paint %1 cells"), {}, strokeOfCells));
            break;
        }
        case Undo: stack.undo(); break;
        case Redo: stack.redo(); break;
        case Jump: stack.setIndex(in.next() % (stack.count() + 1)); break;
        case Save:
            history.markSaved();
            journal.begin(FilePath);
            break;
        case Resize: {
            const std::uint8_t how = in.next(), fill = in.next();
            const qint64 by = qint64(how & 0x7F) * 16;
            const qint64 to = std::clamp(model.romSize() + (how & 0x80 ? -by : by), SmallestImage, LargestImage);
            std::vector<std::uint8_t> patched = model.image();
            patched.resize(std::size_t(to), fill);
            if (!patched.empty())
                patched[std::size_t(fill) % patched.size()] ^= 0x5A;
            ApplyPatchedImage(history, std::move(patched), QStringLiteral("p.ips"));
            break;
        }
        case Byte: {
            const qint64 offset = (qint64(in.next()) << 4 | (in.next() & 0x0F));
            history.push(new ByteEditCommand(model, offset, {in.next()}, QStringLiteral("Set Byte")));
            break;
        }
        default: break;
        }
    }
    checkRecovery(journal, history);
    journal.discard(); // its file goes
    return 0;
}
