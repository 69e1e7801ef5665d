#pragma once

#include <QObject>

class QSocketNotifier;

namespace krelin {

// The signals with which the system asks a program to end (SIGTERM: a shutdown or kill,
// SIGHUP: the terminal or the session went away, SIGINT: Ctrl+C), turned into a Qt
// signal. The handler does nothing but write the signal's number to a pipe, which is
// safe in a signal handler; the event loop reads it and emits received(), where
// anything may be done. While this object lives the handlers are installed; it is meant
// to exist once.
class QuitSignals : public QObject
{
    Q_OBJECT

public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override; // the signals end the program again

signals:
    void received(int signal);

private:
    void readPipe();

    QSocketNotifier *notifier = nullptr;
};

} // namespace krelin
