#include "PlayerConnection.h"

#include "CoreHost.h"
#include "PrivateFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QProcess>

#include <cstring>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#ifndef CLOSE_RANGE_CLOEXEC
#define CLOSE_RANGE_CLOEXEC (1U << 2)
#endif

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

// In the new process, between fork and exec (only calls safe there): it dies with the
// editor, leads a process group of its own (so that whatever a core starts can be ended
// with it), and keeps none of the editor's open files (the image's, the journal's) but
// its end of the socket.
void PrepareChild(int socket)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    setpgid(0, 0);
    if (syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC) != 0) {
        const long limit = std::min(sysconf(_SC_OPEN_MAX), 65536L);
        for (int fd = 3; fd < limit; ++fd)
            fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    fcntl(socket, F_SETFD, 0);
}

} // namespace

PlayerConnection::PlayerConnection(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("playerConnection"));
    // A look every tenth of the time allowed, rather than a timer set and stopped at every
    // request, which would cost each frame.
    watchdog.setInterval(AnswerTimeout / 10);
    connect(&watchdog, &QTimer::timeout, this, [this] {
        if (awaited.empty() || sinceAnswer.elapsed() < AnswerTimeout)
            return;
        end(awaits(MessageKind::Frames) ? QStringLiteral("the core gave no frame for %1 seconds").arg(AnswerTimeout / 1000)
                                        : QStringLiteral("the core did not answer for %1 seconds").arg(AnswerTimeout / 1000));
    });
}

PlayerConnection::~PlayerConnection()
{
    stop();
}

qint64 PlayerConnection::processId() const
{
    return process ? process->processId() : 0;
}

bool PlayerConnection::awaits(MessageKind answer) const
{
    return std::find(awaited.begin(), awaited.end(), answer) != awaited.end();
}

void PlayerConnection::start(const Setup &setup)
{
    stop();
    ended = false;
    gameStarted = false;
    awaited.clear();
    incoming = MessageBuffer();
    shown = QImage();
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        end(QStringLiteral("no socket could be made for it (%1)").arg(QString::fromLocal8Bit(strerror(errno))));
        return;
    }
    const int childEnd = ends[1];
    process = new QProcess(this);
    process->setChildProcessModifier([childEnd] { PrepareChild(childEnd); });
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    if (setup.showCoreLog)
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        process->setStandardErrorFile(QProcess::nullDevice());
    // Nowhere near the image's folder: the core's own.
    const QString folder = DefaultCoreFolders().system;
    process->setWorkingDirectory(MakePrivateFolder(folder) ? folder : QDir::rootPath());
    connect(process, &QProcess::finished, this, &PlayerConnection::processEnded);
    connect(process, &QProcess::errorOccurred, this, [this, program = setup.program](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(QStringLiteral("the program %1 could not be started (%2)")
                    .arg(QDir::toNativeSeparators(program), process->errorString()));
    });
    process->start(setup.program, {QStringLiteral("--player"), QStringLiteral("--socket"), QString::number(childEnd)});
    ::close(childEnd);
    if (!process) { // it could not be started, and has said so
        ::close(ends[0]);
        return;
    }

    // Set from both sides, as a shell does, so that the group is there whichever runs first.
    group = process->processId();
    setpgid(pid_t(group), pid_t(group));
    socket = new QLocalSocket(process);
    if (!socket->setSocketDescriptor(ends[0])) {
        ::close(ends[0]);
        end(QStringLiteral("its socket could not be used"));
        return;
    }
    connect(socket, &QLocalSocket::readyRead, this, &PlayerConnection::readAnswers);
    watchdog.start();
    send(std::move(MessageWriter(MessageKind::Start)
                       .text(setup.corePath)
                       .bytes(setup.palette)
                       .bytes(setup.image)
                       .bytes(setup.state)),
         MessageKind::Start);
}

void PlayerConnection::runFrames(int count, JoypadButtons buttons, bool sound)
{
    send(std::move(MessageWriter(MessageKind::Run).u16(std::uint16_t(std::clamp(count, 1, MaxFramesPerRun))).u16(buttons).u8(sound)),
         MessageKind::Run);
}

void PlayerConnection::sendEdits(const std::vector<ByteRun> &runs)
{
    MessageWriter request(MessageKind::Edit);
    request.u32(std::uint32_t(runs.size()));
    for (const ByteRun &run : runs)
        request.u32(run.offset).bytes(run.bytes);
    send(std::move(request), MessageKind::Edit);
}

void PlayerConnection::sendImage(const QByteArray &image)
{
    send(std::move(MessageWriter(MessageKind::Image).bytes(image)), MessageKind::Image);
}

void PlayerConnection::reset()
{
    send(MessageWriter(MessageKind::Reset), MessageKind::Reset);
}

void PlayerConnection::saveState()
{
    send(MessageWriter(MessageKind::SaveState), MessageKind::SaveState);
}

