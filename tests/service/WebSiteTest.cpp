#include "ServiceHarness.h"
#include "lib/ServiceAdmin.h"

#include <QTest>

namespace {

const QString kRegister = QStringLiteral("/index.php?id=register");

} // namespace

class WebSiteTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ServiceHarness> start(const ServiceConfig &config = ServiceHarness::testConfig()) {
        auto h = std::make_unique<ServiceHarness>(config);
        const QString error = h->start();
        if (!error.isEmpty())
            qFatal("%s", qPrintable(error));
        return h;
    }

    static ServiceHarness::Reply registerAccount(ServiceHarness &h, const QString &email, const QString &name,
                                                 const QString &password, const QString &repeated = {}) {
        return h.request("POST", kRegister,
                         ServiceHarness::encodeForm(
                             {{QStringLiteral("email"), email},
                              {QStringLiteral("name"), name},
                              {QStringLiteral("password"), password},
                              {QStringLiteral("password2"), repeated.isEmpty() ? password : repeated}}));
    }

private Q_SLOTS:
    void pagesRender_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("marker");
        QTest::newRow("home") << QStringLiteral("/") << 200 << QStringLiteral("Download the launcher");
        QTest::newRow("index") << QStringLiteral("/index.php") << 200 << QStringLiteral("Players online");
        QTest::newRow("register") << kRegister << 200 << QStringLiteral("<form method=\"post\"");
        QTest::newRow("forgot") << QStringLiteral("/index.php?id=forgot-password") << 200
                                << QStringLiteral("Forgot your password?");
        QTest::newRow("invite") << QStringLiteral("/index.php?id=invite-a-friend") << 200
                                << QStringLiteral("Invite a friend");
        QTest::newRow("donate") << QStringLiteral("/index.php?id=donate") << 200
                                << QStringLiteral("Support Quillbarrow");
        QTest::newRow("unknown id") << QStringLiteral("/index.php?id=admin") << 404
                                    << QStringLiteral("Page not found");
        QTest::newRow("unknown path")
            << QStringLiteral("/wp-login.php") << 404 << QStringLiteral("Page not found");
    }

    void pagesRender() {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, marker);
        auto h = start();
        const ServiceHarness::Reply r = h->request("GET", path);
        QCOMPARE(r.status, status);
        QVERIFY(r.contentType.startsWith("text/html"));
        const QString html = QString::fromUtf8(r.body);
        QVERIFY2(html.contains(marker), qPrintable(html.left(400)));
        QVERIFY(html.startsWith(QLatin1String("<!DOCTYPE html>")));
        QVERIFY(html.contains(QLatin1String("--bg:#0b0f17"))); // the dark theme
        const ServiceHarness::Reply head = h->request("HEAD", path);
        QCOMPARE(head.status, status);
        QVERIFY(head.body.isEmpty());
    }

    void registerCreatesAnAccountThatLogsIn() {
        auto h = start();
        const ServiceHarness::Reply r =
            registerAccount(*h, QStringLiteral("New.Player+games@Example.org"), QStringLiteral("Newbie"),
                            QStringLiteral("a long password"));
        QCOMPARE(r.status, 200);
        QVERIFY(r.body.contains("Welcome, Newbie!"));
        QVERIFY(r.body.contains("new.player+games@example.org"));
        const auto granted =
            h->logIn(QStringLiteral("new.player+games@example.org"), QStringLiteral("a long password"));
        QVERIFY(granted);
        QCOMPARE(granted->name, QStringLiteral("Newbie"));

        const ServiceHarness::Reply again =
            registerAccount(*h, QStringLiteral("new.player+games@example.org"), QStringLiteral("Other"),
                            QStringLiteral("a long password"));
        QCOMPARE(again.status, 400);
        QVERIFY(again.body.contains("already exists"));
        const ServiceHarness::Reply sameName =
            registerAccount(*h, QStringLiteral("other@example.org"), QStringLiteral("NEWBIE"),
                            QStringLiteral("a long password"));
        QCOMPARE(sameName.status, 400);
        QVERIFY(sameName.body.contains("already taken"));
    }

    void registerValidatesAndEscapes() {
        auto h = start();
        const ServiceHarness::Reply r = registerAccount(
            *h, QStringLiteral("x\"><script>alert(1)</script>@example.org"),
            QStringLiteral("<script>alert(2)</script>"), QStringLiteral("short"), QStringLiteral("other"));
        QCOMPARE(r.status, 400);
        const QString html = QString::fromUtf8(r.body);
        QVERIFY(!html.contains(QLatin1String("<script>")));
        QVERIFY(html.contains(QLatin1String("&lt;script&gt;alert(2)&lt;/script&gt;")));
        QVERIFY(html.contains(QLatin1String("x&quot;&gt;&lt;script&gt;")));
        QVERIFY(html.contains(QLatin1String("does not look like an e-mail address")));
        QVERIFY(html.contains(QLatin1String("player name must")));
        QVERIFY(html.contains(QLatin1String("at least 8 characters")));
        QVERIFY(html.contains(QLatin1String("two passwords differ")));
        // The password is never echoed into the page.
        QVERIFY(!html.contains(QLatin1String("value=\"short\"")));
        QVERIFY(!h->logIn(QStringLiteral("x@example.org"), QStringLiteral("short")));

        const ServiceHarness::Reply garbled = h->request("POST", kRegister, QByteArrayLiteral("email=%FF"));
        QCOMPARE(garbled.status, 400);
        QVERIFY(garbled.body.contains("could not be read"));
        const ServiceHarness::Reply big = h->request("POST", kRegister, QByteArray(20000, 'a'));
        QCOMPARE(big.status, 413);
        QCOMPARE(h->request("POST", QStringLiteral("/index.php?id=donate")).status, 405);
    }

    void registrationsPerAddressAreLimited() {
        ServiceConfig config = ServiceHarness::testConfig();
        config.registrationsPerAddressPerHour = 1;
        auto h = start(config);
        QCOMPARE(registerAccount(*h, QStringLiteral("one@example.org"), QStringLiteral("One"),
                                 QStringLiteral("password one"))
                     .status,
                 200);
        const ServiceHarness::Reply second = registerAccount(
            *h, QStringLiteral("two@example.org"), QStringLiteral("Two"), QStringLiteral("password two"));
        QCOMPARE(second.status, 400);
        QVERIFY(second.body.contains("Too many accounts"));
    }

    void invitePageShowsTheAddressEscaped() {
        auto h = start();
        // The launcher appends the address unencoded: "+" stays a plus.
        const ServiceHarness::Reply plain =
            h->request("GET", QStringLiteral("/index.php?id=invite-a-friend&user_email=a+b@example.org"));
        QCOMPARE(plain.status, 200);
        QVERIFY(plain.body.contains("<b>a+b@example.org</b> invites you"));
        const ServiceHarness::Reply hostile = h->request(
            "GET", QStringLiteral(
                       "/index.php?id=invite-a-friend&user_email=%3Cimg%20src%3Dx%20onerror%3Dalert(1)%3E"));
        QCOMPARE(hostile.status, 200);
        QVERIFY(!hostile.body.contains("<img"));
        QVERIFY(hostile.body.contains("&lt;img src=x onerror=alert(1)&gt;"));
    }

    void forgotPasswordDoesNotTellWhetherAnAccountExists() {
        auto h = start();
        ServiceAdmin admin(h->adminStore(), ServiceHarness::testConfig());
        QVERIFY(admin
                    .addUser(QStringLiteral("known@example.org"), QStringLiteral("password 1"),
                             QStringLiteral("Known"))
                    .ok());
        const QString path = QStringLiteral("/index.php?id=forgot-password");
        const ServiceHarness::Reply known = h->request(
            "POST", path,
            ServiceHarness::encodeForm({{QStringLiteral("email"), QStringLiteral("known@example.org")}}));
        const ServiceHarness::Reply unknown = h->request(
            "POST", path,
            ServiceHarness::encodeForm({{QStringLiteral("email"), QStringLiteral("ghost@example.org")}}));
        QCOMPARE(known.status, 200);
        QCOMPARE(unknown.status, 200);
        QVERIFY(known.body.contains("known@example.org"));
        QCOMPARE(QByteArray(known.body).replace("known@example.org", "X"),
                 QByteArray(unknown.body).replace("ghost@example.org", "X"));
        const ServiceHarness::Reply hostile =
            h->request("POST", path, QByteArrayLiteral("email=%3Cscript%3Ex%3C%2Fscript%3E"));
        QVERIFY(!hostile.body.contains("<script>"));
    }
};

QTEST_GUILESS_MAIN(WebSiteTest)
#include "WebSiteTest.moc"
