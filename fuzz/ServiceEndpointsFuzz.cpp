// Every endpoint of the app server with any fields: the server check, login and log-off, the chat post
// and the web pages with their forms, on a real store and real sessions, without a network (replies
// go to a responder without a connection, which drops them).
//
// The input is a sequence of requests, one a line; the first character picks the request, the rest is
// its body (or query):
//   c check   l login   h chat   g GET page (query)   p POST page ("query body")   H HEAD page (query)
//   o a page by another method   n GET of another path (the rest is the path)
//   t seven seconds pass   T twenty minutes pass
// Two players are logged in at the start of every input: Ann (id 0123456789abcdef0123456789abcdef, in
// channel Global) and Bob (id fedcba9876543210fedcba9876543210); Cid has an account but no session.
// All three have the password "fuzz-password". The store lives for the whole run; sessions, chat,
// limits and the clock start afresh with each input.
#include "FuzzSupport.h"
#include "lib/ChatEndpoint.h"
#include "lib/ChatHub.h"
#include "lib/GameEndpoints.h"
#include "lib/HashWorker.h"
#include "lib/RateLimiter.h"
#include "lib/ServiceContext.h"
#include "lib/ServiceStore.h"
#include "lib/SessionRegistry.h"
#include "lib/WebSite.h"

#include <QCoreApplication>
#include <QDir>
#include <QLoggingCategory>

using namespace FuzzSupport;

namespace {

constexpr qint64 Start = 1'800'000'000'000;
const QByteArray AnnId = QByteArrayLiteral("0123456789abcdef0123456789abcdef");
const QByteArray BobId = QByteArrayLiteral("fedcba9876543210fedcba9876543210");

// The cheapest cost libsodium allows: the fuzzer is after the handling, not the hash.
const PasswordHasher &hasher() {
    static const PasswordHasher instance(1, 8192);
    return instance;
}

ServiceConfig config() {
    ServiceConfig c;
    c.argon2OpsLimit = 1;
    c.argon2MemLimitBytes = 8192;
    c.hashThreads = 1;
    c.chatBacklogMessages = 100;
    return c;
}

ServiceStore &store() {
    static std::unique_ptr<ServiceStore> instance = [] {
        const QString folder = freshFolder(QStringLiteral("service"));
        QString error;
        std::unique_ptr<ServiceStore> s =
            ServiceStore::open(QDir(folder).filePath(QStringLiteral("db")), &error);
        if (!s)
            fail("store not opened");
        const QByteArray hash = hasher().hash("fuzz-password").value_or(QByteArray());
        for (const char *who : {"ann", "bob", "cid"}) {
            const QString name = QString::fromLatin1(who);
            if (!s->createAccount(name + QStringLiteral("@example.com"), name.at(0).toUpper() + name.mid(1),
                                  hash)
                     .ok())
                fail("account not made");
        }
        QList<QByteArray> versions(14, QByteArrayLiteral("NoVer"));
        versions[0] = "1.0.0.8";
        versions[1] = "1.2";
        if (!s->setVersions(versions).ok())
            fail("versions not set");
        return s;
    }();
    return *instance;
}

HashWorker &hashes() {
    static HashWorker instance(hasher(), 1, 4);
    return instance;
}

struct Server {
    ServiceConfig cfg = config();
    ServiceSettings settings = store().settings().value_or(ServiceSettings{});
    SessionRegistry sessions{1000LL * cfg.sessionSilenceSeconds, 1000LL * cfg.logoutGraceSeconds};
    ChatHub chat{cfg.chatBacklogMessages};
    RateLimiter perAccount{cfg.loginAttemptsPerAccount, 60'000};
    RateLimiter perAddress{cfg.loginAttemptsPerAddress, 60'000};
    RateLimiter registrations{cfg.registrationsPerAddressPerHour, 3'600'000};
    qint64 clock = Start;
    // A granted login becomes a live session with a chat membership; the store's session record is
    // left out, which the handlers treat like a store that failed to record it.
    ServiceContext context{
        store(),
        cfg,
        sessions,
        chat,
        hashes(),
        perAccount,
        perAddress,
        registrations,
        settings,
        [this](const Account &a, const QString &address) {
            const QByteArray id = SessionRegistry::newId();
            sessions.add(LiveSession{id, a.id, a.email, a.name, address, clock, clock, false});
            chat.addMember(id);
            return id;
        },
        [this] { return clock; }};
    GameEndpoints game{context};
    ChatEndpoint chatEndpoint{context};
    WebSite site{context};

    Server() {
        login(AnnId, QStringLiteral("ann@example.com"));
        login(BobId, QStringLiteral("bob@example.com"));
        chat.join(AnnId, QStringLiteral("Global"));
    }

    void login(const QByteArray &id, const QString &email) {
        const std::optional<Account> a = store().accountByEmail(email);
        if (!a)
            fail("account missing");
        sessions.add(
            LiveSession{id, a->id, a->email, a->name, QStringLiteral("127.0.0.1"), clock, clock, false});
        chat.addMember(id);
    }

    void run(const QByteArray &line) {
        IncomingRequest request;
        request.clientAddress = QStringLiteral("127.0.0.1");
        request.method = IncomingRequest::Method::Post;
        const QByteArray rest = line.mid(1);
        HttpResponder responder(nullptr, false, false);
        switch (line.at(0)) {
        case 'c':
            request.path = QStringLiteral("/game/check.server.php");
            request.body = rest;
            game.check(request, responder);
            break;
        case 'l':
            request.path = QStringLiteral("/game/login.server.php");
            request.body = rest;
            game.login(request, responder);
            break;
        case 'h':
            request.path = QStringLiteral("/game/chat.php");
            request.body = rest;
            chatEndpoint.handle(request, responder);
            break;
        case 'g':
        case 'H':
        case 'o':
            request.method = line.at(0) == 'g'   ? IncomingRequest::Method::Get
                             : line.at(0) == 'H' ? IncomingRequest::Method::Head
                                                 : IncomingRequest::Method::Other;
            request.path = QStringLiteral("/index.php");
            request.rawQuery = rest;
            site.handle(request, responder);
            break;
        case 'p': {
            const qsizetype space = rest.indexOf(' ');
            request.path = QStringLiteral("/index.php");
            request.rawQuery = space < 0 ? rest : rest.left(space);
            request.body = space < 0 ? QByteArray() : rest.mid(space + 1);
            site.handle(request, responder);
            break;
        }
        case 'n':
            request.method = IncomingRequest::Method::Get;
            request.path = QString::fromUtf8(rest);
            site.handle(request, responder);
            break;
        case 't':
            clock += 7'000;
            break;
        case 'T':
            clock += 20 * 60'000;
            break;
        default:
            break;
        }
        // Logins and registrations finish on the hash worker; their replies come back through events.
        while (hashes().pending() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        sessions.sweep(clock);
        chat.prune();
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    ensureApplication();
    QLoggingCategory::setFilterRules(QStringLiteral("*.info=false\n*.warning=false"));
    (void)store();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    Server server;
    const QList<QByteArray> lines = view(data, size).toByteArray().split('\n');
    int budget = 64; // a long sequence says no more than a short one, only slower
    for (const QByteArray &line : lines) {
        if (line.isEmpty())
            continue;
        if (budget-- == 0)
            break;
        server.run(line);
    }
    return 0;
}
