#include "core/GameCatalogue.h"
#include "core/SkinNames.h"
#include "core/WaveImage.h"
#include "platform/ResourceBundle.h"

#include <QImage>
#include <QResource>
#include <QSet>
#include <QTest>
#include <cmath>

namespace {

QString latin(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Every picture name the launcher reads from the picture bundle.
QStringList wantedPictures() {
    QStringList names;
    for (const SkinPicture &picture : StartupPictures)
        names << latin(picture.Resource);
    for (std::string_view name : LaterPictures)
        names << latin(name);
    for (const GameEntry &game : GameCatalogue())
        names << latin(game.ImageName);
    for (int n = 1; n <= ShippedNewsPictures; ++n)
        names << latin(NewsPicturePrefix) + QString::number(n);
    names.removeDuplicates();
    return names;
}

// Spread of the colours on a grid over the picture: a flat or empty picture has next to none.
double colourSpread(const QImage &image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    double sum[4] = {};
    double squares[4] = {};
    int count = 0;
    for (int y = 0; y < argb.height(); y += std::max(1, argb.height() / 64)) {
        for (int x = 0; x < argb.width(); x += std::max(1, argb.width() / 64)) {
            const QRgb px = argb.pixel(x, y);
            const int channels[4] = {qRed(px), qGreen(px), qBlue(px), qAlpha(px)};
            for (int c = 0; c < 4; ++c) {
                sum[c] += channels[c];
                squares[c] += channels[c] * channels[c];
            }
            ++count;
        }
    }
    double spread = 0;
    for (int c = 0; c < 4; ++c)
        spread += std::sqrt(std::max(0.0, squares[c] / count - (sum[c] / count) * (sum[c] / count)));
    return spread;
}

} // namespace

class SkinBundlesTest : public QObject {
    Q_OBJECT

    ResourceBundle Pictures;
    ResourceBundle Sounds;

private Q_SLOTS:
    void initTestCase() {
        Pictures = ResourceBundle::open(QStringLiteral(PICTURE_BUNDLE));
        Sounds = ResourceBundle::open(QStringLiteral(SOUND_BUNDLE));
        QVERIFY2(Pictures.isLoaded(), qPrintable(Pictures.loadError()));
        QVERIFY2(Sounds.isLoaded(), qPrintable(Sounds.loadError()));
        QCOMPARE(Pictures.fileName(), latin(PictureBundleFile));
        QCOMPARE(Sounds.fileName(), latin(SoundBundleFile));
    }

    void holdsExactlyTheNamedPictures() {
        const QStringList wanted = wantedPictures();
        QCOMPARE(wanted.size(), 26 + 6 + 13 + 4); // start-up, later reads, covers, news
        const QStringList present = Pictures.names();
        QCOMPARE(QSet<QString>(present.begin(), present.end()), QSet<QString>(wanted.begin(), wanted.end()));
    }

    void picturesDecode_data() {
        QTest::addColumn<QString>("name");
        for (const QString &name : wantedPictures())
            QTest::newRow(qPrintable(name)) << name;
    }

    void picturesDecode() {
        QFETCH(QString, name);
        const ResourceBundle::Lookup found = Pictures.find(name);
        QVERIFY2(found.found(), qPrintable(found.Error));
        QVERIFY(found.Data.startsWith("\x89PNG\r\n\x1a\n"));
        QImage image;
        QVERIFY(image.loadFromData(found.Data, "PNG"));
        QVERIFY2(image.width() >= 64 && image.height() >= 64 && image.width() <= 2560 &&
                     image.height() <= 2560,
                 qPrintable(QStringLiteral("%1 x %2").arg(image.width()).arg(image.height())));
        const double spread = colourSpread(image);
        QVERIFY2(spread > 20, qPrintable(QStringLiteral("colour spread %1").arg(spread)));
    }

    void coversAreDistinct() {
        QSet<QByteArray> seen;
        for (const GameEntry &game : GameCatalogue())
            seen.insert(Pictures.find(latin(game.ImageName)).Data.toByteArray());
        QCOMPARE(seen.size(), static_cast<qsizetype>(GameCount));
    }

    void cuesAreShortCleanWaves_data() {
        QTest::addColumn<QString>("name");
        for (const SoundCue &cue : SoundCues)
            QTest::newRow(cue.Resource.data()) << latin(cue.Resource);
    }

    void cuesAreShortCleanWaves() {
        QFETCH(QString, name);
        const ResourceBundle::Lookup found = Sounds.find(name);
        QVERIFY2(found.found(), qPrintable(found.Error));
        // Stored as is, so the player reads the mapped bytes without inflating them.
        QCOMPARE(QResource(Sounds.prefix() + u'/' + name).compressionAlgorithm(), QResource::NoCompression);
        const QByteArrayView bytes = found.Data;
        QVERIFY(bytes.size() > 44);
        QCOMPARE(bytes.first(4), QByteArrayView("RIFF"));
        QCOMPARE(bytes.sliced(8, 8), QByteArrayView("WAVEfmt "));
        QVERIFY(bytes.indexOf(QByteArrayView("data")) > 0);

        const WaveParse parsed = ParseWaveImage(bytes);
        QVERIFY2(parsed.Image, qPrintable(parsed.Error));
        const WaveImage &wave = *parsed.Image;
        QCOMPARE(wave.SampleEncoding, WaveImage::Encoding::Integer);
        QCOMPARE(wave.BitsPerSample, 16);
        QCOMPARE(wave.SampleRate, 44100);
        QVERIFY(wave.Channels == 1 || wave.Channels == 2);
        QVERIFY2(wave.durationMs() >= 40 && wave.durationMs() < 400,
                 qPrintable(QString::number(wave.durationMs())));

        const auto *samples = reinterpret_cast<const qint16 *>(wave.Samples.data());
        const qint64 count = wave.Samples.size() / 2;
        int peak = 0;
        for (qint64 i = 0; i < count; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        QVERIFY2(peak > 8000, qPrintable(QString::number(peak)));
        // Faded in and out: no click at either end.
        for (qint64 i = 0; i < wave.Channels; ++i) {
            QVERIFY(std::abs(samples[i]) < 100);
            QVERIFY(std::abs(samples[count - 1 - i]) < 100);
        }
    }

    void cuesAreDistinct() {
        QSet<QByteArray> seen;
        for (const SoundCue &cue : SoundCues)
            seen.insert(Sounds.find(latin(cue.Resource)).Data.toByteArray());
        QCOMPARE(seen.size(), static_cast<qsizetype>(SoundCues.size()));
    }
};

QTEST_GUILESS_MAIN(SkinBundlesTest)
#include "SkinBundlesTest.moc"
