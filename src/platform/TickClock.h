#pragma once

#include <QtGlobal>

// Milliseconds as GetTickCount counts them: unsigned 32 bits that wrap after about 49.7 days.
// Time-outs compare with ticksBetween, never with "<", so that they survive the wrap.
[[nodiscard]] constexpr quint32 ticksBetween(quint32 earlier, quint32 later) noexcept {
    return later - earlier;
}

// Source of tick counts, replaced by a ManualTickClock in tests.
class TickClock {
public:
    virtual ~TickClock() = default;
    [[nodiscard]] virtual quint32 now() const = 0;

protected:
    TickClock() = default;
    TickClock(const TickClock &) = default;
    TickClock &operator=(const TickClock &) = default;
};
