// The background download against the real reference service (nginx serving /download/ over HTTPS
// with the build's local CA) and, for failures the service cannot be made to show on demand, a
// scripted server on a loopback port.
#include "net/DownloadClient.h"

#include "RunningService.h"
#include "ScriptedServer.h"
#include "TestCertificates.h"
#include "core/GameCatalogue.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <vector>

namespace {

constexpr int kEndWaitMs = 30000;
constexpr qint64 kBigFileBytes = 512LL * 1024 * 1024;

QByteArray sha256Of(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

QByteArray archiveOf(int game) {
    const std::string_view name = GameCatalogue()[size_t(game)].ArchiveName;
    return QByteArray(name.data(), qsizetype(name.size()));
}

QByteArray randomBytes(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(20240611);
    for (char &byte : bytes)
        byte = char(generator.generate() & 0xFF);
    return bytes;
}

// Stands in for the window: supplies the two UI-thread handlers and records what they saw.
class TestWindow {
public:
    struct Progress {
        int read = 0;
        int speed = 0;
        QThread *thread = nullptr;
    };

    TestWindow()
        : client(std::make_unique<DownloadClient>(
              [this](int read, int speed, bool &abort) {
                  progress.push_back({read, speed, QThread::currentThread()});
                  if (onProgress)
                      onProgress(read, abort);
              },
              [this](const DownloadOutcome &outcome) {
                  outcomes.push_back(outcome);
                  finishThreads.push_back(QThread::currentThread());
                  if (onFinished)
                      onFinished(outcome);
              })) {}

    std::vector<Progress> progress;
    std::vector<DownloadOutcome> outcomes;
    std::vector<QThread *> finishThreads;
    std::function<void(int read, bool &abort)> onProgress;
    std::function<void(const DownloadOutcome &)> onFinished;
    std::unique_ptr<DownloadClient> client;
};

} // namespace

class DownloadClientTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void demoArchiveArrivesExactly();
    void purposeAndGameTravelWithTheDownload();
    void sizeRequestFailures_data();
    void sizeRequestFailures();
    void silentServerEndsTheSizeRequest();
    void unknownCaIsRefused();
    void abortAnsweredByTheProgressHandler();
    void cancelStopsTheTransfer();
    void secondStartWhileRunningIsRefused();
    void emptyTransferRestartsABoundedNumberOfTimes();
    void scriptedTransferIsExactWithTwoRequests();
    void failuresAfterTheStart_data();
    void failuresAfterTheStart();
    void serviceGoneMidTransfer();
    void destroyedDuringTransfer_data();
    void destroyedDuringTransfer();

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

