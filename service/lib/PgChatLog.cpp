#include "lib/PgChatLog.h"

#include "lib/ServiceLog.h"
#include "lib/ServiceStore.h"

#include <QDateTime>
#include <QSqlError>
#include <QVariant>

namespace {

// Appends take this lock, so the sequence numbers become visible in order: a poll that has seen
// number n has seen every number below it and may move a position past them.
constexpr qint64 kAppendLock = 4173;

// Null strings would bind as SQL NULL; the columns take "" instead.
QString sessionText(const QByteArray &id) {
    return id.isEmpty() ? QStringLiteral("") : QString::fromLatin1(id);
}

QString lineText(const QByteArray &line) {
    return line.isEmpty() ? QStringLiteral("") : QString::fromUtf8(line);
}

} // namespace

PgChatLog::PgChatLog(ServiceStore &store)
    : m_store(store) {}

QString PgChatLog::prepareSchema(ServiceStore &store) {
    return store
        .migrate({
            QStringLiteral(
                "ALTER TABLE sessions ADD COLUMN IF NOT EXISTS chat_cursor BIGINT NOT NULL DEFAULT 0"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS chat_log ("
                           " seq BIGSERIAL PRIMARY KEY,"
                           " at_ms BIGINT NOT NULL,"
                           " channel_key TEXT NOT NULL,"
                           " to_session TEXT NOT NULL,"
                           " from_session TEXT NOT NULL,"
                           " line TEXT NOT NULL,"
                           " echo TEXT NOT NULL)"),
            QStringLiteral("CREATE TABLE IF NOT EXISTS chat_members ("
                           " session_id TEXT NOT NULL,"
                           " channel_key TEXT NOT NULL,"
                           " channel TEXT NOT NULL,"
                           " joined_seq BIGINT NOT NULL,"
                           " PRIMARY KEY (session_id, channel_key))"),
        })
        .error;
}

int PgChatLog::affected(const QString &sql, const QVariantList &values) {
    QSqlQuery &q = m_store.prepared(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    if (!q.exec()) {
        qCWarning(lcService) << "chat record:" << q.lastError().text();
        q.finish();
        return -1;
    }
    const int rows = q.isSelect() ? (q.next() ? q.value(0).toInt() : 0) : q.numRowsAffected();
    q.finish();
    return rows;
}

void PgChatLog::addMember(const QByteArray &session) {
    affected(QStringLiteral("UPDATE sessions SET chat_cursor = (SELECT COALESCE(MAX(seq), 0) FROM chat_log)"
                            " WHERE id = ?"),
             {sessionText(session)});
}

void PgChatLog::removeMember(const QByteArray &session) {
    affected(QStringLiteral("DELETE FROM chat_members WHERE session_id = ?"), {sessionText(session)});
}

bool PgChatLog::join(const QByteArray &session, const QString &channel) {
    return affected(QStringLiteral("INSERT INTO chat_members (session_id, channel_key, channel, joined_seq)"
                                   " SELECT ?, ?, ?, COALESCE(MAX(seq), 0) FROM chat_log"
                                   " ON CONFLICT DO NOTHING"),
                    {sessionText(session), channel.toLower(), channel}) == 1;
}

bool PgChatLog::leave(const QByteArray &session, const QString &channel) {
    return affected(QStringLiteral("DELETE FROM chat_members WHERE session_id = ? AND channel_key = ?"),
                    {sessionText(session), channel.toLower()}) == 1;
}

bool PgChatLog::isIn(const QByteArray &session, const QString &channel) {
    return affected(
               QStringLiteral("SELECT COUNT(*) FROM chat_members WHERE session_id = ? AND channel_key = ?"),
               {sessionText(session), channel.toLower()}) > 0;
}

int PgChatLog::channelCount(const QByteArray &session) {
    return qMax(0, affected(QStringLiteral("SELECT COUNT(*) FROM chat_members WHERE session_id = ?"),
                            {sessionText(session)}));
}

QStringList PgChatLog::channelsOf(const QByteArray &session) {
    QSqlQuery &q = m_store.prepared(
        QStringLiteral("SELECT channel FROM chat_members WHERE session_id = ? ORDER BY channel_key"));
    q.addBindValue(sessionText(session));
    QStringList names;
    if (q.exec()) {
        while (q.next())
            names.append(q.value(0).toString());
    }
    q.finish();
    return names;
}

bool PgChatLog::append(const QString &channelKey, const QByteArray &to, const QByteArray &from,
                       const QByteArray &line, const QByteArray &echo) {
    return affected(QStringLiteral(
                        "WITH l AS (SELECT pg_advisory_xact_lock(?))"
                        " INSERT INTO chat_log (at_ms, channel_key, to_session, from_session, line, echo)"
                        " SELECT ?, ?, ?, ?, ?, ? FROM l"),
                    {kAppendLock, QDateTime::currentMSecsSinceEpoch(), channelKey, sessionText(to),
                     sessionText(from), lineText(line), lineText(echo)}) == 1;
}

bool PgChatLog::postToChannel(const QString &channel, const QByteArray &line) {
    return append(channel.isEmpty() ? QStringLiteral("") : channel.toLower(), {}, {}, line, {});
}

bool PgChatLog::postWhisper(const QByteArray &to, const QByteArray &line, const QByteArray &from,
                            const QByteArray &echo) {
    return append(QStringLiteral(""), to, from, line, echo);
}

std::optional<QList<QByteArray>> PgChatLog::fetch(const QByteArray &session, int maxLines) {
    // The session's row is locked, so two polls of one session cannot both hand over a line. Without
    // a full reply the position moves to the newest number seen, past what was not meant for it.
    QSqlQuery &q = m_store.prepared(QStringLiteral(
        "WITH s AS (SELECT chat_cursor AS c FROM sessions WHERE id = ? FOR UPDATE),"
        " m AS (SELECT l.seq, CASE WHEN l.channel_key <> '' OR l.to_session = ? THEN l.line ELSE l.echo END"
        "  AS line FROM chat_log l, s WHERE l.seq > s.c AND (l.to_session = ? OR l.from_session = ? OR"
        "  EXISTS (SELECT 1 FROM chat_members cm WHERE cm.session_id = ? AND cm.channel_key = l.channel_key"
        "  AND cm.joined_seq < l.seq)) ORDER BY l.seq LIMIT ?),"
        " n AS (SELECT COUNT(*) AS k, MAX(seq) AS last FROM m),"
        " t AS (SELECT COALESCE(MAX(seq), 0) AS top FROM chat_log),"
        " u AS (UPDATE sessions SET chat_cursor = CASE WHEN n.k >= ? THEN n.last ELSE t.top END FROM n, t"
        "  WHERE sessions.id = ? AND sessions.chat_cursor < CASE WHEN n.k >= ? THEN n.last ELSE t.top END)"
        " SELECT seq, line FROM m ORDER BY seq"));
    const QString id = sessionText(session);
    handedOver(); // a fetch whose reply was never sent
    // A position need not wait for the disk: PostgreSQL's crash (not a restart) could at worst hand
    // the last moment's lines over again, and polls are the bulk of all writes.
    QSqlQuery begin(m_store.database());
    if (!begin.exec(QStringLiteral("BEGIN; SET LOCAL synchronous_commit TO off"))) {
        qCWarning(lcService) << "chat not fetched:" << begin.lastError().text();
        return std::nullopt;
    }
    m_fetchOpen = true;
    for (const QVariant &v : QVariantList{id, id, id, id, id, maxLines, maxLines, id, maxLines})
        q.addBindValue(v);
    if (!q.exec()) {
        qCWarning(lcService) << "chat not fetched:" << q.lastError().text();
        q.finish();
        m_store.database().rollback();
        m_fetchOpen = false;
        return std::nullopt;
    }
    QList<QByteArray> lines;
    while (q.next())
        lines.append(q.value(1).toString().toUtf8());
    q.finish();
    return lines;
}

void PgChatLog::handedOver() {
    if (!m_fetchOpen)
        return;
    m_fetchOpen = false;
    if (!m_store.database().commit())
        qCWarning(lcService) << "chat delivery not recorded:" << m_store.database().lastError().text();
}

void PgChatLog::prune() {
    affected(QStringLiteral(
                 "DELETE FROM chat_log WHERE seq <= (SELECT COALESCE(MAX(seq), 0) FROM chat_log) - ?"
                 " OR seq <= (SELECT COALESCE(MIN(chat_cursor), 0) FROM sessions WHERE ended_ms IS NULL)"),
             {m_backlogLimit});
}
