// The messages between the editor and its player process, both ways. The input's first
// byte says which way:
//   even  what the editor reads from a player. Then
//           byte 0      n: the requests the editor sent (n % 16)
//           n bytes     their kinds
//           2 bytes     where the player's bytes are cut in two (they arrive in two parts)
//           the rest    the bytes the player sent
//         Whatever they are, the answers taken are what was awaited and well formed (a
//         picture no larger than allowed, every row changed inside it and opaque, whole
//         sound samples, a usable frame rate); the first message that cannot be taken ends
//         the reading with a reason, and nothing is taken after it.
//   odd   what the player process reads from the editor: the rest is the bytes the editor
//         sent, served by the player with a small test core (whatever core the requests
//         name). The player answers every request it can read, in turn, or gives up saying
//         why; every answer it sends is one the editor reads.

#include "FuzzSupport.h"

#include "player/CoreHost.h"
#include "player/PlayerAnswers.h"
#include "player/PlayerMessages.h"
#include "player/PlayerServer.h"

#include <QtEndian>

#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

using namespace krelin;

namespace {

// More frames than this in one input are not run: they would find nothing more, slowly.
constexpr int MostFrames = 2000;

// What the editor reads: every answer's signal checked as it comes.
struct CheckedAnswers
{
    PlayerAnswers answers;
    int announced = 0;

    CheckedAnswers()
    {
        QObject::connect(&answers, &PlayerAnswers::started, [this](const QString &) {
            ++announced;
            FUZZ_CHECK(answers.framesPerSecond() >= 1 && answers.framesPerSecond() <= 1000, "frame rate");
            FUZZ_CHECK(answers.sampleRate() >= 1000 && answers.sampleRate() <= 384000, "sample rate");
        });
        QObject::connect(&answers, &PlayerAnswers::framesRun, [this](int count, const QByteArray &sound, const QRect &changed) {
            ++announced;
            const QImage &picture = answers.picture();
            FUZZ_CHECK(count >= 1, "frames run");
            FUZZ_CHECK(sound.size() % 4 == 0, "whole stereo samples");
            FUZZ_CHECK(picture.width() <= 4096 && picture.height() <= 4096, "picture size");
            FUZZ_CHECK(changed.isEmpty() || picture.rect().contains(changed), "changed rows inside the picture");
            for (int y = changed.top(); !changed.isEmpty() && y <= changed.bottom(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    FUZZ_CHECK(qAlpha(picture.pixel(x, y)) == 255, "an opaque picture");
        });
        QObject::connect(&answers, &PlayerAnswers::stateSaved, [this](const QByteArray &state) {
            ++announced;
            FUZZ_CHECK(!state.isEmpty(), "a state");
        });
        for (auto signal : {&PlayerAnswers::resetDone})
            QObject::connect(&answers, signal, [this] { ++announced; });
        QObject::connect(&answers, &PlayerAnswers::reloaded, [this](bool, const QString &) { ++announced; });
        QObject::connect(&answers, &PlayerAnswers::stateRestored, [this](bool, const QString &) { ++announced; });
    }

    // Takes bytes; checks that a refusal says why and lasts.
    bool take(const QByteArray &bytes)
    {
        const qint64 before = answers.answersTaken();
        const int awaitedBefore = answers.answersAwaited();
        const bool readable = answers.take(bytes);
        FUZZ_CHECK(readable == answers.problem().isEmpty(), answers.problem());
        if (readable)
            FUZZ_CHECK(answers.answersAwaited() == awaitedBefore - int(answers.answersTaken() - before), "answers counted");
        return readable;
    }
};

void ReadFromPlayer(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return;
    const std::size_t requests = data[0] % 16;
    if (size < 1 + requests + 2)
        return;
    CheckedAnswers reader;
    for (std::size_t i = 0; i < requests; ++i)
        reader.answers.expect(MessageKind(1 + data[1 + i] % 7));
    const std::size_t cut = qFromLittleEndian<std::uint16_t>(data + 1 + requests);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 3 + requests), qsizetype(size - 3 - requests));
    const qsizetype at = std::min<qsizetype>(qsizetype(cut), bytes.size());
    if (reader.take(bytes.left(at)) && reader.take(bytes.mid(at)))
        return;
    // Nothing is taken after the first message that cannot be.
    const int announced = reader.announced;
    FUZZ_CHECK(!reader.take(QByteArray("\x01\x00\x00\x00\x43", 5)), "read on after a refusal");
    FUZZ_CHECK(reader.announced == announced, "an answer after a refusal");
}

// The test core, kept loaded so that each input's player opens it afresh cheaply.
const QString &CorePath()
{
    static const QString path = [] {
        const QString core = QStringLiteral(KRELIN_FUZZ_CORE);
        FUZZ_CHECK(dlopen(QFile::encodeName(core).constData(), RTLD_NOW | RTLD_LOCAL), core);
        return core;
    }();
    return path;
}

void ReadFromEditor(const std::uint8_t *data, std::size_t size)
{
    const QByteArray sent(reinterpret_cast<const char *>(data), qsizetype(size));
    // The requests as the editor framed them: the answers the editor awaits.
    std::vector<MessageKind> requests;
    MessageBuffer framing;
    framing.append(sent);
    QString framingError;
    int frames = 0;
    while (std::optional<Message> message = framing.next(&framingError)) {
        requests.push_back(message->kind);
        if (message->kind == MessageKind::Run && message->body.size() >= 2)
            frames += qFromLittleEndian<std::uint16_t>(message->body.constData());
    }
    if (frames > MostFrames)
        return;

    int ends[2];
    FUZZ_CHECK(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == 0, "socket pair");
    std::thread editor([&] {
        std::size_t at = 0;
        while (at < size) {
            const ssize_t n = ::send(ends[0], data + at, size - at, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            at += std::size_t(n);
        }
        ::shutdown(ends[0], SHUT_WR);
    });
    QByteArray answered;
    std::thread reader([&] {
        char buffer[65536];
        for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;)
            answered.append(buffer, n);
    });
    const CoreFolders folders{fuzz::WorkFile(QStringLiteral("system")), fuzz::WorkFile(QStringLiteral("saves"))};
    const int status = ServeEditor(ends[1], [&](const QString &, QString *why) {
        return CoreHost::open(CorePath(), folders, why);
    });
    ::close(ends[1]);
    editor.join();
    reader.join();
    ::close(ends[0]);

    CheckedAnswers editorSide;
    for (const MessageKind request : requests)
        editorSide.answers.expect(request);
    const bool readable = editorSide.take(answered);
    // The player answered what it could read, or gave up saying why: it never sends what
    // the editor cannot read.
    FUZZ_CHECK(readable || editorSide.answers.gaveUp(), editorSide.answers.problem());
    if (status == 0)
        FUZZ_CHECK(readable && editorSide.answers.answersAwaited() == 0,
                   QStringLiteral("%1 requests, %2 answered").arg(requests.size()).arg(editorSide.answers.answersTaken()));
    else
        FUZZ_CHECK(!readable && editorSide.answers.gaveUp(), "ended without a word");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    if (data[0] % 2 == 0)
        ReadFromPlayer(data + 1, size - 1);
    else
        ReadFromEditor(data + 1, size - 1);
    return 0;
}