void PlayerConnection::restoreState(const QByteArray &state)
{
    send(std::move(MessageWriter(MessageKind::RestoreState).bytes(state)), MessageKind::RestoreState);
}

void PlayerConnection::send(MessageWriter &&request, MessageKind kind)
{
    if (!isRunning() || !socket)
        return;
    if (awaited.empty())
        sinceAnswer.start();
    awaited.push_back(AnswerTo(kind));
    socket->write(request.finish());
}

void PlayerConnection::readAnswers()
{
    if (ended || !socket)
        return;
    incoming.append(socket->readAll());
    QString error;
    while (std::optional<Message> message = incoming.next(&error)) {
        if (!take(*message) || ended)
            return;
    }
    if (!error.isEmpty())
        end(QStringLiteral("the player sent %1, which the editor does not take").arg(error));
}

bool PlayerConnection::take(const Message &message)
{
    MessageReader in(message.body);
    if (message.kind == MessageKind::Failed) {
        const QString why = in.text();
        end(why.isEmpty() ? QStringLiteral("the player gave up without saying why") : why);
        return false;
    }
    if (awaited.empty() || awaited.front() != message.kind) {
        end(QStringLiteral("the player answered out of turn (a message of kind %1)").arg(int(message.kind)));
        return false;
    }
    awaited.pop_front();
    sinceAnswer.start();
    bool read = true;
    switch (message.kind) {
    case MessageKind::Started: {
        name = in.text();
        const double framesPerSecond = in.f64(), sampleRate = in.f64();
        const QString stateProblem = in.text();
        if (!(read = in.complete()))
            break;
        // A rate no display or sound device could keep is not taken (NaN neither).
        if (!(framesPerSecond >= 1 && framesPerSecond <= 1000)) {
            end(QStringLiteral("the core %1 gives %2 frames a second, a frame rate the player cannot keep")
                    .arg(name, QString::number(framesPerSecond)));
            return false;
        }
        if (!(sampleRate >= 1000 && sampleRate <= 384000)) {
            end(QStringLiteral("the core %1 gives its sound at %2 samples a second, a rate the player cannot play")
                    .arg(name, QString::number(sampleRate)));
            return false;
        }
        fps = framesPerSecond, rate = sampleRate, gameStarted = true;
        emit started(stateProblem);
        break;
    }
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
    if (!read)
        end(QStringLiteral("the player sent a message the editor cannot read"));
    return read && !ended;
}

bool PlayerConnection::takeFrames(const QByteArray &body)
{
    MessageReader in(body);
    const int count = in.u16(), width = in.u16(), height = in.u16(), first = in.u16(), rows = in.u16();
    const qsizetype line = qsizetype(width) * 4;
    if (in.failed() || count < 1 || width > 4096 || height > 4096 || first + rows > height || (rows && !width))
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

void PlayerConnection::processEnded()
{
    if (ended)
        return;
    // Whatever the core started goes with it: nothing else may write into the socket.
    endGroup();
    // Its last words may still be on the way; the wait is bounded in all, so that bytes
    // trickled by a process that escaped the group never hold the window.
    if (socket) {
        QDeadlineTimer deadline(LastWordsTime);
        readAnswers();
        while (!ended && !deadline.hasExpired() && socket->waitForReadyRead(int(deadline.remainingTime())))
            readAnswers();
    }
    if (ended)
        return;
    if (process->exitStatus() == QProcess::CrashExit)
        end(QStringLiteral("its process was ended by a signal"));
    else
        end(QStringLiteral("its process ended (status %1)").arg(process->exitCode()));
}

void PlayerConnection::end(const QString &reason)
{
    if (ended)
        return;
    stop();
    // A clause that follows "The player stopped: " and gets its full stop there: one the
    // reason brought (a core's problem is a sentence of its own) goes.
    QString clause = reason.trimmed();
    while (clause.endsWith(QLatin1Char('.')) && !clause.endsWith(QLatin1String("...")))
        clause.chop(1);
    emit stopped(clause);
}

void PlayerConnection::stop()
{
    ended = true;
    gameStarted = false;
    watchdog.stop();
    awaited.clear();
    if (!process)
        return;
    QProcess *going = std::exchange(process, nullptr);
    // Closed now, not when the process object goes: nothing more is read from it.
    if (QLocalSocket *closing = std::exchange(socket, nullptr)) {
        closing->disconnect(this);
        closing->abort();
    }
    going->disconnect(this);
    endGroup();
    if (going->state() != QProcess::NotRunning) {
        going->kill();
        going->waitForFinished(1000);
    }
    going->deleteLater();
}

void PlayerConnection::endGroup()
{
    // The player leads its group (see PrepareChild); a group with no process left is
    // not there to end.
    if (group > 0)
        ::kill(pid_t(-std::exchange(group, 0)), SIGKILL);
}

} // namespace krelin
