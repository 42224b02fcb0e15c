#include "lib/RateLimiter.h"

RateLimiter::RateLimiter(int limit, qint64 windowMs)
    : m_limit(limit)
    , m_windowMs(windowMs) {}

bool RateLimiter::allow(const QString &key, qint64 nowMs) {
    if (m_limit <= 0)
        return true;
    std::deque<qint64> &events = m_events[key];
    while (!events.empty() && events.front() <= nowMs - m_windowMs)
        events.pop_front();
    if (static_cast<int>(events.size()) >= m_limit)
        return false;
    events.push_back(nowMs);
    return true;
}

void RateLimiter::prune(qint64 nowMs) {
    for (auto it = m_events.begin(); it != m_events.end();) {
        std::deque<qint64> &events = it.value();
        while (!events.empty() && events.front() <= nowMs - m_windowMs)
            events.pop_front();
        it = events.empty() ? m_events.erase(it) : std::next(it);
    }
}
