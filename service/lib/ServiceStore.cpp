#include "lib/ServiceStore.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUrl>
#include <QUrlQuery>
#include <QVariant>
#include <atomic>

namespace {

std::atomic<int> g_connectionCounter{0};

const QString kKeyOnline = QStringLiteral("online");
const QString kKeyAds = QStringLiteral("ads");
const QString kKeyNews = QStringLiteral("news");
const QString kKeyVersions = QStringLiteral("versions");
const QString kKeyRevision = QStringLiteral("revision");

QString sqlError(const QSqlError &error) {
    return QStringLiteral("store: %1").arg(error.text());
}

// A null QString binds as SQL NULL; text columns here are NOT NULL and take "" instead.
QVariant text(const QString &value) {
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}

QList<QByteArray> defaultVersions() {
    QList<QByteArray> versions{QByteArrayLiteral(QUILLBARROW_LAUNCHER_VERSION)};
    for (int i = 0; i < 13; ++i)
        versions.append(QByteArrayLiteral("NoVer"));
    return versions;
}

// Everything here is plain SQL understood by SQLite and PostgreSQL alike except the key column.
QStringList schemaStatements(bool postgres) {
    const QString key = postgres ? QStringLiteral("BIGSERIAL PRIMARY KEY")
                                 : QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS accounts ("
                       " id %1,"
                       " email TEXT NOT NULL UNIQUE,"
                       " name TEXT NOT NULL,"
                       " name_key TEXT NOT NULL UNIQUE,"
                       " password_hash TEXT NOT NULL,"
                       " disabled INTEGER NOT NULL DEFAULT 0,"
                       " created_ms BIGINT NOT NULL)")
            .arg(key),
        QStringLiteral("CREATE TABLE IF NOT EXISTS settings (key TEXT PRIMARY KEY, value TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS sessions ("
                       " id TEXT PRIMARY KEY,"
                       " account_id BIGINT NOT NULL REFERENCES accounts(id),"
                       " address TEXT NOT NULL,"
                       " created_ms BIGINT NOT NULL,"
                       " last_seen_ms BIGINT NOT NULL,"
                       " channels TEXT NOT NULL DEFAULT '',"
                       " ended_ms BIGINT,"
                       " end_reason TEXT)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS sessions_open ON sessions (ended_ms)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS sessions_account ON sessions (account_id)"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS chat_messages ("
                       " id %1,"
                       " at_ms BIGINT NOT NULL,"
                       " channel TEXT NOT NULL,"
                       " sender TEXT NOT NULL,"
                       " recipient TEXT NOT NULL,"
                       " text TEXT NOT NULL)")
            .arg(key),
    };
}

Account accountFrom(const QSqlQuery &q) {
    Account a;
    a.id = q.value(0).toLongLong();
    a.email = q.value(1).toString();
    a.name = q.value(2).toString();
    a.passwordHash = q.value(3).toString().toUtf8();
    a.disabled = q.value(4).toInt() != 0;
    a.createdMs = q.value(5).toLongLong();
    return a;
}

} // namespace

