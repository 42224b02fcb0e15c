#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QElapsedTimer>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>

namespace {

const QString kAlice = QStringLiteral("alice@example.org");
const QString kBob = QStringLiteral("bob@example.org");
const QString kCarol = QStringLiteral("carol@example.org");
const QString kPassword = QStringLiteral("correct horse");

QList<QByteArray> versionList() {
    return QByteArrayLiteral("1.0.0.5^1.0^1.1^1.2^1.3^1.4^1.5^1.6^1.7^1.8^1.9^2.0^NoVer^2.2").split('^');
}

// Characters 5-7 of a check reply, where "LO|" asks the client to log out.
QByteArray logoutField(const QByteArray &reply) {
    return reply.mid(4, 3);
}

} // namespace

class AppServerLoginTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ServiceHarness> startWith(const ServiceConfig &config, const QStringList &users = {}) {
        auto h = std::make_unique<ServiceHarness>(config);
        const QString error = h->start();
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        ServiceAdmin admin(h->adminStore(), config);
        for (const QString &email : users) {
            const QString name = email.section(QLatin1Char('@'), 0, 0);
            const StoreResult r = admin.addUser(email, kPassword, name.left(1).toUpper() + name.mid(1));
            if (!r.ok())
                qFatal("%s", qPrintable(r.error));
        }
        return h;
    }

