#include "platform/ManualTickClock.h"
#include "platform/MonotonicTickClock.h"

#include <QElapsedTimer>
#include <QTest>

static_assert(ticksBetween(0xFFFFFFF0u, 0x10u) == 0x20u, "the difference must survive the wrap");
static_assert(ticksBetween(5u, 5u) == 0u);

class TickClockTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void differenceAcrossTheWrap_data() {
        QTest::addColumn<quint32>("earlier");
        QTest::addColumn<quint32>("later");
        QTest::addColumn<quint32>("difference");
        QTest::newRow("plain") << 1000u << 1500u << 500u;
        QTest::newRow("wrap") << 0xFFFFFFF0u << 0x10u << 0x20u;
        QTest::newRow("wrap to zero") << 0xFFFFFFFFu << 0u << 1u;
        QTest::newRow("whole range") << 0u << 0xFFFFFFFFu << 0xFFFFFFFFu;
    }

    void differenceAcrossTheWrap() {
        QFETCH(quint32, earlier);
        QFETCH(quint32, later);
        QFETCH(quint32, difference);
        QCOMPARE(ticksBetween(earlier, later), difference);
    }

    void manualClockWrapsWhenAdvanced() {
        ManualTickClock clock(0xFFFFFFF0u);
        const TickClock &source = clock;
        const quint32 start = source.now();
        clock.advance(0x20);
        QCOMPARE(source.now(), 0x10u);
        QCOMPARE(ticksBetween(start, source.now()), 0x20u);
        clock.set(7);
        QCOMPARE(source.now(), 7u);
    }

    void realClockNeverGoesBack() {
        const MonotonicTickClock clock;
        quint32 previous = clock.now();
        QElapsedTimer spin;
        spin.start();
        while (spin.elapsed() < 50) {
            const quint32 current = clock.now();
            // A step back shows up as a huge unsigned difference.
            QVERIFY2(ticksBetween(previous, current) < 1000u,
                     qPrintable(QStringLiteral("%1 -> %2").arg(previous).arg(current)));
            previous = current;
        }
    }

    void realClockCountsMilliseconds() {
        const MonotonicTickClock clock;
        QElapsedTimer outer;
        outer.start();
        const quint32 before = clock.now();
        QTest::qSleep(120);
        const quint32 after = clock.now();
        const qint64 upperBound = outer.elapsed();
        const quint32 counted = ticksBetween(before, after);
        // Each reading truncates to a whole millisecond, hence the one-millisecond slack.
        QVERIFY2(counted + 1 >= 120u, qPrintable(QString::number(counted)));
        QVERIFY2(counted <= upperBound + 1,
                 qPrintable(QStringLiteral("%1 > %2").arg(counted).arg(upperBound)));
    }
};

QTEST_GUILESS_MAIN(TickClockTest)
#include "TickClockTest.moc"
