// The background download against the real reference service (nginx serving /download/ over HTTPS
// with the build's local CA, digests and the setup's signature written by init and digest) and, for
// faults the service cannot be made to show on demand, a scripted server on a loopback port.
#include "net/DownloadClient.h"

#include "RunningService.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/GameCatalogue.h"
#include "net/SetupSignature.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kEndWaitMs = 30000;
constexpr qint64 kBigFileBytes = 256LL * 1024 * 1024;
constexpr qint64 kMiB = 1024 * 1024;

QByteArray sha256Of(const QString &path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex() : QByteArray();
}

QByteArray archiveOf(int game) {
    const std::string_view name = GameCatalogue()[size_t(game)].ArchiveName;
    return QByteArray(name.data(), qsizetype(name.size()));
}

QByteArray patterned(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char((i * 7919) >> 3);
    return bytes;
}

// Stands in for the window: supplies the UI-thread handlers and records what they saw.
struct TestWindow {
    struct Progress {
        int read = 0;
        int speed = 0;
        QThread *thread = nullptr;
    };
    explicit TestWindow(std::vector<int> resumeWaits = {0, 0})
        : client(std::make_unique<DownloadClient>(
              [this](int read, int speed, bool &abort) {
                  progress.push_back({read, speed, QThread::currentThread()});
                  if (onProgress)
                      onProgress(read, abort);
              },
              [this](const DownloadOutcome &outcome) {
                  QCOMPARE(QThread::currentThread(), qApp->thread());
                  outcomes.push_back(outcome);
                  if (onFinished)
                      onFinished(outcome);
              })) {
        client->setNoticeHandler([this](const QString &line) { notices.append(line); });
        client->setResumeWaits(std::move(resumeWaits));
    }
    const DownloadOutcome &waitForEnd(size_t count = 1) {
        (void)QTest::qWaitFor([&] { return outcomes.size() >= count; }, kEndWaitMs);
        static const DownloadOutcome none;
        return outcomes.size() >= count ? outcomes[count - 1] : none;
    }

    std::vector<Progress> progress;
    std::vector<DownloadOutcome> outcomes;
    QStringList notices;
    std::function<void(int read, bool &abort)> onProgress;
    std::function<void(const DownloadOutcome &)> onFinished;
    std::unique_ptr<DownloadClient> client;
};

} // namespace

class DownloadClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() {
        QString error = m_service.init();
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(QFileInfo::exists(served(archiveOf(0) + ".sha256")));
        writeServed("Empty.zip", {});
        writeServed("Mid.bin", patterned(16 * kMiB));
        for (const char *copy : {"Tampered.zip", "NotADigest.zip"})
            QVERIFY(QFile::copy(served(archiveOf(1)), served(copy)));
        // Sparse: large enough to be cut mid-transfer, cheap on disk.
        QFile big(served("Big.bin"));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(kBigFileBytes));
        big.close();
        // The operator's command for added files; then two of them spoiled.
        const RunningService::Outcome digest =
            RunningService::run({u"digest"_s, u"--data"_s, m_service.dataDir()});
        QVERIFY2(digest.exitCode == 0 && digest.out.contains(u"Big.bin.sha256"),
                 qPrintable(digest.describe()));
        writeServed("Tampered.zip.sha256", QByteArray(64, 'a') + "  Tampered.zip\n");
        writeServed("NotADigest.zip.sha256", "<html>Not found</html>\n");
        QFile::remove(served("Empty.zip.sha256"));
        error = m_service.start();
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    void init() {
        m_folder = std::make_unique<QTemporaryDir>();
        QVERIFY(m_folder->isValid());
    }

    void demoArchiveArrivesExactly() {
        const QByteArray archive = archiveOf(0);
        TestWindow window;
        const DownloadStart start = window.client->StartDownload(serviceRequest(archive));
        QVERIFY2(start.Started, qPrintable(start.Message));
        QCOMPARE(start.ContentLength, QFileInfo(served(archive)).size());
        QVERIFY(!window.client->isIdle());

        const DownloadOutcome &outcome = window.waitForEnd();
        QCOMPARE(outcome.Result, DownloadOutcome::Kind::Completed);
        QCOMPARE(outcome.FilePath, target(archive));
        QCOMPARE(outcome.BytesWritten, start.ContentLength);
        QCOMPARE(sha256Of(target(archive)), sha256Of(served(archive)));
        // Every round of blocks reported on the UI thread, counts rising to the whole file.
        QVERIFY(!window.progress.empty());
        int previous = 0;
        for (const TestWindow::Progress &report : window.progress) {
            QCOMPARE(report.thread, QThread::currentThread());
            QVERIFY(report.read > previous && report.speed >= 0);
            previous = report.read;
        }
        QCOMPARE(qint64(window.progress.back().read), start.ContentLength);
        QVERIFY(window.client->isIdle() && window.notices.isEmpty());
        QTRY_COMPARE(window.client->jobsAlive(), 0);

        // On the wire: the size request, the digest, the GET, each with our user agent.
        const QString log = QDir(m_service.dataDir()).filePath(QStringLiteral("nginx/logs/access.log"));
        const QByteArray path = "/download/" + archive;
        auto logLines = [&] {
            QFile file(log);
            QList<QByteArray> mine;
            if (file.open(QIODevice::ReadOnly))
                for (const QByteArray &line : file.readAll().split('\n'))
                    if (line.contains(path))
                        mine.append(line);
            return mine;
        };
        QTRY_COMPARE_WITH_TIMEOUT(logLines().size(), 3, 10000);
        // nginx's workers may write the lines in another order.
        const QList<QByteArray> lines = logLines();
        const QByteArray all = lines.join('\n');
        for (const QByteArray &request :
             {"\"HEAD " + path + " HTTP/1.1\" 200", "\"GET " + path + ".sha256 HTTP/1.1\" 200",
              "\"GET " + path + " HTTP/1.1\" 200"})
            QVERIFY2(all.contains(request), all.constData());
        for (const QByteArray &line : lines)
            QVERIFY2(line.endsWith("\"Quillbarrow\""), line.constData());

        // Purpose and game travel with the download.
        QVERIFY(
            window.client->StartDownload(serviceRequest(archive, DownloadPurpose::GameUpdate, 3)).Started);
        const DownloadOutcome &update = window.waitForEnd(2);
        QVERIFY(update.Result == DownloadOutcome::Kind::Completed &&
                update.Purpose == DownloadPurpose::GameUpdate && update.GameIndex == 3);
    }

    void sizeRequestFailures_data() {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("baseUrl");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing file")
            << QByteArray("NoSuchGame.zip") << QByteArray() << QString() << u"404"_s;
        QTest::newRow("refused") << QByteArray("EmberHollow.zip") << QByteArray("refused") << QString()
                                 << u"refused"_s;
        QTest::newRow("no such folder")
            << archiveOf(0) << QByteArray() << u"/no/such/folder"_s << u"Cannot create"_s;
        QTest::newRow("name leaving the folder")
            << QByteArray("../EmberHollow.zip") << QByteArray() << QString() << u"not a file name"_s;
        QTest::newRow("not a web address") << QByteArray("EmberHollow.zip") << QByteArray("file:///tmp/")
                                           << QString() << u"not a download address"_s;
    }

    void sizeRequestFailures() {
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, baseUrl);
        QFETCH(QString, folder);
        QFETCH(QString, message);
        DownloadRequest request = serviceRequest(fileName);
        if (baseUrl == "refused") {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            request.BaseUrl = "https://localhost:" + QByteArray::number(probe.serverPort()) + "/download/";
        } else if (!baseUrl.isEmpty()) {
            request.BaseUrl = baseUrl;
        }
        if (!folder.isEmpty())
            request.Folder = folder.toUtf8();

        TestWindow window;
        const DownloadStart start = window.client->StartDownload(request);
        QVERIFY(!start.Started);
        QVERIFY2(start.Message.contains(message), qPrintable(start.Message));
        QVERIFY(window.client->isIdle());
        QTRY_COMPARE(window.client->jobsAlive(), 0);
        QTest::qWait(100);
        QVERIFY(window.outcomes.empty());
        QVERIFY(QDir(m_folder->path()).isEmpty());

        // The client stays usable.
        QVERIFY(window.client->StartDownload(serviceRequest(archiveOf(0))).Started);
        QCOMPARE(window.waitForEnd().Result, DownloadOutcome::Kind::Completed);
    }

    void scriptedStartRefused_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("silent server") << u"silent"_s << u"stopped answering"_s;
        QTest::newRow("unknown CA") << u"stranger"_s << u"certificate"_s;
        QTest::newRow("endless redirect") << u"redirect"_s << u"redirected more than 10 times"_s;
        QTest::newRow("https to http") << u"downgrade"_s << u"not allowed"_s;
    }

    void scriptedStartRefused() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        std::optional<TestCertificates::Identity> tls;
        if (kind == u"stranger" || kind == u"downgrade") {
            tls = kind == u"stranger"
                      ? m_certificates.fromThrowawayCa(QStringLiteral("DNS:localhost,IP:127.0.0.1"))
                      : m_certificates.fromLocalCa(QStringLiteral("DNS:localhost,IP:127.0.0.1"));
            QVERIFY2(tls->error.isEmpty(), qPrintable(tls->error));
        }
        ScriptedServer plain([](const ScriptedServer::Request &) {
            return ScriptedServer::Answer{ScriptedServer::response(200, "OK", "data")};
        });
        ScriptedServer server(
            [&](const ScriptedServer::Request &request) -> ScriptedServer::Answer {
                if (kind == u"silent")
                    return {};
                if (kind == u"redirect")
                    return {
                        ScriptedServer::response(302, "Found", {}, "Location: " + request.target + "x\r\n")};
                if (kind == u"downgrade")
                    return {ScriptedServer::response(
                        302, "Found", {}, "Location: " + plain.url("/download/Plain.zip") + "\r\n")};
                return {ScriptedServer::response(200, "OK", "data")};
            },
            tls);
        DownloadRequest request = scriptedRequest(server, "Refused.zip");
        if (tls)
            request.BaseUrl = server.url("/download/", "localhost");
        TestWindow window;
        const DownloadStart start = window.client->StartDownload(request);
        QVERIFY(!start.Started);
        QVERIFY2(start.Message.contains(message), qPrintable(start.Message));
        QVERIFY(window.client->isIdle());
        QVERIFY(plain.requests().isEmpty());
        QVERIFY(QDir(m_folder->path()).isEmpty());
    }

    void stopsAndRefusals() {
        TestWindow window;
        // A second start while one runs is refused; the progress handler's abort answer stops the
        // first after one report, neither finished nor restarted.
        bool refused = false;
        window.onProgress = [&](int, bool &abort) {
            refused = !window.client->StartDownload(serviceRequest("Empty.zip")).Started;
            abort = true;
        };
        QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
        QCOMPARE(window.waitForEnd().Result, DownloadOutcome::Kind::Stopped);
        QVERIFY(refused);
        QCOMPARE(window.progress.size(), size_t(1));
        QVERIFY(!QFileInfo::exists(target("Big.bin")));

        // Cancel from the handler, then cancelled and started again at once: the new one runs to its end.
        window.onProgress = [&window](int, bool &) { window.client->Cancel(); };
        QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
        QCOMPARE(window.waitForEnd(2).Result, DownloadOutcome::Kind::Stopped);
        window.onProgress = nullptr;
        QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
        window.client->Cancel();
        const QByteArray archive = archiveOf(2);
        QVERIFY(window.client->StartDownload(serviceRequest(archive)).Started);
        QTRY_VERIFY_WITH_TIMEOUT(window.outcomes.back().Result == DownloadOutcome::Kind::Completed,
                                 kEndWaitMs);
        QCOMPARE(sha256Of(target(archive)), sha256Of(served(archive)));
        QVERIFY(!QFileInfo::exists(target("Big.bin")));

        QTRY_COMPARE(window.client->jobsAlive(), 0);
    }

    void emptyTransferRestartsABoundedNumberOfTimes() {
        TestWindow window;
        int starts = 0;
        auto start = [&] {
            ++starts;
            const DownloadStart started =
                window.client->StartDownload(serviceRequest("Empty.zip", DownloadPurpose::GameUpdate, 4));
            return started.Started && started.ContentLength == 0;
        };
        // What the window does on Restart: run the starting action of the purpose again.
        window.onFinished = [&](const DownloadOutcome &outcome) {
            if (outcome.Result == DownloadOutcome::Kind::Restart)
                QVERIFY(start());
        };
        QVERIFY(start());
        QTRY_VERIFY_WITH_TIMEOUT(!window.outcomes.empty() &&
                                     window.outcomes.back().Result != DownloadOutcome::Kind::Restart,
                                 kEndWaitMs);
        QCOMPARE(starts, 1 + DownloadClient::kMaxEmptyRestarts);
        for (const DownloadOutcome &outcome : window.outcomes)
            QVERIFY(outcome.Purpose == DownloadPurpose::GameUpdate && outcome.GameIndex == 4);
        QCOMPARE(window.outcomes.back().Result, DownloadOutcome::Kind::Failed);
        QVERIFY2(window.outcomes.back().Message.contains(u"no data"),
                 qPrintable(window.outcomes.back().Message));
        QVERIFY(window.progress.empty());
        QVERIFY(!QFileInfo::exists(target("Empty.zip")));
    }

    void scriptedTransferIsExact() {
        const QByteArray content = patterned(3 * kMiB + 17);
        ScriptedServer server([&content](const ScriptedServer::Request &request) {
            if (request.target.endsWith(".sha256"))
                return ScriptedServer::Answer{ScriptedServer::response(404, "Not Found", {})};
            return ScriptedServer::Answer{
                ScriptedServer::response(200, "OK", content, {}, request.method == "HEAD")};
        });
        TestWindow window;
        // Blanks, "#" and "?" in the name stay part of the one path segment.
        const DownloadStart start =
            window.client->StartDownload(scriptedRequest(server, "Exact copy #1?.zip"));
        QVERIFY2(start.Started, qPrintable(start.Message));
        QCOMPARE(start.ContentLength, qint64(content.size()));
        QCOMPARE(window.waitForEnd().Result, DownloadOutcome::Kind::Completed);
        QFile file(target("Exact copy #1?.zip"));
        QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == content);

        const QList<ScriptedServer::Request> requests = server.requests();
        QCOMPARE(requests.size(), 3); // size, digest (none published), transfer
        QCOMPARE(requests.at(0).method + requests.at(1).method + requests.at(2).method,
                 QByteArray("HEADGETGET"));
        QCOMPARE(requests.at(1).target, QByteArray("/download/Exact%20copy%20%231%3F.zip.sha256"));
        for (const ScriptedServer::Request &request : requests) {
            QVERIFY(request.target.startsWith("/download/Exact%20copy%20%231%3F.zip"));
            QCOMPARE(request.header("accept-encoding").value_or("<none>"), QByteArray("identity"));
            QCOMPARE(request.header("user-agent").value_or("<none>"), QByteArray("Quillbarrow"));
            QVERIFY(!request.header("range"));
        }
    }

    void scriptedFaults_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message"); // a pattern; empty: completed
        QTest::addColumn<int>("attempts");    // to resume
        QTest::addColumn<int>("notices");
        QTest::newRow("connection lost every time") << u"cut"_s << u"closed the connection"_s << 2 << 2;
        QTest::newRow("shorter than announced") << u"short"_s << u"300000 of 1000000"_s << 2 << 0;
        QTest::newRow("longer than announced") << u"long"_s << u"1200000 of 1000000"_s << 2 << 0;
        QTest::newRow("server falls silent") << u"silent"_s << u"stopped answering"_s << 0 << 0;
        QTest::newRow("error page") << u"error"_s << u"500"_s << 2 << 0;
        QTest::newRow("resumed with the rest") << u"resume"_s << u""_s << 2 << 1;
        QTest::newRow("whole file again") << u"whole"_s << u""_s << 2 << 1;
        QTest::newRow("range not satisfiable") << u"416"_s << u""_s << 2 << 2;
        QTest::newRow("wrong range") << u"wrongrange"_s << u"wrong part of the file"_s << 2 << 1;
        QTest::newRow("file switched") << u"switch"_s << u"changed on the server"_s << 1 << 1;
    }

    void scriptedFaults() {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QFETCH(int, attempts);
        QFETCH(int, notices);
        const QByteArray body = patterned(1000000);
        std::atomic_int gets{0};
        ScriptedServer server([&](const ScriptedServer::Request &request) -> ScriptedServer::Answer {
            const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\nETag: \"a\"\r\n\r\n";
            if (request.method == "HEAD")
                return {whole};
            // The digest holds across resumed and restarted transfers.
            if (request.target.endsWith(".sha256"))
                return {ScriptedServer::response(
                    200, "OK",
                    QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + "  Broken.zip\n")};
            const int get = ++gets;
            const std::optional<QByteArray> range = request.header("range");
            const QByteArray rest =
                "HTTP/1.1 206 Partial Content\r\nContent-Length: 700000\r\nETag: \"a\"\r\n"
                "Content-Range: bytes 300000-999999/1000000\r\n\r\n";
            if (kind == u"cut" || (get == 1 && (kind == u"resume" || kind == u"whole" || kind == u"416" ||
                                                kind == u"wrongrange" || kind == u"switch")))
                return {whole + body.left(300000), 0, true};
            if (kind == u"short")
                return {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body.left(300000), 0, true};
            if (kind == u"long")
                return {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body + body.left(200000), 0, true};
            if (kind == u"silent")
                return {whole + body.left(300000)};
            if (kind == u"error")
                return {ScriptedServer::response(500, "Internal Server Error", "<html>oops</html>")};
            if (kind == u"resume" && range == "bytes=300000-" && request.header("if-range") == "\"a\"")
                return {rest + body.mid(300000)};
            if (kind == u"416" && range)
                return {"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Length: 0\r\n\r\n"};
            if (kind == u"wrongrange")
                return {"HTTP/1.1 206 Partial Content\r\nContent-Length: 1000\r\nETag: \"a\"\r\n"
                        "Content-Range: bytes 0-999/1000000\r\n\r\n" +
                        body.left(1000)};
            if (kind == u"switch")
                return {QByteArray(rest).replace("\"a\"", "\"b\"") + body.mid(300000)};
            return {whole + body}; // "whole", and 416's fresh start
        });
        TestWindow window(std::vector<int>(size_t(attempts), 0));
        const DownloadStart start = window.client->StartDownload(scriptedRequest(server, "Broken.zip"));
        QVERIFY2(start.Started, qPrintable(start.Message));
        QCOMPARE(start.ContentLength, qint64(1000000));
        const DownloadOutcome &outcome = window.waitForEnd();
        QCOMPARE(window.notices.size(), notices);
        for (const QString &line : std::as_const(window.notices))
            QVERIFY2(line.contains(u"Broken.zip"), qPrintable(line));
        if (message.isEmpty()) {
            QVERIFY2(outcome.Result == DownloadOutcome::Kind::Completed, qPrintable(outcome.Message));
            QFile file(target("Broken.zip"));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == body);
        } else {
            QCOMPARE(outcome.Result, DownloadOutcome::Kind::Failed);
            QVERIFY2(outcome.Message.contains(QRegularExpression(message)), qPrintable(outcome.Message));
            QVERIFY2(outcome.Message.contains(u"Broken.zip"), qPrintable(outcome.Message));
            QVERIFY(!QFileInfo::exists(target("Broken.zip")));
        }
        QVERIFY(window.client->isIdle());
        QTRY_COMPARE(window.client->jobsAlive(), 0);
        QTest::qWait(100);
        QCOMPARE(window.outcomes.size(), size_t(1));
    }

    void publishedDigests_data() {
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QString>("message"); // empty: completed
        QTest::newRow("digest matches") << archiveOf(1) << QString();
        QTest::newRow("digest mismatch") << QByteArray("Tampered.zip") << u"damaged"_s;
        QTest::newRow("digest file not one") << QByteArray("NotADigest.zip") << u"not a SHA-256"_s;
    }

    void publishedDigests() {
        QFETCH(QByteArray, fileName);
        QFETCH(QString, message);
        TestWindow window;
        QVERIFY(window.client->StartDownload(serviceRequest(fileName)).Started);
        const DownloadOutcome &outcome = window.waitForEnd();
        if (message.isEmpty()) {
            QVERIFY2(outcome.Result == DownloadOutcome::Kind::Completed, qPrintable(outcome.Message));
            QCOMPARE(sha256Of(target(fileName)), sha256Of(served(fileName)));
        } else {
            QCOMPARE(outcome.Result, DownloadOutcome::Kind::Failed);
            QVERIFY2(outcome.Message.contains(message) &&
                         outcome.Message.contains(QString::fromUtf8(fileName)),
                     qPrintable(outcome.Message));
            QVERIFY(!QFileInfo::exists(target(fileName)));
        }
    }

    void resumesAfterTheServiceRestarts() {
        TestWindow window({1000, 2000, 4000});
        QProcess again; // the same service on the same port, as an operator restarts it
        const QStringList serve = {u"serve"_s, u"--data"_s, m_service.dataDir(), u"--port"_s,
                                   QString::number(m_service.port())};
        int previous = 0;
        bool rising = true;
        window.onProgress = [&](int read, bool &) {
            rising = rising && read > previous;
            previous = read;
            if (again.state() == QProcess::NotRunning && read > kBigFileBytes / 8) {
                m_service.stop();
                QTimer::singleShot(300, this, [&] { again.start(RunningService::program(), serve); });
            }
        };
        QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
        const DownloadOutcome &outcome = window.waitForEnd();
        again.terminate();
        QVERIFY(again.waitForFinished(10000));
        QVERIFY(m_service.start().isEmpty());
        QVERIFY2(outcome.Result == DownloadOutcome::Kind::Completed, qPrintable(outcome.Message));
        QVERIFY(rising);
        QCOMPARE(QFileInfo(target("Big.bin")).size(), kBigFileBytes);
        QCOMPARE(sha256Of(target("Big.bin")), sha256Of(served("Big.bin")));
        QVERIFY(!window.notices.isEmpty() && window.notices.size() <= 3);
        QVERIFY2(window.notices.first().contains(u"resuming"), qPrintable(window.notices.first()));
    }

    void speedLimitHoldsAndFollowsAChange() {
        TestWindow window;
        QElapsedTimer clock;
        // 16 MiB at 8 MiB/s: about two seconds.
        window.client->setSpeedLimit(8 * kMiB);
        clock.start();
        QVERIFY(window.client->StartDownload(serviceRequest("Mid.bin")).Started);
        QCOMPARE(window.waitForEnd().Result, DownloadOutcome::Kind::Completed);
        QVERIFY2(clock.elapsed() > 1800 && clock.elapsed() < 2600,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(sha256Of(target("Mid.bin")), sha256Of(served("Mid.bin")));

        // At 1 MiB/s it would take 16 s; lifted after half a second, it ends at once.
        window.client->setSpeedLimit(kMiB);
        QTimer::singleShot(500, this, [&window] { window.client->setSpeedLimit(0); });
        clock.start();
        QVERIFY(window.client->StartDownload(serviceRequest("Mid.bin")).Started);
        QCOMPARE(window.waitForEnd(2).Result, DownloadOutcome::Kind::Completed);
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
    }

    void setupSignatureTravelsAndVerifies() {
        const QByteArray setup = "QuillbarrowSetup.exe";
        TestWindow window;
        const DownloadStart start =
            window.client->StartDownload(serviceRequest(setup, DownloadPurpose::LauncherSetup, -1));
        QVERIFY2(start.Started, qPrintable(start.Message));
        const DownloadOutcome &outcome = window.waitForEnd();
        QCOMPARE(outcome.Result, DownloadOutcome::Kind::Completed);
        QCOMPARE(outcome.Signature.size(), 64);
        const std::optional<QString> verified = SetupSignature::problem(outcome.FilePath, outcome.Signature);
        QVERIFY2(!verified, qPrintable(verified.value_or(QString())));
        // The operator's command signs with a key of their own; the launcher's key does not accept it.
        const QString key = m_folder->filePath(u"operator.key"_s);
        QFile keyFile(key);
        QVERIFY(keyFile.open(QIODevice::WriteOnly) && keyFile.write(QByteArray(128, '7')) == 128);
        keyFile.close();
        const RunningService::Outcome signedByOperator =
            RunningService::run({u"sign"_s, outcome.FilePath, u"--key"_s, key});
        QVERIFY2(signedByOperator.exitCode == 0, qPrintable(signedByOperator.describe()));
        QFile signature(outcome.FilePath + u".sig"_s);
        QVERIFY(signature.open(QIODevice::ReadOnly));
        QVERIFY(SetupSignature::problem(outcome.FilePath, signature.readAll())->contains(u"does not match"));
    }

    void destroyedWhileTheWorkerWaitsForTheUiThread() {
        auto window = std::make_unique<TestWindow>();
        QVERIFY(window->client->StartDownload(serviceRequest("Big.bin")).Started);
        QTRY_VERIFY_WITH_TIMEOUT(!window->progress.empty(), kEndWaitMs);
        QThread::msleep(300); // no events served: the next round's hand-over waits for this thread
        const size_t reports = window->progress.size();
        window->client.reset();
        QCOMPARE(window->progress.size(), reports);
        QVERIFY(!QFileInfo::exists(target("Big.bin")));
        QTest::qWait(200);
        QVERIFY(window->outcomes.empty());
    }

private:
    DownloadRequest serviceRequest(const QByteArray &fileName,
                                   DownloadPurpose purpose = DownloadPurpose::GameInstall,
                                   int game = 0) const {
        return {fileName,
                "https://localhost:" + QByteArray::number(m_service.port()) + "/download/",
                m_folder->path().toUtf8(),
                "Test " + fileName,
                purpose,
                game};
    }
    DownloadRequest scriptedRequest(const ScriptedServer &server, const QByteArray &fileName) const {
        return {fileName, server.url("/download/"),     m_folder->path().toUtf8(),
                fileName, DownloadPurpose::GameInstall, 1};
    }
    QString served(const QByteArray &fileName) const {
        return QDir(m_service.dataDir())
            .filePath(QStringLiteral("www/download/") + QString::fromUtf8(fileName));
    }
    QString target(const QByteArray &fileName) const {
        return m_folder->filePath(QString::fromUtf8(fileName));
    }
    void writeServed(const QByteArray &fileName, const QByteArray &content) const {
        QFile file(served(fileName));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }

    RunningService m_service;
    TestCertificates m_certificates;
    std::unique_ptr<QTemporaryDir> m_folder;
};

QTEST_GUILESS_MAIN(DownloadClientTest)
#include "DownloadClientTest.moc"