private Q_SLOTS:
    void checkReplyCarriesStateCountsAndVersions() {
        auto h = startWith(ServiceHarness::testConfig());
        // A fresh store announces the launcher's own version and no game versions.
        QCOMPARE(
            h->check({}, QStringLiteral("0")),
            QByteArrayLiteral("ON!|OK|0000|000|1.0.0.8^NoVer^NoVer^NoVer^NoVer^NoVer^NoVer^NoVer^NoVer^NoVer"
                              "^NoVer^NoVer^NoVer^NoVer"));

        ServiceAdmin admin(h->adminStore());
        QVERIFY(admin.setVersions(versionList()).ok());
        QVERIFY(admin.setCounts(3, 2).ok());
        const QByteArray expected =
            QByteArrayLiteral("ON!|OK|0003|002|1.0.0.5^1.0^1.1^1.2^1.3^1.4^1.5^1.6^1.7^1.8"
                              "^1.9^2.0^NoVer^2.2");
        QTRY_COMPARE(h->check({}, QStringLiteral("0")), expected);
        // The launcher reads fixed positions: 1-4 state, 8-11 ads, 13-15 news, 17- versions.
        QCOMPARE(expected.mid(7, 4).toInt(), 3);
        QCOMPARE(expected.mid(12, 3).toInt(), 2);
        QCOMPARE(expected.mid(16).split('^').size(), 14);

        QVERIFY(admin.setCounts(1234, 999).ok());
        QVERIFY(admin.setState(false).ok());
        QTRY_VERIFY(h->check({}, QStringLiteral("0")).startsWith("OFF|OK|1234|999|1.0.0.5^"));
        // A logged-out launcher sends only message and loginid; an empty body is answered the same way.
        QVERIFY(
            h->request("POST", QStringLiteral("/game/check.server.php")).body.startsWith("OFF|OK|1234|999|"));

        QVERIFY(!admin.setCounts(10000, 1).ok());
        QVERIFY(!admin.setVersions(versionList().mid(1)).ok());
        QList<QByteArray> bad = versionList();
        bad[3] = "1.0^x";
        QVERIFY(!admin.setVersions(bad).ok());
    }

    void grantedLoginKeepsAliveWithItsId() {
        auto h = startWith(ServiceHarness::testConfig(), {kAlice, kBob});
        const QByteArray reply = h->login(kAlice, kPassword);
        const QRegularExpression granted(QStringLiteral("^LogIn Granted!\\|Alice\\|([0-9a-f]{32})$"));
        const QRegularExpressionMatch m = granted.match(QString::fromUtf8(reply));
        QVERIFY2(m.hasMatch(), reply.constData());
        const QString id = m.captured(1);

        QCOMPARE(logoutField(h->check(kAlice, id, QStringLiteral("Alice"))), QByteArrayLiteral("OK|"));
        QCOMPARE(logoutField(h->check({}, id)), QByteArrayLiteral("OK|"));
        // An id presented with another account's address is not that account's session.
        QCOMPARE(logoutField(h->check(kBob, id)), QByteArrayLiteral("LO|"));
        // A made-up id is told to log out.
        QCOMPARE(logoutField(h->check(kAlice, QStringLiteral("0123456789abcdef0123456789abcdef"))),
                 QByteArrayLiteral("LO|"));
        // The e-mail address is matched without regard to case, as the launcher lower-cases it anyway.
        const std::optional<ServiceHarness::Granted> bob =
            h->logIn(QStringLiteral("Bob@Example.ORG"), kPassword);
        QVERIFY(bob);
        QCOMPARE(bob->name, QStringLiteral("Bob"));
        QVERIFY(bob->id != id);
        QCOMPARE(h->server().liveSessionCount(), 2);
    }

    void refusedLoginsGetTheirKeyword() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.loginAttemptsPerAccount = 0;
        config.loginAttemptsPerAddress = 0;
        auto h = startWith(config, {kAlice, kBob});
        QCOMPARE(h->login(kAlice, QStringLiteral("wrong password")), QByteArrayLiteral("WrongUsrPass!"));
        QCOMPARE(h->login(QStringLiteral("nobody@example.org"), kPassword),
                 QByteArrayLiteral("WrongUsrPass!"));
        QCOMPARE(h->login(kAlice, kPassword.toUpper()), QByteArrayLiteral("WrongUsrPass!"));

        ServiceAdmin admin(h->adminStore());
        QVERIFY(admin.disableUser(kBob).ok());
        QCOMPARE(h->login(kBob, kPassword), QByteArrayLiteral("AccDisabled!"));
        // Without the right password a disabled account looks like any failed login.
        QCOMPARE(h->login(kBob, QStringLiteral("guess")), QByteArrayLiteral("WrongUsrPass!"));
        QVERIFY(admin.enableUser(kBob).ok());
        QVERIFY(h->logIn(kBob, kPassword));

        // Malformed requests: missing fields, unknown messages, bad encoding, too long, too big.
        const QString login = QStringLiteral("/game/login.server.php");
        QCOMPARE(h->post(login, {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                 {QStringLiteral("email"), kAlice}}),
                 QByteArrayLiteral("Error!"));
        QCOMPARE(h->post(login, {{QStringLiteral("message"), QStringLiteral("Hello")}}),
                 QByteArrayLiteral("Error!"));
        QCOMPARE(h->request("POST", login).body, QByteArrayLiteral("Error!"));
        QCOMPARE(
            h->request("POST", login, QByteArrayLiteral("message=LogIn+Request.&email=%FF%FE&password=x"))
                .body,
            QByteArrayLiteral("Error!"));
        QCOMPARE(h->login(QString(128, QLatin1Char('a')) + QStringLiteral("@x.org"), kPassword),
                 QByteArrayLiteral("Error!"));
        QCOMPARE(h->login(kAlice, QString(128, QLatin1Char('p'))), QByteArrayLiteral("Error!"));
        const ServiceHarness::Reply big = h->request(
            "POST", login, "message=LogIn+Request.&email=a%40b.org&password=" + QByteArray(9000, 'x'));
        QCOMPARE(big.status, 413);
        QCOMPARE(big.body, QByteArrayLiteral("Error!"));
        // Other methods and paths.
        QCOMPARE(h->request("GET", login).status, 405);
        QCOMPARE(h->request("POST", QStringLiteral("/game/other.php")).status, 404);

        QVERIFY(admin.setState(false).ok());
        QTRY_VERIFY(h->check({}, QStringLiteral("0")).startsWith("OFF|"));
        QCOMPARE(h->login(kAlice, kPassword), QByteArrayLiteral("Error!"));
    }

    void newLoginReplacesTheOldSession() {
        auto h = startWith(ServiceHarness::testConfig(), {kAlice});
        const auto first = h->logIn(kAlice, kPassword, "10.0.0.1");
        QVERIFY(first);
        const auto second = h->logIn(kAlice, kPassword, "10.0.0.2");
        QVERIFY(second);
        QVERIFY(second->id != first->id);
        QCOMPARE(h->server().liveSessionCount(), 1);
        QCOMPARE(logoutField(h->check(kAlice, first->id, {}, "10.0.0.1")), QByteArrayLiteral("LO|"));
        QCOMPARE(logoutField(h->check(kAlice, second->id, {}, "10.0.0.2")), QByteArrayLiteral("OK|"));
        QCOMPARE(h->logOff({}, first->id), QByteArrayLiteral("ErrLogOff!"));

        // The launcher repeats its login post every 500 ms while it waits: a repeat from the same
        // address is answered with the same session, whichever reply the launcher reads last.
        const auto repeated = h->logIn(QStringLiteral(" Alice@Example.org "), kPassword, "10.0.0.2");
        QVERIFY(repeated);
        QCOMPARE(repeated->id, second->id);

        // Logging off and in again on the same machine: a check posted with the old id just before the
        // new grant arrived must not end the new login...
        QCOMPARE(h->logOff({}, second->id), QByteArrayLiteral("LogOffOK!"));
        const auto third = h->logIn(kAlice, kPassword, "10.0.0.2");
        QVERIFY(third);
        QVERIFY(third->id != second->id);
        QCOMPARE(logoutField(h->check({}, second->id, {}, "10.0.0.2")), QByteArrayLiteral("OK|"));
        // ...but the old id is dead for everything else, and other machines are told at once.
        QCOMPARE(logoutField(h->check(kAlice, second->id, {}, "10.0.0.9")), QByteArrayLiteral("LO|"));
        QCOMPARE(h->chat(second->id, QStringLiteral("Send!"), QStringLiteral("Global"), QStringLiteral("hi")),
                 QByteArrayLiteral("[System] You are not logged in."));
        QCOMPARE(logoutField(h->check(kAlice, third->id, {}, "10.0.0.2")), QByteArrayLiteral("OK|"));

        // Without the grace time every login is a new session and the old id is told at once.
        ServiceConfig noGrace = ServiceHarness::testConfig();
        noGrace.logoutGraceSeconds = 0;
        auto strict = startWith(noGrace, {kAlice});
        const auto a = strict->logIn(kAlice, kPassword);
        const auto b = strict->logIn(kAlice, kPassword);
        QVERIFY(a && b);
        QVERIFY(a->id != b->id);
        QCOMPARE(logoutField(strict->check(kAlice, a->id)), QByteArrayLiteral("LO|"));
    }

    void silentSessionsExpireAndChecksKeepThemAlive() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.sessionSilenceSeconds = 1;
        auto h = startWith(config, {kAlice});
        const auto alice = h->logIn(kAlice, kPassword);
        QVERIFY(alice);
        // Keep-alives more often than the silence limit hold the session for longer than the limit.
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(400);
            QCOMPARE(logoutField(h->check(kAlice, alice->id)), QByteArrayLiteral("OK|"));
        }
        QTest::qWait(1300);
        QCOMPARE(logoutField(h->check(kAlice, alice->id)), QByteArrayLiteral("LO|"));
        QCOMPARE(h->logOff(kAlice, alice->id), QByteArrayLiteral("ErrLogOff!"));
        QCOMPARE(h->server().liveSessionCount(), 0);
        // The housekeeping timer ends silent sessions without any request.
        const auto again = h->logIn(kAlice, kPassword);
        QVERIFY(again);
        QTRY_COMPARE_WITH_TIMEOUT(ServiceAdmin(h->adminStore(), config).onlineUsers().users.size(), 0, 4000);
    }

    void clientLimitCountsLiveSessions() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.maxClients = 2;
        auto h = startWith(config, {kAlice, kBob, kCarol});
        const auto alice = h->logIn(kAlice, kPassword);
        QVERIFY(alice);
        QVERIFY(h->logIn(kBob, kPassword));
        QCOMPARE(h->login(kCarol, kPassword), QByteArrayLiteral("MaxClientsReached!"));
        // Replacing one's own session (here from another machine) is not a new client.
        const auto aliceAgain = h->logIn(kAlice, kPassword, "10.9.9.9");
        QVERIFY(aliceAgain);
        QCOMPARE(h->logOff({}, aliceAgain->id), QByteArrayLiteral("LogOffOK!"));
        QVERIFY(h->logIn(kCarol, kPassword));
    }

    void adminChangesEndSessions() {
        auto h = startWith(ServiceHarness::testConfig(), {kAlice, kBob});
        const auto alice = h->logIn(kAlice, kPassword);
        const auto bob = h->logIn(kBob, kPassword);
        QVERIFY(alice && bob);
        ServiceAdmin admin(h->adminStore());
        QCOMPARE(admin.onlineUsers().users.size(), 2);

        QVERIFY(admin.disableUser(kAlice).ok());
        QTRY_COMPARE(logoutField(h->check(kAlice, alice->id)), QByteArrayLiteral("LO|"));
        QCOMPARE(h->login(kAlice, kPassword), QByteArrayLiteral("AccDisabled!"));

        QVERIFY(admin.kickUser(kBob).ok());
        QTRY_COMPARE(logoutField(h->check(kBob, bob->id)), QByteArrayLiteral("LO|"));
        QVERIFY(h->logIn(kBob, kPassword));
        QCOMPARE(h->server().liveSessionCount(), 1);
        QVERIFY(!admin.kickUser(QStringLiteral("nobody@example.org")).ok());
        QVERIFY(!admin.disableUser(QStringLiteral("nobody@example.org")).ok());
    }

    void logOffByIdAloneOrWithEmail() {
        auto h = startWith(ServiceHarness::testConfig(), {kAlice, kBob});
        // The launcher's log-out button has emptied the e-mail before it posts: id alone.
        const auto a = h->logIn(kAlice, kPassword);
        QVERIFY(a);
        QCOMPARE(h->logOff({}, a->id), QByteArrayLiteral("LogOffOK!"));
        QCOMPARE(logoutField(h->check({}, a->id)), QByteArrayLiteral("LO|"));
        QCOMPARE(h->logOff({}, a->id), QByteArrayLiteral("ErrLogOff!"));

        // At exit it sends both.
        const auto b = h->logIn(kAlice, kPassword);
        QVERIFY(b);
        QCOMPARE(h->logOff(kBob, b->id), QByteArrayLiteral("ErrLogOff!"));
        QCOMPARE(logoutField(h->check(kAlice, b->id)), QByteArrayLiteral("OK|"));
        QCOMPARE(h->logOff(kAlice, b->id), QByteArrayLiteral("LogOffOK!"));
        QCOMPARE(h->logOff(kAlice, {}), QByteArrayLiteral("ErrLogOff!"));
        QCOMPARE(h->server().liveSessionCount(), 0);
    }

    void loginAttemptsAreRateLimited() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.loginAttemptsPerAccount = 3;
        config.loginAttemptsPerAddress = 5;
        auto h = startWith(config, {kAlice, kBob, kCarol});
        for (int i = 0; i < 3; ++i)
            QCOMPARE(h->login(kAlice, QStringLiteral("guess %1").arg(i), "10.1.1.1"),
                     QByteArrayLiteral("WrongUsrPass!"));
        // The account is locked for its window even with the right password, from any address.
        QCOMPARE(h->login(kAlice, kPassword, "10.1.1.1"), QByteArrayLiteral("Error!"));
        QCOMPARE(h->login(kAlice, kPassword, "10.2.2.2"), QByteArrayLiteral("Error!"));
        // The first address has used 4 of its 5 attempts: the one the account limit refused counts too.
        QVERIFY(h->logIn(kBob, kPassword, "10.1.1.1"));
        QCOMPARE(h->login(kCarol, kPassword, "10.1.1.1"), QByteArrayLiteral("Error!"));
        QVERIFY(h->logIn(kCarol, kPassword, "10.3.3.3"));
    }

    void formDecodingTreatsPlusAsBlank() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.loginAttemptsPerAccount = 0;
        auto h = startWith(config);
        ServiceAdmin admin(h->adminStore(), config);
        const QString plusEmail = QStringLiteral("a+b@example.org");
        const QString password = QStringLiteral("pä ss+wörd ✓");
        QVERIFY(admin.addUser(plusEmail, password, QStringLiteral("Plus")).ok());

        // Percent-encoded "+" (as the launcher sends it) is a plus.
        QVERIFY(h->logIn(plusEmail, password));
        const QString login = QStringLiteral("/game/login.server.php");
        // A literal "+" in a form body is a blank, so this is another address.
        QCOMPARE(h->request("POST", login,
                            "message=LogIn+Request.&email=a+b%40example.org&password=" +
                                QUrl::toPercentEncoding(password))
                     .body,
                 QByteArrayLiteral("WrongUsrPass!"));
        // Blanks written as "+" and percent-escapes mixed, unknown fields ignored, repeated fields: first
        // wins.
        const QByteArray mixed =
            "extra=1&message=LogIn+Request.&email=a%2Bb%40example.org&password=p%C3%A4+ss%2Bw"
            "%C3%B6rd+%E2%9C%93&password=other&email=x";
        QVERIFY(h->request("POST", login, mixed).body.startsWith("LogIn Granted!|Plus|"));
    }

    void sessionsSurviveARestart() {
        auto h = startWith(ServiceHarness::testConfig(), {kAlice});
        const auto alice = h->logIn(kAlice, kPassword);
        QVERIFY(alice);
        QCOMPARE(h->restart(), QString());
        QCOMPARE(logoutField(h->check(kAlice, alice->id)), QByteArrayLiteral("OK|"));
        QCOMPARE(h->logOff(kAlice, alice->id), QByteArrayLiteral("LogOffOK!"));
        QCOMPARE(h->restart(), QString());
        QCOMPARE(logoutField(h->check(kAlice, alice->id)), QByteArrayLiteral("LO|"));
    }

    // A login waits for its hash on a worker thread; checks and chat polls meanwhile are answered at once.
    void hashingDoesNotStallOtherRequests() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.argon2OpsLimit = 2;
        config.argon2MemLimitBytes = 32ull * 1024 * 1024;
        auto h = startWith(config, {kAlice});
        QNetworkAccessManager network;
        QNetworkRequest request(
            QUrl(QStringLiteral("http://127.0.0.1:%1/game/login.server.php").arg(h->port())));
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
        QElapsedTimer clock;
        clock.start();
        QNetworkReply *login = network.post(
            request,
            ServiceHarness::encodeForm({{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                        {QStringLiteral("email"), kAlice},
                                        {QStringLiteral("password"), kPassword}}));
        QSignalSpy loginDone(login, &QNetworkReply::finished);
        int checksAnswered = 0;
        while (loginDone.isEmpty() && checksAnswered < 50) {
            QVERIFY(h->check({}, QStringLiteral("0")).startsWith("ON!|"));
            ++checksAnswered;
        }
        QVERIFY(loginDone.wait(10000) || !loginDone.isEmpty());
        QVERIFY(login->readAll().startsWith("LogIn Granted!|Alice|"));
        login->deleteLater();
        // The hash takes tens of milliseconds at least; several checks fit in while it runs.
        QVERIFY2(checksAnswered >= 3,
                 qPrintable(QStringLiteral("%1 checks in %2 ms").arg(checksAnswered).arg(clock.elapsed())));
    }

    // The launcher gives up after 3 s; a reply whose connection is gone by then is dropped.
    void clientThatGivesUpDoesNotHurtTheServer() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.argon2OpsLimit = 2;
        config.argon2MemLimitBytes = 32ull * 1024 * 1024;
        auto h = startWith(config, {kAlice});
        const QByteArray body =
            ServiceHarness::encodeForm({{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                        {QStringLiteral("email"), kAlice},
                                        {QStringLiteral("password"), kPassword}});
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, h->port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write("POST /game/login.server.php HTTP/1.1\r\nHost: localhost\r\n"
                     "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\n\r\n" + body);
        QVERIFY(socket.waitForBytesWritten(5000));
        // Gone before the hash is done: the server still handles the request, then drops the reply.
        socket.disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(h->server().liveSessionCount(), 1, 10000);
        QVERIFY(h->check({}, QStringLiteral("0")).startsWith("ON!|OK|"));
        QVERIFY(h->logIn(kAlice, kPassword));
    }
};

QTEST_GUILESS_MAIN(AppServerLoginTest)
#include "AppServerLoginTest.moc"
