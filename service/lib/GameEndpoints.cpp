#include "lib/GameEndpoints.h"

#include "lib/FormFields.h"
#include "lib/HashWorker.h"
#include "lib/RateLimiter.h"
#include "lib/ServiceContext.h"
#include "lib/ServiceLog.h"
#include "lib/ServiceStore.h"
#include "lib/SessionRegistry.h"

namespace {

const QByteArray kError = QByteArrayLiteral("Error!");
const QByteArray kGranted = QByteArrayLiteral("LogIn Granted!");
const QByteArray kWrong = QByteArrayLiteral("WrongUsrPass!");
const QByteArray kDisabled = QByteArrayLiteral("AccDisabled!");
const QByteArray kFull = QByteArrayLiteral("MaxClientsReached!");
const QByteArray kLogOffOk = QByteArrayLiteral("LogOffOK!");
const QByteArray kLogOffError = QByteArrayLiteral("ErrLogOff!");

// Longest values taken from a form; the launcher's fields hold 127 characters.
constexpr int kMaxEmail = 127;
constexpr int kMaxPassword = 127;
constexpr int kMaxLoginId = 64;

bool tooLong(const QString &value, int limit) {
    return value.size() > limit;
}

} // namespace

GameEndpoints::GameEndpoints(ServiceContext &context)
    : m_context(context) {}

QByteArray GameEndpoints::checkReply(bool online, bool logOut, int ads, int news,
                                     const QList<QByteArray> &versions) {
    QByteArray reply = online ? QByteArrayLiteral("ON!|") : QByteArrayLiteral("OFF|");
    reply += logOut ? QByteArrayLiteral("LO|") : QByteArrayLiteral("OK|");
    reply += QByteArray::number(qBound(0, ads, 9999)).rightJustified(4, '0') + '|';
    reply += QByteArray::number(qBound(0, news, 999)).rightJustified(3, '0') + '|';
    reply += versions.join('^');
    return reply;
}

void GameEndpoints::check(const IncomingRequest &request, HttpResponder responder) {
    const std::optional<FormFields> form = FormFields::parse(request.body);
    if (!form) {
        responder.send(HttpReply::text(kError, 400));
        return;
    }
    const QString loginId = form->value(QStringLiteral("loginid"));
    const QString email = form->value(QStringLiteral("email")).trimmed().toLower();
    bool logOut = false;
    // "0" is what a launcher sends before its first granted login: it claims no session.
    if (!loginId.isEmpty() && loginId != QLatin1String("0")) {
        const qint64 now = m_context.now();
        const QByteArray id = loginId.toLatin1();
        LiveSession *session = tooLong(loginId, kMaxLoginId) ? nullptr : m_context.sessions.find(id, now);
        if (!session && m_context.sessions.sourceFailed()) {
            // The database is away: say so rather than log the player out.
            responder.send(HttpReply::text(kError, 503));
            return;
        }
        if (session && (email.isEmpty() || email == session->email)) {
            session->lastSeenMs = now;
            session->lastSeenUnsaved = true;
        } else {
            logOut = !m_context.sessions.replacedMomentsAgo(id, request.clientAddress, now);
        }
    }
    const ServiceSettings &s = m_context.settings;
    responder.send(HttpReply::text(checkReply(s.online, logOut, s.adCount, s.newsCount, s.versions)));
}

void GameEndpoints::login(const IncomingRequest &request, HttpResponder responder) {
    const std::optional<FormFields> form = FormFields::parse(request.body);
    if (!form) {
        responder.send(HttpReply::text(kError, 400));
        return;
    }
    const QString message = form->value(QStringLiteral("message"));
    const QString email = form->value(QStringLiteral("email")).trimmed().toLower();
    if (message == QLatin1String("LogIn Request.")) {
        const QString password = form->value(QStringLiteral("password"));
        if (email.isEmpty() || password.isEmpty() || tooLong(email, kMaxEmail) ||
            tooLong(password, kMaxPassword)) {
            responder.send(HttpReply::text(kError, 400));
            return;
        }
        logIn(email, password, request.clientAddress, std::move(responder));
        return;
    }
    if (message == QLatin1String("LogOFF!")) {
        const QString loginId = form->value(QStringLiteral("loginid"));
        if (tooLong(email, kMaxEmail) || tooLong(loginId, kMaxLoginId)) {
            responder.send(HttpReply::text(kLogOffError));
            return;
        }
        responder.send(HttpReply::text(logOff(email, loginId)));
        return;
    }
    responder.send(HttpReply::text(kError, 400));
}

