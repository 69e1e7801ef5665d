#pragma once

#include "PlayerMessages.h"

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QRect>
#include <QString>

#include <deque>

namespace krelin {

// What the editor reads from its player process: the answers to the requests it sent, in
// turn, as their bytes arrive, each announced by a signal. The player is another program
// that runs a core of others, so whatever the bytes are, nothing outside what they hold
// is read or written, and the first message that is not the answer awaited, or that
// cannot be read whole, ends the reading with a reason. The picture the answers build is
// kept here.
class PlayerAnswers : public QObject
{
    Q_OBJECT

public:
    explicit PlayerAnswers(QObject *parent = nullptr);

    // A request was sent: its answer is awaited after those of the requests before it.
    void expect(MessageKind request);
    bool awaits(MessageKind answer) const;
    int answersAwaited() const { return int(awaited.size()); }
    // Answers taken since the last clear(): one more means the player answered.
    qint64 answersTaken() const { return taken; }

    // Takes the bytes that arrived and announces each answer they complete. False once the
    // stream cannot be read any further (and from then on); problem() then says why, in
    // words that follow "The player stopped: ".
    bool take(const QByteArray &bytes);
    const QString &problem() const { return why; }
    // The player said why it gave up (a Failed message), rather than sent what cannot be
    // read.
    bool gaveUp() const { return failed; }

    // Reads no further: the bytes of the take() under way (if any) and those not yet read
    // are dropped, and no answer is awaited. The picture and what the player said stay.
    void halt();
    // Forgets everything, for a new player, whose answers are read afresh.
    void clear();

    // What the Started answer said (and the picture the Frames answers built, RGB32; null
    // before the first).
    bool hasStarted() const { return gameStarted; }
    const QImage &picture() const { return shown; }
    const QString &coreName() const { return name; }
    double framesPerSecond() const { return fps; }
    double sampleRate() const { return rate; }

signals:
    // As PlayerConnection announces them.
    void started(const QString &stateProblem);
    void framesRun(int count, const QByteArray &sound, const QRect &changed);
    void reloaded(bool stateKept, const QString &message);
    void resetDone();
    void stateSaved(const QByteArray &state);
    void stateRestored(bool restored, const QString &message);

private:
    // Takes one message; false (with why) when the stream ends there.
    bool takeMessage(const Message &message);
    bool takeStarted(const QByteArray &body);
    bool takeFrames(const QByteArray &body);
    bool stop(const QString &reason);

    MessageBuffer incoming;
    std::deque<MessageKind> awaited;
    qint64 taken = 0;
    quint64 generation = 0; // one more at every halt()
    QString why;
    bool failed = false;
    bool gameStarted = false;
    QImage shown;
    QString name;
    double fps = 60.0;
    double rate = 44100.0;
};

} // namespace krelin
