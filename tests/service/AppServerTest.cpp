#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kAlice = u"alice@example.org"_s;
const QString kBob = u"bob@example.org"_s;
const QString kCarol = u"carol@example.org"_s;
const QString kPlusEmail = u"a+b@example.org"_s;
const QString kPlusPassword = u"pä ss+wörd ✓"_s;
const QString kPw = ServiceHarness::kPassword;
const QString kRegister = u"/index.php?id=register"_s;
const QString kLong = u"a long password"_s;
const QByteArray kOut = "LO|"; // characters 5-7 of a check reply that asks the client to log out
const QByteArray kIn = "OK|";

QByteArray loginForm(const QString &email, const QString &password = kPw) {
    return ServiceHarness::encodeForm(
        {{u"message"_s, u"LogIn Request."_s}, {u"email"_s, email}, {u"password"_s, password}});
}

QByteArray told(ServiceHarness &h, const QString &email, const QString &id, const QByteArray &ip = {}) {
    return h.check(email, id, ip).mid(4, 3);
}

} // namespace

// The app server's rules over loopback HTTP, posted the way the launcher and a browser post them.
class AppServerTest : public QObject {
    Q_OBJECT

    ServiceHarness m_h{[](ServiceConfig &c) { c.loginAttemptsPerAccount = c.loginAttemptsPerAddress = 0; }};

    ServiceHarness::Reply signUp(ServiceHarness &h, const QString &email, const QString &name,
                                 const QByteArray &ip = "10.0.0.1", const QString &password = kLong) {
        return h.request("POST", kRegister,
                         ServiceHarness::encodeForm({{u"email"_s, email},
                                                     {u"name"_s, name},
                                                     {u"password"_s, password},
                                                     {u"password2"_s, password}}),
                         {{"X-Real-IP", ip}});
    }

private Q_SLOTS:
    void initTestCase() {
        if (const QString why = ServiceHarness::backendProblem(); !why.isEmpty())
            QSKIP(qPrintable(why));
        QCOMPARE(m_h.start({kAlice, kBob}), QString());
        QVERIFY(ServiceAdmin(m_h.adminStore()).addUser(kPlusEmail, kPlusPassword, u"Plus"_s).ok());
    }

