// The built skin bundles hold exactly the pictures the launcher names, each a real picture, and
// every sound cue as a short, uncompressed wave the player can take as it is.
#include "core/GameCatalogue.h"
#include "core/SkinNames.h"
#include "core/WaveImage.h"
#include "platform/ResourceBundle.h"

#include <QImage>
#include <QResource>
#include <QSet>
#include <QTest>

class SkinBundlesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void holdsEveryNamedPictureAndCue() {
        const ResourceBundle pictures = ResourceBundle::open(QStringLiteral(PICTURE_BUNDLE));
        QVERIFY2(pictures.isLoaded(), qPrintable(pictures.loadError()));
        QSet<QString> wanted;
        for (const SkinPicture &picture : StartupPictures)
            wanted << QString::fromLatin1(picture.Resource);
        for (std::string_view name : LaterPictures)
            wanted << QString::fromLatin1(name);
        for (const GameEntry &game : GameCatalogue())
            wanted << QString::fromLatin1(game.ImageName);
        for (int n = 1; n <= ShippedNewsPictures; ++n)
            wanted << QString::fromLatin1(NewsPicturePrefix) + QString::number(n);
        QCOMPARE(wanted.size(), 26 + 6 + 13 + 4); // start-up, later reads, covers, news
        const QStringList present = pictures.names();
        QCOMPARE(QSet<QString>(present.begin(), present.end()), wanted);
        for (const QString &name : wanted) {
            QImage image;
            QVERIFY2(image.loadFromData(pictures.find(name).Data, "PNG"), qPrintable(name));
            QVERIFY2(image.width() >= 64 && image.height() >= 64 && image.width() <= 2560 &&
                         image.height() <= 2560,
                     qPrintable(name));
        }
        const ResourceBundle sounds = ResourceBundle::open(QStringLiteral(SOUND_BUNDLE));
        QVERIFY2(sounds.isLoaded(), qPrintable(sounds.loadError()));
        for (const SoundCue &cue : SoundCues) {
            const QString name = QString::fromLatin1(cue.Resource);
            const ResourceBundle::Lookup found = sounds.find(name);
            QVERIFY2(found.found(), qPrintable(found.Error));
            QCOMPARE(QResource(sounds.prefix() + u'/' + name).compressionAlgorithm(),
                     QResource::NoCompression);
            const WaveParse parsed = ParseWaveImage(found.Data);
            QVERIFY2(parsed.Image, qPrintable(parsed.Error));
            QCOMPARE(parsed.Image->BitsPerSample, 16);
            QCOMPARE(parsed.Image->SampleRate, 44100);
            QVERIFY2(parsed.Image->durationMs() >= 40 && parsed.Image->durationMs() < 400, qPrintable(name));
        }
    }
};

QTEST_GUILESS_MAIN(SkinBundlesTest)
#include "SkinBundlesTest.moc"