    RunningService m_service;
    TestCertificates m_certificates;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void DownloadClientTest::initTestCase() {
    QString error = m_service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY(QFileInfo::exists(served(archiveOf(0))));
    QFile empty(served("Empty.zip"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    empty.close();
    // Sparse: large enough to be cut mid-transfer, cheap on disk.
    QFile big(served("Big.bin"));
    QVERIFY(big.open(QIODevice::WriteOnly));
    QVERIFY(big.resize(kBigFileBytes));
    big.close();
    error = m_service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void DownloadClientTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
}

void DownloadClientTest::demoArchiveArrivesExactly() {
    const QByteArray archive = archiveOf(0);
    TestWindow window;
    const DownloadStart start = window.client->StartDownload(serviceRequest(archive));
    QVERIFY2(start.Started, qPrintable(start.Message));
    QCOMPARE(start.ContentLength, QFileInfo(served(archive)).size());
    QVERIFY(!window.client->isIdle());

    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    const DownloadOutcome &outcome = window.outcomes.front();
    QCOMPARE(outcome.Result, DownloadOutcome::Kind::Completed);
    QCOMPARE(outcome.FilePath, target(archive));
    QCOMPARE(outcome.BytesWritten, start.ContentLength);
    QCOMPARE(QFileInfo(target(archive)).size(), start.ContentLength);
    QCOMPARE(sha256Of(target(archive)), sha256Of(served(archive)));

    // Every block reported on the UI thread, counts rising to the whole file.
    QVERIFY(!window.progress.empty());
    int previous = 0;
    for (const TestWindow::Progress &report : window.progress) {
        QCOMPARE(report.thread, QThread::currentThread());
        QVERIFY(report.read > previous);
        QVERIFY(report.speed >= 0);
        previous = report.read;
    }
    QCOMPARE(qint64(window.progress.back().read), start.ContentLength);
    QCOMPARE(window.finishThreads.front(), QThread::currentThread());
    QVERIFY(window.client->isIdle());
    QTRY_COMPARE(window.client->jobsAlive(), 0);

    // On the wire: the size request and the GET, nothing else (no request with the method "0").
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
    QTRY_COMPARE_WITH_TIMEOUT(logLines().size(), 2, 10000);
    QVERIFY2(logLines().at(0).contains("\"HEAD " + path + " HTTP/1.1\" 200"), logLines().at(0).constData());
    QVERIFY2(logLines().at(1).contains("\"GET " + path + " HTTP/1.1\" 200"), logLines().at(1).constData());
}

void DownloadClientTest::purposeAndGameTravelWithTheDownload() {
    const QByteArray archive = archiveOf(3);
    TestWindow window;
    for (const auto &[purpose, game] :
         {std::pair{DownloadPurpose::GameUpdate, 3}, std::pair{DownloadPurpose::LauncherSetup, -1},
          std::pair{DownloadPurpose::GameInstall, 12}}) {
        const size_t before = window.outcomes.size();
        QVERIFY(window.client->StartDownload(serviceRequest(archive, purpose, game)).Started);
        QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), before + 1, kEndWaitMs);
        QCOMPARE(window.outcomes.back().Result, DownloadOutcome::Kind::Completed);
        QCOMPARE(window.outcomes.back().Purpose, purpose);
        QCOMPARE(window.outcomes.back().GameIndex, game);
    }
}

void DownloadClientTest::sizeRequestFailures_data() {
    QTest::addColumn<QByteArray>("fileName");
    QTest::addColumn<QByteArray>("baseUrl");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << QByteArray("NoSuchGame.zip") << QByteArray() << QString()
                                  << QStringLiteral("404");
    QTest::newRow("refused") << QByteArray("EmberHollow.zip") << QByteArray("refused") << QString()
                             << QStringLiteral("refused");
    QTest::newRow("no such folder") << archiveOf(0) << QByteArray() << QStringLiteral("/no/such/folder")
                                    << QStringLiteral("Cannot create");
    QTest::newRow("name leaving the folder")
        << QByteArray("../EmberHollow.zip") << QByteArray() << QString() << QStringLiteral("not a file name");
    QTest::newRow("not a web address") << QByteArray("EmberHollow.zip") << QByteArray("file:///tmp/")
                                       << QString() << QStringLiteral("not a download address");
}

void DownloadClientTest::sizeRequestFailures() {
    QFETCH(QByteArray, fileName);
    QFETCH(QByteArray, baseUrl);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    DownloadRequest request = serviceRequest(fileName);
    if (baseUrl == "refused") {
        quint16 closed = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            closed = probe.serverPort();
        }
        request.BaseUrl = "https://localhost:" + QByteArray::number(closed) + "/download/";
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
    QVERIFY(m_folder->isValid() && QDir(m_folder->path()).isEmpty());

    // The client stays usable.
    QVERIFY(window.client->StartDownload(serviceRequest(archiveOf(0))).Started);
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    QCOMPARE(window.outcomes.front().Result, DownloadOutcome::Kind::Completed);
}

void DownloadClientTest::silentServerEndsTheSizeRequest() {
    ScriptedServer server([](const ScriptedServer::Request &) { return ScriptedServer::Answer{}; });
    TestWindow window;
    const DownloadStart start = window.client->StartDownload(scriptedRequest(server, "Silent.zip"));
    QVERIFY(!start.Started);
    QVERIFY2(start.Message.contains(QStringLiteral("stopped answering")), qPrintable(start.Message));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().first().method, QByteArray("HEAD"));
    QVERIFY(window.client->isIdle());
    QVERIFY(!QFileInfo::exists(target("Silent.zip")));
}

void DownloadClientTest::unknownCaIsRefused() {
    const TestCertificates::Identity stranger =
        m_certificates.fromThrowawayCa(QStringLiteral("DNS:localhost,IP:127.0.0.1"));
    QVERIFY2(stranger.error.isEmpty(), qPrintable(stranger.error));
    ScriptedServer server(
        [](const ScriptedServer::Request &) {
            return ScriptedServer::Answer{ScriptedServer::response(200, "OK", "data")};
        },
        stranger);
    TestWindow window;
    DownloadRequest request = scriptedRequest(server, "Stranger.zip");
    request.BaseUrl = server.url("/download/", "localhost");
    const DownloadStart start = window.client->StartDownload(request);
    QVERIFY(!start.Started);
    QVERIFY2(start.Message.contains(QStringLiteral("certificate")), qPrintable(start.Message));
    QVERIFY(server.requests().isEmpty());
    QVERIFY(!QFileInfo::exists(target("Stranger.zip")));
}

