#include "platform/SoundPlayer.h"

#include "platform/ResourceBundle.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

// The player with no sound server at all: cues are silent, but nothing blocks, fails or
// crashes, and the player still tells which cue sounds and which one cut off another.
class SoundPlayerTest : public QObject {
    Q_OBJECT

    ResourceBundle Sounds;
    const QStringList names{QStringLiteral("Tone440"), QStringLiteral("Tone880Long"),
                            QStringLiteral("Tone660Stereo8"), QStringLiteral("NoData"),
                            QStringLiteral("Missing")};

private Q_SLOTS:
    void initTestCase() {
        // Before anything touches the audio system: the only server it may use does not exist.
        qputenv("PULSE_SERVER", "unix:/nonexistent/quillbarrow-sound-test/native");
        Sounds = ResourceBundle::open(QStringLiteral(TEST_SOUNDS));
        QVERIFY2(Sounds.isLoaded(), qPrintable(Sounds.loadError()));
    }

    void reportsCuesThatCannotPlay() {
        SoundPlayer player;
        const QStringList unusable = player.prepare(Sounds, names);
        QCOMPARE(unusable.size(), 2);
        QVERIFY2(
            unusable[0].startsWith(QStringLiteral("\"NoData\" in TestSounds02.dll is not a playable WAV")) &&
                unusable[0].contains(QStringLiteral("no data chunk")),
            qPrintable(unusable[0]));
        QVERIFY2(
            unusable[1].startsWith(QStringLiteral("resource not found: \"Missing\" in TestSounds02.dll")),
            qPrintable(unusable[1]));
    }

    void playsSilentlyWithoutBlocking() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        QVERIFY(!player.hasOutput());
        QSignalSpy started(&player, &SoundPlayer::started);
        QSignalSpy finished(&player, &SoundPlayer::finished);
        QElapsedTimer clock;
        clock.start();
        player.play(QStringLiteral("Tone440"));
        // Not a speed goal: a player waiting for a server would stand here for seconds.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(started.size(), 1);
        QCOMPARE(player.playing(), QStringLiteral("Tone440"));
        QCOMPARE(player.lastPlayed(), QStringLiteral("Tone440"));
        QVERIFY(finished.wait(3000));
        QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("Tone440"));
        QVERIFY(clock.elapsed() >= 240); // it lasts as long as the cue
        QVERIFY(player.playing().isEmpty());
        QCOMPARE(player.lastPlayed(), QStringLiteral("Tone440"));
    }

    void nextCueCutsOffThePrevious() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        QSignalSpy interrupted(&player, &SoundPlayer::interrupted);
        QSignalSpy finished(&player, &SoundPlayer::finished);
        player.play(QStringLiteral("Tone880Long"));
        player.play(QStringLiteral("Tone440"));
        QCOMPARE(interrupted.size(), 1);
        QCOMPARE(interrupted.at(0).at(0).toString(), QStringLiteral("Tone880Long"));
        QCOMPARE(player.playing(), QStringLiteral("Tone440"));
        QCOMPARE(player.playCount(), 2);
        // The same cue again restarts it.
        player.play(QStringLiteral("Tone440"));
        QCOMPARE(interrupted.size(), 2);
        QCOMPARE(player.playCount(), 3);
        QVERIFY(finished.wait(3000));
        QTest::qWait(1600); // past the end of the long cue: it must not finish, it was cut off
        QCOMPARE(finished.size(), 1);
        QCOMPARE(finished.at(0).at(0).toString(), QStringLiteral("Tone440"));
    }

    void missingCueOnlyStops() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        QSignalSpy interrupted(&player, &SoundPlayer::interrupted);
        QSignalSpy started(&player, &SoundPlayer::started);
        for (const QString &absent : {QStringLiteral("Missing"), QStringLiteral("NoData")}) {
            player.play(QStringLiteral("Tone880Long"));
            player.play(absent);
            QCOMPARE(interrupted.last().at(0).toString(), QStringLiteral("Tone880Long"));
            QVERIFY(player.playing().isEmpty());
            QVERIFY(player.lastPlayed().isEmpty());
        }
        QCOMPARE(started.size(), 2);
        QCOMPARE(player.playCount(), 2);
    }

    void stopEndsTheCueOnce() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        QSignalSpy interrupted(&player, &SoundPlayer::interrupted);
        player.play(QStringLiteral("Tone660Stereo8"));
        player.stop();
        player.stop();
        QCOMPARE(interrupted.size(), 1);
        QVERIFY(player.playing().isEmpty());
        QCOMPARE(player.lastPlayed(), QStringLiteral("Tone660Stereo8"));
    }
};

QTEST_GUILESS_MAIN(SoundPlayerTest)
#include "SoundPlayerTest.moc"
