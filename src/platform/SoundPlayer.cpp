#include "platform/SoundPlayer.h"

#include "platform/ResourceBundle.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

namespace {

std::optional<QAudioFormat> audioFormat(const WaveImage &wave) {
    QAudioFormat format;
    format.setSampleRate(wave.SampleRate);
    format.setChannelCount(wave.Channels);
    if (wave.SampleEncoding == WaveImage::Encoding::Float)
        format.setSampleFormat(QAudioFormat::Float);
    else if (wave.BitsPerSample == 8)
        format.setSampleFormat(QAudioFormat::UInt8);
    else if (wave.BitsPerSample == 16)
        format.setSampleFormat(QAudioFormat::Int16);
    else if (wave.BitsPerSample == 32)
        format.setSampleFormat(QAudioFormat::Int32);
    else
        return std::nullopt;
    return format;
}

} // namespace

SoundPlayer::SoundPlayer(QObject *parent)
    : QObject(parent) {
    Clock.setSingleShot(true);
    connect(&Clock, &QTimer::timeout, this, [this] { endCurrent(false); });
}

SoundPlayer::~SoundPlayer() {
    Clock.stop();
    if (Sink)
        Sink->stop();
}

QStringList SoundPlayer::prepare(const ResourceBundle &bundle, const QStringList &names) {
    stop();
    Cues.clear();
    QStringList unusable;
    for (const QString &name : names) {
        const ResourceBundle::Lookup found = bundle.find(name);
        if (!found.found()) {
            unusable << found.Error;
            continue;
        }
        const WaveParse parsed = ParseWaveImage(found.Data);
        const std::optional<QAudioFormat> format = parsed.Image ? audioFormat(*parsed.Image) : std::nullopt;
        if (!format) {
            const QString why =
                parsed.Image ? QStringLiteral("24-bit samples cannot be played") : parsed.Error;
            unusable
                << QStringLiteral("\"%1\" in %2 is not a playable WAV: %3").arg(name, bundle.fileName(), why);
            continue;
        }
        Cues.push_back({name, *format, *parsed.Image});
    }
    return unusable;
}

const SoundPlayer::Cue *SoundPlayer::cue(const QString &name) const {
    for (const Cue &c : Cues)
        if (c.Name == name)
            return &c;
    return nullptr;
}

bool SoundPlayer::hasOutput() const {
    return !QMediaDevices::defaultAudioOutput().isNull();
}

void SoundPlayer::play(const QString &name) {
    stop();
    const Cue *c = cue(name);
    if (!c) {
        LastPlayed.clear();
        return;
    }
    LastPlayed = name;
    Playing = name;
    ++PlayCount;
    Clock.start(static_cast<int>(c->Wave.durationMs()) + 1);
    Q_EMIT started(name);

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return;
    // One sink per format, kept between cues: all cues of a bundle usually share one.
    if (!Sink || Sink->format() != c->Format || SinkDevice != device.id()) {
        Sink = std::make_unique<QAudioSink>(device, c->Format);
        SinkDevice = device.id();
    }
    // The buffer reads the bundle's bytes in place; fromRawData makes no copy.
    Source = std::make_unique<QBuffer>();
    Source->setData(QByteArray::fromRawData(c->Wave.Samples.data(), c->Wave.Samples.size()));
    Source->open(QIODevice::ReadOnly);
    Sink->start(Source.get());
}

void SoundPlayer::stop() {
    endCurrent(true);
}

void SoundPlayer::endCurrent(bool interruptedByCaller) {
    Clock.stop();
    // At its natural end the sink is left alone: the output still holds the cue's last
    // milliseconds, and stopping now would cut them. The next cue stops it.
    if (interruptedByCaller && Sink && Sink->state() != QAudio::StoppedState)
        Sink->stop();
    if (Playing.isEmpty())
        return;
    const QString ended = std::exchange(Playing, {});
    if (interruptedByCaller)
        Q_EMIT interrupted(ended);
    else
        Q_EMIT finished(ended);
}