void DownloadClientTest::abortAnsweredByTheProgressHandler() {
    TestWindow window;
    window.onProgress = [](int, bool &abort) { abort = true; };
    QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    QCOMPARE(window.outcomes.front().Result, DownloadOutcome::Kind::Stopped);
    QCOMPARE(window.progress.size(), size_t(1));
    QVERIFY(window.outcomes.front().BytesWritten < kBigFileBytes);
    QVERIFY(!QFileInfo::exists(target("Big.bin")));
    QVERIFY(window.client->isIdle());
    QTRY_COMPARE(window.client->jobsAlive(), 0);
    // A stopped download is neither finished nor restarted.
    QTest::qWait(200);
    QCOMPARE(window.outcomes.size(), size_t(1));
}

void DownloadClientTest::cancelStopsTheTransfer() {
    TestWindow window;
    window.onProgress = [&window](int, bool &) { window.client->Cancel(); };
    QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    QCOMPARE(window.outcomes.front().Result, DownloadOutcome::Kind::Stopped);
    QVERIFY(!QFileInfo::exists(target("Big.bin")));
    QVERIFY(window.client->isIdle());

    // Cancelled and started again at once: the new download runs to its end.
    window.onProgress = nullptr;
    const QByteArray archive = archiveOf(1);
    QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
    window.client->Cancel();
    QVERIFY(window.client->StartDownload(serviceRequest(archive)).Started);
    QTRY_VERIFY_WITH_TIMEOUT(!window.outcomes.empty() &&
                                 window.outcomes.back().Result == DownloadOutcome::Kind::Completed,
                             kEndWaitMs);
    QCOMPARE(sha256Of(target(archive)), sha256Of(served(archive)));
    QTRY_COMPARE(window.client->jobsAlive(), 0);
    QVERIFY(!QFileInfo::exists(target("Big.bin")));
}

void DownloadClientTest::secondStartWhileRunningIsRefused() {
    TestWindow window;
    bool refused = false;
    window.onProgress = [&](int, bool &) {
        if (window.progress.size() == 1) {
            const DownloadStart second = window.client->StartDownload(serviceRequest("Empty.zip"));
            refused = !second.Started && !second.Message.isEmpty();
        }
    };
    const QByteArray archive = archiveOf(2);
    QVERIFY(window.client->StartDownload(serviceRequest(archive)).Started);
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    QVERIFY(refused);
    QCOMPARE(window.outcomes.front().Result, DownloadOutcome::Kind::Completed);
    QCOMPARE(sha256Of(target(archive)), sha256Of(served(archive)));
}

void DownloadClientTest::emptyTransferRestartsABoundedNumberOfTimes() {
    TestWindow window;
    int starts = 0;
    QList<qint64> lengths;
    auto start = [&] {
        ++starts;
        const DownloadStart started =
            window.client->StartDownload(serviceRequest("Empty.zip", DownloadPurpose::GameUpdate, 4));
        lengths.append(started.ContentLength);
        return started.Started;
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
    QCOMPARE(lengths, QList<qint64>(starts, 0));
    QCOMPARE(window.outcomes.size(), size_t(1 + DownloadClient::kMaxEmptyRestarts));
    for (const DownloadOutcome &outcome : window.outcomes) {
        QCOMPARE(outcome.Purpose, DownloadPurpose::GameUpdate);
        QCOMPARE(outcome.GameIndex, 4);
    }
    const DownloadOutcome &last = window.outcomes.back();
    QCOMPARE(last.Result, DownloadOutcome::Kind::Failed);
    QVERIFY2(last.Message.contains(QStringLiteral("no data")), qPrintable(last.Message));
    QVERIFY(window.progress.empty());
    QVERIFY(!QFileInfo::exists(target("Empty.zip")));
    QVERIFY(window.client->isIdle());

    // The count starts again for the next run.
    window.onFinished = nullptr;
    QVERIFY(start());
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(2 + DownloadClient::kMaxEmptyRestarts),
                              kEndWaitMs);
    QCOMPARE(window.outcomes.back().Result, DownloadOutcome::Kind::Restart);
}

void DownloadClientTest::scriptedTransferIsExactWithTwoRequests() {
    const QByteArray content = randomBytes(3 * 1024 * 1024 + 17);
    ScriptedServer server([&content](const ScriptedServer::Request &request) {
        return ScriptedServer::Answer{
            ScriptedServer::response(200, "OK", content, {}, request.method == "HEAD")};
    });
    TestWindow window;
    // Blanks, "#" and "?" in the name stay part of the one path segment.
    const DownloadStart start = window.client->StartDownload(scriptedRequest(server, "Exact copy #1?.zip"));
    QVERIFY2(start.Started, qPrintable(start.Message));
    QCOMPARE(start.ContentLength, qint64(content.size()));
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    QCOMPARE(window.outcomes.front().Result, DownloadOutcome::Kind::Completed);
    QFile file(target("Exact copy #1?.zip"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == content);

    QTest::qWait(200);
    const QList<ScriptedServer::Request> requests = server.requests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(0).method, QByteArray("HEAD"));
    QCOMPARE(requests.at(1).method, QByteArray("GET"));
    for (const ScriptedServer::Request &request : requests) {
        QCOMPARE(request.target, QByteArray("/download/Exact%20copy%20%231%3F.zip"));
        QCOMPARE(request.header("accept-encoding").value_or("<none>"), QByteArray("identity"));
        QVERIFY(request.body.isEmpty());
    }
}