void GameEndpoints::logIn(const QString &email, const QString &password, const QString &address,
                          HttpResponder responder) {
    if (!m_context.settings.online) {
        responder.send(HttpReply::text(kError, 503));
        return;
    }
    const qint64 now = m_context.now();
    // Both limits are counted before any hash is spent, so guessing costs the guesser, not the server.
    if (!m_context.loginsPerAddress.allow(address, now)) {
        qCInfo(lcService) << "login refused: too many attempts from" << address;
        responder.send(HttpReply::text(kError, 429));
        return;
    }
    if (!m_context.loginsPerAccount.allow(email, now)) {
        qCInfo(lcService) << "login refused: too many attempts for" << email << "from" << address;
        responder.send(HttpReply::text(kError, 429));
        return;
    }
    if (!m_context.hashes.canTakeMore()) {
        qCWarning(lcService) << "login refused: password hashing is saturated";
        responder.send(HttpReply::text(kError, 503));
        return;
    }
    QString error;
    const std::optional<Account> account = m_context.store.accountByEmail(email, &error);
    if (!error.isEmpty()) {
        qCWarning(lcService) << "login failed:" << error;
        responder.send(HttpReply::text(kError, 500));
        return;
    }
    const QByteArray storedHash = account ? account->passwordHash : QByteArray();
    m_context.hashes.verify(storedHash, password.toUtf8(),
                            [this, email, address, responder = std::move(responder)](bool ok) mutable {
                                finishLogIn(email, ok, address, std::move(responder));
                            });
}

void GameEndpoints::finishLogIn(const QString &email, bool passwordOk, const QString &address,
                                HttpResponder responder) {
    // Read again: the account may have been disabled while its password was being checked.
    QString error;
    const std::optional<Account> account = m_context.store.accountByEmail(email, &error);
    if (!error.isEmpty()) {
        qCWarning(lcService) << "login failed:" << error;
        responder.send(HttpReply::text(kError, 500));
        return;
    }
    if (!account || !passwordOk) {
        qCInfo(lcService) << "login refused: wrong e-mail or password for" << email << "from" << address;
        responder.send(HttpReply::text(kWrong));
        return;
    }
    if (account->disabled) {
        qCInfo(lcService) << "login refused: account disabled:" << email;
        responder.send(HttpReply::text(kDisabled));
        return;
    }
    if (!m_context.settings.online) {
        responder.send(HttpReply::text(kError, 503));
        return;
    }
    const qint64 now = m_context.now();
    // The account's own session is replaced, so it does not count against the limit.
    LiveSession *current = m_context.sessions.findByAccount(account->id, now);
    // The launcher posts its login again every 500 ms until a reply arrives: a repeat from the same
    // address gets the session just made, so every reply it receives carries the same id.
    // Without a grace time every login is new, also two within the same millisecond.
    if (current && current->address == address && m_context.config.logoutGraceSeconds > 0 &&
        now - current->createdMs <= 1000LL * m_context.config.logoutGraceSeconds) {
        current->lastSeenMs = now;
        current->lastSeenUnsaved = true;
        qCInfo(lcService) << "login repeated:" << email << "from" << address;
        responder.send(HttpReply::text(kGranted + '|' + account->name.toUtf8() + '|' + current->id));
        return;
    }
    const bool replaces = current != nullptr;
    if (m_context.sessions.liveCount(now) - (replaces ? 1 : 0) >= m_context.config.maxClients) {
        qCInfo(lcService) << "login refused: client limit reached for" << email;
        responder.send(HttpReply::text(kFull));
        return;
    }
    const QByteArray id = m_context.startSession(*account, address);
    if (id.isEmpty()) {
        responder.send(HttpReply::text(kError, 500));
        return;
    }
    qCInfo(lcService) << "login granted:" << email << "as" << account->name << "from" << address;
    responder.send(HttpReply::text(kGranted + '|' + account->name.toUtf8() + '|' + id));
}

QByteArray GameEndpoints::logOff(const QString &email, const QString &loginId) {
    if (loginId.isEmpty())
        return kLogOffError;
    const qint64 now = m_context.now();
    const QByteArray id = loginId.toLatin1();
    const LiveSession *session = m_context.sessions.find(id, now);
    // The launcher's log-out button sends the id alone; an e-mail, when sent, must match.
    if (!session || (!email.isEmpty() && email != session->email))
        return kLogOffError;
    const QString who = session->email;
    m_context.sessions.end(id, now, QStringLiteral("logged off"));
    qCInfo(lcService) << "logged off:" << who;
    return kLogOffOk;
}
