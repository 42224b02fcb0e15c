#include "lib/SessionRegistry.h"

#include "lib/ServiceRecords.h"

#include <sodium.h>

namespace {

// Ended ids are kept this long to tell a stale check from a forged one.
constexpr qint64 kEndedMemoryMs = 10 * 60 * 1000;

} // namespace

SessionRegistry::SessionRegistry(qint64 silenceMs, qint64 logoutGraceMs)
    : m_silenceMs(silenceMs)
    , m_graceMs(logoutGraceMs) {}

QByteArray SessionRegistry::newId() {
    if (sodium_init() < 0)
        qFatal("libsodium cannot be initialised");
    unsigned char raw[16];
    randombytes_buf(raw, sizeof raw);
    return QByteArray(reinterpret_cast<const char *>(raw), sizeof raw).toHex();
}

bool SessionRegistry::silent(const LiveSession &session, qint64 nowMs) const {
    return nowMs - session.lastSeenMs > m_silenceMs;
}

void SessionRegistry::add(const LiveSession &session) {
    m_sessions.insert(session.id, session);
    m_byAccount.insert(session.accountId, session.id);
    m_byName.insert(session.name.toLower(), session.id);
}

LiveSession *SessionRegistry::find(const QByteArray &id, qint64 nowMs) {
    m_sourceFailed = false;
    auto it = m_sessions.find(id);
    if (it != m_sessions.end() && !silent(it.value(), nowMs))
        return &it.value();
    if (!shared()) {
        if (it != m_sessions.end())
            end(id, nowMs, QStringLiteral("expired"));
        return nullptr;
    }
    if (it != m_sessions.end())
        drop(id);
    if (m_ended.contains(id))
        return nullptr;
    return adopt(m_source.byId(id, &m_sourceFailed), nowMs);
}

LiveSession *SessionRegistry::adopt(const std::optional<SessionRecord> &record, qint64 nowMs) {
    if (!record)
        return nullptr;
    if (record->endedMs != 0) {
        m_ended.insert(record->id, Ended{record->accountId, record->endedMs});
        return nullptr;
    }
    drop(record->id);
    add(LiveSession{record->id, record->accountId, record->email, record->name, record->address,
                    record->createdMs, record->lastSeenMs, false});
    if (nowMs - record->lastSeenMs > m_silenceMs + m_source.lagMs) {
        end(record->id, nowMs, QStringLiteral("expired"));
        return nullptr;
    }
    return &m_sessions[record->id];
}

LiveSession *SessionRegistry::findByAccount(qint64 accountId, qint64 nowMs) {
    // Another app server may have logged the account in since: the source knows.
    m_sourceFailed = false;
    if (shared())
        return adopt(m_source.openByAccount(accountId, &m_sourceFailed), nowMs);
    const auto it = m_byAccount.constFind(accountId);
    return it == m_byAccount.constEnd() ? nullptr : find(it.value(), nowMs);
}

LiveSession *SessionRegistry::findByName(const QString &name, qint64 nowMs) {
    m_sourceFailed = false;
    if (shared())
        return adopt(m_source.openByName(name, &m_sourceFailed), nowMs);
    const auto it = m_byName.constFind(name.toLower());
    return it == m_byName.constEnd() ? nullptr : find(it.value(), nowMs);
}

int SessionRegistry::liveCount(qint64 nowMs) {
    sweep(nowMs);
    if (shared())
        return m_source.openCount(nowMs - m_silenceMs);
    return static_cast<int>(m_sessions.size());
}

void SessionRegistry::drop(const QByteArray &id) {
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return;
    const LiveSession session = it.value();
    m_sessions.erase(it);
    if (m_byAccount.value(session.accountId) == id)
        m_byAccount.remove(session.accountId);
    if (m_byName.value(session.name.toLower()) == id)
        m_byName.remove(session.name.toLower());
}

void SessionRegistry::forget(const QByteArray &id, qint64 nowMs) {
    const auto it = m_sessions.constFind(id);
    if (it != m_sessions.constEnd())
        m_ended.insert(id, Ended{it->accountId, nowMs});
    drop(id);
}

bool SessionRegistry::end(const QByteArray &id, qint64 nowMs, const QString &reason) {
    const auto it = m_sessions.find(id);
    if (it == m_sessions.end())
        return false;
    const LiveSession session = it.value();
    drop(id);
    m_ended.insert(id, Ended{session.accountId, nowMs});
    if (m_onEnd)
        m_onEnd(session, reason);
    return true;
}

void SessionRegistry::sweep(qint64 nowMs) {
    QList<QByteArray> silentIds;
    for (const LiveSession &s : std::as_const(m_sessions)) {
        if (silent(s, nowMs))
            silentIds.append(s.id);
    }
    // Shared: another app server may still hear from it; the source's expiry ends it.
    for (const QByteArray &id : std::as_const(silentIds))
        shared() ? drop(id) : void(end(id, nowMs, QStringLiteral("expired")));
    for (auto it = m_ended.begin(); it != m_ended.end();)
        it = nowMs - it->endedMs > kEndedMemoryMs ? m_ended.erase(it) : std::next(it);
}

bool SessionRegistry::replacedMomentsAgo(const QByteArray &id, const QString &address, qint64 nowMs) {
    if (m_graceMs <= 0)
        return false;
    const auto ended = m_ended.constFind(id);
    if (ended == m_ended.constEnd())
        return false;
    const LiveSession *current = findByAccount(ended->accountId, nowMs);
    return current && current->address == address && nowMs - current->createdMs <= m_graceMs;
}

QList<std::pair<QByteArray, qint64>> SessionRegistry::takeUnsavedLastSeen() {
    QList<std::pair<QByteArray, qint64>> out;
    for (LiveSession &s : m_sessions) {
        if (!s.lastSeenUnsaved)
            continue;
        s.lastSeenUnsaved = false;
        out.append({s.id, s.lastSeenMs});
    }
    return out;
}