void DownloadClientTest::failuresAfterTheStart_data() {
    QTest::addColumn<QByteArray>("getAnswer");
    QTest::addColumn<bool>("close");
    QTest::addColumn<QString>("message"); // a pattern
    const QByteArray part = randomBytes(300000);
    QTest::newRow("connection lost mid-body")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + part)
        << true
        // The network layer reports the cut, or ends the reply quietly and the count tells.
        << QStringLiteral("closed the connection|300000 of 1000000");
    QTest::newRow("shorter than announced")
        << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + part) << true
        << QStringLiteral("300000 of 1000000");
    QTest::newRow("longer than announced")
        << QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + part + part + part + part) << true
        << QStringLiteral("1200000 of 1000000");
    QTest::newRow("server falls silent")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n" + part) << false
        << QStringLiteral("stopped answering");
    QTest::newRow("error page") << ScriptedServer::response(500, "Internal Server Error", "<html>oops</html>")
                                << false << QStringLiteral("500");
}

void DownloadClientTest::failuresAfterTheStart() {
    QFETCH(QByteArray, getAnswer);
    QFETCH(bool, close);
    QFETCH(QString, message);
    ScriptedServer server([&](const ScriptedServer::Request &request) {
        if (request.method == "HEAD")
            return ScriptedServer::Answer{"HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n"};
        return ScriptedServer::Answer{getAnswer, 0, close};
    });
    TestWindow window;
    const DownloadStart start = window.client->StartDownload(scriptedRequest(server, "Broken.zip"));
    QVERIFY2(start.Started, qPrintable(start.Message));
    QCOMPARE(start.ContentLength, qint64(1000000));
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    const DownloadOutcome &outcome = window.outcomes.front();
    QCOMPARE(outcome.Result, DownloadOutcome::Kind::Failed);
    QVERIFY2(outcome.Message.contains(QRegularExpression(message)), qPrintable(outcome.Message));
    QVERIFY2(outcome.Message.contains(QStringLiteral("Broken.zip")), qPrintable(outcome.Message));
    QVERIFY(!QFileInfo::exists(target("Broken.zip")));
    QVERIFY(window.client->isIdle());
    QTRY_COMPARE(window.client->jobsAlive(), 0);
    QTest::qWait(200);
    QCOMPARE(window.outcomes.size(), size_t(1));
}

void DownloadClientTest::serviceGoneMidTransfer() {
    TestWindow window;
    window.onProgress = [this](int, bool &) {
        if (m_service.serveProcess().state() != QProcess::NotRunning)
            m_service.stop();
    };
    QVERIFY(window.client->StartDownload(serviceRequest("Big.bin")).Started);
    QTRY_COMPARE_WITH_TIMEOUT(window.outcomes.size(), size_t(1), kEndWaitMs);
    const DownloadOutcome &outcome = window.outcomes.front();
    QCOMPARE(outcome.Result, DownloadOutcome::Kind::Failed);
    QVERIFY2(outcome.Message.contains(QStringLiteral("failed")), qPrintable(outcome.Message));
    QVERIFY(outcome.BytesWritten < kBigFileBytes);
    QVERIFY(!QFileInfo::exists(target("Big.bin")));
    QVERIFY(window.client->isIdle());

    const QString error = m_service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void DownloadClientTest::destroyedDuringTransfer_data() {
    QTest::addColumn<bool>("workerWaiting");
    QTest::newRow("between blocks") << false;
    QTest::newRow("worker waiting for the UI thread") << true;
}

void DownloadClientTest::destroyedDuringTransfer() {
    QFETCH(bool, workerWaiting);
    auto window = std::make_unique<TestWindow>();
    QVERIFY(window->client->StartDownload(serviceRequest("Big.bin")).Started);
    QTRY_VERIFY_WITH_TIMEOUT(!window->progress.empty(), kEndWaitMs);
    QVERIFY(window->outcomes.empty());
    if (workerWaiting)
        QThread::msleep(300); // no events served: the next block's hand-over waits for this thread
    const size_t reports = window->progress.size();
    window->client.reset();
    QCOMPARE(window->progress.size(), reports);
    QVERIFY(!QFileInfo::exists(target("Big.bin")));
    QTest::qWait(200);
    QVERIFY(window->outcomes.empty());
}

QTEST_GUILESS_MAIN(DownloadClientTest)
#include "DownloadClientTest.moc"
