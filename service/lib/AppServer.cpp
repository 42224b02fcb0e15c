#include "lib/AppServer.h"

#include "lib/ChatEndpoint.h"
#include "lib/ChatHub.h"
#include "lib/GameEndpoints.h"
#include "lib/HashWorker.h"
#include "lib/HttpFront.h"
#include "lib/PgChatLog.h"
#include "lib/RateLimiter.h"
#include "lib/ServiceContext.h"
#include "lib/ServiceLog.h"
#include "lib/ServiceStore.h"
#include "lib/SessionRegistry.h"
#include "lib/SharedSessions.h"
#include "lib/WebSite.h"

#include <QDateTime>
#include <QTcpServer>
#include <QTimer>

namespace {

constexpr qint64 kMinuteMs = 60 * 1000;
constexpr qint64 kHourMs = 60 * kMinuteMs;
constexpr qint64 kSharedPruneMs = 10 * 1000;

std::unique_ptr<ChatDelivery> chatFor(ServiceStore &store, const ServiceConfig &config) {
    if (!store.isPostgres())
        return std::make_unique<ChatHub>(config.chatBacklogMessages);
    auto log = std::make_unique<PgChatLog>(store);
    log->setBacklogLimit(config.chatBacklogMessages);
    return log;
}

} // namespace

class AppServer::Impl {
public:
    Impl(AppServer *owner, ServiceStore &storeIn, ServiceConfig configIn);

    void dispatch(const IncomingRequest &request, HttpResponder responder);
    QByteArray startSession(const Account &account, const QString &address);
    void sessionEnded(const LiveSession &session, const QString &reason);
    void loadSettings();
    void restoreSessions();
    void housekeeping();
    void pollStore();
    void share(QObject *owner);

    ServiceStore &store;
    ServiceConfig config;
    ServiceSettings settings;
    SessionRegistry sessions;
    std::unique_ptr<ChatDelivery> chat;
    // With PostgreSQL: the sessions of every app server on the same database.
    std::unique_ptr<SharedSessions> shared;
    RateLimiter loginsPerAccount;
    RateLimiter loginsPerAddress;
    RateLimiter registrations;
    HashWorker hashes;
    ServiceContext context;
    GameEndpoints game;
    ChatEndpoint chatEndpoint;
    WebSite site;
    HttpFront front;
    QTimer housekeepingTimer;
    QTimer storeTimer;
    qint64 lastFlushMs = 0;
    qint64 lastPruneMs = 0;
};

AppServer::Impl::Impl(AppServer *owner, ServiceStore &storeIn, ServiceConfig configIn)
    : store(storeIn)
    , config(configIn)
    , sessions(1000LL * config.sessionSilenceSeconds, 1000LL * config.logoutGraceSeconds)
    , chat(chatFor(storeIn, config))
    , loginsPerAccount(config.loginAttemptsPerAccount, kMinuteMs)
    , loginsPerAddress(config.loginAttemptsPerAddress, kMinuteMs)
    , registrations(config.registrationsPerAddressPerHour, kHourMs)
    , hashes(PasswordHasher(config.argon2OpsLimit, config.argon2MemLimitBytes), config.hashThreads,
             config.maxPendingHashes)
    , context{store,
              config,
              sessions,
              *chat,
              hashes,
              loginsPerAccount,
              loginsPerAddress,
              registrations,
              settings,
              [this](const Account &a, const QString &address) { return startSession(a, address); },
              [] { return QDateTime::currentMSecsSinceEpoch(); }}
    , game(context)
    , chatEndpoint(context)
    , site(context)
    , front(
          [this](const IncomingRequest &r, HttpResponder responder) { dispatch(r, std::move(responder)); }) {
    sessions.setEndHandler([this](const LiveSession &s, const QString &reason) { sessionEnded(s, reason); });
    loadSettings();
    if (store.isPostgres())
        share(owner);
    else
        restoreSessions();
    QObject::connect(&housekeepingTimer, &QTimer::timeout, owner, [this] { housekeeping(); });
    housekeepingTimer.start(1000);
    QObject::connect(&storeTimer, &QTimer::timeout, owner, [this] { pollStore(); });
    storeTimer.start(config.storePollMilliseconds);
}

