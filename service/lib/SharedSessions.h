#pragma once

#include "lib/ServiceRecords.h"

#include <QObject>
#include <functional>
#include <optional>

class ServiceStore;

// The sessions table as the one truth for several app servers on PostgreSQL: lookups for sessions
// another app server made, the expiry of silent ones, and PostgreSQL's LISTEN/NOTIFY to hear at once
// of sessions ended and state changed anywhere (triggers send them, also for the admin command).
class SharedSessions {
public:
    explicit SharedSessions(ServiceStore &store);

    // Creates the triggers when missing; empty on success.
    static QString prepareSchema(ServiceStore &store);

    enum class Event { SessionEnded, StateChanged };
    // Subscribes this store's connection; `handler` runs on the store's thread. False when refused.
    bool listen(QObject *context, std::function<void(Event, const QByteArray &sessionId)> handler);
    // Again after the connection was opened anew.
    bool subscribe();

    // With endedMs set when the session is over; nullopt when unknown or unreadable (*error).
    std::optional<SessionRecord> byId(const QByteArray &id, QString *error = nullptr);
    std::optional<SessionRecord> openByAccount(qint64 accountId, QString *error = nullptr);
    std::optional<SessionRecord> openByName(const QString &name, QString *error = nullptr);
    // Open sessions seen since `sinceMs`; -1 when unreadable.
    int openCount(qint64 sinceMs);
    // Ends open sessions not seen since `beforeMs`.
    StoreResult expire(qint64 beforeMs, qint64 nowMs);

private:
    std::optional<SessionRecord> one(const QString &where, const QVariant &value, QString *error);

    ServiceStore &m_store;
};