std::unique_ptr<ServiceStore> ServiceStore::open(const QString &connectionSpec, QString *error) {
    std::unique_ptr<ServiceStore> store(new ServiceStore);
    store->m_connectionName = QStringLiteral("quillbarrow-store-%1").arg(g_connectionCounter.fetch_add(1));
    const bool postgres = connectionSpec.startsWith(QLatin1String("postgres://")) ||
                          connectionSpec.startsWith(QLatin1String("postgresql://"));
    store->m_postgres = postgres;
    if (postgres) {
        const QUrl url(connectionSpec, QUrl::StrictMode);
        // A Unix socket folder comes as ?host=/path, the way libpq takes it.
        if (!url.isValid() ||
            (url.host().isEmpty() && !QUrlQuery(url).hasQueryItem(QStringLiteral("host")))) {
            setError(error, QStringLiteral("not a valid PostgreSQL address: %1").arg(url.errorString()));
            return nullptr;
        }
        store->m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), store->m_connectionName);
        if (!url.host().isEmpty())
            store->m_db.setHostName(url.host());
        if (url.port() > 0)
            store->m_db.setPort(url.port());
        store->m_db.setUserName(url.userName());
        store->m_db.setPassword(url.password());
        store->m_db.setDatabaseName(url.path().mid(1));
        QStringList options;
        const auto items = QUrlQuery(url).queryItems(QUrl::FullyDecoded);
        for (const auto &[name, value] : items)
            options.append(name + QLatin1Char('=') + value);
        store->m_db.setConnectOptions(options.join(QLatin1Char(';')));
    } else {
        if (connectionSpec.isEmpty()) {
            setError(error, QStringLiteral("no database given"));
            return nullptr;
        }
        const QFileInfo file(connectionSpec);
        if (!QDir().mkpath(file.absolutePath())) {
            setError(error, QStringLiteral("cannot create the folder %1").arg(file.absolutePath()));
            return nullptr;
        }
        store->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), store->m_connectionName);
        store->m_db.setDatabaseName(file.absoluteFilePath());
        store->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    }
    if (!store->m_db.isValid()) {
        setError(error, QStringLiteral("the Qt SQL driver for %1 is not installed")
                            .arg(postgres ? QStringLiteral("PostgreSQL") : QStringLiteral("SQLite")));
        return nullptr;
    }
    if (!store->m_db.open()) {
        setError(error, QStringLiteral("cannot open the database: %1").arg(store->m_db.lastError().text()));
        return nullptr;
    }
    if (postgres) {
        // "already exists, skipping" at every start is no news.
        QSqlQuery quiet(store->m_db);
        quiet.exec(QStringLiteral("SET client_min_messages = warning"));
    }
    if (!postgres) {
        // WAL lets the admin command read and write while the server runs; NORMAL syncs at checkpoints
        // only, which is durable enough for a chat service and keeps fsync off the request path.
        QSqlQuery pragma(store->m_db);
        for (const char *statement :
             {"PRAGMA journal_mode=WAL", "PRAGMA synchronous=NORMAL", "PRAGMA foreign_keys=ON"}) {
            if (!pragma.exec(QString::fromLatin1(statement))) {
                setError(error, sqlError(pragma.lastError()));
                return nullptr;
            }
        }
    }
    if (!store->createSchema(error))
        return nullptr;
    return store;
}

