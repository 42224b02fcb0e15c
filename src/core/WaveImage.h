#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

// A complete WAV file image held in memory (a sound cue of the skin). Parsing only reads:
// the samples stay where they are, Samples points into the image.
struct WaveImage {
    enum class Encoding { Integer, Float };

    Encoding SampleEncoding = Encoding::Integer;
    int Channels = 0;
    int SampleRate = 0;
    int BitsPerSample = 0;
    QByteArrayView Samples; // whole frames only

    qint64 frameCount() const;
    qint64 durationMs() const;
};

struct WaveParse {
    std::optional<WaveImage> Image;
    QString Error; // why the image is not a playable WAV when Image is empty
};

// RIFF/WAVE with a "fmt " chunk (PCM or IEEE float, possibly as WAVE_FORMAT_EXTENSIBLE) and a
// "data" chunk; other chunks are skipped. A data chunk longer than the image is cut to what is there.
WaveParse ParseWaveImage(QByteArrayView bytes);
