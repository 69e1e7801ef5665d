#pragma once

#include "Joypad.h"
#include "PlayerAnswers.h"
#include "PlayerMessages.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <vector>

class QLocalSocket;
class QProcess;

namespace krelin {

// Bytes of the image that changed, as the player is sent them.
struct ByteRun
{
    std::uint32_t offset = 0;
    QByteArray bytes;
};

// The editor's side of a player process: starts `krelin --player` with one end of a local
// socket, sends it requests and takes its answers, all without waiting: every answer
// arrives as a signal. The core runs only in that process, so whatever it does (crash,
// hang, send nonsense) ends that process alone; this side then says why in stopped().
// A request that goes AnswerTimeout without an answer (or without the answer before it)
// counts as a hang.
class PlayerConnection : public QObject
{
    Q_OBJECT

public:
    static constexpr int AnswerTimeout = 5000; // milliseconds
    // How long the player's last words are waited for once its process has ended, in all.
    static constexpr int LastWordsTime = 250; // milliseconds

    explicit PlayerConnection(QObject *parent = nullptr);
    ~PlayerConnection() override; // ends the process

    struct Setup
    {
        QString program;  // the program that runs as the player (this one, --player)
        QString corePath;
        QByteArray palette; // 64 RGB triplets for the core's colours; empty: its own
        QByteArray image;
        QByteArray state;   // empty: the game from power-on
        bool showCoreLog = true; // the player's error output goes to ours; else nowhere
    };
    // Starts the process and the game in it. started() or stopped() follows.
    void start(const Setup &setup);

    // A process is there and has not stopped.
    bool isRunning() const { return process != nullptr && !ended; }
    // started() came and the process has not stopped since.
    bool hasStarted() const { return isRunning() && answers.hasStarted(); }
    qint64 processId() const;
    // Requests not answered yet; of the kind asked for.
    int answersAwaited() const { return answers.answersAwaited(); }
    bool awaits(MessageKind answer) const { return answers.awaits(answer); }

    void runFrames(int count, JoypadButtons buttons, bool sound);
    void sendEdits(const std::vector<ByteRun> &runs);
    void sendImage(const QByteArray &image);
    void reset();
    void saveState();
    void restoreState(const QByteArray &state);
    // Ends the process now, and every process of its group (whatever the core started);
    // stopped() does not follow.
    void stop();

    // The core's picture as the last frames left it (RGB32); null before the first.
    const QImage &picture() const { return answers.picture(); }
    const QString &coreName() const { return answers.coreName(); }
    double framesPerSecond() const { return answers.framesPerSecond(); }
    double sampleRate() const { return answers.sampleRate(); }

signals:
    // The game runs. stateProblem says why a state given to start() was refused (the game
    // then starts from power-on); empty when there was none or it was taken.
    void started(const QString &stateProblem);
    // Frames were run: their sound (16-bit stereo, empty unless asked for) and the part of
    // the picture that changed (whole rows; empty when none did).
    void framesRun(int count, const QByteArray &sound, const QRect &changed);
    // The edits or the new image reached the game; false: it restarted, message says why.
    void reloaded(bool stateKept, const QString &message);
    void resetDone();
    void stateSaved(const QByteArray &state);
    void stateRestored(bool restored, const QString &message);
    // The process ended, or was ended for misbehaving: why, in words that follow "The player
    // stopped: " (without a full stop of their own).
    void stopped(const QString &reason);

private:
    void send(MessageWriter &&request, MessageKind answer);
    void readAnswers();
    void processEnded();
    void endGroup();
    // Ends the process and says why, once.
    void end(const QString &reason);

    QProcess *process = nullptr;
    QLocalSocket *socket = nullptr;
    qint64 group = 0; // the player's process group: its process id
    PlayerAnswers answers;
    QTimer watchdog;
    QElapsedTimer sinceAnswer; // since the last answer, or the request before it
    bool ended = false;
};

} // namespace krelin