ServiceStore::~ServiceStore() {
    m_statements.clear();
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool ServiceStore::createSchema(QString *error) {
    if (const StoreResult r = migrate(schemaStatements(m_postgres)); !r.ok()) {
        setError(error, r.error);
        return false;
    }
    const QList<std::pair<QString, QString>> defaults{
        {kKeyOnline, QStringLiteral("1")},   {kKeyAds, QStringLiteral("0")},
        {kKeyNews, QStringLiteral("0")},     {kKeyVersions, QString::fromUtf8(defaultVersions().join('^'))},
        {kKeyRevision, QStringLiteral("1")},
    };
    for (const auto &[key, value] : defaults) {
        QSqlQuery &find = prepared(QStringLiteral("SELECT value FROM settings WHERE key = ?"));
        find.addBindValue(key);
        if (!find.exec()) {
            setError(error, sqlError(find.lastError()));
            return false;
        }
        const bool present = find.next();
        find.finish();
        if (present)
            continue;
        QSqlQuery &insert = prepared(QStringLiteral("INSERT INTO settings (key, value) VALUES (?, ?)"));
        insert.addBindValue(key);
        insert.addBindValue(value);
        if (const StoreResult r = run(insert); !r.ok()) {
            setError(error, r.error);
            return false;
        }
    }
    return true;
}

QSqlQuery &ServiceStore::prepared(const QString &sql) {
    std::unique_ptr<QSqlQuery> &query = m_statements[sql];
    if (!query) {
        query = std::make_unique<QSqlQuery>(m_db);
        query->setForwardOnly(true);
        query->prepare(sql);
    }
    return *query;
}

StoreResult ServiceStore::migrate(const QStringList &statements) {
    if (!m_db.transaction())
        return {sqlError(m_db.lastError())};
    QSqlQuery q(m_db);
    // Several app servers start at once; PostgreSQL's DDL is not safe against itself without this.
    if (m_postgres && !q.exec(QStringLiteral("SELECT pg_advisory_xact_lock(4172)"))) {
        m_db.rollback();
        return {sqlError(q.lastError())};
    }
    for (const QString &statement : statements) {
        if (!q.exec(statement)) {
            const QString error = sqlError(q.lastError());
            q.finish();
            m_db.rollback();
            return {error};
        }
    }
    q.finish();
    if (!m_db.commit())
        return {sqlError(m_db.lastError())};
    return {};
}

StoreResult ServiceStore::reconnect() {
    m_statements.clear();
    m_db.close();
    if (!m_db.open())
        return {sqlError(m_db.lastError())};
    if (m_postgres)
        QSqlQuery(m_db).exec(QStringLiteral("SET client_min_messages = warning"));
    return {};
}

StoreResult ServiceStore::run(QSqlQuery &query) {
    StoreResult result;
    if (!query.exec())
        result.error = sqlError(query.lastError());
    query.finish();
    return result;
}

std::optional<Account> ServiceStore::accountByEmail(const QString &email, QString *error) {
    QSqlQuery &q = prepared(QStringLiteral("SELECT id, email, name, password_hash, disabled, created_ms"
                                           " FROM accounts WHERE email = ?"));
    q.addBindValue(email.toLower());
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return std::nullopt;
    }
    std::optional<Account> account;
    if (q.next())
        account = accountFrom(q);
    q.finish();
    return account;
}

std::optional<Account> ServiceStore::accountById(qint64 id, QString *error) {
    QSqlQuery &q = prepared(QStringLiteral("SELECT id, email, name, password_hash, disabled, created_ms"
                                           " FROM accounts WHERE id = ?"));
    q.addBindValue(id);
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return std::nullopt;
    }
    std::optional<Account> account;
    if (q.next())
        account = accountFrom(q);
    q.finish();
    return account;
}

bool ServiceStore::nameTaken(const QString &name, QString *error) {
    QSqlQuery &q = prepared(QStringLiteral("SELECT id FROM accounts WHERE name_key = ?"));
    q.addBindValue(name.toLower());
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return true;
    }
    const bool taken = q.next();
    q.finish();
    return taken;
}

StoreResult ServiceStore::createAccount(const QString &email, const QString &name,
                                        const QByteArray &passwordHash) {
    QString error;
    if (accountByEmail(email, &error))
        return {QStringLiteral("An account with this e-mail address already exists.")};
    if (!error.isEmpty())
        return {error};
    if (nameTaken(name, &error))
        return {error.isEmpty() ? QStringLiteral("This player name is already taken.") : error};
    QSqlQuery &q = prepared(QStringLiteral("INSERT INTO accounts"
                                           " (email, name, name_key, password_hash, disabled, created_ms)"
                                           " VALUES (?, ?, ?, ?, 0, ?)"));
    q.addBindValue(email.toLower());
    q.addBindValue(name);
    q.addBindValue(name.toLower());
    q.addBindValue(QString::fromUtf8(passwordHash));
    q.addBindValue(QDateTime::currentMSecsSinceEpoch());
    return run(q);
}

StoreResult ServiceStore::setAccountDisabled(const QString &email, bool disabled) {
    QSqlQuery &q = prepared(QStringLiteral("UPDATE accounts SET disabled = ? WHERE email = ?"));
    q.addBindValue(disabled ? 1 : 0);
    q.addBindValue(email.toLower());
    if (!q.exec())
        return {sqlError(q.lastError())};
    const int rows = q.numRowsAffected();
    q.finish();
    if (rows == 0)
        return {QStringLiteral("no account with the e-mail address %1").arg(email)};
    return bumpRevision();
}

