#include "lib/SharedSessions.h"

#include "lib/ServiceStore.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>

namespace {

const QString kEndedChannel = QStringLiteral("quillbarrow_session_ended");
const QString kStateChannel = QStringLiteral("quillbarrow_state");

} // namespace

SharedSessions::SharedSessions(ServiceStore &store)
    : m_store(store) {}

QString SharedSessions::prepareSchema(ServiceStore &store) {
    return store
        .migrate({
            QStringLiteral("CREATE OR REPLACE FUNCTION quillbarrow_session_ended() RETURNS trigger AS $$"
                           " BEGIN PERFORM pg_notify('%1', NEW.id); RETURN NULL; END $$ LANGUAGE plpgsql")
                .arg(kEndedChannel),
            QStringLiteral("CREATE OR REPLACE TRIGGER sessions_ended AFTER UPDATE OF ended_ms ON sessions"
                           " FOR EACH ROW WHEN (OLD.ended_ms IS NULL AND NEW.ended_ms IS NOT NULL)"
                           " EXECUTE FUNCTION quillbarrow_session_ended()"),
            QStringLiteral("CREATE OR REPLACE FUNCTION quillbarrow_state_changed() RETURNS trigger AS $$"
                           " BEGIN PERFORM pg_notify('%1', ''); RETURN NULL; END $$ LANGUAGE plpgsql")
                .arg(kStateChannel),
            QStringLiteral("CREATE OR REPLACE TRIGGER settings_changed AFTER INSERT OR UPDATE ON settings"
                           " FOR EACH STATEMENT EXECUTE FUNCTION quillbarrow_state_changed()"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS sessions_seen ON sessions (last_seen_ms)"
                           " WHERE ended_ms IS NULL"),
        })
        .error;
}

bool SharedSessions::subscribe() {
    QSqlDriver *driver = m_store.database().driver();
    return driver->subscribeToNotification(kEndedChannel) && driver->subscribeToNotification(kStateChannel);
}

bool SharedSessions::listen(QObject *context, std::function<void(Event, const QByteArray &)> handler) {
    QSqlDriver *driver = m_store.database().driver();
    if (!subscribe())
        return false;
    QObject::connect(driver, &QSqlDriver::notification, context,
                     [handler = std::move(handler)](const QString &name, QSqlDriver::NotificationSource,
                                                    const QVariant &payload) {
                         if (name == kEndedChannel)
                             handler(Event::SessionEnded, payload.toString().toLatin1());
                         else if (name == kStateChannel)
                             handler(Event::StateChanged, {});
                     });
    return true;
}

std::optional<SessionRecord> SharedSessions::one(const QString &where, const QVariant &value,
                                                 QString *error) {
    QSqlQuery &q = m_store.prepared(
        QStringLiteral("SELECT s.id, s.account_id, a.email, a.name, s.address, s.created_ms, s.last_seen_ms,"
                       " s.channels, s.ended_ms FROM sessions s JOIN accounts a ON a.id = s.account_id"
                       " WHERE %1 ORDER BY s.created_ms DESC LIMIT 1")
            .arg(where));
    q.addBindValue(value);
    if (!q.exec()) {
        if (error)
            *error = QStringLiteral("store: %1").arg(q.lastError().text());
        q.finish();
        return std::nullopt;
    }
    std::optional<SessionRecord> found;
    if (q.next()) {
        SessionRecord s = ServiceStore::sessionFromRow(q);
        s.endedMs = q.value(8).isNull() ? 0 : q.value(8).toLongLong();
        found = s;
    }
    q.finish();
    return found;
}

std::optional<SessionRecord> SharedSessions::byId(const QByteArray &id, QString *error) {
    return one(QStringLiteral("s.id = ?"), QString::fromLatin1(id), error);
}

std::optional<SessionRecord> SharedSessions::openByAccount(qint64 accountId, QString *error) {
    return one(QStringLiteral("s.account_id = ? AND s.ended_ms IS NULL"), accountId, error);
}

std::optional<SessionRecord> SharedSessions::openByName(const QString &name, QString *error) {
    return one(QStringLiteral("a.name_key = ? AND s.ended_ms IS NULL"), name.toLower(), error);
}

int SharedSessions::openCount(qint64 sinceMs) {
    QSqlQuery &q = m_store.prepared(
        QStringLiteral("SELECT COUNT(*) FROM sessions WHERE ended_ms IS NULL AND last_seen_ms >= ?"));
    q.addBindValue(sinceMs);
    const int count = q.exec() && q.next() ? q.value(0).toInt() : -1;
    q.finish();
    return count;
}

StoreResult SharedSessions::expire(qint64 beforeMs, qint64 nowMs) {
    QSqlQuery &q = m_store.prepared(QStringLiteral("UPDATE sessions SET ended_ms = ?, end_reason = 'expired'"
                                                   " WHERE ended_ms IS NULL AND last_seen_ms < ?"));
    q.addBindValue(nowMs);
    q.addBindValue(beforeMs);
    return m_store.run(q);
}
