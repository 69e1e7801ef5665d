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
    connect(&answers, &PlayerAnswers::started, this, &PlayerConnection::started);
    connect(&answers, &PlayerAnswers::framesRun, this, &PlayerConnection::framesRun);
    connect(&answers, &PlayerAnswers::reloaded, this, &PlayerConnection::reloaded);
    connect(&answers, &PlayerAnswers::resetDone, this, &PlayerConnection::resetDone);
    connect(&answers, &PlayerAnswers::stateSaved, this, &PlayerConnection::stateSaved);
    connect(&answers, &PlayerAnswers::stateRestored, this, &PlayerConnection::stateRestored);
    // A look every tenth of the time allowed, rather than a timer set and stopped at every
    // request, which would cost each frame.
    watchdog.setInterval(AnswerTimeout / 10);
    connect(&watchdog, &QTimer::timeout, this, [this] {
        if (answers.answersAwaited() == 0 || sinceAnswer.elapsed() < AnswerTimeout)
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


void PlayerConnection::start(const Setup &setup)
{
    stop();
    ended = false;
    answers.clear();
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
    if (answers.answersAwaited() == 0)
        sinceAnswer.start();
    answers.expect(kind);
    socket->write(request.finish());
}

void PlayerConnection::readAnswers()
{
    if (ended || !socket)
        return;
    const qint64 before = answers.answersTaken();
    // The answers' signals may stop this connection, or start it again.
    const QByteArray bytes = socket->readAll();
    const bool readable = answers.take(bytes);
    if (answers.answersTaken() > before)
        sinceAnswer.start();
    if (!readable && !ended)
        end(answers.problem());
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
    watchdog.stop();
    answers.halt();
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
