// The form-post client against the real reference service (nginx in front of the app server) and,
// for what the service cannot be made to do on demand, a scripted server on a loopback port.
#include "net/FormPostClient.h"

#include "RunningService.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/FormBody.h"
#include "core/LoginReply.h"
#include "core/ServerCheckReply.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QThread>

namespace {

constexpr int kReplyWaitMs = 20000;

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

quint16 closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when probe goes
}

// Every completion and failure of one client, with the thread each arrived on.
struct Recorder {
    explicit Recorder(FormPostClient &client)
        : completed(&client, &FormPostClient::RequestCompleted)
        , failed(&client, &FormPostClient::RequestFailed) {
        QObject::connect(
            &client, &FormPostClient::RequestCompleted, &client,
            [this](quint64, int, const QByteArray &) { threads.append(QThread::currentThread()); });
    }
    QSignalSpy completed;
    QSignalSpy failed;
    QList<QThread *> threads;
};

} // namespace

class FormPostClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loginWithPlusInEmailAndCheckRoundTrip();
    void serviceSeesTheUserAgent();
    void serviceErrorPageIsCompleted();
    void requestAsSent();
    void redirectsAreNotFollowedAndCookiesNotKept();
    void everyHttpStatusCompletes_data();
    void everyHttpStatusCompletes();
    void noReplyMeansNoCompletion_data();
    void noReplyMeansNoCompletion();
    void repliesArriveInTheirOwnBuffersInArrivalOrder();
    void localCaTrustedWithNameChecked();

private:
    QUrl serviceUrl(const QString &path) const {
        return QUrl(QStringLiteral("https://localhost:%1%2").arg(m_service.port()).arg(path));
    }

    RunningService m_service;
    TestCertificates m_certificates;
    const QByteArray m_email = "net+tester@example.com";
    const QByteArray m_password = "Secret pass+word";
};

void FormPostClientTest::initTestCase() {
    QString error = m_service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const RunningService::Outcome added =
        m_service.admin({QStringLiteral("user"), QStringLiteral("add"), QString::fromUtf8(m_email),
                         QString::fromUtf8(m_password), QStringLiteral("PlusTester")});
    QVERIFY2(added.exitCode == 0, qPrintable(added.describe()));
    error = m_service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void FormPostClientTest::loginWithPlusInEmailAndCheckRoundTrip() {
    FormPostClient client(3000);
    Recorder recorder(client);

    const quint64 login =
        client.Post(serviceUrl(QStringLiteral("/game/login.server.php")), LoginForm(m_email, m_password));
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(0).toULongLong(), login);
    QCOMPARE(recorder.completed.first().at(1).toInt(), 200);
    const QByteArray loginBody = recorder.completed.first().at(2).toByteArray();
    // A "+" read as a blank would name an account that does not exist.
    const LoginReply granted = ClassifyLoginReply(loginBody);
    QVERIFY2(granted.kind == LoginReply::Kind::Granted, loginBody.constData());
    QCOMPARE(granted.UserName, QByteArray("PlusTester"));

    client.Post(serviceUrl(QStringLiteral("/game/check.server.php")),
                ServerCheckForm(m_email, granted.LoginId, granted.UserName));
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completed.size(), 2, kReplyWaitMs);
    const QByteArray checkBody = recorder.completed.at(1).at(2).toByteArray();
    const ServerCheckReply check = ParseServerCheckReply(checkBody);
    QCOMPARE(check.ServerState, QByteArray("ON"));
    QVERIFY2(!check.LogOutRequested, checkBody.constData());

    QCOMPARE(recorder.failed.size(), 0);
    QCOMPARE(recorder.threads, QList<QThread *>({QThread::currentThread(), QThread::currentThread()}));
    QCOMPARE(client.pendingCount(), 0);
}

void FormPostClientTest::serviceSeesTheUserAgent() {
    FormPostClient client(3000);
    QSignalSpy completed(&client, &FormPostClient::RequestCompleted);
    // Logins are logged (successful checks and chat polls are not).
    client.Post(serviceUrl(QStringLiteral("/game/login.server.php")), LoginForm(m_email, "wrong password"));
    QVERIFY(completed.wait(kReplyWaitMs));
    // nginx writes its access log every two seconds.
    const QString log = QDir(m_service.dataDir()).filePath(QStringLiteral("nginx/logs/access.log"));
    QTRY_VERIFY_WITH_TIMEOUT(readFile(log).contains("POST /game/login.server.php"), 10000);
    const QList<QByteArray> lines = readFile(log).split('\n');
    int posts = 0;
    for (const QByteArray &line : lines) {
        if (!line.contains("POST /game/"))
            continue;
        ++posts;
        QVERIFY2(line.endsWith("\"Quillbarrow\""), line.constData());
    }
    QVERIFY(posts >= 1);
}

