#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

struct SessionRecord;

struct LiveSession {
    QByteArray id;
    qint64 accountId = 0;
    QString email;
    QString name;
    QString address;
    qint64 createdMs = 0;
    qint64 lastSeenMs = 0;
    bool lastSeenUnsaved = false;
};

// The live logins of this server, in memory: every check and chat request finds its session here
// without touching the store. A session ends by log-off, by a newer login of its account, by the admin,
// or after `silenceMs` without a keep-alive; the end handler records that (store, chat membership).
class SessionRegistry {
public:
    using EndHandler = std::function<void(const LiveSession &, const QString &reason)>;

    SessionRegistry(qint64 silenceMs, qint64 logoutGraceMs);
    void setEndHandler(EndHandler handler) { m_onEnd = std::move(handler); }

    // Where the sessions of several app servers live. With a source, this registry is a cache of it:
    // a session missing or silent here is looked up there (another app server may have made it or
    // seen it last), silent ones are dropped from the cache without being ended, and the count comes
    // from the source.
    // Lookups set *failed when the source could not be read.
    struct Source {
        std::function<std::optional<SessionRecord>(const QByteArray &id, bool *failed)> byId;
        std::function<std::optional<SessionRecord>(qint64 accountId, bool *failed)> openByAccount;
        std::function<std::optional<SessionRecord>(const QString &name, bool *failed)> openByName;
        std::function<int(qint64 sinceMs)> openCount;
        // How far the source's last-seen times may lag behind (other app servers write them late).
        qint64 lagMs = 0;
    };
    void setSource(Source source) { m_source = std::move(source); }
    bool shared() const { return static_cast<bool>(m_source.byId); }
    // Whether the last lookup found nothing because the source could not be read (then a missing
    // session is not a reason to log its client out).
    bool sourceFailed() const { return m_sourceFailed; }
    // A session ended elsewhere: dropped without the end handler (its end is already recorded).
    void forget(const QByteArray &id, qint64 nowMs);

    // A new random login id: 128 bits from the system's CSPRNG, as hex.
    static QByteArray newId();

    void add(const LiveSession &session);
    // The live session with this id, or null; a silent one is ended on the spot.
    LiveSession *find(const QByteArray &id, qint64 nowMs);
    LiveSession *findByAccount(qint64 accountId, qint64 nowMs);
    LiveSession *findByName(const QString &name, qint64 nowMs);
    int liveCount(qint64 nowMs);
    QList<QByteArray> ids() const { return m_sessions.keys(); }

    bool end(const QByteArray &id, qint64 nowMs, const QString &reason);
    // Ends silent sessions and forgets old ended ids.
    void sweep(qint64 nowMs);

    // True when `id` belongs to a session that ended while its account logged in again from `address`
    // within the grace time: a check still carrying the old id was sent before its client had the new
    // one, and must not log the new login out.
    bool replacedMomentsAgo(const QByteArray &id, const QString &address, qint64 nowMs);

    // Last-seen times changed since the previous call, for the store.
    QList<std::pair<QByteArray, qint64>> takeUnsavedLastSeen();

private:
    bool silent(const LiveSession &session, qint64 nowMs) const;
    void drop(const QByteArray &id);
    // The source's record in the cache; null when it is over (remembered as ended) or unknown.
    LiveSession *adopt(const std::optional<SessionRecord> &record, qint64 nowMs);

    Source m_source;
    bool m_sourceFailed = false;

    qint64 m_silenceMs;
    qint64 m_graceMs;
    EndHandler m_onEnd;
    QHash<QByteArray, LiveSession> m_sessions;
    QHash<qint64, QByteArray> m_byAccount;
    QHash<QString, QByteArray> m_byName; // lower-case name
    struct Ended {
        qint64 accountId;
        qint64 endedMs;
    };
    QHash<QByteArray, Ended> m_ended;
};
