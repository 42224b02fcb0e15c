#include "core/WaveImage.h"

#include "FileFixtures.h"

#include <QTest>

using namespace FileFixtures;

namespace {

QByteArray chunk(const char *id, const QByteArray &body, qint64 declared = -1) {
    const QByteArray out =
        QByteArray(id, 4) + littleEndian(quint32(declared < 0 ? body.size() : declared), 4) + body;
    return body.size() % 2 ? out + '\0' : out;
}

QByteArray fmt(quint16 tag, quint16 channels, quint32 rate, quint16 bits, int blockAlign = -1) {
    return chunk("fmt ", littleEndian(tag, 2) + littleEndian(channels, 2) + littleEndian(rate, 4) +
                             littleEndian(rate * channels * bits / 8, 4) +
                             littleEndian(blockAlign < 0 ? channels * bits / 8 : quint32(blockAlign), 2) +
                             littleEndian(bits, 2));
}

QByteArray riff(const QByteArray &chunks) {
    return "RIFF" + littleEndian(quint32(4 + chunks.size()), 4) + "WAVE" + chunks;
}

QByteArray frames(int count, int frameBytes) {
    QByteArray out;
    for (int i = 0; i < count * frameBytes; ++i)
        out.append(char(i & 0x7f));
    return out;
}

} // namespace

class WaveImageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsPlayableImages_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QList<int>>("format"); // channels, rate, bits, float, frames, milliseconds
        QTest::newRow("pcm16 mono") << riff(fmt(1, 1, 44100, 16) + chunk("data", frames(4410, 2)))
                                    << QList<int>{1, 44100, 16, 0, 4410, 100};
        QTest::newRow("float32") << riff(fmt(3, 1, 48000, 32) + chunk("data", frames(480, 4)))
                                 << QList<int>{1, 48000, 32, 1, 480, 10};
        // Extension size, valid bits, channel mask, then the PCM sub-format GUID.
        QByteArray extensible = fmt(0xFFFE, 2, 44100, 16).mid(8) + littleEndian(22, 2) + littleEndian(16, 2) +
                                littleEndian(3, 4) + littleEndian(1, 2);
        extensible.append(14, '\x11');
        QTest::newRow("extensible pcm") << riff(chunk("fmt ", extensible) + chunk("data", frames(441, 4)))
                                        << QList<int>{2, 44100, 16, 0, 441, 10};
        // Chunks before, between and after, one of odd length with its pad byte.
        QTest::newRow("other chunks")
            << riff(chunk("LIST", "INFOabc") + fmt(1, 1, 44100, 16) + chunk("fact", "xxxx") +
                    chunk("data", frames(441, 2)) + chunk("id3 ", "yyyyyyyyy"))
            << QList<int>{1, 44100, 16, 0, 441, 10};
        // Truncated: the declared data length runs past the end; a partial frame is dropped.
        QTest::newRow("truncated data")
            << riff(fmt(1, 2, 44100, 16) + chunk("data", frames(100, 4) + "ab", 400000))
            << QList<int>{2, 44100, 16, 0, 100, 2};
    }
    void readsPlayableImages() {
        QFETCH(QByteArray, image);
        const WaveParse parsed = ParseWaveImage(image);
        QVERIFY2(parsed.Image.has_value(), qPrintable(parsed.Error));
        const WaveImage &w = *parsed.Image;
        QTEST((QList<int>{w.Channels, w.SampleRate, w.BitsPerSample,
                          w.SampleEncoding == WaveImage::Encoding::Float, int(w.frameCount()),
                          int(w.durationMs())}),
              "format");
        // The samples are a view into the image, not a copy.
        QVERIFY(w.Samples.data() > image.constData() && w.Samples.data() < image.constData() + image.size());
        QCOMPARE(w.Samples.first(8).toByteArray(), frames(2, 4));
    }

    void refusesWhatCannotPlay_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("reason");
        const QByteArray data = chunk("data", frames(10, 2));
        const auto row = [](const char *name, const QByteArray &image, const char *reason) {
            QTest::newRow(name) << image << QString::fromLatin1(reason);
        };
        row("empty", {}, "not a RIFF/WAVE image");
        row("no data", riff(fmt(1, 1, 44100, 16)), "there is no data chunk");
        row("data first", riff(data + fmt(1, 1, 44100, 16)), "the data chunk comes before the fmt chunk");
        row("short fmt", riff(chunk("fmt ", QByteArray(12, '\0')) + data),
            "the fmt chunk is shorter than 16 bytes");
        row("adpcm", riff(fmt(2, 1, 44100, 4) + data), "format tag 2 is neither PCM nor IEEE float");
        row("no channels", riff(fmt(1, 0, 44100, 16, 2) + data), "0 channels are not supported");
        row("block align", riff(fmt(1, 2, 44100, 16, 2) + data),
            "block align 2 does not match 2 channels of 16 bits");
        row("huge chunk", riff(chunk("LIST", {}, 0xFFFFFFF0u) + fmt(1, 1, 44100, 16)),
            "there is no fmt chunk");
    }
    void refusesWhatCannotPlay() {
        QFETCH(QByteArray, image);
        const WaveParse parsed = ParseWaveImage(image);
        QVERIFY(!parsed.Image.has_value());
        QTEST(parsed.Error, "reason");
    }
};

QTEST_GUILESS_MAIN(WaveImageTest)
#include "WaveImageTest.moc"