void FormPostClientTest::serviceErrorPageIsCompleted() {
    FormPostClient client(3000);
    Recorder recorder(client);
    client.Post(serviceUrl(QStringLiteral("/game/no.such.endpoint.php")), {{"message", "hello"}});
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(1).toInt(), 404);
    QCOMPARE(recorder.failed.size(), 0);
}

void FormPostClientTest::requestAsSent() {
    ScriptedServer server([](const ScriptedServer::Request &) {
        return ScriptedServer::Answer{ScriptedServer::response(200, "OK", "fine")};
    });
    FormPostClient client(3000);
    Recorder recorder(client);
    const FormFields fields = {{"message", "Keep Me Loged!"}, {"email", "a+b@example.com"}, {"empty", ""}};
    client.Post(QUrl(QString::fromUtf8(server.url("/game/check.server.php"))), fields);
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(2).toByteArray(), QByteArray("fine"));

    const QList<ScriptedServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 1);
    const ScriptedServer::Request &request = requests.first();
    QCOMPARE(request.method, QByteArray("POST"));
    QCOMPARE(request.target, QByteArray("/game/check.server.php"));
    QCOMPARE(request.header("content-type").value_or("<none>"),
             QByteArray("application/x-www-form-urlencoded"));
    QCOMPARE(request.header("user-agent").value_or("<none>"), QByteArray("Quillbarrow"));
    QCOMPARE(request.body, FormBody(fields));
    QVERIFY(request.body.contains("a%2Bb%40example.com"));
    QVERIFY(!request.header("cookie"));
}

void FormPostClientTest::redirectsAreNotFollowedAndCookiesNotKept() {
    ScriptedServer server([](const ScriptedServer::Request &) {
        return ScriptedServer::Answer{ScriptedServer::response(
            302, "Found", "moved", "Location: /elsewhere\r\nSet-Cookie: session=abc; Path=/\r\n")};
    });
    FormPostClient client(3000);
    Recorder recorder(client);
    const QUrl url(QString::fromUtf8(server.url("/game/login.server.php")));
    client.Post(url, {{"message", "one"}});
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(1).toInt(), 302);
    QCOMPARE(recorder.completed.first().at(2).toByteArray(), QByteArray("moved"));

    client.Post(url, {{"message", "two"}});
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completed.size(), 2, kReplyWaitMs);
    // Give a follow-up a moment to show itself, if there were one.
    QTest::qWait(300);
    const QList<ScriptedServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    for (const ScriptedServer::Request &request : requests) {
        QCOMPARE(request.target, QByteArray("/game/login.server.php"));
        QVERIFY(!request.header("cookie"));
    }
}

void FormPostClientTest::everyHttpStatusCompletes_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("reason");
    QTest::newRow("400") << 400 << QByteArray("Bad Request");
    QTest::newRow("404") << 404 << QByteArray("Not Found");
    QTest::newRow("500") << 500 << QByteArray("Internal Server Error");
    QTest::newRow("503") << 503 << QByteArray("Service Unavailable");
    QTest::newRow("204") << 204 << QByteArray("No Content");
}

void FormPostClientTest::everyHttpStatusCompletes() {
    QFETCH(int, status);
    QFETCH(QByteArray, reason);
    const QByteArray body = status == 204 ? QByteArray() : "Error page " + QByteArray::number(status);
    ScriptedServer server([&](const ScriptedServer::Request &) {
        return ScriptedServer::Answer{ScriptedServer::response(status, reason, body)};
    });
    FormPostClient client(3000);
    Recorder recorder(client);
    client.Post(QUrl(QString::fromUtf8(server.url("/game/chat.php"))), {{"command", "Poll!"}});
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(1).toInt(), status);
    QCOMPARE(recorder.completed.first().at(2).toByteArray(), body);
    QCOMPARE(recorder.failed.size(), 0);
}

void FormPostClientTest::noReplyMeansNoCompletion_data() {
    QTest::addColumn<QString>("condition");
    QTest::newRow("refused") << QStringLiteral("refused");
    QTest::newRow("silent server") << QStringLiteral("silent");
    QTest::newRow("silent after the headers") << QStringLiteral("stalled");
    QTest::newRow("cut mid-body") << QStringLiteral("cut");
    QTest::newRow("closed without a reply") << QStringLiteral("closed");
    QTest::newRow("unknown CA") << QStringLiteral("unknownCa");
    QTest::newRow("oversized reply") << QStringLiteral("oversized");
    QTest::newRow("not a web address") << QStringLiteral("file");
}