    void loginReplies_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("granted") << loginForm(kAlice) << QByteArray("LogIn Granted!|Alice|");
        QTest::newRow("address in any case")
            << loginForm(u" Bob@Example.ORG "_s) << QByteArray("LogIn Granted!|Bob|");
        QTest::newRow("wrong password")
            << loginForm(kAlice, u"Correct horse"_s) << QByteArray("WrongUsrPass!");
        QTest::newRow("unknown account") << loginForm(u"zed@example.org"_s) << QByteArray("WrongUsrPass!");
        QTest::newRow("escaped plus")
            << loginForm(kPlusEmail, kPlusPassword) << QByteArray("LogIn Granted!|Plus|");
        // A literal "+" in a form body is a blank, so this is another address.
        QTest::newRow("literal plus") << "message=LogIn+Request.&email=a+b%40example.org&password=" +
                                             QUrl::toPercentEncoding(kPlusPassword)
                                      << QByteArray("WrongUsrPass!");
        // Blanks as "+" and escapes mixed, unknown fields ignored, the first of repeated fields wins.
        QTest::newRow("mixed") << QByteArray(
                                      "x=1&message=LogIn+Request.&email=a%2Bb%40example.org&password=p%C3%A4"
                                      "+ss%2Bw%C3%B6rd+%E2%9C%93&password=other&email=x")
                               << QByteArray("LogIn Granted!|Plus|");
        QTest::newRow("bad UTF-8") << loginForm(kAlice, {}) + "&password=%FF%FE" << QByteArray("400 Error!");
        QTest::newRow("body limit") << loginForm(kAlice, QString(9000, u'x')) << QByteArray("413 Error!");
    }

    void loginReplies() {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, reply);
        const ServiceHarness::Reply r = m_h.request("POST", u"/game/login.server.php"_s, body);
        const QByteArray got = (r.status == 200 ? QByteArray() : QByteArray::number(r.status) + ' ') + r.body;
        QVERIFY2(reply.endsWith('|') ? got.startsWith(reply) : got == reply, got.constData());
    }

    void newLoginReplacesTheOldSession() {
        const auto first = m_h.logIn(kAlice, kPw, "10.0.0.1");
        const auto second = m_h.logIn(kAlice, kPw, "10.0.0.2");
        QVERIFY(first && second && second.id != first.id);
        QCOMPARE(told(m_h, kAlice, first.id, "10.0.0.1"), kOut);
        QCOMPARE(told(m_h, kAlice, second.id, "10.0.0.2"), kIn);
        QCOMPARE(m_h.logOff({}, first.id), QByteArray("ErrLogOff!"));
        // The launcher repeats its login post while it waits: a repeat from one address keeps the session.
        QCOMPARE(m_h.logIn(kAlice, kPw, "10.0.0.2").id, second.id);
        // Logging off and in again on one machine: a check posted with the old id just before the new grant
        // arrived must not end the new login, but the old id is dead for everything else.
        QCOMPARE(m_h.logOff({}, second.id), QByteArray("LogOffOK!"));
        const auto third = m_h.logIn(kAlice, kPw, "10.0.0.2");
        QVERIFY(third && third.id != second.id);
        QCOMPARE(told(m_h, {}, second.id, "10.0.0.2"), kIn);
        QCOMPARE(told(m_h, kAlice, second.id, "10.0.0.9"), kOut);
        QCOMPARE(told(m_h, kAlice, third.id, "10.0.0.2"), kIn);
        // Log-off by id alone (the log-out button) or with the address (at exit), not someone else's.
        QCOMPARE(m_h.logOff(kBob, third.id), QByteArray("ErrLogOff!"));
        QCOMPARE(m_h.logOff(kAlice, third.id), QByteArray("LogOffOK!"));
        QCOMPARE(told(m_h, kAlice, third.id, "10.0.0.2"), kOut);
    }

    void disabledAndKickedAccountsAreLoggedOut() {
        const auto alice = m_h.logIn(kAlice);
        const auto bob = m_h.logIn(kBob);
        QVERIFY(alice && bob);
        ServiceAdmin admin(m_h.adminStore());
        QVERIFY(admin.disableUser(kAlice).ok());
        QTRY_COMPARE(told(m_h, kAlice, alice.id), kOut);
        QCOMPARE(m_h.login(kAlice), QByteArray("AccDisabled!"));
        // Without the right password a disabled account looks like any failed login.
        QCOMPARE(m_h.login(kAlice, u"guess"_s), QByteArray("WrongUsrPass!"));
        QVERIFY(admin.enableUser(kAlice).ok());
        QVERIFY(m_h.logIn(kAlice));
        QVERIFY(admin.kickUser(kBob).ok());
        QTRY_COMPARE(told(m_h, kBob, bob.id), kOut);
        QVERIFY(m_h.logIn(kBob));
    }

    void silentSessionsExpire() {
        ServiceHarness h([](ServiceConfig &c) { c.sessionSilenceSeconds = c.lastSeenFlushSeconds = 1; });
        // Shared by several app servers, silence counts from the last-seen times they all write late.
        const int lateMs = ServiceHarness::onPostgres() ? 2000 : 0;
        QCOMPARE(h.start({kAlice, kBob}), QString());
        const QString alice = h.logIn(kAlice).id;
        // Keep-alives more often than the silence limit hold the session for longer than the limit.
        for (int i = 0; i < 3; ++i) {
            QTest::qWait(400);
            QCOMPARE(told(h, kAlice, alice), kIn);
        }
        QTest::qWait(1300 + lateMs);
        QCOMPARE(told(h, kAlice, alice), kOut);
        // The housekeeping timer ends silent sessions without any request.
        QVERIFY(h.logIn(kBob));
        QTRY_COMPARE_WITH_TIMEOUT(ServiceAdmin(h.adminStore()).onlineUsers().users.size(), 0, 4000 + lateMs);
    }

    void limitsRefuseTheRest() {
        ServiceHarness h([](ServiceConfig &c) {
            c.maxClients = 2;
            c.loginAttemptsPerAccount = 3;
            c.loginAttemptsPerAddress = 5;
            c.registrationsPerAddressPerHour = 1;
        });
        QCOMPARE(h.start({kAlice, kBob, kCarol, u"dan@example.org"_s}), QString());
        for (int i = 0; i < 3; ++i)
            QCOMPARE(h.login(kAlice, u"guess"_s, "10.1.1.1"), QByteArray("WrongUsrPass!"));
        // The account is locked for its window even with the right password, from any address.
        QCOMPARE(h.login(kAlice, kPw, "10.2.2.2"), QByteArray("Error!"));
        QCOMPARE(h.login(kAlice, kPw, "10.1.1.1"), QByteArray("Error!"));
        // The first address has five attempts, and those the account limit refused count too.
        QVERIFY(h.logIn(kBob, kPw, "10.1.1.1"));
        QCOMPARE(h.login(kCarol, kPw, "10.1.1.1"), QByteArray("Error!"));
        QVERIFY(h.logIn(kCarol, kPw, "10.4.4.4"));

        // A full service; replacing one's own session (here from another machine) is not a new client.
        QCOMPARE(h.login(u"dan@example.org"_s), QByteArray("MaxClientsReached!"));
        const auto bob = h.logIn(kBob, kPw, "10.9.9.9");
        QVERIFY(bob);
        QCOMPARE(h.logOff({}, bob.id), QByteArray("LogOffOK!"));
        QVERIFY(h.logIn(u"dan@example.org"_s));

        // One account an hour from an address; refused forms do not count.
        QVERIFY(signUp(h, u"e@x.org"_s, u"Eve"_s, "10.5.5.5", u"short"_s).body.contains("at least 8"));
        QVERIFY(signUp(h, u"eve@example.org"_s, u"Eve"_s, "10.5.5.5").body.contains("Welcome, Eve!"));
        QVERIFY(signUp(h, u"fay@example.org"_s, u"Fay"_s, "10.5.5.5").body.contains("Too many accounts"));
        QVERIFY(signUp(h, u"fay@example.org"_s, u"Fay"_s, "10.6.6.6").body.contains("Welcome, Fay!"));
    }

    // A login waits for its hash on a worker thread, so checks are answered meanwhile; a client that gave up
    // before its reply (the launcher does after 3 s) costs nothing but that reply.
    void slowHashesStallNothing() {
        ServiceHarness h([](ServiceConfig &c) {
            c.argon2OpsLimit = 3;
            c.argon2MemLimitBytes = 64ull << 20;
        });
        QCOMPARE(h.start({kAlice}), QString());
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, h.port());
        QVERIFY(socket.waitForConnected(5000));
        const QByteArray form = loginForm(kAlice);
        const QByteArray head = "POST /game/login.server.php HTTP/1.1\r\nContent-Length: ";
        socket.write(head + QByteArray::number(form.size()) + "\r\n\r\n" + form);
        QVERIFY(socket.waitForBytesWritten(5000));
        socket.disconnectFromHost();
        QVERIFY(h.check({}, u"0"_s).startsWith("ON!|"));
        QCOMPARE(h.server().liveSessionCount(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(h.server().liveSessionCount(), 1, 10000);
        QVERIFY(h.logIn(kAlice));
    }

    void registeredAccountsLogInAndPagesEscapeWhatTheyShow() {
        QVERIFY(
            signUp(m_h, u"New.Player+games@Example.org"_s, u"Newbie"_s).body.contains("Welcome, Newbie!"));
        QCOMPARE(m_h.logIn(u"new.player+games@example.org"_s, kLong).name, u"Newbie"_s);
        const ServiceHarness::Reply r = signUp(m_h, u"x\"><script>alert(1)</script>@example.org"_s,
                                               u"<script>alert(2)</script>"_s, "10.0.0.3", u"short"_s);
        QCOMPARE(r.status, 400);
        QVERIFY(!r.body.contains("<script>") && !r.body.contains("value=\"short\""));
        for (const char *text : {"&lt;script&gt;alert(2)&lt;/script&gt;", "x&quot;&gt;&lt;script&gt;",
                                 "does not look like an e-mail address", "player name must"})
            QVERIFY2(r.body.contains(text), text);
        // The launcher appends the address to the invite page unencoded: "+" stays a plus.
        const QString invite = u"/index.php?id=invite-a-friend&user_email="_s;
        QVERIFY(m_h.request("GET", invite + u"a+b@example.org"_s)
                    .body.contains("<b>a+b@example.org</b> invites"));
        const QByteArray hostile = m_h.request("GET", invite + u"%3Cimg%20src%3Dx%3E"_s).body;
        QVERIFY(!hostile.contains("<img") && hostile.contains("&lt;img src=x&gt;"));
        // The password reminder tells nobody whether an account exists.
        auto remind = [&](const QString &email) {
            return m_h.post(u"/index.php?id=forgot-password"_s, {{u"email"_s, email}})
                .replace(email.toUtf8(), "X");
        };
        QCOMPARE(remind(kAlice), remind(u"ghost@example.org"_s));
        QVERIFY(remind(u"<b>"_s).contains("&lt;b&gt;"));
    }
};

QTEST_GUILESS_MAIN(AppServerTest)
#include "AppServerTest.moc"
