// The download's own HTTP/1.1 reader against a scripted server on a loopback port: the body framings
// a server may choose, the ways a response can go wrong, redirects and TLS. The reference service's
// nginx always sends a plain length; the whole download against it is DownloadClientTest's.
#include "net/HttpGetStream.h"

#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "net/ServiceTrust.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

using Failure = HttpGetStream::Failure;

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(77);
    for (char &byte : bytes)
        byte = char(generator.generate() & 0xFF);
    return bytes;
}

QByteArray chunked(const QList<QByteArray> &chunks, const QByteArray &trailers = {}) {
    QByteArray bytes = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (const QByteArray &chunk : chunks)
        bytes += QByteArray::number(chunk.size(), 16) + ";note=x\r\n" + chunk + "\r\n";
    return bytes + "0\r\n" + trailers + "\r\n";
}

struct Fetched {
    QByteArray body;
    int finishedSignals = 0;
    int headers = 0;
    Failure failure = Failure::None;
    QString error;
    int status = 0;
    qint64 length = -2;
};

// Runs one GET to its end on this thread's event loop.
Fetched fetch(const QByteArray &url, int idleTimeoutMs = 3000,
              const std::function<void(HttpGetStream &, const Fetched &)> &onBlock = {}) {
    Fetched result;
    HttpGetStream stream(QUrl::fromEncoded(url), {{"Accept-Encoding", "identity"}},
                         ServiceTrust::configuration(), idleTimeoutMs);
    QEventLoop loop;
    QObject::connect(&stream, &HttpGetStream::headersReceived, &loop, [&] { ++result.headers; });
    QObject::connect(&stream, &HttpGetStream::bodyReceived, &loop, [&](QByteArrayView block) {
        result.body += block;
        if (onBlock)
            onBlock(stream, result);
    });
    QObject::connect(&stream, &HttpGetStream::finished, &loop, [&] {
        ++result.finishedSignals;
        loop.quit();
    });
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    stream.start();
    loop.exec();
    // Anything the stream would still send after its end arrives here.
    QTest::qWait(50);
    result.failure = stream.failure();
    result.error = stream.errorString();
    result.status = stream.status();
    result.length = stream.contentLength();
    return result;
}

ScriptedServer::Answer answerWith(const QByteArray &bytes, bool close = false) {
    return ScriptedServer::Answer{bytes, 0, close};
}

} // namespace

class HttpGetStreamTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bodyFramings_data();
    void bodyFramings();
    void brokenResponses_data();
    void brokenResponses();
    void requestAsSent();
    void redirects();
    void tlsBodyInLargeBlocksAndUntrustedPeer();
    void abortFromTheBodyHandler();
    void refusedAndSilent();

private:
    TestCertificates m_certificates;
};

void HttpGetStreamTest::bodyFramings_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<qint64>("length");
    const QByteArray big = randomBytes(1024 * 1024 + 3);
    QTest::newRow("length") << ScriptedServer::response(200, "OK", big) << false << big << qint64(big.size());
    QTest::newRow("length zero") << ScriptedServer::response(200, "OK", {}) << false << QByteArray()
                                 << qint64(0);
    QTest::newRow("chunked, extensions and trailers")
        << chunked({big.left(70000), big.mid(70000, 1), big.mid(70001)}, "X-Sum: 1\r\nX-More: 2\r\n") << false
        << big << qint64(-1);
    // A length beside chunked means nothing; the chunks count.
    QTest::newRow("chunked beats a length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "5\r\nhello\r\n0\r\n\r\n")
        << false << QByteArray("hello") << qint64(-1);
    QTest::newRow("up to the close") << QByteArray("HTTP/1.1 200 OK\r\n\r\n" + big) << true << big
                                     << qint64(-1);
    QTest::newRow("interim answer first")
        << QByteArray("HTTP/1.1 100 Continue\r\n\r\n" + ScriptedServer::response(200, "OK", "body")) << false
        << QByteArray("body") << qint64(4);
    QTest::newRow("no content") << QByteArray("HTTP/1.1 204 No Content\r\n\r\n") << false << QByteArray()
                                << qint64(-1);
    QTest::newRow("error page read to its end")
        << ScriptedServer::response(404, "Not Found", "<html>none</html>") << false
        << QByteArray("<html>none</html>") << qint64(17);
}

void HttpGetStreamTest::bodyFramings() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, close);
    QFETCH(QByteArray, body);
    QFETCH(qint64, length);
    ScriptedServer server([&](const ScriptedServer::Request &) { return answerWith(answer, close); });
    const Fetched fetched = fetch(server.url("/file.zip"));
    QCOMPARE(fetched.failure, Failure::None);
    QCOMPARE(fetched.finishedSignals, 1);
    QCOMPARE(fetched.headers, 1);
    QCOMPARE(fetched.body.size(), body.size());
    QVERIFY(fetched.body == body);
    QCOMPARE(fetched.length, length);
    QVERIFY(fetched.status >= 200);
}

