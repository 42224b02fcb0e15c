// The form-post client against the real reference service, and a scripted server for what it cannot show.
#include "net/FormPostClient.h"

#include "RunningService.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/FormBody.h"
#include "core/LoginReply.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

class FormPostClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Over TLS with the build's local CA; a "+" read as a blank would name an account that does not exist.
    void loginWithPlusInTheAddress() {
        RunningService service;
        QString error = service.init();
        const RunningService::Outcome added = service.admin(
            {u"user"_s, u"add"_s, u"net+tester@example.com"_s, u"Pass+word"_s, u"PlusTester"_s});
        QVERIFY2(error.isEmpty() && added.exitCode == 0, qPrintable(error + added.describe()));
        error = service.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        FormPostClient client(3000);
        QSignalSpy completed(&client, &FormPostClient::RequestCompleted);
        QThread *thread = nullptr;
        connect(
            &client, &FormPostClient::RequestCompleted, this, [&] { thread = QThread::currentThread(); },
            Qt::DirectConnection);
        client.Post(QUrl(u"https://localhost:%1/game/login.server.php"_s.arg(service.port())),
                    LoginForm("net+tester@example.com", "Pass+word"));
        QVERIFY(completed.wait(20000));
        QCOMPARE(completed.first().at(1).toInt(), 200);
        const LoginReply granted = ClassifyLoginReply(completed.first().at(2).toByteArray());
        QVERIFY(granted.kind == LoginReply::Kind::Granted);
        QCOMPARE(granted.UserName, QByteArray("PlusTester"));
        QCOMPARE(thread, QThread::currentThread());
    }

    // Posts in flight together each get their own completion, in the order the replies arrive, whatever
    // the status; a redirect is not followed and a cookie not sent back.
    void everyReplyCompletesOnItsOwn() {
        ScriptedServer server([](const ScriptedServer::Request &request) {
            const int status = request.body.mid(7).toInt(); // "status=N"
            return ScriptedServer::Answer{
                ScriptedServer::response(status, "Some Reason", status == 204 ? "" : "page " + request.body,
                                         "Location: /elsewhere\r\nSet-Cookie: session=abc; Path=/\r\n"),
                1000 - status};
        });
        const QUrl url(QString::fromUtf8(server.url("/game/chat.php")));
        FormPostClient client(3000);
        QSignalSpy completed(&client, &FormPostClient::RequestCompleted);
        QList<quint64> ids;
        for (const QByteArray status : {"204", "302", "404", "503"})
            ids.prepend(client.Post(url, {{"status", status}}));
        QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 4, 20000);
        QList<QVariantList> expected;
        for (const int status : {503, 404, 302, 204})
            expected << QVariantList{ids.at(expected.size()), status,
                                     status == 204 ? "" : "page status=" + QByteArray::number(status)};
        QCOMPARE(static_cast<QList<QVariantList>>(completed), expected);
        client.Post(url, {{"status", "200"}, {"email", "a+b@example.com"}});
        QTRY_COMPARE_WITH_TIMEOUT(completed.size(), 5, 20000);
        QTest::qWait(300); // time for a follow-up to show itself, were there one
        const QList<ScriptedServer::Request> requests = server.requests();
        QCOMPARE(requests.size(), 5);
        for (const ScriptedServer::Request &request : requests) {
            QCOMPARE(request.method + ' ' + request.target, QByteArray("POST /game/chat.php"));
            QCOMPARE(request.header("content-type").value_or(""),
                     QByteArray("application/x-www-form-urlencoded"));
            QCOMPARE(request.header("user-agent").value_or(""), QByteArray("Quillbarrow"));
            QVERIFY(!request.header("cookie"));
        }
        QCOMPARE(requests.last().body, FormBody({{"status", "200"}, {"email", "a+b@example.com"}}));
    }

    void noReplyMeansNoCompletion_data() {
        QTest::addColumn<QByteArray>("answer");
        for (const char *answer : {"refused", "silent", "closed", "not a web address"})
            QTest::newRow(answer) << QByteArray(answer);
        QTest::newRow("unknown CA") << ScriptedServer::response(200, "OK", "ON");
        QTest::newRow("silent after the headers")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        QTest::newRow("cut mid-body")
            << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nLogIn Gran") + '\0';
        QTest::newRow("oversized") << ScriptedServer::response(
            200, "OK", QByteArray(FormPostClient::kMaxReplyBytes + 1, 'x'));
    }

    void noReplyMeansNoCompletion() {
        QFETCH(QByteArray, answer);
        TestCertificates certificates;
        std::optional<TestCertificates::Identity> tls;
        if (QByteArray(QTest::currentDataTag()) == "unknown CA")
            tls = certificates.fromThrowawayCa(u"DNS:localhost,IP:127.0.0.1"_s);
        QVERIFY(!tls || tls->error.isEmpty());
        ScriptedServer server(
            [answer](const ScriptedServer::Request &) {
                const bool cut = answer.endsWith('\0');
                return ScriptedServer::Answer{answer.startsWith("HTTP") ? answer.chopped(cut) : QByteArray(),
                                              0, cut || answer == "closed"};
            },
            tls);
        QUrl url(QString::fromUtf8(server.url("/game/check.server.php", tls ? "localhost" : "127.0.0.1")));
        if (answer == "refused")
            url.setPort(1); // nothing listens on tcpmux
        if (answer == "not a web address")
            url = QUrl(u"file:///tmp"_s);
        FormPostClient client(500);
        QSignalSpy completed(&client, &FormPostClient::RequestCompleted);
        QSignalSpy failed(&client, &FormPostClient::RequestFailed);
        client.Post(url, {{"message", "Keep Me Loged!"}});
        QVERIFY(failed.wait(20000));
        QVERIFY(!failed.first().at(1).toString().isEmpty());
        QTest::qWait(700); // past the client's time-out: still nothing
        QCOMPARE(failed.size(), 1);
        QCOMPARE(completed.size() + client.pendingCount(), 0);
    }
};

QTEST_GUILESS_MAIN(FormPostClientTest)
#include "FormPostClientTest.moc"
