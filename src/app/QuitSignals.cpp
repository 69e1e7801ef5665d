#include "QuitSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace krelin {

namespace {

constexpr int Handled[] = {SIGTERM, SIGHUP, SIGINT};

// Read end, write end. The write end is not blocking: a burst of signals fills the pipe
// rather than stopping the program inside its handler.
int quitPipe[2] = {-1, -1};

extern "C" void onQuitSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(quitPipe[1], &number, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject *parent)
    : QObject(parent)
{
    if (::pipe2(quitPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitSignals::readPipe);
    struct sigaction action{};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : Handled)
        ::sigaction(signal, &action, nullptr);
}

QuitSignals::~QuitSignals()
{
    for (const int signal : Handled)
        std::signal(signal, SIG_DFL);
    if (quitPipe[0] >= 0) {
        delete notifier;
        ::close(quitPipe[0]);
        ::close(quitPipe[1]);
        quitPipe[0] = quitPipe[1] = -1;
    }
}

void QuitSignals::readPipe()
{
    unsigned char numbers[16];
    ssize_t n;
    while ((n = ::read(quitPipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < n; ++i)
            emit received(numbers[i]);
    }
}

} // namespace krelin