std::optional<ServiceSettings> ServiceStore::settings(QString *error) {
    QSqlQuery &q = prepared(QStringLiteral("SELECT key, value FROM settings"));
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return std::nullopt;
    }
    ServiceSettings s;
    s.versions = defaultVersions();
    while (q.next()) {
        const QString key = q.value(0).toString();
        const QString value = q.value(1).toString();
        if (key == kKeyOnline)
            s.online = value != QLatin1String("0");
        else if (key == kKeyAds)
            s.adCount = value.toInt();
        else if (key == kKeyNews)
            s.newsCount = value.toInt();
        else if (key == kKeyVersions)
            s.versions = value.toUtf8().split('^');
        else if (key == kKeyRevision)
            s.revision = value.toLongLong();
    }
    q.finish();
    return s;
}

std::optional<qint64> ServiceStore::revision(QString *error) {
    QSqlQuery &q = prepared(QStringLiteral("SELECT value FROM settings WHERE key = ?"));
    q.addBindValue(kKeyRevision);
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return std::nullopt;
    }
    qint64 value = 0;
    if (q.next())
        value = q.value(0).toLongLong();
    q.finish();
    return value;
}

StoreResult ServiceStore::bumpRevision() {
    QSqlQuery &q =
        prepared(QStringLiteral("UPDATE settings SET value = CAST(CAST(value AS BIGINT) + 1 AS TEXT)"
                                " WHERE key = ?"));
    q.addBindValue(kKeyRevision);
    return run(q);
}

StoreResult ServiceStore::putSetting(const QString &key, const QString &value) {
    QSqlQuery &update = prepared(QStringLiteral("UPDATE settings SET value = ? WHERE key = ?"));
    update.addBindValue(value);
    update.addBindValue(key);
    if (!update.exec())
        return {sqlError(update.lastError())};
    const int rows = update.numRowsAffected();
    update.finish();
    if (rows == 0) {
        QSqlQuery &insert = prepared(QStringLiteral("INSERT INTO settings (key, value) VALUES (?, ?)"));
        insert.addBindValue(key);
        insert.addBindValue(value);
        if (const StoreResult r = run(insert); !r.ok())
            return r;
    }
    return bumpRevision();
}

StoreResult ServiceStore::setOnline(bool online) {
    return putSetting(kKeyOnline, online ? QStringLiteral("1") : QStringLiteral("0"));
}

StoreResult ServiceStore::setCounts(int ads, int news) {
    if (ads < 0 || ads > 9999 || news < 0 || news > 999)
        return {QStringLiteral("the ad count must be 0 to 9999 and the news count 0 to 999")};
    if (!m_db.transaction())
        return {sqlError(m_db.lastError())};
    StoreResult r = putSetting(kKeyAds, QString::number(ads));
    if (r.ok())
        r = putSetting(kKeyNews, QString::number(news));
    if (!r.ok()) {
        m_db.rollback();
        return r;
    }
    if (!m_db.commit())
        return {sqlError(m_db.lastError())};
    return {};
}

StoreResult ServiceStore::setVersions(const QList<QByteArray> &versions) {
    if (versions.size() != 14)
        return {QStringLiteral("expected 14 versions (the launcher, then the 13 games), got %1")
                    .arg(versions.size())};
    for (const QByteArray &v : versions) {
        if (v.isEmpty() || v.size() > 32 || v.contains('^') || v.contains('|') || v.contains('\n') ||
            v.contains('\r'))
            return {QStringLiteral("not a usable version: \"%1\"").arg(QString::fromUtf8(v))};
    }
    return putSetting(kKeyVersions, QString::fromUtf8(versions.join('^')));
}

StoreResult ServiceStore::insertSession(const SessionRecord &session) {
    QSqlQuery &q = prepared(QStringLiteral("INSERT INTO sessions"
                                           " (id, account_id, address, created_ms, last_seen_ms, channels)"
                                           " VALUES (?, ?, ?, ?, ?, ?)"));
    q.addBindValue(QString::fromLatin1(session.id));
    q.addBindValue(session.accountId);
    q.addBindValue(text(session.address));
    q.addBindValue(session.createdMs);
    q.addBindValue(session.lastSeenMs);
    q.addBindValue(text(session.channels.join(QLatin1Char(' '))));
    return run(q);
}

