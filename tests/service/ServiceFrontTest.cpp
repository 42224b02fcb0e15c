// The service as the launcher meets it: HTTPS through nginx in front of the app server, started by
// the real `quillbarrow-service serve` in a data folder made by its own `init`.
#include "HttpsProbe.h"
#include "RunningService.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QRandomGenerator>
#include <QSslCertificate>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

namespace {

const QByteArray kSecret = "SECRET-MARKER-outside-the-web-root";

bool writeFile(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace

class ServiceFrontTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void downloadAnswersHeadGetAndRange();
    void unknownFilesAreNotFound_data();
    void unknownFilesAreNotFound();
    void traversalNeverLeavesTheWebRoot_data();
    void traversalNeverLeavesTheWebRoot();
    void adPagesAndSiteFilesHaveTheirTypes();
    void checkAndLoginGoThroughNginx();
    void oversizedBodiesAreRefused();
    void certificateNamesLoopbackAndIsTrustedOnlyWithTheCa();
    void adminCommandsChangeTheCheckReply();

private:
    [[nodiscard]] HttpsProbe probe(const QString &host = QStringLiteral("localhost")) const {
        return HttpsProbe(host, m_service.port(), RunningService::trustingConfiguration());
    }
    [[nodiscard]] QByteArray check(const QString &loginId = QStringLiteral("0")) const;

    RunningService m_service;
    QByteArray m_archive;
};

void ServiceFrontTest::initTestCase() {
    const QString initError = m_service.init();
    QVERIFY2(initError.isEmpty(), qPrintable(initError));

    // Content of the test's own, beside whatever demo content init copied.
    const QDir data(m_service.dataDir());
    m_archive.resize(3 * 1024 * 1024 + 17);
    QRandomGenerator generator(4711);
    for (char &c : m_archive)
        c = static_cast<char>(generator.bounded(256));
    QVERIFY(writeFile(data.filePath(QStringLiteral("www/download/TestGame.zip")), m_archive));
    QVERIFY(writeFile(data.filePath(QStringLiteral("www/download/sub/Inner.zip")), "inner"));
    QVERIFY(
        writeFile(data.filePath(QStringLiteral("www/ads/ad1.php")), "<html><body>Ad one</body></html>\n"));
    QVERIFY(writeFile(data.filePath(QStringLiteral("www/site/test.css")), "body { color: #eee; }\n"));
    QVERIFY(writeFile(data.filePath(QStringLiteral("secret.txt")), kSecret));
    QVERIFY(writeFile(QDir(m_service.tempDir()).filePath(QStringLiteral("secret.txt")), kSecret));
    QVERIFY(QFile::link(data.filePath(QStringLiteral("secret.txt")),
                        data.filePath(QStringLiteral("www/download/Linked.zip"))));

    const RunningService::Outcome added =
        m_service.admin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("tester@example.com"),
                         QStringLiteral("correct horse"), QStringLiteral("Tester")});
    QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));

    const QString startError = m_service.start();
    QVERIFY2(startError.isEmpty(), qPrintable(startError));
}