void FormPostClientTest::noReplyMeansNoCompletion() {
    QFETCH(QString, condition);
    std::optional<TestCertificates::Identity> tls;
    if (condition == u"unknownCa") {
        tls = m_certificates.fromThrowawayCa(QStringLiteral("DNS:localhost,IP:127.0.0.1"));
        QVERIFY2(tls->error.isEmpty(), qPrintable(tls->error));
    }
    ScriptedServer server(
        [condition](const ScriptedServer::Request &) {
            ScriptedServer::Answer answer;
            if (condition == u"stalled")
                answer.bytes = "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n";
            else if (condition == u"cut")
                answer = {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nLogIn Gran", 0, true};
            else if (condition == u"closed")
                answer.close = true;
            else if (condition == u"oversized")
                answer.bytes =
                    ScriptedServer::response(200, "OK", QByteArray(FormPostClient::kMaxReplyBytes + 1, 'x'));
            else if (condition == u"unknownCa")
                answer.bytes = ScriptedServer::response(200, "OK", "ON");
            return answer;
        },
        tls);
    QUrl url(QString::fromUtf8(server.url("/game/check.server.php", tls ? "localhost" : "127.0.0.1")));
    if (condition == u"refused")
        url.setPort(closedPort());
    if (condition == u"file")
        url = QUrl::fromLocalFile(QDir::tempPath());

    FormPostClient client(500);
    Recorder recorder(client);
    client.Post(url, {{"message", "Keep Me Loged!"}});
    QVERIFY(recorder.failed.wait(kReplyWaitMs));
    QVERIFY(!recorder.failed.first().at(1).toString().isEmpty());
    // Past the client's time-out: still nothing.
    QTest::qWait(700);
    QCOMPARE(recorder.completed.size(), 0);
    QCOMPARE(recorder.failed.size(), 1);
    QCOMPARE(client.pendingCount(), 0);
}

void FormPostClientTest::repliesArriveInTheirOwnBuffersInArrivalOrder() {
    // Each reply echoes its post's text; "slow" is answered after the second post's reply.
    ScriptedServer server([](const ScriptedServer::Request &request) {
        const bool slow = request.body.contains("slow");
        return ScriptedServer::Answer{ScriptedServer::response(200, "OK", "echo:" + request.body),
                                      slow ? 600 : 0};
    });
    FormPostClient client(3000);
    Recorder recorder(client);
    const QUrl url(QString::fromUtf8(server.url("/game/login.server.php")));
    const quint64 slow = client.Post(url, {{"text", "slow"}});
    QTRY_COMPARE_WITH_TIMEOUT(server.requests().size(), 1, kReplyWaitMs);
    const quint64 fast = client.Post(url, {{"text", "fast"}});
    QCOMPARE(client.pendingCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(recorder.completed.size(), 2, kReplyWaitMs);
    QCOMPARE(recorder.completed.at(0).at(0).toULongLong(), fast);
    QCOMPARE(recorder.completed.at(0).at(2).toByteArray(), QByteArray("echo:text=fast"));
    QCOMPARE(recorder.completed.at(1).at(0).toULongLong(), slow);
    QCOMPARE(recorder.completed.at(1).at(2).toByteArray(), QByteArray("echo:text=slow"));
}

void FormPostClientTest::localCaTrustedWithNameChecked() {
    const TestCertificates::Identity good = m_certificates.fromLocalCa(QStringLiteral("DNS:localhost"));
    const TestCertificates::Identity misnamed =
        m_certificates.fromLocalCa(QStringLiteral("DNS:other.localhost"));
    QVERIFY2(good.error.isEmpty(), qPrintable(good.error));
    QVERIFY2(misnamed.error.isEmpty(), qPrintable(misnamed.error));
    auto answer = [](const ScriptedServer::Request &) {
        return ScriptedServer::Answer{ScriptedServer::response(200, "OK", "trusted")};
    };

    ScriptedServer goodServer(answer, good);
    FormPostClient client(3000);
    Recorder recorder(client);
    client.Post(QUrl(QString::fromUtf8(goodServer.url("/x", "localhost"))), {{"a", "b"}});
    QVERIFY(recorder.completed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.first().at(2).toByteArray(), QByteArray("trusted"));

    ScriptedServer misnamedServer(answer, misnamed);
    client.Post(QUrl(QString::fromUtf8(misnamedServer.url("/x", "localhost"))), {{"a", "b"}});
    QVERIFY(recorder.failed.wait(kReplyWaitMs));
    QCOMPARE(recorder.completed.size(), 1);
    QVERIFY(misnamedServer.requests().isEmpty());
}

QTEST_GUILESS_MAIN(FormPostClientTest)
#include "FormPostClientTest.moc"
