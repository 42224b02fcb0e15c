#pragma once

#include <QHash>
#include <QString>
#include <deque>

// Sliding-window counter per key: at most `limit` events within any `windowMs`.
class RateLimiter {
public:
    RateLimiter(int limit, qint64 windowMs);

    // Counts the event and returns true when it is within the limit; a refused event is not counted,
    // so a client that keeps trying is let in again once its window has passed. A limit of 0 allows all.
    bool allow(const QString &key, qint64 nowMs);
    // Forgets keys without events in the window.
    void prune(qint64 nowMs);

private:
    int m_limit;
    qint64 m_windowMs;
    QHash<QString, std::deque<qint64>> m_events;
};
