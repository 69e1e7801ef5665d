#pragma once

#include <QByteArray>
#include <QObject>

class QAudioSink;
class QIODevice;

namespace krelin {

// The game's sound on the desktop's sound device: 16-bit stereo samples at the core's
// rate, queued as frames bring them. How much is queued paces the game: the device plays
// at its own steady rate, and the player runs a frame whenever the queue runs low.
class PlayerSound : public QObject
{
    Q_OBJECT

public:
    // Sound queued beyond this is late; below LowWater the next frame is due.
    static constexpr int QueueMilliseconds = 150;
    static constexpr int LowWater = 60;

    explicit PlayerSound(QObject *parent = nullptr);
    ~PlayerSound() override;

    // Opens the default sound output at the rate given. False, with *problem saying why,
    // when there is none or it does not take that rate.
    bool open(double sampleRate, QString *problem);
    void close();
    bool isOpen() const { return device != nullptr; }

    // Queues the samples (left and right in turn); what does not fit is dropped.
    void play(const QByteArray &samples);
    // Sound queued and not yet played, in milliseconds.
    int queued() const;

private:
    QAudioSink *sink = nullptr;
    QIODevice *device = nullptr;
    int bytesPerSecond = 0;
};

} // namespace krelin
