#pragma once

#include <QElapsedTimer>

// Microseconds of one monotonic clock shared by the whole generator.
class BenchClock {
public:
    static qint64 nowUs() {
        static const QElapsedTimer clock = [] {
            QElapsedTimer t;
            t.start();
            return t;
        }();
        return clock.nsecsElapsed() / 1000;
    }
};