void AppServer::Impl::dispatch(const IncomingRequest &request, HttpResponder responder) {
    if (request.body.size() > config.maxBodyBytes) {
        responder.send(HttpReply::text(QByteArrayLiteral("Error!"), 413));
        return;
    }
    const bool game_endpoint = request.path.startsWith(QLatin1String("/game/"));
    if (game_endpoint && request.method != IncomingRequest::Method::Post) {
        responder.send(HttpReply::text(QByteArrayLiteral("Method not allowed"), 405));
        return;
    }
    if (request.path == QLatin1String("/game/check.server.php"))
        game.check(request, std::move(responder));
    else if (request.path == QLatin1String("/game/login.server.php"))
        game.login(request, std::move(responder));
    else if (request.path == QLatin1String("/game/chat.php"))
        chatEndpoint.handle(request, std::move(responder));
    else
        site.handle(request, std::move(responder));
}

QByteArray AppServer::Impl::startSession(const Account &account, const QString &address) {
    const qint64 now = context.now();
    if (const LiveSession *previous = sessions.findByAccount(account.id, now))
        sessions.end(previous->id, now, QStringLiteral("replaced by a newer login"));
    LiveSession s;
    s.id = SessionRegistry::newId();
    s.accountId = account.id;
    s.email = account.email;
    s.name = account.name;
    s.address = address;
    s.createdMs = now;
    s.lastSeenMs = now;
    const StoreResult r = store.insertSession(
        SessionRecord{s.id, s.accountId, s.email, s.name, s.address, s.createdMs, s.lastSeenMs, {}});
    if (!r.ok()) {
        qCWarning(lcService) << "session not recorded:" << r.error;
        return {};
    }
    sessions.add(s);
    chat->addMember(s.id);
    return s.id;
}

void AppServer::Impl::sessionEnded(const LiveSession &session, const QString &reason) {
    chat->removeMember(session.id);
    qCInfo(lcService) << "session of" << session.email << "ended:" << reason;
    if (const StoreResult r = store.endSession(session.id, context.now(), reason); !r.ok())
        qCWarning(lcService) << "session end not recorded:" << r.error;
}

void AppServer::Impl::loadSettings() {
    QString error;
    if (std::optional<ServiceSettings> loaded = store.settings(&error)) {
        settings = *loaded;
        while (settings.versions.size() < 14)
            settings.versions.append(QByteArrayLiteral("NoVer"));
    } else {
        qCWarning(lcService) << "announced state not read:" << error;
    }
}

// Logins survive a restart of the server: sessions still open in the store whose client was seen
// recently come back; the rest are closed.
void AppServer::Impl::restoreSessions() {
    QString error;
    const std::optional<QList<SessionRecord>> open = store.openSessions(&error);
    if (!open) {
        qCWarning(lcService) << "open sessions not read:" << error;
        return;
    }
    const qint64 now = context.now();
    const qint64 oldest = now - 1000LL * (config.sessionSilenceSeconds + config.lastSeenFlushSeconds);
    for (const SessionRecord &r : *open) {
        if (r.lastSeenMs < oldest || sessions.findByAccount(r.accountId, now)) {
            store.endSession(r.id, now, QStringLiteral("expired"));
            continue;
        }
        sessions.add(LiveSession{r.id, r.accountId, r.email, r.name, r.address, r.createdMs, now, false});
        chat->addMember(r.id);
        for (const QString &channel : r.channels)
            chat->join(r.id, channel);
    }
}

void AppServer::Impl::housekeeping() {
    const qint64 now = context.now();
    sessions.sweep(now);
    if (!shared) {
        chat->prune();
    } else if (now - lastPruneMs >= kSharedPruneMs) {
        lastPruneMs = now;
        chat->prune();
    }
    loginsPerAccount.prune(now);
    loginsPerAddress.prune(now);
    registrations.prune(now);
    if (now - lastFlushMs >= 1000LL * config.lastSeenFlushSeconds) {
        lastFlushMs = now;
        if (const StoreResult r = store.touchSessions(sessions.takeUnsavedLastSeen()); !r.ok())
            qCWarning(lcService) << "last-seen times not recorded:" << r.error;
    }
    // Any app server may end what all of them have stopped hearing from.
    if (shared) {
        const qint64 lag = 1000LL * (config.lastSeenFlushSeconds + 1);
        if (const StoreResult r = shared->expire(now - 1000LL * config.sessionSilenceSeconds - lag, now);
            !r.ok())
            qCWarning(lcService) << "silent sessions not ended:" << r.error;
    }
}

