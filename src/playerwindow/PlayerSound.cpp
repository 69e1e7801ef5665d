#include "PlayerSound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <cmath>

namespace krelin {

PlayerSound::PlayerSound(QObject *parent) : QObject(parent)
{
    setObjectName(QStringLiteral("playerSound"));
}

PlayerSound::~PlayerSound()
{
    close();
}

bool PlayerSound::open(double sampleRate, QString *problem)
{
    close();
    const QAudioDevice output = QMediaDevices::defaultAudioOutput();
    if (output.isNull()) {
        *problem = QStringLiteral("There is no sound device: the game plays without sound.");
        return false;
    }
    QAudioFormat format;
    format.setSampleRate(int(std::lround(sampleRate)));
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!output.isFormatSupported(format)) {
        *problem = QStringLiteral("The sound device %1 does not play %2 Hz stereo: the game plays without sound.")
                       .arg(output.description())
                       .arg(format.sampleRate());
        return false;
    }
    bytesPerSecond = format.sampleRate() * 4;
    sink = new QAudioSink(output, format, this);
    sink->setBufferSize(bytesPerSecond * QueueMilliseconds / 1000);
    device = sink->start();
    if (!device) {
        *problem = QStringLiteral("The sound device %1 could not be opened: the game plays without sound.")
                       .arg(output.description());
        close();
        return false;
    }
    return true;
}

void PlayerSound::close()
{
    if (sink) {
        sink->stop();
        delete sink;
    }
    sink = nullptr;
    device = nullptr;
}

void PlayerSound::play(const QByteArray &samples)
{
    if (device && !samples.isEmpty())
        device->write(samples.constData(), std::min<qsizetype>(samples.size(), sink->bytesFree() & ~qsizetype(3)));
}

int PlayerSound::queued() const
{
    if (!sink || bytesPerSecond == 0)
        return 0;
    return int(qint64(sink->bufferSize() - sink->bytesFree()) * 1000 / bytesPerSecond);
}

} // namespace krelin
