#include "TestPulseServer.h"
#include "platform/ResourceBundle.h"
#include "platform/SoundPlayer.h"

#include <QElapsedTimer>
#include <QTest>
#include <cmath>
#include <functional>

// The player against a real PulseAudio daemon: what it plays is recorded from the null sink's
// monitor and measured.
class SoundPulseTest : public QObject {
    Q_OBJECT

    TestPulseServer Server;
    ResourceBundle Sounds;
    const QStringList names{QStringLiteral("Tone440"), QStringLiteral("Tone880Long"),
                            QStringLiteral("Tone660Stereo8")};

    // Records the monitor while `action` runs and for `milliseconds` after it.
    QList<qint16> record(int milliseconds, const std::function<void()> &action) {
        QProcess parec;
        parec.setProcessEnvironment(Server.environment());
        parec.start(QStringLiteral("parec"),
                    {QStringLiteral("-d"), Server.monitor(), QStringLiteral("--raw"),
                     QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
        // The monitor streams silence as soon as the recorder is connected.
        if (!parec.waitForStarted(5000) || !parec.waitForReadyRead(5000))
            return {};
        QByteArray bytes = parec.readAllStandardOutput();
        action();
        QTest::qWait(milliseconds);
        bytes += parec.readAllStandardOutput();
        parec.terminate();
        parec.waitForFinished(5000);
        bytes += parec.readAllStandardOutput();
        QList<qint16> samples(bytes.size() / 2);
        std::memcpy(samples.data(), bytes.constData(), static_cast<std::size_t>(samples.size()) * 2);
        return samples;
    }

    static qint16 peak(const QList<qint16> &samples) {
        qint16 top = 0;
        for (qint16 s : samples)
            top = std::max<qint16>(top, static_cast<qint16>(std::min(32767, std::abs(static_cast<int>(s)))));
        return top;
    }

    // Milliseconds of the recording that are clearly sounding (10 ms windows above a level).
    static int loudMilliseconds(const QList<qint16> &samples) {
        int loud = 0;
        for (qsizetype at = 0; at + 441 <= samples.size(); at += 441) {
            double sum = 0;
            for (qsizetype i = at; i < at + 441; ++i)
                sum += static_cast<double>(samples[i]) * samples[i];
            if (std::sqrt(sum / 441) > 2000)
                loud += 10;
        }
        return loud;
    }

private Q_SLOTS:
    void initTestCase() {
        const QString problem = Server.start();
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private PulseAudio daemon: ") + problem));
        qputenv("PULSE_SERVER", Server.address().toLocal8Bit());
        Sounds = ResourceBundle::open(QStringLiteral(TEST_SOUNDS));
        QVERIFY2(Sounds.isLoaded(), qPrintable(Sounds.loadError()));
    }

    void quietWithoutACue() {
        const QList<qint16> samples = record(400, [] {});
        QVERIFY(samples.size() > 44100 / 10);
        QCOMPARE(loudMilliseconds(samples), 0);
        QVERIFY(peak(samples) < 200);
    }

    void cuesAreHeard() {
        SoundPlayer player;
        QVERIFY(player.prepare(Sounds, names).isEmpty());
        QVERIFY(player.hasOutput());
        for (const QString &cue : {QStringLiteral("Tone440"), QStringLiteral("Tone660Stereo8")}) {
            const QList<qint16> samples = record(900, [&] { player.play(cue); });
            QVERIFY2(peak(samples) > 8000, qPrintable(cue + u' ' + QString::number(peak(samples))));
            const int loud = loudMilliseconds(samples);
            // Both tones last 200-250 ms; the whole cue is heard, and only once.
            QVERIFY2(loud >= 150 && loud <= 400, qPrintable(cue + u' ' + QString::number(loud)));
        }
    }

    void nextCueCutsOffThePrevious() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        qint64 gap = 0;
        const QList<qint16> samples = record(1700, [&] {
            QElapsedTimer clock;
            clock.start();
            player.play(QStringLiteral("Tone880Long"));
            QTest::qWait(300);
            gap = clock.elapsed();
            player.play(QStringLiteral("Tone440"));
        });
        // The long cue until the short one starts, then the 250 ms of the short one; not the
        // 1.5 s of the long one.
        const int loud = loudMilliseconds(samples);
        QVERIFY2(std::abs(loud - (gap + 250)) <= 200 && loud < 1200,
                 qPrintable(QStringLiteral("%1 ms loud, second cue after %2 ms").arg(loud).arg(gap)));
    }

    void missingCueSilencesThePlayingOne() {
        SoundPlayer player;
        player.prepare(Sounds, names);
        qint64 gap = 0;
        const QList<qint16> samples = record(1700, [&] {
            QElapsedTimer clock;
            clock.start();
            player.play(QStringLiteral("Tone880Long"));
            QTest::qWait(300);
            gap = clock.elapsed();
            player.play(QStringLiteral("NoSuchCue"));
        });
        const int loud = loudMilliseconds(samples);
        QVERIFY2(std::abs(loud - gap) <= 200 && loud < 1200,
                 qPrintable(QStringLiteral("%1 ms loud, stopped after %2 ms").arg(loud).arg(gap)));
    }
};

QTEST_GUILESS_MAIN(SoundPulseTest)
#include "SoundPulseTest.moc"
