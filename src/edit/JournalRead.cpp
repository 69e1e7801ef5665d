// Reading a journal of unsaved work back: whole (ReadJournal), to rebuild the session, or
// in outline (ReadJournalOutline), for the question asked about it at start.

#include "JournalSession.h"

#include "core/Crc32.h"
#include "core/JournalFormat.h"
#include "core/RomFile.h"

#include <algorithm>
#include <optional>

namespace krelin {

namespace {

// A step's body longer than this is passed over by the outline: only the step's own
// record tells whether it is whole, and a record that long is read when the work is.
constexpr std::uint32_t MostOutlineBodyBytes = 16 * 1024;
// The longest body of a record other than a step or the start (an undo, a save).
constexpr std::uint32_t MostMarkBodyBytes = 64;

using Stop = JournalRecordReader::Stop;

// ---- what is wrong, in words --------------------------------------------------------------

QString recordWords(int number, qint64 offset, const char *what)
{
    return QStringLiteral("its record %1, at byte %2, %3").arg(number).arg(offset).arg(QLatin1String(what));
}

// Why the reader stopped before the end of the file.
QString stopWords(const JournalRecordReader &reader)
{
    switch (reader.stop()) {
    case Stop::CutShort:
        return QStringLiteral("it ends in the middle of its record %1, at byte %2")
            .arg(reader.number() + 1)
            .arg(reader.offset());
    case Stop::TooLong: return recordWords(reader.number() + 1, reader.offset(), "is damaged");
    case Stop::Unread: return QStringLiteral("it could not be read past byte %1").arg(reader.offset());
    default: return {};
    }
}

void addDamage(QString &damage, const QString &more)
{
    damage += (damage.isEmpty() ? QString() : QStringLiteral("; ")) + more;
}

// ---- bodies -------------------------------------------------------------------------------

bool validSize(qint64 size)
{
    return size >= 1 && size <= MaxImageSize;
}

// Whether a step can be made on image (forward), or undone from it: one that changes the
// size starts from its size, and every run lies inside the image (before or after the
// step) and holds as its old bytes (its new ones, backward) the ones there, 0 past the
// end. Steps that fit are undone and redone exactly.
bool fits(const StepChanges &changes, const std::vector<std::uint8_t> &image, bool forward = true)
{
    const qint64 size = qint64(image.size());
    if (changes.resizes() && (forward ? changes.sizeBefore : changes.sizeAfter) != size)
        return false;
    const qint64 end = changes.resizes() ? std::max(changes.sizeBefore, changes.sizeAfter) : size;
    for (const StepChanges::Run &run : changes.runs) {
        const std::vector<std::uint8_t> &there = forward ? run.before : run.after;
        if (run.offset + qint64(there.size()) > end)
            return false;
        for (std::size_t i = 0; i < there.size(); ++i) {
            const qint64 at = run.offset + qint64(i);
            if (there[i] != (at < size ? image[std::size_t(at)] : 0))
                return false;
        }
    }
    return true;
}

// A step's changes, or nothing when they could not be those of a step of an image: sizes
// out of range, a run's two sides of different lengths or reaching past the largest image.
std::optional<StepChanges> readChanges(JournalBodyReader &in)
{
    StepChanges changes;
    changes.sizeBefore = in.i64();
    changes.sizeAfter = in.i64();
    const bool sameSize = changes.sizeBefore == -1 && changes.sizeAfter == -1;
    if (!sameSize && !(validSize(changes.sizeBefore) && validSize(changes.sizeAfter)))
        return std::nullopt;
    const std::uint32_t count = in.u32();
    for (std::uint32_t i = 0; i < count && !in.failed(); ++i) {
        const qint64 offset = in.i64();
        const auto before = in.bytes(std::uint32_t(MaxImageSize));
        const auto after = in.bytes(std::uint32_t(MaxImageSize));
        if (in.failed() || before.size() != after.size() || offset < 0 || offset + qint64(before.size()) > MaxImageSize)
            return std::nullopt;
        changes.runs.push_back({offset, {before.begin(), before.end()}, {after.begin(), after.end()}});
    }
    if (!in.atEnd())
        return std::nullopt;
    return changes;
}

std::optional<JournalStep> readStep(std::span<const std::uint8_t> body)
{
    JournalBodyReader in(body);
    QString text = in.text(MostJournalTextBytes);
    std::optional<StepChanges> changes = readChanges(in);
    if (!changes)
        return std::nullopt;
    return JournalStep{std::move(text), std::move(*changes)};
}

// The number an Index or a Clean record holds, or nothing when its body is not one.
std::optional<qint64> readMark(std::uint8_t kind, std::span<const std::uint8_t> body)
{
    JournalBodyReader in(body);
    const qint64 value = kind == JournalIndex ? qint64(in.u32()) : in.i64();
    return in.atEnd() ? std::optional(value) : std::nullopt;
}

// ---- the start ----------------------------------------------------------------------------

// Where the session starts, as the first record tells it. When that record is damaged,
// its fields are taken as they read, and the session starts from the file they name if
// that is still the file it was (its size and checksum).
struct Start
{
    bool ok = false;
    QString path;
    qint64 fileSize = -1;
    std::uint32_t fileCrc = 0;
    std::vector<std::uint8_t> base; // the base, or the file when onFile
    bool onFile = false;
    QString damage;
};

Start readStart(JournalRecordReader &reader, const FileOnDisk &fileOnDisk)
{
    Start start;
    if (!reader.signatureOk()) {
        start.damage = reader.fileSize() == 0 ? QStringLiteral("it is empty")
                                              : QStringLiteral("it does not begin as a journal of unsaved work");
        return start;
    }
    if (!reader.next()) {
        start.damage = reader.stop() == Stop::End ? QStringLiteral("it holds no record") : stopWords(reader);
        return start;
    }
    std::vector<std::uint8_t> body;
    const bool intact = reader.readBody(body);
    if (reader.stop() == Stop::Unread) {
        start.damage = stopWords(reader);
        return start;
    }
    JournalBodyReader in(body);
    start.path = in.text(MostJournalPathBytes);
    start.fileSize = in.i64();
    start.fileCrc = in.u32();
    const auto base = in.bytes(std::uint32_t(MaxImageSize));
    const bool readable = in.atEnd() && start.fileSize >= -1;
    if (intact) {
        if (reader.kind() != JournalBegin || !readable || base.empty()) {
            start.damage = QStringLiteral("its first record is not the start of a session");
            return start;
        }
        start.base.assign(base.begin(), base.end());
        start.ok = true;
        return start;
    }
    start.damage = QStringLiteral("its first record, the image the work started from, is damaged");
    if (!readable || start.fileSize < 0) {
        start.path.clear();
        return start;
    }
    std::vector<std::uint8_t> file = fileOnDisk ? fileOnDisk(start.path) : std::vector<std::uint8_t>{};
    if (qint64(file.size()) != start.fileSize || Crc32(file) != start.fileCrc) {
        start.damage += QStringLiteral(", and %1, on which its edits could be rebuilt, is no longer the file it was")
                            .arg(start.path);
        return start;
    }
    start.base = std::move(file);
    start.onFile = start.ok = true;
    return start;
}

// ---- the whole session --------------------------------------------------------------------

// The session as the records read so far tell it, and its image at the current step,
// against which each next record is checked.
struct Replay
{
    JournalSession &session;
    std::vector<std::uint8_t> image;