void ServiceFrontTest::cleanupTestCase() {
    QCOMPARE(m_service.stop(), 0);
    // nginx has flushed its log on the way out: downloads and logins are in it, the checks and
    // chat polls that every launcher sends every few seconds are not.
    QFile log(QDir(m_service.dataDir()).filePath(QStringLiteral("nginx/logs/access.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    QVERIFY(lines.contains("\"GET /download/TestGame.zip HTTP/1.1\" 200"));
    QVERIFY(lines.contains("\"POST /game/login.server.php HTTP/1.1\" 200"));
    QVERIFY(lines.contains("\"POST /game/chat.php HTTP/1.1\" 413"));
    QVERIFY(!lines.contains("POST /game/check.server.php"));
}

QByteArray ServiceFrontTest::check(const QString &loginId) const {
    return probe()
        .postForm("/game/check.server.php", {{QStringLiteral("message"), QStringLiteral("Keep Me Loged!")},
                                             {QStringLiteral("loginid"), loginId}})
        .body;
}

void ServiceFrontTest::downloadAnswersHeadGetAndRange() {
    const HttpsProbe::Reply head = probe().send("HEAD", "/download/TestGame.zip");
    QVERIFY2(head.connected, qPrintable(head.error));
    QCOMPARE(head.status, 200);
    QCOMPARE(head.header("content-length"), QByteArray::number(m_archive.size()));
    QVERIFY(head.body.isEmpty());

    const HttpsProbe::Reply get = probe(QStringLiteral("127.0.0.1")).send("GET", "/download/TestGame.zip");
    QCOMPARE(get.status, 200);
    QCOMPARE(get.body.size(), m_archive.size());
    QVERIFY(get.body == m_archive);

    const HttpsProbe::Reply range =
        probe().send("GET", "/download/TestGame.zip", {}, {{"Range", "bytes=1000-1999"}});
    QCOMPARE(range.status, 206);
    QCOMPARE(range.header("content-range"),
             QByteArray("bytes 1000-1999/") + QByteArray::number(m_archive.size()));
    QVERIFY(range.body == m_archive.mid(1000, 1000));

    // Resuming from an offset to the end, as a download that continues would.
    const qint64 from = m_archive.size() - 100;
    const HttpsProbe::Reply tail = probe().send("GET", "/download/TestGame.zip", {},
                                                {{"Range", "bytes=" + QByteArray::number(from) + "-"}});
    QCOMPARE(tail.status, 206);
    QVERIFY(tail.body == m_archive.mid(from));

    const HttpsProbe::Reply beyond =
        probe().send("GET", "/download/TestGame.zip", {},
                     {{"Range", "bytes=" + QByteArray::number(m_archive.size() + 5) + "-"}});
    QCOMPARE(beyond.status, 416);

    const HttpsProbe::Reply inner = probe().send("GET", "/download/sub/Inner.zip");
    QCOMPARE(inner.status, 200);
    QCOMPARE(inner.body, QByteArray("inner"));
}

void ServiceFrontTest::unknownFilesAreNotFound_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("missing archive") << QByteArray("/download/NoSuchGame.zip");
    QTest::newRow("download folder") << QByteArray("/download/");
    QTest::newRow("sub folder") << QByteArray("/download/sub");
    QTest::newRow("sub folder slash") << QByteArray("/download/sub/");
    QTest::newRow("link out of the root") << QByteArray("/download/Linked.zip");
    QTest::newRow("missing ad page") << QByteArray("/ads/ad99.php");
    QTest::newRow("ads folder") << QByteArray("/ads/");
    QTest::newRow("missing site file") << QByteArray("/site/none.css");
}

void ServiceFrontTest::unknownFilesAreNotFound() {
    QFETCH(QByteArray, target);
    const HttpsProbe::Reply reply = probe().send("GET", target);
    QVERIFY2(reply.connected, qPrintable(reply.error));
    QCOMPARE(reply.status, 404);
    QVERIFY(!reply.body.contains(kSecret));
}