void HttpGetStreamTest::brokenResponses_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("close");
    QTest::addColumn<int>("failure");
    QTest::addColumn<QByteArray>("bodyBefore"); // what was handed out before the fault
    const QByteArray part = randomBytes(200000);
    QTest::newRow("not HTTP") << QByteArray("SSH-2.0-OpenSSH_9.2\r\n\r\n") << true << int(Failure::Protocol)
                              << QByteArray();
    QTest::newRow("status not a number")
        << QByteArray("HTTP/1.1 2x0 OK\r\n\r\n") << true << int(Failure::Protocol) << QByteArray();
    QTest::newRow("header without a colon") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length 5\r\n\r\nhello")
                                            << false << int(Failure::Protocol) << QByteArray();
    QTest::newRow("two different lengths")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\nhello") << false
        << int(Failure::Protocol) << QByteArray();
    QTest::newRow("negative length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n") << false
                                     << int(Failure::Protocol) << QByteArray();
    QTest::newRow("endless header line") << QByteArray("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(40000, 'a'))
                                         << false << int(Failure::Protocol) << QByteArray();
    // Whole in the buffer, but longer than a line may be.
    QTest::newRow("long header line") << QByteArray("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(40000, 'a') +
                                                    "\r\nContent-Length: 1\r\n\r\nx")
                                      << false << int(Failure::Protocol) << QByteArray();
    QTest::newRow("unreadable chunk size")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\n") << false
        << int(Failure::Protocol) << QByteArray("hello");
    QTest::newRow("chunk longer than announced")
        << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhello\r\n0\r\n\r\n") << false
        << int(Failure::Protocol) << QByteArray("hel");
    QTest::newRow("closed inside the length")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + part) << true
        << int(Failure::Closed) << part;
    QTest::newRow("closed before the last chunk")
        << chunked({part}).chopped(5) << true << int(Failure::Closed) << part;
    QTest::newRow("closed before any answer") << QByteArray() << true << int(Failure::Closed) << QByteArray();
}

void HttpGetStreamTest::brokenResponses() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, close);
    QFETCH(int, failure);
    QFETCH(QByteArray, bodyBefore);
    ScriptedServer server([&](const ScriptedServer::Request &) { return answerWith(answer, close); });
    const Fetched fetched = fetch(server.url("/file.zip"), 1500);
    QCOMPARE(int(fetched.failure), failure);
    QVERIFY(!fetched.error.isEmpty());
    QCOMPARE(fetched.finishedSignals, 1);
    QVERIFY(fetched.body == bodyBefore);
}

void HttpGetStreamTest::requestAsSent() {
    ScriptedServer server(
        [](const ScriptedServer::Request &) { return answerWith(ScriptedServer::response(200, "OK", "x")); });
    const Fetched fetched = fetch(server.url("/download/Two%20words%23%3F.zip?v=2"));
    QCOMPARE(fetched.failure, Failure::None);
    const QList<ScriptedServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 1);
    QCOMPARE(requests.front().method, QByteArray("GET"));
    QCOMPARE(requests.front().target, QByteArray("/download/Two%20words%23%3F.zip?v=2"));
    QCOMPARE(requests.front().header("host").value_or(QByteArray("<none>")),
             "127.0.0.1:" + QByteArray::number(server.port()));
    QCOMPARE(requests.front().header("accept-encoding").value_or(QByteArray("<none>")),
             QByteArray("identity"));
    QCOMPARE(requests.front().header("connection").value_or(QByteArray("<none>")), QByteArray("close"));
}

void HttpGetStreamTest::redirects() {
    // Relative and absolute Locations are followed; only the last answer's body is handed out.
    ScriptedServer server([](const ScriptedServer::Request &request) {
        if (request.target == "/old.zip")
            return answerWith(ScriptedServer::response(301, "Moved", "moved page", "Location: /mid.zip\r\n"));
        if (request.target == "/mid.zip")
            return answerWith(ScriptedServer::response(307, "Temporary", {}, "Location: new.zip\r\n"));
        if (request.target == "/loop.zip")
            return answerWith(ScriptedServer::response(302, "Found", {}, "Location: /loop.zip\r\n"));
        return answerWith(ScriptedServer::response(200, "OK", "the file"));
    });
    const Fetched moved = fetch(server.url("/old.zip"));
    QCOMPARE(moved.failure, Failure::None);
    QCOMPARE(moved.body, QByteArray("the file"));
    QCOMPARE(moved.headers, 1);
    QCOMPARE(server.requests().size(), 3);
    QCOMPARE(server.requests().back().target, QByteArray("/new.zip"));

    const Fetched loop = fetch(server.url("/loop.zip"));
    QCOMPARE(loop.failure, Failure::Protocol);
    QVERIFY(loop.body.isEmpty());
    QCOMPARE(server.requests().size(), 3 + 1 + HttpGetStream::kMaxRedirects);

    // From https down to http is refused before anything is asked of the http address.
    const TestCertificates::Identity local = m_certificates.fromLocalCa(QStringLiteral("DNS:localhost"));
    QVERIFY2(local.error.isEmpty(), qPrintable(local.error));
    ScriptedServer plain([](const ScriptedServer::Request &) {
        return answerWith(ScriptedServer::response(200, "OK", "plain"));
    });
    const QByteArray plainUrl = plain.url("/file.zip");
    ScriptedServer secure(
        [&](const ScriptedServer::Request &) {
            return answerWith(ScriptedServer::response(302, "Found", {}, "Location: " + plainUrl + "\r\n"));
        },
        local);
    const Fetched downgraded = fetch(secure.url("/file.zip", "localhost"));
    QCOMPARE(downgraded.failure, Failure::Protocol);
    QVERIFY2(downgraded.error.contains(QStringLiteral("http")), qPrintable(downgraded.error));
    QCOMPARE(secure.requests().size(), 1);
    QVERIFY(plain.requests().isEmpty());
}

