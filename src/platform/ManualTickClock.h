#pragma once

#include "platform/TickClock.h"

// A tick count that moves only when told to, for tests of time-outs and animations.
class ManualTickClock final : public TickClock {
public:
    explicit ManualTickClock(quint32 start = 0)
        : m_now(start) {}

    [[nodiscard]] quint32 now() const override { return m_now; }
    void set(quint32 ticks) { m_now = ticks; }
    // Wraps past 0xFFFFFFFF like the real count.
    void advance(quint32 milliseconds) { m_now += milliseconds; }

private:
    quint32 m_now;
};