void ServiceFrontTest::traversalNeverLeavesTheWebRoot_data() {
    QTest::addColumn<QByteArray>("target");
    QTest::newRow("dot dot") << QByteArray("/download/../secret.txt");
    QTest::newRow("dot dot twice") << QByteArray("/download/../../secret.txt");
    QTest::newRow("dot dot deep") << QByteArray("/download/../../../../../../etc/passwd");
    QTest::newRow("encoded dots") << QByteArray("/download/%2e%2e/secret.txt");
    QTest::newRow("encoded dots upper") << QByteArray("/download/%2E%2E/%2E%2E/secret.txt");
    QTest::newRow("encoded slash") << QByteArray("/download/..%2fsecret.txt");
    QTest::newRow("encoded slash twice") << QByteArray("/download/..%2F..%2Fsecret.txt");
    QTest::newRow("all encoded") << QByteArray("/download/%2e%2e%2f%2e%2e%2fsecret.txt");
    QTest::newRow("double encoded") << QByteArray("/download/%252e%252e%252fsecret.txt");
    QTest::newRow("backslashes") << QByteArray("/download/..\\..\\secret.txt");
    QTest::newRow("encoded backslash") << QByteArray("/download/..%5c..%5csecret.txt");
    QTest::newRow("absolute") << QByteArray("/download//etc/passwd");
    QTest::newRow("absolute encoded") << QByteArray("/download/%2fetc%2fpasswd");
    QTest::newRow("absolute data path")
        << (QByteArray("/download/") +
            QDir(m_service.dataDir()).filePath(QStringLiteral("secret.txt")).toUtf8());
    QTest::newRow("nul byte") << QByteArray("/download/TestGame.zip%00/../../secret.txt");
    QTest::newRow("ads dot dot") << QByteArray("/ads/../../secret.txt");
    QTest::newRow("site encoded") << QByteArray("/site/%2e%2e/%2e%2e/secret.txt");
}

void ServiceFrontTest::traversalNeverLeavesTheWebRoot() {
    QFETCH(QByteArray, target);
    const HttpsProbe::Reply reply = probe().send("GET", target);
    QVERIFY2(reply.connected, qPrintable(reply.error));
    QVERIFY2(reply.status == 404 || reply.status == 400,
             qPrintable(QStringLiteral("status %1 for %2").arg(reply.status).arg(QString::fromUtf8(target))));
    QVERIFY(!reply.body.contains(kSecret));
    QVERIFY(!reply.body.contains("root:x:0:0"));
}

void ServiceFrontTest::adPagesAndSiteFilesHaveTheirTypes() {
    const HttpsProbe::Reply ad = probe().send("GET", "/ads/ad1.php");
    QCOMPARE(ad.status, 200);
    QVERIFY2(ad.header("content-type").startsWith("text/html"), ad.header("content-type").constData());
    QCOMPARE(ad.body, QByteArray("<html><body>Ad one</body></html>\n"));

    const HttpsProbe::Reply css = probe().send("GET", "/site/test.css");
    QCOMPARE(css.status, 200);
    QVERIFY(css.header("content-type").startsWith("text/css"));
}

void ServiceFrontTest::checkAndLoginGoThroughNginx() {
    const QByteArray loggedOut = check();
    QVERIFY2(loggedOut.startsWith("ON!|"), loggedOut.constData());

    const HttpsProbe::Reply wrong = probe().postForm(
        "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                   {QStringLiteral("email"), QStringLiteral("tester@example.com")},
                                   {QStringLiteral("password"), QStringLiteral("wrong")}});
    QCOMPARE(wrong.body, QByteArray("WrongUsrPass!"));

    const HttpsProbe::Reply granted = probe().postForm(
        "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                   {QStringLiteral("email"), QStringLiteral("tester@example.com")},
                                   {QStringLiteral("password"), QStringLiteral("correct horse")}});
    QVERIFY2(granted.body.startsWith("LogIn Granted!|Tester|"), granted.body.constData());
    const QString loginId = QString::fromUtf8(granted.body.mid(granted.body.lastIndexOf('|') + 1));
    QVERIFY(!loginId.isEmpty());

    const QByteArray kept = check(loginId);
    QVERIFY2(kept.startsWith("ON!|") && kept.mid(4, 3) != "LO|", kept.constData());

    // The logged-in player shows up in status, read from the store by another process.
    QTRY_VERIFY_WITH_TIMEOUT(m_service.admin({QStringLiteral("status")}).out.contains(u"tester@example.com"),
                             30000);
}

void ServiceFrontTest::oversizedBodiesAreRefused() {
    const HttpsProbe::Reply reply = probe().send("POST", "/game/chat.php", QByteArray(256 * 1024, 'a'),
                                                 {{"Content-Type", "application/x-www-form-urlencoded"}});
    QCOMPARE(reply.status, 413);
}

