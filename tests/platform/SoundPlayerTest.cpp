#include "platform/SoundPlayer.h"

#include "platform/ResourceBundle.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The player with no sound server at all: cues are silent, but nothing blocks, fails or crashes, and
// the player still tells which cue sounds and which one cut off another.
class SoundPlayerTest : public QObject {
    Q_OBJECT

    ResourceBundle Sounds;
    const QStringList names{u"Tone440"_s, u"Tone880Long"_s, u"NoData"_s, u"Missing"_s};

private Q_SLOTS:
    void initTestCase() {
        // Before anything touches the audio system: the only server it may use does not exist.
        qputenv("PULSE_SERVER", "unix:/nonexistent/quillbarrow-sound-test/native");
        Sounds = ResourceBundle::open(u"" FIXTURES "/TestSounds02.dll"_s);
        QVERIFY2(Sounds.isLoaded(), qPrintable(Sounds.loadError()));
    }

    void playsSilentlyWithoutBlocking() {
        SoundPlayer player;
        const QStringList unusable = player.prepare(Sounds, names);
        QCOMPARE(unusable.size(), 2);
        QVERIFY2(unusable[0].startsWith(u"\"NoData\" in TestSounds02.dll is not a playable WAV"_s),
                 qPrintable(unusable[0]));
        QVERIFY2(unusable[1].startsWith(u"resource not found: \"Missing\" in TestSounds02.dll"_s),
                 qPrintable(unusable[1]));
        QVERIFY(!player.hasOutput());
        QSignalSpy finished(&player, &SoundPlayer::finished);
        QElapsedTimer clock;
        clock.start();
        player.play(u"Tone440"_s);
        // Not a speed goal: a player waiting for a server would stand here for seconds.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(player.playing(), u"Tone440"_s);
        QVERIFY(finished.wait(3000));
        QVERIFY(clock.elapsed() >= 240); // it lasts as long as the cue
        QCOMPARE(finished.at(0).at(0).toString(), u"Tone440"_s);
        QVERIFY(player.playing().isEmpty());
        QCOMPARE(player.lastPlayed(), u"Tone440"_s);
    }

    // The next cue, the same one again, a missing one and stop() each end the sounding cue, once.
    void nextCueCutsOffThePrevious() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        QStringList cut;
        connect(&player, &SoundPlayer::interrupted, this, [&](const QString &name) { cut << name; });
        QSignalSpy finished(&player, &SoundPlayer::finished);
        for (const QString &next : {u"Tone440"_s, u"Tone880Long"_s, u"Missing"_s, u"NoData"_s}) {
            player.play(u"Tone880Long"_s);
            player.play(next);
            QCOMPARE(player.playing(), next.startsWith(u"Tone") ? next : QString());
        }
        QVERIFY(player.lastPlayed().isEmpty());
        player.play(u"Tone440"_s);
        player.stop();
        player.stop();
        QCOMPARE(cut, (QStringList{u"Tone880Long"_s, u"Tone440"_s, u"Tone880Long"_s, u"Tone880Long"_s,
                                   u"Tone880Long"_s, u"Tone880Long"_s, u"Tone440"_s}));
        QCOMPARE(player.playCount(), 7);
        QCOMPARE(player.lastPlayed(), u"Tone440"_s);
        QTest::qWait(1600); // past the end of every cue: none was left to run to its end
        QCOMPARE(finished.size(), 0);
    }
};

QTEST_GUILESS_MAIN(SoundPlayerTest)
#include "SoundPlayerTest.moc"
