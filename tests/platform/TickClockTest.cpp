#include "platform/ManualTickClock.h"

#include <QTest>

// The tick counter is 32 bits of milliseconds: differences must survive its wrap.
class TickClockTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void differenceAcrossTheWrap_data() {
        QTest::addColumn<quint32>("earlier");
        QTest::addColumn<quint32>("advance");
        QTest::addColumn<quint32>("now");
        QTest::newRow("plain") << 1000u << 500u << 1500u;
        QTest::newRow("wrap") << 0xFFFFFFF0u << 0x20u << 0x10u;
        QTest::newRow("wrap to zero") << 0xFFFFFFFFu << 1u << 0u;
        QTest::newRow("whole range") << 0u << 0xFFFFFFFFu << 0xFFFFFFFFu;
    }

    void differenceAcrossTheWrap() {
        QFETCH(quint32, earlier);
        QFETCH(quint32, advance);
        ManualTickClock clock(earlier);
        clock.advance(advance);
        const TickClock &source = clock;
        QTEST(source.now(), "now");
        QCOMPARE(ticksBetween(earlier, source.now()), advance);
    }
};

QTEST_GUILESS_MAIN(TickClockTest)
#include "TickClockTest.moc"
