#include "core/WaveImage.h"

#include <QTest>

namespace {

void put(QByteArray &out, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.append(static_cast<char>((v >> (8 * i)) & 0xff));
}

QByteArray chunk(const char *id, const QByteArray &body, qint64 declared = -1) {
    QByteArray out(id, 4);
    put(out, static_cast<quint32>(declared < 0 ? body.size() : declared), 4);
    out += body;
    if (body.size() % 2)
        out.append('\0');
    return out;
}

QByteArray fmtBody(quint16 tag, quint16 channels, quint32 rate, quint16 bits, int blockAlign = -1) {
    QByteArray body;
    put(body, tag, 2);
    put(body, channels, 2);
    put(body, rate, 4);
    put(body, rate * channels * bits / 8, 4);
    put(body, blockAlign < 0 ? channels * bits / 8 : static_cast<quint32>(blockAlign), 2);
    put(body, bits, 2);
    return body;
}

QByteArray riff(const QByteArray &chunks) {
    QByteArray out("RIFF");
    put(out, static_cast<quint32>(4 + chunks.size()), 4);
    return out + "WAVE" + chunks;
}

QByteArray frames(int count, int frameBytes) {
    QByteArray out;
    for (int i = 0; i < count * frameBytes; ++i)
        out.append(static_cast<char>(i & 0x7f));
    return out;
}

} // namespace

class WaveImageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsPlayableImages_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("isFloat");
        QTest::addColumn<qint64>("frameCount");
        QTest::addColumn<qint64>("durationMs");

        QTest::newRow("pcm16 mono") << riff(chunk("fmt ", fmtBody(1, 1, 44100, 16)) +
                                            chunk("data", frames(4410, 2)))
                                    << 1 << 44100 << 16 << false << qint64(4410) << qint64(100);
        QTest::newRow("pcm8 stereo") << riff(chunk("fmt ", fmtBody(1, 2, 22050, 8)) +
                                             chunk("data", frames(2205, 2)))
                                     << 2 << 22050 << 8 << false << qint64(2205) << qint64(100);
        QTest::newRow("float32") << riff(chunk("fmt ", fmtBody(3, 1, 48000, 32)) +
                                         chunk("data", frames(480, 4)))
                                 << 1 << 48000 << 32 << true << qint64(480) << qint64(10);
        QByteArray extensible = fmtBody(0xFFFE, 2, 44100, 16);
        put(extensible, 22, 2);        // extension size
        put(extensible, 16, 2);        // valid bits
        put(extensible, 3, 4);         // channel mask
        put(extensible, 1, 2);         // sub-format: PCM ...
        extensible.append(14, '\x11'); // ... and the rest of its GUID
        QTest::newRow("extensible pcm") << riff(chunk("fmt ", extensible) + chunk("data", frames(441, 4)))
                                        << 2 << 44100 << 16 << false << qint64(441) << qint64(10);
        // Chunks before, between and after, one of odd length with its pad byte.
        QTest::newRow("other chunks")
            << riff(chunk("LIST", QByteArray("INFOabc")) + chunk("fmt ", fmtBody(1, 1, 44100, 16)) +
                    chunk("fact", QByteArray(4, 'x')) + chunk("data", frames(441, 2)) +
                    chunk("id3 ", QByteArray(9, 'y')))
            << 1 << 44100 << 16 << false << qint64(441) << qint64(10);
        // A truncated file: the declared data length runs past the end; a partial frame is dropped.
        QTest::newRow("truncated data")
            << riff(chunk("fmt ", fmtBody(1, 2, 44100, 16)) + chunk("data", frames(100, 4) + "ab", 400000))
            << 2 << 44100 << 16 << false << qint64(100) << qint64(2);
    }

    void readsPlayableImages() {
        QFETCH(QByteArray, image);
        const WaveParse parsed = ParseWaveImage(image);
        QVERIFY2(parsed.Image.has_value(), qPrintable(parsed.Error));
        const WaveImage &wave = *parsed.Image;
        QTEST(wave.Channels, "channels");
        QTEST(wave.SampleRate, "rate");
        QTEST(wave.BitsPerSample, "bits");
        QFETCH(bool, isFloat);
        QCOMPARE(wave.SampleEncoding == WaveImage::Encoding::Float, isFloat);
        QTEST(wave.frameCount(), "frameCount");
        QTEST(wave.durationMs(), "durationMs");
        // The samples are a view into the image, not a copy.
        QVERIFY(wave.Samples.data() > image.constData() &&
                wave.Samples.data() < image.constData() + image.size());
        QCOMPARE(wave.Samples.first(8).toByteArray(), frames(2, 4));
    }

    void refusesWhatCannotPlay_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("reason");
        const QByteArray data = chunk("data", frames(10, 2));
        QTest::newRow("empty") << QByteArray() << QStringLiteral("not a RIFF/WAVE image");
        QTest::newRow("png") << QByteArray("\x89PNG\r\n\x1a\n0000000000")
                             << QStringLiteral("not a RIFF/WAVE image");
        QTest::newRow("riff avi") << QByteArray("RIFF\x04\0\0\0AVI ", 12)
                                  << QStringLiteral("not a RIFF/WAVE image");
        QTest::newRow("no chunks") << riff({}) << QStringLiteral("there is no fmt chunk");
        QTest::newRow("no data") << riff(chunk("fmt ", fmtBody(1, 1, 44100, 16)))
                                 << QStringLiteral("there is no data chunk");
        QTest::newRow("data first") << riff(data + chunk("fmt ", fmtBody(1, 1, 44100, 16)))
                                    << QStringLiteral("the data chunk comes before the fmt chunk");
        QTest::newRow("short fmt") << riff(chunk("fmt ", QByteArray(12, '\0')) + data)
                                   << QStringLiteral("the fmt chunk is shorter than 16 bytes");
        QTest::newRow("adpcm") << riff(chunk("fmt ", fmtBody(2, 1, 44100, 4)) + data)
                               << QStringLiteral("format tag 2 is neither PCM nor IEEE float");
        QTest::newRow("12 bits") << riff(chunk("fmt ", fmtBody(1, 1, 44100, 12, 2)) + data)
                                 << QStringLiteral("12 bits per sample are not supported");
        QTest::newRow("float64") << riff(chunk("fmt ", fmtBody(3, 1, 44100, 64)) + data)
                                 << QStringLiteral("64 bits per sample are not supported");
        QTest::newRow("no channels") << riff(chunk("fmt ", fmtBody(1, 0, 44100, 16, 2)) + data)
                                     << QStringLiteral("0 channels are not supported");
        QTest::newRow("zero rate") << riff(chunk("fmt ", fmtBody(1, 1, 0, 16)) + data)
                                   << QStringLiteral("a sample rate of 0 Hz is not supported");
        QTest::newRow("block align") << riff(chunk("fmt ", fmtBody(1, 2, 44100, 16, 2)) + data)
                                     << QStringLiteral("block align 2 does not match 2 channels of 16 bits");
        QTest::newRow("huge chunk") << riff(chunk("LIST", QByteArray(), 0xFFFFFFF0u) +
                                            chunk("fmt ", fmtBody(1, 1, 44100, 16)))
                                    << QStringLiteral("there is no fmt chunk");
    }

    void refusesWhatCannotPlay() {
        QFETCH(QByteArray, image);
        QFETCH(QString, reason);
        const WaveParse parsed = ParseWaveImage(image);
        QVERIFY(!parsed.Image.has_value());
        QCOMPARE(parsed.Error, reason);
    }
};

QTEST_GUILESS_MAIN(WaveImageTest)
#include "WaveImageTest.moc"
