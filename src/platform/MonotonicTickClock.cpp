#include "platform/MonotonicTickClock.h"

#include <ctime>

quint32 MonotonicTickClock::now() const {
    timespec ts{};
    // CLOCK_BOOTTIME keeps counting while the machine sleeps; both clocks are monotonic.
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0)
        clock_gettime(CLOCK_MONOTONIC, &ts);
    const auto milliseconds =
        static_cast<quint64>(ts.tv_sec) * 1000u + static_cast<quint64>(ts.tv_nsec) / 1000000u;
    return static_cast<quint32>(milliseconds);
}
