// Writes the WAV files of the sound player's tests and their resource list into a folder;
// the build packs them into a bundle with rcc.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace {

void put(QByteArray &out, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xff));
}

QByteArray header(int channels, int rate, int bits, quint32 dataBytes) {
    QByteArray out("RIFF");
    put(out, 36 + dataBytes, 4);
    out.append("WAVEfmt ");
    put(out, 16, 4);
    put(out, 1, 2);
    put(out, static_cast<quint32>(channels), 2);
    put(out, static_cast<quint32>(rate), 4);
    put(out, static_cast<quint32>(rate * channels * bits / 8), 4);
    put(out, static_cast<quint32>(channels * bits / 8), 2);
    put(out, static_cast<quint32>(bits), 2);
    out.append("data");
    put(out, dataBytes, 4);
    return out;
}

// A sine tone at half scale with 5 ms fades, so it starts and ends silent.
QByteArray tone(double frequency, int milliseconds, int channels, int rate, int bits) {
    const int frames = rate * milliseconds / 1000;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const double fade = std::min({1.0, i / (0.005 * rate), (frames - 1 - i) / (0.005 * rate)});
        const double v = 0.5 * fade * std::sin(2 * std::numbers::pi * frequency * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                put(samples, static_cast<quint32>(std::lround(128 + 127 * v)), 1);
            else
                put(samples, static_cast<quint16>(static_cast<qint16>(std::lround(32767 * v))), 2);
        }
    }
    return header(channels, rate, bits, static_cast<quint32>(samples.size())) + samples;
}

bool write(const QDir &dir, const QString &name, const QByteArray &bytes) {
    QFile file(dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral(".")))
        return 1;
    QByteArray noData("RIFF");
    put(noData, 28, 4);
    noData.append("WAVEfmt ");
    put(noData, 16, 4);
    noData.append(header(1, 44100, 16, 0).mid(20, 16));
    const bool ok = write(dir, QStringLiteral("Tone440.wav"), tone(440, 250, 1, 44100, 16)) &&
                    write(dir, QStringLiteral("Tone880Long.wav"), tone(880, 1500, 1, 44100, 16)) &&
                    write(dir, QStringLiteral("Tone660Stereo8.wav"), tone(660, 200, 2, 22050, 8)) &&
                    write(dir, QStringLiteral("NoData.wav"), noData) &&
                    write(dir, QStringLiteral("sounds.qrc"),
                          "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n"
                          "  <file alias=\"Tone440\">Tone440.wav</file>\n"
                          "  <file alias=\"Tone880Long\">Tone880Long.wav</file>\n"
                          "  <file alias=\"Tone660Stereo8\">Tone660Stereo8.wav</file>\n"
                          "  <file alias=\"NoData\">NoData.wav</file>\n"
                          "</qresource>\n</RCC>\n");
    return ok ? 0 : 1;
}
