// Writes the sources of the platform tests' own bundles into a folder (two texts; WAV sound cues), each
// with its resource list, for rcc to pack.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Qt::StringLiterals;

namespace {

QByteArray le(quint32 value, int bytes) {
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out.left(bytes);
}

QByteArray header(int channels, int rate, int bits, quint32 dataBytes) {
    return "RIFF" + le(36 + dataBytes, 4) + "WAVEfmt " + le(16, 4) + le(1, 2) + le(quint32(channels), 2) +
           le(quint32(rate), 4) + le(quint32(rate * channels * bits / 8), 4) +
           le(quint32(channels * bits / 8), 2) + le(quint32(bits), 2) + "data" + le(dataBytes, 4);
}

// A sine tone at half scale with 5 ms fades, so it starts and ends silent.
QByteArray tone(double frequency, int milliseconds, int channels, int rate, int bits) {
    const int frames = rate * milliseconds / 1000;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const double fade = std::min({1.0, i / (0.005 * rate), (frames - 1 - i) / (0.005 * rate)});
        const double v = 0.5 * fade * std::sin(2 * std::numbers::pi * frequency * i / rate);
        for (int c = 0; c < channels; ++c)
            samples += bits == 8 ? le(quint32(std::lround(128 + 127 * v)), 1)
                                 : le(quint16(qint16(std::lround(32767 * v))), 2);
    }
    return header(channels, rate, bits, quint32(samples.size())) + samples;
}

// Writes the files and a resource list naming each by its file name without the extension.
bool writeBundle(const QDir &dir, const QString &list, const QList<std::pair<QString, QByteArray>> &files) {
    QByteArray qrc = "<RCC><qresource prefix=\"/\">\n";
    for (const auto &[name, data] : files) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return false;
        qrc += "<file alias=\"" + name.section(u'.', 0, 0).toUtf8() + "\">" + name.toUtf8() + "</file>\n";
    }
    QFile file(dir.filePath(list));
    return file.open(QIODevice::WriteOnly) && file.write(qrc + "</qresource></RCC>\n") > 0;
}

} // namespace

int main(int argc, char **argv) {
    const QDir dir(QString::fromLocal8Bit(argc == 2 ? argv[1] : ""));
    if (argc != 2 || !dir.mkpath(u"."_s))
        return 2;
    QByteArray ledger;
    for (int line = 0; line < 200; ++line)
        ledger +=
            QByteArray::number(line).rightJustified(4, '0') + " quill barrow quill barrow quill barrow\n";
    // A format chunk and no data chunk.
    const QByteArray noData =
        "RIFF" + le(28, 4) + "WAVEfmt " + le(16, 4) + header(1, 44100, 16, 0).mid(20, 16);
    const bool ok = writeBundle(dir, u"text.qrc"_s,
                                {{u"Greeting.txt"_s, "Hello from the test bundle.\n"},
                                 {u"Ledger.txt"_s, "0001 quill barrow\n"}}) &&
                    writeBundle(dir, u"sounds.qrc"_s,
                                {{u"Tone440.wav"_s, tone(440, 250, 1, 44100, 16)},
                                 {u"Tone880Long.wav"_s, tone(880, 1500, 1, 44100, 16)},
                                 {u"Tone660Stereo8.wav"_s, tone(660, 200, 2, 22050, 8)},
                                 {u"NoData.wav"_s, noData}});
    return ok ? 0 : 1;
}
