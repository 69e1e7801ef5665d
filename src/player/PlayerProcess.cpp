#include "PlayerProcess.h"

#include "PlayerMessages.h"
#include "PlayerServer.h"

#include <csignal>

#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace krelin {

namespace {

// ---- a crash of the core, said before the process goes ----------------------------------

// The messages a crash sends, made before any crash, since a signal handler may not build
// one: the signal's number, and what it says.
struct CrashNotice
{
    int signal;
    QByteArray message;
};
CrashNotice crashNotices[5];
int crashSocket = -1;
char alternateStack[64 * 1024];

void SayCrash(int signal)
{
    for (const CrashNotice &notice : crashNotices)
        if (notice.signal == signal && crashSocket >= 0)
            WriteWhole(crashSocket, notice.message.constData(), std::size_t(notice.message.size()));
    // The signal's own ending, so that the editor sees a crash either way.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void WatchForCrashes(int socket)
{
    const std::pair<int, const char *> fatalSignals[] = {
        {SIGSEGV, "segmentation fault"}, {SIGBUS, "bus error"}, {SIGILL, "illegal instruction"},
        {SIGFPE, "arithmetic exception"}, {SIGABRT, "aborted"},
    };
    crashSocket = socket;
    std::size_t i = 0;
    for (const auto &[signal, what] : fatalSignals)
        crashNotices[i++] = {signal, MessageWriter(MessageKind::Failed)
                                         .text(QStringLiteral("the core crashed (%1)").arg(QLatin1String(what)))
                                         .finish()};
    // A stack of its own: a crash may come from a stack that overflowed.
    stack_t stack{};
    stack.ss_sp = alternateStack;
    stack.ss_size = sizeof alternateStack;
    sigaltstack(&stack, nullptr);
    struct sigaction action{};
    action.sa_handler = &SayCrash;
    action.sa_flags = SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const auto &[signal, what] : fatalSignals)
        sigaction(signal, &action, nullptr);
}

// ---- the editor gone ------------------------------------------------------------------------

// The player leads a process group of its own, which holds whatever the core started (a
// helper process, say). When the editor ends, however it ends, the group goes with it:
// on the parent-death signal, and when the editor's end of the socket closes.
void EndGroup(int)
{
    ::kill(0, SIGKILL);
}

// True when this process leads its group, as the editor starts it: otherwise the group is
// another program's (a shell's), never to be ended.
bool LeadsItsGroup()
{
    return getpgrp() == getpid();
}

void EndGroupWithTheEditor()
{
    if (!LeadsItsGroup())
        return;
    struct sigaction action{};
    action.sa_handler = &EndGroup;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    // Until now the editor's end was this process's alone (SIGKILL).
    prctl(PR_SET_PDEATHSIG, SIGTERM);
}

} // namespace

int RunPlayerProcess(int socket)
{
    // What the core writes (saves of the game) is the user's alone.
    ::umask(077);
    EndGroupWithTheEditor();
    WatchForCrashes(socket);
    const int status = ServeEditor(socket);
    // The editor closed the socket: it has gone (it ends the group itself when it stops a
    // player), and its end may reach this process as the socket's end, before the signal.
    if (status == 0 && LeadsItsGroup())
        ::kill(0, SIGKILL);
    ::close(socket);
    return status;
}

} // namespace krelin