    void moveTo(int to)
    {
        while (session.index > to)
            ApplyStepChanges(image, session.steps[std::size_t(--session.index)].changes, false);
        while (session.index < to)
            ApplyStepChanges(image, session.steps[std::size_t(session.index++)].changes, true);
    }

    // Applies one record after the Begin; false when it cannot stand there.
    bool apply(std::uint8_t kind, std::span<const std::uint8_t> body);
};

bool Replay::apply(std::uint8_t kind, std::span<const std::uint8_t> body)
{
    const int count = int(session.steps.size());
    if (kind == JournalIndex || kind == JournalClean) {
        const std::optional<qint64> value = readMark(kind, body);
        if (!value || *value < (kind == JournalClean ? -1 : 0) || *value > count)
            return false;
        if (kind == JournalIndex)
            moveTo(int(*value));
        else
            session.clean = int(*value);
        return true;
    }
    if (kind != JournalPush && kind != JournalMerge)
        return false;
    std::optional<JournalStep> step = readStep(body);
    const bool merge = kind == JournalMerge;
    if (!step || (merge && session.index == 0))
        return false;
    // A merge changes the step before the current one: it starts where that one did.
    std::vector<std::uint8_t> start;
    if (merge) {
        start = image;
        ApplyStepChanges(start, session.steps[std::size_t(session.index - 1)].changes, false);
    }
    if (!fits(step->changes, merge ? start : image))
        return false;
    if (merge)
        image = std::move(start);
    ApplyStepChanges(image, step->changes, true);
    // The steps undone go, and with them a saved step among them; after a merge the image
    // differs from the step merged into on; a merge into nothing takes the step away.
    session.steps.resize(std::size_t(session.index));
    if (session.clean > session.index || (merge && session.clean == session.index))
        session.clean = -1;
    if (merge && step->changes.isEmpty()) {
        session.steps.pop_back();
        --session.index;
    } else if (merge) {
        session.steps.back() = std::move(*step);
    } else {
        session.steps.push_back(std::move(*step));
        ++session.index;
    }
    return true;
}

// A step record read before it is known what it is to be applied to.
struct HeldStep
{
    std::vector<std::uint8_t> body;
    int number;
    qint64 offset;
};

// When the work is rebuilt on the file: the file is the image at step `saved` of the
// steps held back (a journal written afresh holds all of the history's steps, then the
// saved one's number; one begun at an open or a save starts at the file). The base is the
// file with those steps undone; then the steps are applied to it as any others.
bool settleOnFile(Replay &replay, std::vector<std::uint8_t> file, const std::vector<HeldStep> &held, qint64 saved)
{
    JournalSession &session = replay.session;
    if (saved < 0 || saved > qint64(held.size()))
        return false;
    for (qint64 i = saved - 1; i >= 0; --i) {
        const std::optional<JournalStep> step = readStep(held[std::size_t(i)].body);
        if (!step || !fits(step->changes, file, false))
            return false;
        ApplyStepChanges(file, step->changes, false);
    }
    session.base = file;
    replay.image = std::move(file);
    for (const HeldStep &step : held) {
        if (!replay.apply(JournalPush, step.body)) {
            addDamage(session.damage, recordWords(step.number, step.offset, "does not follow from the records before it"));
            session.cutShort = true;
            break;
        }
    }
    return true;
}

// ---- the outline --------------------------------------------------------------------------

// The steps, the current one and the saved one, as the records tell them, without their
// bytes: the same rules as Replay::apply.
bool outlineApply(JournalOutline &o, std::uint8_t kind, std::optional<std::span<const std::uint8_t>> body)
{
    if (kind == JournalIndex || kind == JournalClean) {
        const std::optional<qint64> value = readMark(kind, *body);
        if (!value || *value < (kind == JournalClean ? -1 : 0) || *value > o.steps)
            return false;
        (kind == JournalIndex ? o.index : o.clean) = int(*value);
        return true;
    }
    if (kind != JournalPush && kind != JournalMerge)
        return false;
    const bool merge = kind == JournalMerge;
    bool empty = false;
    if (body) { // a large body passed over is taken as a step of its own
        const std::optional<JournalStep> step = readStep(*body);
        if (!step)
            return false;
        empty = step->changes.isEmpty();
    }
    if (merge && o.index == 0)
        return false;
    o.steps = o.index;
    if (o.clean > o.index || (merge && o.clean == o.index))
        o.clean = -1;
    if (merge && empty)
        o.steps = --o.index;
    else if (!merge)
        o.steps = ++o.index;
    return true;
}

} // namespace

JournalSession ReadJournal(JournalRecordReader &reader, const FileOnDisk &fileOnDisk)
{
    JournalSession session;
    Start start = readStart(reader, fileOnDisk);
    session.path = start.path;
    session.fileSize = start.fileSize;
    session.fileCrc = start.fileCrc;
    session.damage = start.damage;
    if (!start.ok)
        return session;
    session.valid = true;
    session.rebuiltOnFile = start.onFile;
    // A session starts at the file it names, unless it had none.
    session.clean = session.fileSize >= 0 ? 0 : -1;
    Replay replay{session, {}};
    if (!start.onFile) {
        session.base = std::move(start.base);
        replay.image = session.base;
    }
    // On the file, the steps that come first wait until it is known which of them it is.
    bool holding = start.onFile;
    std::vector<HeldStep> held;
    const auto settle = [&](qint64 saved) {
        holding = false;
        if (settleOnFile(replay, std::move(start.base), held, saved))
            return true;
        session = {};
        session.path = start.path;
        session.damage = start.damage
            + QStringLiteral(", and %1 is not the image at any of the steps after it").arg(start.path);
        return false;
    };
    std::vector<std::uint8_t> body;
    while (reader.next()) {
        if (!reader.readBody(body)) {
            addDamage(session.damage, reader.stop() == Stop::Unread ? stopWords(reader)
                                                                    : recordWords(reader.number(), reader.offset(), "is damaged"));
            session.cutShort = true;
            break;
        }
        if (holding && reader.kind() == JournalPush) {
            held.push_back({std::move(body), reader.number(), reader.offset()});
            continue;
        }
        if (holding && !settle(reader.kind() == JournalClean ? readMark(JournalClean, body).value_or(-1) : 0))
            return session;
        if (session.cutShort)
            break;
        if (!replay.apply(reader.kind(), body)) {
            addDamage(session.damage, recordWords(reader.number(), reader.offset(), "does not follow from the records before it"));
            session.cutShort = true;
            break;
        }
    }
    if (holding && !settle(0))
        return session;
    if (!session.cutShort && reader.stop() != Stop::End) {
        addDamage(session.damage, stopWords(reader));
        session.cutShort = true;
    }
    return session;
}

JournalSession ReadJournal(std::span<const std::uint8_t> file)
{
    JournalRecordReader reader(file);
    return ReadJournal(reader);
}

JournalOutline ReadJournalOutline(JournalRecordReader &reader, const FileOnDisk &fileOnDisk)
{
    JournalOutline outline;
    const Start start = readStart(reader, fileOnDisk);
    outline.path = start.path;
    outline.fileSize = start.fileSize;
    outline.damage = start.damage;
    if (!start.ok)
        return outline;
    outline.valid = true;
    outline.rebuiltOnFile = start.onFile;
    outline.clean = outline.fileSize >= 0 ? 0 : -1;
    std::vector<std::uint8_t> body;
    while (reader.next()) {
        const bool step = reader.kind() == JournalPush || reader.kind() == JournalMerge;
        const bool passOver = step && reader.length() > MostOutlineBodyBytes;
        if (!step && reader.length() > MostMarkBodyBytes) {
            addDamage(outline.damage, recordWords(reader.number(), reader.offset(), "does not follow from the records before it"));
            return outline;
        }
        if (!passOver && !reader.readBody(body)) {
            addDamage(outline.damage, reader.stop() == Stop::Unread ? stopWords(reader)
                                                                    : recordWords(reader.number(), reader.offset(), "is damaged"));
            return outline;
        }
        if (!outlineApply(outline, reader.kind(), passOver ? std::nullopt : std::optional(std::span<const std::uint8_t>(body)))) {
            addDamage(outline.damage, recordWords(reader.number(), reader.offset(), "does not follow from the records before it"));
            return outline;
        }
    }
    if (reader.stop() != Stop::End)
        addDamage(outline.damage, stopWords(reader));
    return outline;
}

} // namespace krelin