void AppServer::Impl::share(QObject *owner) {
    shared = std::make_unique<SharedSessions>(store);
    for (const QString &error : {SharedSessions::prepareSchema(store), PgChatLog::prepareSchema(store)}) {
        if (!error.isEmpty())
            qCWarning(lcService) << "shared tables not prepared:" << error;
    }
    SessionRegistry::Source source;
    // A lookup that fails is told apart from one that finds nothing.
    const auto checked = [](auto query) {
        return [query](auto key, bool *failed) {
            QString error;
            std::optional<SessionRecord> found = query(key, &error);
            *failed = !error.isEmpty();
            return found;
        };
    };
    source.byId = checked([this](const QByteArray &id, QString *e) { return shared->byId(id, e); });
    source.openByAccount =
        checked([this](qint64 account, QString *e) { return shared->openByAccount(account, e); });
    source.openByName =
        checked([this](const QString &name, QString *e) { return shared->openByName(name, e); });
    source.openCount = [this](qint64 since) { return shared->openCount(since); };
    source.lagMs = 1000LL * (config.lastSeenFlushSeconds + 1);
    sessions.setSource(std::move(source));
    const bool listening = shared->listen(owner, [this](SharedSessions::Event event, const QByteArray &id) {
        if (event == SharedSessions::Event::SessionEnded)
            sessions.forget(id, context.now());
        else
            pollStore();
    });
    if (!listening)
        qCWarning(lcService) << "not listening for changes; relying on polling";
}

// The admin command works on the store from another process; its changes show in the revision.
void AppServer::Impl::pollStore() {
    QString error;
    std::optional<qint64> revision = store.revision(&error);
    if (!revision && shared) {
        // PostgreSQL went away (restart, failover): requests fail fast until a new connection works.
        const StoreResult r = store.reconnect();
        if (!r.ok())
            return;
        qCWarning(lcService) << "database connection lost (" << error << "); connected again";
        shared->subscribe();
        settings.revision = -1; // what changed meanwhile was not heard of
        revision = store.revision();
    }
    if (!revision || *revision == settings.revision)
        return;
    loadSettings();
    const std::optional<QList<SessionRecord>> open = store.openSessions();
    if (!open)
        return;
    QSet<QByteArray> stillOpen;
    for (const SessionRecord &r : *open)
        stillOpen.insert(r.id);
    const qint64 now = context.now();
    const QList<QByteArray> ids = sessions.ids();
    for (const QByteArray &id : ids) {
        if (stillOpen.contains(id))
            continue;
        if (shared)
            sessions.forget(id, now);
        else
            sessions.end(id, now, QStringLiteral("ended by the administrator"));
    }
}

AppServer::AppServer(ServiceStore &store, ServiceConfig config, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Impl>(this, store, config)) {}

AppServer::~AppServer() = default;

std::optional<quint16> AppServer::listen(const QHostAddress &address, quint16 port) {
    auto server = std::make_unique<QTcpServer>();
    // Many keep-alive clients may connect at once after a restart.
    server->setListenBacklogSize(1024);
    if (!server->listen(address, port)) {
        qCWarning(lcService) << "cannot listen on" << address.toString() << port << ":"
                             << server->errorString();
        return std::nullopt;
    }
    const quint16 bound = server->serverPort();
    d->front.bind(server.release()); // the front takes ownership
    qCInfo(lcService) << "app server listening on" << address.toString() << bound;
    return bound;
}

bool AppServer::listenOn(qintptr socketDescriptor) {
    auto server = std::make_unique<QTcpServer>();
    if (!server->setSocketDescriptor(socketDescriptor)) {
        qCWarning(lcService) << "cannot serve socket" << socketDescriptor << ":" << server->errorString();
        return false;
    }
    d->front.bind(server.release());
    return true;
}

int AppServer::liveSessionCount() const {
    return d->sessions.liveCount(QDateTime::currentMSecsSinceEpoch());
}