void ServiceFrontTest::certificateNamesLoopbackAndIsTrustedOnlyWithTheCa() {
    QStringList hosts = {QStringLiteral("localhost"), QStringLiteral("127.0.0.1")};
    QTcpServer ipv6;
    if (ipv6.listen(QHostAddress::LocalHostIPv6, 0))
        hosts << QStringLiteral("::1");
    for (const QString &host : hosts) {
        QSslSocket socket;
        socket.setSslConfiguration(RunningService::trustingConfiguration());
        socket.setPeerVerifyName(host);
        socket.connectToHostEncrypted(host, m_service.port());
        QVERIFY2(socket.waitForEncrypted(60000),
                 qPrintable(host + QStringLiteral(": ") + socket.errorString()));
        const QSslCertificate peer = socket.peerCertificate();
        const auto names = peer.subjectAlternativeNames();
        QVERIFY(names.values(QSsl::DnsEntry).contains(QStringLiteral("localhost")));
        QVERIFY(names.values(QSsl::IpAddressEntry).contains(QStringLiteral("127.0.0.1")));
        QCOMPARE(peer.issuerInfo(QSslCertificate::CommonName),
                 QStringList{QStringLiteral("Quillbarrow Local CA")});
        QVERIFY(peer.expiryDate() <= QDateTime::currentDateTimeUtc().addDays(398));
    }

    // A client that trusts only the system's roots refuses the service.
    const HttpsProbe untrusting(QStringLiteral("localhost"), m_service.port(),
                                QSslConfiguration::defaultConfiguration());
    const HttpsProbe::Reply refused = untrusting.send("GET", "/download/TestGame.zip");
    QVERIFY(!refused.connected);
    QVERIFY(!refused.sslErrors.isEmpty());
    QCOMPARE(refused.status, 0);
}

void ServiceFrontTest::adminCommandsChangeTheCheckReply() {
    QStringList versions = {QStringLiteral("1.0.0.9")};
    for (int game = 0; game < 13; ++game)
        versions << (game == 5 ? QStringLiteral("NoVer") : QStringLiteral("2.%1").arg(game));

    RunningService::Outcome outcome =
        m_service.admin(QStringList{QStringLiteral("set"), QStringLiteral("versions")} + versions);
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    outcome = m_service.admin(
        {QStringLiteral("set"), QStringLiteral("counts"), QStringLiteral("7"), QStringLiteral("2")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));

    // The running server picks changes up from the store within its poll interval. Characters 5-7
    // (the log-out request) do not matter here.
    const QByteArray expected = "ON!|" + QByteArray("0007|002|") + versions.join(u'^').toUtf8();
    QTRY_COMPARE_WITH_TIMEOUT(check().remove(4, 3), expected, 30000);

    outcome = m_service.admin({QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("off")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QTRY_VERIFY_WITH_TIMEOUT(check().startsWith("OFF|"), 30000);
    outcome = m_service.admin({QStringLiteral("set"), QStringLiteral("state"), QStringLiteral("on")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    QTRY_VERIFY_WITH_TIMEOUT(check().startsWith("ON!|"), 30000);

    outcome = m_service.admin(
        {QStringLiteral("user"), QStringLiteral("disable"), QStringLiteral("tester@example.com")});
    QVERIFY2(outcome.exitCode == 0, qPrintable(outcome.describe()));
    const HttpsProbe::Reply disabled = probe().postForm(
        "/game/login.server.php", {{QStringLiteral("message"), QStringLiteral("LogIn Request.")},
                                   {QStringLiteral("email"), QStringLiteral("tester@example.com")},
                                   {QStringLiteral("password"), QStringLiteral("correct horse")}});
    QCOMPARE(disabled.body, QByteArray("AccDisabled!"));
}

QTEST_GUILESS_MAIN(ServiceFrontTest)
#include "ServiceFrontTest.moc"
