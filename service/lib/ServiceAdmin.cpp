#include "lib/ServiceAdmin.h"

#include "lib/AccountRules.h"
#include "lib/PasswordHasher.h"
#include "lib/ServiceStore.h"

#include <QDateTime>

ServiceAdmin::ServiceAdmin(ServiceStore &store, ServiceConfig config)
    : m_store(store)
    , m_config(config) {}

StoreResult ServiceAdmin::addUser(const QString &email, const QString &password, const QString &name) {
    const QString cleanEmail = email.trimmed().toLower();
    if (const QString problem = AccountRules::checkEmail(cleanEmail); !problem.isEmpty())
        return {problem};
    if (const QString problem = AccountRules::checkName(name); !problem.isEmpty())
        return {problem};
    if (const QString problem = AccountRules::checkPassword(password); !problem.isEmpty())
        return {problem};
    const PasswordHasher hasher(m_config.argon2OpsLimit, m_config.argon2MemLimitBytes);
    const std::optional<QByteArray> hash = hasher.hash(password.toUtf8());
    if (!hash)
        return {QStringLiteral("the password hash could not be computed (out of memory?)")};
    return m_store.createAccount(cleanEmail, name, *hash);
}

StoreResult ServiceAdmin::disableUser(const QString &email) {
    QString error;
    const std::optional<Account> account = m_store.accountByEmail(email, &error);
    if (!account)
        return {error.isEmpty() ? QStringLiteral("no account with the e-mail address %1").arg(email) : error};
    if (StoreResult r = m_store.setAccountDisabled(email, true); !r.ok())
        return r;
    if (StoreResult r = m_store.endSessionsOfAccount(account->id, QDateTime::currentMSecsSinceEpoch(),
                                                     QStringLiteral("disabled"));
        !r.ok())
        return r;
    return m_store.bumpRevision();
}

StoreResult ServiceAdmin::enableUser(const QString &email) {
    return m_store.setAccountDisabled(email, false);
}

StoreResult ServiceAdmin::kickUser(const QString &email) {
    QString error;
    const std::optional<Account> account = m_store.accountByEmail(email, &error);
    if (!account)
        return {error.isEmpty() ? QStringLiteral("no account with the e-mail address %1").arg(email) : error};
    if (StoreResult r = m_store.endSessionsOfAccount(account->id, QDateTime::currentMSecsSinceEpoch(),
                                                     QStringLiteral("kicked"));
        !r.ok())
        return r;
    return m_store.bumpRevision();
}

StoreResult ServiceAdmin::setVersions(const QList<QByteArray> &fourteen) {
    return m_store.setVersions(fourteen);
}

StoreResult ServiceAdmin::setCounts(int ads, int news) {
    return m_store.setCounts(ads, news);
}

StoreResult ServiceAdmin::setState(bool on) {
    return m_store.setOnline(on);
}

ServiceAdmin::OnlineUsers ServiceAdmin::onlineUsers() const {
    OnlineUsers result;
    const std::optional<QList<SessionRecord>> sessions = m_store.openSessions(&result.error);
    if (!sessions)
        return result;
    // The server writes last-seen times only every few seconds; allow for that.
    const qint64 limit = QDateTime::currentMSecsSinceEpoch() -
                         1000LL * (m_config.sessionSilenceSeconds + m_config.lastSeenFlushSeconds);
    for (const SessionRecord &s : *sessions) {
        if (s.lastSeenMs < limit)
            continue;
        result.users.append(OnlineUser{s.name, s.email, s.lastSeenMs, s.channels});
    }
    return result;
}