void HttpGetStreamTest::tlsBodyInLargeBlocksAndUntrustedPeer() {
    const QByteArray content = randomBytes(8 * 1024 * 1024 + 5);
    const TestCertificates::Identity local = m_certificates.fromLocalCa(QStringLiteral("DNS:localhost"));
    QVERIFY2(local.error.isEmpty(), qPrintable(local.error));
    ScriptedServer server(
        [&](const ScriptedServer::Request &) {
            return answerWith(ScriptedServer::response(200, "OK", content));
        },
        local);
    int blocks = 0;
    const Fetched fetched =
        fetch(server.url("/big.zip", "localhost"), 3000, [&](HttpGetStream &, const Fetched &) { ++blocks; });
    QCOMPARE(fetched.failure, Failure::None);
    QVERIFY(fetched.body == content);
    // Read once the socket has decrypted what came in, not once per 4 KiB record.
    QVERIFY2(blocks < content.size() / 8192, qPrintable(QString::number(blocks)));

    // The certificate names "localhost" only: asked by address, the name check fails.
    const Fetched wrongName = fetch(server.url("/big.zip", "127.0.0.1"));
    QCOMPARE(wrongName.failure, Failure::Tls);
    QVERIFY(wrongName.body.isEmpty());

    const TestCertificates::Identity stranger =
        m_certificates.fromThrowawayCa(QStringLiteral("DNS:localhost"));
    QVERIFY2(stranger.error.isEmpty(), qPrintable(stranger.error));
    ScriptedServer untrusted(
        [](const ScriptedServer::Request &) { return answerWith(ScriptedServer::response(200, "OK", "x")); },
        stranger);
    const Fetched refused = fetch(untrusted.url("/x.zip", "localhost"));
    QCOMPARE(refused.failure, Failure::Tls);
    QVERIFY2(!refused.error.isEmpty(), qPrintable(refused.error));
    QVERIFY(untrusted.requests().isEmpty());
}

void HttpGetStreamTest::abortFromTheBodyHandler() {
    const QByteArray content = randomBytes(4 * 1024 * 1024);
    ScriptedServer server([&](const ScriptedServer::Request &) {
        return answerWith(ScriptedServer::response(200, "OK", content));
    });
    int blocks = 0;
    const Fetched fetched = fetch(server.url("/big.zip"), 3000, [&](HttpGetStream &stream, const Fetched &) {
        ++blocks;
        stream.abort();
        stream.abort(); // a second abort is nothing
    });
    QCOMPARE(fetched.failure, Failure::Aborted);
    QCOMPARE(blocks, 1);
    QCOMPARE(fetched.finishedSignals, 1);
    QVERIFY(fetched.body.size() < content.size());
}

void HttpGetStreamTest::refusedAndSilent() {
    QTcpServer probe;
    QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = probe.serverPort();
    probe.close();
    const Fetched refused = fetch("http://127.0.0.1:" + QByteArray::number(freePort) + "/x.zip");
    QCOMPARE(refused.failure, Failure::Refused);

    // Silent after the head and part of the body: the idle limit counts from the last byte.
    ScriptedServer server([](const ScriptedServer::Request &) {
        return answerWith("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst");
    });
    QElapsedTimer clock;
    clock.start();
    const Fetched silent = fetch(server.url("/x.zip"), 400);
    QCOMPARE(silent.failure, Failure::TimedOut);
    QCOMPARE(silent.body, QByteArray("first"));
    QVERIFY2(clock.elapsed() >= 400, qPrintable(QString::number(clock.elapsed())));
}

QTEST_GUILESS_MAIN(HttpGetStreamTest)
#include "HttpGetStreamTest.moc"
