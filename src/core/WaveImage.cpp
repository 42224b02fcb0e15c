#include "core/WaveImage.h"

#include <QtEndian>
#include <algorithm>

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;
constexpr quint16 FormatExtensible = 0xFFFE;

quint16 read16(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 read32(QByteArrayView bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

WaveParse failure(const QString &why) {
    return {std::nullopt, why};
}

} // namespace

qint64 WaveImage::frameCount() const {
    const int frameBytes = Channels * BitsPerSample / 8;
    return frameBytes > 0 ? Samples.size() / frameBytes : 0;
}

qint64 WaveImage::durationMs() const {
    return SampleRate > 0 ? frameCount() * 1000 / SampleRate : 0;
}

WaveParse ParseWaveImage(QByteArrayView bytes) {
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return failure(QStringLiteral("not a RIFF/WAVE image"));

    std::optional<WaveImage> format;
    quint16 tag = 0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const qint64 declared = read32(bytes, at + 4);
        const qsizetype body = at + 8;
        const qsizetype available = std::min<qint64>(declared, bytes.size() - body);
        if (id == "fmt ") {
            if (available < 16)
                return failure(QStringLiteral("the fmt chunk is shorter than 16 bytes"));
            WaveImage image;
            tag = read16(bytes, body);
            image.Channels = read16(bytes, body + 2);
            image.SampleRate = static_cast<int>(std::min<quint32>(read32(bytes, body + 4), 0x7fffffff));
            const int blockAlign = read16(bytes, body + 12);
            image.BitsPerSample = read16(bytes, body + 14);
            if (tag == FormatExtensible) {
                if (available < 40)
                    return failure(QStringLiteral("the extensible fmt chunk is shorter than 40 bytes"));
                tag = read16(bytes, body + 24); // the sub-format GUID starts with the format tag
            }
            if (tag != FormatPcm && tag != FormatFloat)
                return failure(QStringLiteral("format tag %1 is neither PCM nor IEEE float").arg(tag));
            image.SampleEncoding =
                tag == FormatFloat ? WaveImage::Encoding::Float : WaveImage::Encoding::Integer;
            const bool bitsOk = tag == FormatFloat ? image.BitsPerSample == 32
                                                   : (image.BitsPerSample == 8 || image.BitsPerSample == 16 ||
                                                      image.BitsPerSample == 24 || image.BitsPerSample == 32);
            if (!bitsOk)
                return failure(
                    QStringLiteral("%1 bits per sample are not supported").arg(image.BitsPerSample));
            if (image.Channels < 1 || image.Channels > 8)
                return failure(QStringLiteral("%1 channels are not supported").arg(image.Channels));
            if (image.SampleRate < 1000 || image.SampleRate > 384000)
                return failure(
                    QStringLiteral("a sample rate of %1 Hz is not supported").arg(image.SampleRate));
            if (blockAlign != image.Channels * image.BitsPerSample / 8)
                return failure(QStringLiteral("block align %1 does not match %2 channels of %3 bits")
                                   .arg(blockAlign)
                                   .arg(image.Channels)
                                   .arg(image.BitsPerSample));
            format = image;
        } else if (id == "data") {
            if (!format)
                return failure(QStringLiteral("the data chunk comes before the fmt chunk"));
            const qsizetype frameBytes = format->Channels * format->BitsPerSample / 8;
            format->Samples = bytes.sliced(body, available - available % frameBytes);
            return {format, {}};
        }
        // Chunks are padded to an even length.
        at = body + declared + (declared & 1);
    }
    return failure(format ? QStringLiteral("there is no data chunk")
                          : QStringLiteral("there is no fmt chunk"));
}
