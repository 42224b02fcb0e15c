#include "platform/ResourceBundle.h"
#include "platform/SoundPlayer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

// The player against a real PulseAudio daemon of the test's own (its own folder and socket, so it neither
// needs nor disturbs a session, also as root): what it plays is recorded from a null sink's monitor.
class SoundPulseTest : public QObject {
    Q_OBJECT

    QTemporaryDir Folder;
    QProcess Daemon;
    ResourceBundle Sounds;

    QProcessEnvironment environment() const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &name :
             {u"HOME"_s, u"XDG_RUNTIME_DIR"_s, u"PULSE_RUNTIME_PATH"_s, u"PULSE_STATE_PATH"_s})
            env.insert(name, Folder.path());
        env.insert(u"PULSE_SERVER"_s, u"unix:"_s + Folder.filePath(u"native"_s));
        return env;
    }

    QString startDaemon() {
        const QString daemon = QStandardPaths::findExecutable(u"pulseaudio"_s);
        if (daemon.isEmpty() || QStandardPaths::findExecutable(u"parec"_s).isEmpty())
            return u"pulseaudio or parec is not installed (Debian: pulseaudio pulseaudio-utils)"_s;
        Daemon.setProcessEnvironment(environment());
        Daemon.setProcessChannelMode(QProcess::MergedChannels);
        // -n: none of the system's default modules; --system=no and --disallow-exit keep a daemon started
        // by root in this private mode.
        Daemon.start(daemon, {u"--daemonize=no"_s, u"--system=no"_s, u"-n"_s, u"--exit-idle-time=-1"_s,
                              u"--disallow-exit"_s, u"--use-pid-file=no"_s, u"--log-target=stderr"_s,
                              u"--load=module-null-sink sink_name=qbnull"_s,
                              u"--load=module-native-protocol-unix auth-anonymous=1 socket="_s +
                                  Folder.filePath(u"native"_s)});
        for (QDeadlineTimer deadline(15000); !deadline.hasExpired() && Daemon.waitForStarted(10000);
             QTest::qSleep(50)) {
            QProcess info;
            info.setProcessEnvironment(environment());
            info.start(u"pactl"_s, {u"info"_s});
            if (info.waitForFinished(5000) && info.exitCode() == 0 && info.readAll().contains("qbnull"))
                return {};
        }
        return u"pulseaudio did not answer: "_s + Daemon.errorString() +
               QString::fromLocal8Bit(Daemon.readAll());
    }

    // Milliseconds that clearly sound (10 ms windows above a level) on the monitor while `action` runs
    // and for `milliseconds` after it.
    int loudMilliseconds(int milliseconds, const std::function<void()> &action) {
        QProcess parec;
        parec.setProcessEnvironment(environment());
        parec.start(
            u"parec"_s,
            u"-d qbnull.monitor --raw --format=s16le --rate=44100 --channels=1 --latency-msec=10"_s.split(
                u' '));
        if (!parec.waitForReadyRead(5000)) // the monitor streams silence as soon as the recorder is connected
            return -1;
        QByteArray bytes = parec.readAllStandardOutput();
        action();
        QTest::qWait(milliseconds);
        parec.kill();
        parec.waitForFinished(5000);
        bytes += parec.readAllStandardOutput();
        const auto *samples = reinterpret_cast<const qint16 *>(bytes.constData());
        int loud = 0;
        for (qsizetype at = 0; at + 441 <= bytes.size() / 2; at += 441) {
            double sum = 0;
            for (qsizetype i = at; i < at + 441; ++i)
                sum += double(samples[i]) * samples[i];
            loud += std::sqrt(sum / 441) > 2000 ? 10 : 0;
        }
        return loud;
    }

private Q_SLOTS:
    void initTestCase() {
        const QString problem = startDaemon();
        if (!problem.isEmpty())
            QSKIP(qPrintable(u"no private PulseAudio daemon: "_s + problem));
        qputenv("PULSE_SERVER", environment().value(u"PULSE_SERVER"_s).toLocal8Bit());
        Sounds = ResourceBundle::open(u"" FIXTURES "/TestSounds02.dll"_s);
        QVERIFY2(Sounds.isLoaded(), qPrintable(Sounds.loadError()));
    }

    void cleanupTestCase() { Daemon.kill(); }

    // A cue is heard whole and once; one cut off is heard until the next request, then the next cue (or
    // nothing for a missing one), never the 1.5 s of the long one. Unusable cues are named.
    void cuesAreHeard_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("next");
        QTest::addColumn<int>("nextLasts");
        QTest::newRow("alone") << u"Tone440"_s << QString() << 250;
        QTest::newRow("8-bit stereo alone") << u"Tone660Stereo8"_s << QString() << 200;
        QTest::newRow("cut by a short cue") << u"Tone880Long"_s << u"Tone440"_s << 250;
        QTest::newRow("cut by a missing cue") << u"Tone880Long"_s << u"Missing"_s << 0;
    }

    void cuesAreHeard() {
        QFETCH(QString, first);
        QFETCH(QString, next);
        QFETCH(int, nextLasts);
        SoundPlayer player;
        const QStringList unusable = player.prepare(Sounds, {first, u"Tone440"_s, u"NoData"_s, u"Missing"_s});
        QVERIFY2(unusable.size() == 2 &&
                     unusable[0].startsWith(u"\"NoData\" in TestSounds02.dll is not a playable WAV"_s) &&
                     unusable[1].startsWith(u"resource not found: \"Missing\" in TestSounds02.dll"_s),
                 qPrintable(unusable.join(u'\n')));
        QVERIFY(player.hasOutput());
        QSignalSpy interrupted(&player, &SoundPlayer::interrupted);
        QSignalSpy finished(&player, &SoundPlayer::finished);
        qint64 gap = 0; // how long the first cue sounds before the next is asked for
        const int loud = loudMilliseconds(next.isEmpty() ? 700 : 1500, [&] {
            QElapsedTimer clock;
            clock.start();
            player.play(first);
            if (next.isEmpty())
                return;
            QTest::qWait(300);
            gap = clock.elapsed();
            player.play(next);
        });
        QVERIFY2(std::abs(loud - (gap + nextLasts)) <= 200 && loud < 1200,
                 qPrintable(u"%1 ms loud, next cue after %2 ms"_s.arg(loud).arg(gap)));
        QCOMPARE(interrupted.size(), next.isEmpty() ? 0 : 1);
        QCOMPARE(finished.size(), nextLasts ? 1 : 0);
        QCOMPARE(player.lastPlayed(), nextLasts ? (next.isEmpty() ? first : next) : QString());
    }
};

QTEST_GUILESS_MAIN(SoundPulseTest)
#include "SoundPulseTest.moc"
