#pragma once

#include "platform/TickClock.h"

// The system's tick count: milliseconds since boot, counting suspended time as GetTickCount does,
// never set back by a change of the wall clock.
class MonotonicTickClock final : public TickClock {
public:
    [[nodiscard]] quint32 now() const override;
};