StoreResult ServiceStore::endSession(const QByteArray &id, qint64 atMs, const QString &reason) {
    QSqlQuery &q = prepared(QStringLiteral("UPDATE sessions SET ended_ms = ?, end_reason = ?"
                                           " WHERE id = ? AND ended_ms IS NULL"));
    q.addBindValue(atMs);
    q.addBindValue(text(reason));
    q.addBindValue(QString::fromLatin1(id));
    return run(q);
}

StoreResult ServiceStore::endSessionsOfAccount(qint64 accountId, qint64 atMs, const QString &reason) {
    QSqlQuery &q = prepared(QStringLiteral("UPDATE sessions SET ended_ms = ?, end_reason = ?"
                                           " WHERE account_id = ? AND ended_ms IS NULL"));
    q.addBindValue(atMs);
    q.addBindValue(text(reason));
    q.addBindValue(accountId);
    return run(q);
}

StoreResult ServiceStore::touchSessions(const QList<std::pair<QByteArray, qint64>> &lastSeen) {
    if (lastSeen.isEmpty())
        return {};
    if (!m_db.transaction())
        return {sqlError(m_db.lastError())};
    QSqlQuery &q = prepared(QStringLiteral("UPDATE sessions SET last_seen_ms = ? WHERE id = ?"));
    for (const auto &[id, at] : lastSeen) {
        q.addBindValue(at);
        q.addBindValue(QString::fromLatin1(id));
        if (const StoreResult r = run(q); !r.ok()) {
            m_db.rollback();
            return r;
        }
    }
    if (!m_db.commit())
        return {sqlError(m_db.lastError())};
    return {};
}

StoreResult ServiceStore::setSessionChannels(const QByteArray &id, const QStringList &channels) {
    QSqlQuery &q = prepared(QStringLiteral("UPDATE sessions SET channels = ? WHERE id = ?"));
    q.addBindValue(text(channels.join(QLatin1Char(' '))));
    q.addBindValue(QString::fromLatin1(id));
    return run(q);
}

std::optional<QList<SessionRecord>> ServiceStore::openSessions(QString *error) {
    QSqlQuery &q = prepared(QStringLiteral(
        "SELECT s.id, s.account_id, a.email, a.name, s.address, s.created_ms, s.last_seen_ms, s.channels"
        " FROM sessions s JOIN accounts a ON a.id = s.account_id WHERE s.ended_ms IS NULL"
        " ORDER BY s.created_ms DESC"));
    if (!q.exec()) {
        setError(error, sqlError(q.lastError()));
        return std::nullopt;
    }
    QList<SessionRecord> sessions;
    while (q.next()) {
        sessions.append(sessionFromRow(q));
    }
    q.finish();
    return sessions;
}

StoreResult ServiceStore::appendChat(const ChatRecord &record) {
    QSqlQuery &q =
        prepared(QStringLiteral("INSERT INTO chat_messages (at_ms, channel, sender, recipient, text)"
                                " VALUES (?, ?, ?, ?, ?)"));
    q.addBindValue(record.atMs);
    q.addBindValue(text(record.channel));
    q.addBindValue(text(record.sender));
    q.addBindValue(text(record.recipient));
    q.addBindValue(text(record.text));
    return run(q);
}

SessionRecord ServiceStore::sessionFromRow(const QSqlQuery &row) {
    SessionRecord s;
    s.id = row.value(0).toString().toLatin1();
    s.accountId = row.value(1).toLongLong();
    s.email = row.value(2).toString();
    s.name = row.value(3).toString();
    s.address = row.value(4).toString();
    s.createdMs = row.value(5).toLongLong();
    s.lastSeenMs = row.value(6).toLongLong();
    s.channels = row.value(7).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return s;
}
