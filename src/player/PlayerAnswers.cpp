#include "PlayerAnswers.h"

#include <algorithm>
#include <cstring>

namespace krelin {

namespace {

// The answer each request gets.
MessageKind AnswerTo(MessageKind request)
{
    switch (request) {
    case MessageKind::Start: return MessageKind::Started;
    case MessageKind::Run: return MessageKind::Frames;
    case MessageKind::Edit:
    case MessageKind::Image: return MessageKind::Reloaded;
    case MessageKind::Reset: return MessageKind::ResetDone;
    case MessageKind::SaveState: return MessageKind::State;
    default: return MessageKind::Restored;
    }
}

// The largest picture taken (a core's is far smaller).
constexpr int MostPictureSide = 4096;

} // namespace

PlayerAnswers::PlayerAnswers(QObject *parent) : QObject(parent)
{
}

void PlayerAnswers::expect(MessageKind request)
{
    awaited.push_back(AnswerTo(request));
}

bool PlayerAnswers::awaits(MessageKind answer) const
{
    return std::find(awaited.begin(), awaited.end(), answer) != awaited.end();
}

void PlayerAnswers::halt()
{
    ++generation;
    incoming = MessageBuffer();
    awaited.clear();
}

void PlayerAnswers::clear()
{
    halt();
    taken = 0;
    why.clear();
    failed = gameStarted = false;
    shown = QImage();
    name.clear();
    fps = 60.0;
    rate = 44100.0;
}

bool PlayerAnswers::stop(const QString &reason)
{
    why = reason;
    awaited.clear();
    return false;
}

bool PlayerAnswers::take(const QByteArray &bytes)
{
    if (!why.isEmpty())
        return false;
    incoming.append(bytes);
    const quint64 reading = generation;
    QString error;
    while (std::optional<Message> message = incoming.next(&error)) {
        if (!takeMessage(*message))
            return false;
        // A slot of the signal just sent stopped the reading (the player was stopped, or
        // another started): these bytes belong to a player that is gone.
        if (generation != reading)
            return true;
    }
    if (!error.isEmpty())
        return stop(QStringLiteral("the player sent %1, which the editor does not take").arg(error));
    return true;
}

bool PlayerAnswers::takeMessage(const Message &message)
{
    MessageReader in(message.body);
    if (message.kind == MessageKind::Failed) {
        failed = true;
        const QString said = in.text();
        return stop(said.isEmpty() ? QStringLiteral("the player gave up without saying why") : said);
    }
    if (awaited.empty() || awaited.front() != message.kind)
        return stop(QStringLiteral("the player answered out of turn (a message of kind %1)").arg(int(message.kind)));
    awaited.pop_front();
    ++taken;
    bool read = true;
    switch (message.kind) {
    case MessageKind::Started:
        return takeStarted(message.body);
    case MessageKind::Frames:
        read = takeFrames(message.body);
        break;
    case MessageKind::Reloaded: {
        const bool kept = in.u8() != 0;
        const QString said = in.text();
        if ((read = in.complete()))
            emit reloaded(kept, said);
        break;
    }
    case MessageKind::ResetDone:
        if ((read = in.complete()))
            emit resetDone();
        break;
    case MessageKind::State: {
        const QByteArray state = in.bytes();
        if ((read = in.complete() && !state.isEmpty()))
            emit stateSaved(state);
        break;
    }
    case MessageKind::Restored: {
        const bool restored = in.u8() != 0;
        const QString said = in.text();
        if ((read = in.complete()))
            emit stateRestored(restored, said);
        break;
    }
    default:
        read = false;
    }
    return read || stop(QStringLiteral("the player sent a message the editor cannot read"));
}

bool PlayerAnswers::takeStarted(const QByteArray &body)
{
    MessageReader in(body);
    const QString core = in.text();
    const double framesPerSecond = in.f64(), sampleRate = in.f64();
    const QString stateProblem = in.text();
    if (!in.complete())
        return stop(QStringLiteral("the player sent a message the editor cannot read"));
    name = core;
    // A rate no display or sound device could keep is not taken (NaN neither).
    if (!(framesPerSecond >= 1 && framesPerSecond <= 1000))
        return stop(QStringLiteral("the core %1 gives %2 frames a second, a frame rate the player cannot keep")
                        .arg(name, QString::number(framesPerSecond)));
    if (!(sampleRate >= 1000 && sampleRate <= 384000))
        return stop(QStringLiteral("the core %1 gives its sound at %2 samples a second, a rate the player cannot play")
                        .arg(name, QString::number(sampleRate)));
    fps = framesPerSecond, rate = sampleRate, gameStarted = true;
    emit started(stateProblem);
    return true;
}

bool PlayerAnswers::takeFrames(const QByteArray &body)
{
    MessageReader in(body);
    const int count = in.u16(), width = in.u16(), height = in.u16(), first = in.u16(), rows = in.u16();
    const qsizetype line = qsizetype(width) * 4;
    if (in.failed() || count < 1 || width > MostPictureSide || height > MostPictureSide || first + rows > height
        || (rows && !width))
        return false;
    const QByteArray pixels = in.raw(line * rows);
    const QByteArray sound = in.bytes();
    if (!in.complete() || sound.size() % 4 != 0)
        return false;
    if (width && height && shown.size() != QSize(width, height)) {
        shown = QImage(width, height, QImage::Format_RGB32);
        shown.fill(Qt::black);
    }
    for (int y = 0; y < rows; ++y) {
        auto *to = reinterpret_cast<QRgb *>(shown.scanLine(first + y));
        std::memcpy(to, pixels.constData() + y * line, std::size_t(line));
        for (int x = 0; x < width; ++x)
            to[x] |= 0xFF000000u; // whatever the player sent, the picture is opaque
    }
    emit framesRun(count, sound, rows > 0 ? QRect(0, first, width, rows) : QRect());
    return true;
}

} // namespace krelin
