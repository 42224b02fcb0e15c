// `quillbarrow-service serve` as a supervisor: it stops nginx and the app server together, and
// whatever ends first, nothing is left running.
#include "RunningService.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QSslSocket>
#include <QTcpServer>
#include <QTest>

class ServiceLifecycleTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sigtermStopsNginxAndTheAppServer();
    void killedSupervisorTakesNginxWithIt();
    void nginxDyingStopsTheService();
    void busyPortFailsWithoutLeftovers();
    void secondServeOnTheSameFolderIsRefused();
    void badSettingsFailBeforeAnythingStarts();
    void foreignCertificateIsReplacedAtStart();

private:
    static void killProcess(qint64 pid) {
        QProcess::execute(QStringLiteral("kill"), {QStringLiteral("-KILL"), QString::number(pid)});
    }
};

void ServiceLifecycleTest::sigtermStopsNginxAndTheAppServer() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const qint64 master = service.nginxMasterPid();
    // The master writes its pid file before it starts its workers.
    QTRY_VERIFY_WITH_TIMEOUT(service.nginxPids().size() >= 2, 30000);
    const QList<qint64> nginx = service.nginxPids();
    QCOMPARE(RunningService::childrenOf(service.servePid()), QList<qint64>{master});
    QVERIFY(QFile::exists(QDir(service.dataDir()).filePath(QStringLiteral("nginx/nginx.pid"))));

    QCOMPARE(service.stop(), 0);
    QVERIFY(service.serveOutput().contains("Stopping"));
    for (const qint64 pid : nginx)
        QTRY_VERIFY_WITH_TIMEOUT(!RunningService::isAlive(pid), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(RunningService::groupMembers(master).isEmpty(), 30000);
    QVERIFY(RunningService::processesMentioning(service.dataDir()).isEmpty());
    // The port is free again, so nothing listens on it any more.
    QTcpServer again;
    QTRY_VERIFY_WITH_TIMEOUT(again.isListening() || again.listen(QHostAddress::LocalHost, service.port()),
                             30000);
}

void ServiceLifecycleTest::killedSupervisorTakesNginxWithIt() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const qint64 master = service.nginxMasterPid();
    QTRY_VERIFY_WITH_TIMEOUT(service.nginxPids().size() >= 2, 30000);

    // SIGKILL leaves serve no chance to clean up; the kernel's parent-death signal does it.
    service.serveProcess().kill();
    QVERIFY(service.serveProcess().waitForFinished(60000));
    QTRY_VERIFY_WITH_TIMEOUT(RunningService::groupMembers(master).isEmpty(), 30000);
    QVERIFY(RunningService::processesMentioning(service.dataDir()).isEmpty());
}

void ServiceLifecycleTest::nginxDyingStopsTheService() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    const qint64 master = service.nginxMasterPid();
    QTRY_VERIFY_WITH_TIMEOUT(service.nginxPids().size() >= 2, 30000);

    // The master dies without stopping its workers; serve must notice and clear the rest.
    killProcess(master);
    QVERIFY(service.serveProcess().waitForFinished(60000));
    QCOMPARE(service.serveProcess().exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.serveProcess().exitCode(), 1);
    const QByteArray output = service.serveOutput() + service.serveProcess().readAll();
    QVERIFY2(output.contains("nginx was killed"), output.constData());
    QTRY_VERIFY_WITH_TIMEOUT(RunningService::groupMembers(master).isEmpty(), 30000);
}

void ServiceLifecycleTest::busyPortFailsWithoutLeftovers() {
    RunningService service;
    const QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QTcpServer squatter;
    QVERIFY(squatter.listen(QHostAddress::LocalHost, 0));

    QProcess serve;
    serve.setProcessChannelMode(QProcess::MergedChannels);
    serve.start(RunningService::program(),
                {QStringLiteral("serve"), QStringLiteral("--data"), service.dataDir(),
                 QStringLiteral("--port"), QString::number(squatter.serverPort())});
    QVERIFY(serve.waitForStarted(60000));
    QVERIFY(serve.waitForFinished(90000));
    QCOMPARE(serve.exitCode(), 1);
    const QByteArray output = serve.readAll();
    QVERIFY2(output.contains("Address already in use"), output.constData());
    QVERIFY(RunningService::processesMentioning(service.dataDir()).isEmpty());
    QVERIFY(!QFile::exists(QDir(service.dataDir()).filePath(QStringLiteral("nginx/nginx.pid"))));
}

void ServiceLifecycleTest::secondServeOnTheSameFolderIsRefused() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));

    const RunningService::Outcome second =
        RunningService::run({QStringLiteral("serve"), QStringLiteral("--data"), service.dataDir(),
                             QStringLiteral("--port"), QStringLiteral("1")});
    QCOMPARE(second.exitCode, 1);
    QVERIFY2(second.err.contains(u"already runs"), qPrintable(second.describe()));
    // The first one is unharmed.
    QVERIFY(RunningService::isAlive(service.nginxMasterPid()));
    QCOMPARE(service.stop(), 0);
}

void ServiceLifecycleTest::badSettingsFailBeforeAnythingStarts() {
    RunningService service;
    const QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QFile ini(QDir(service.dataDir()).filePath(QStringLiteral("service.ini")));
    QVERIFY(ini.open(QIODevice::Append));
    ini.write("\n[session]\nmaxClients=-5\n");
    ini.close();

    QProcess serve;
    serve.setProcessChannelMode(QProcess::MergedChannels);
    serve.start(RunningService::program(),
                {QStringLiteral("serve"), QStringLiteral("--data"), service.dataDir(),
                 QStringLiteral("--port"), QStringLiteral("1")});
    QVERIFY(serve.waitForStarted(60000));
    QVERIFY(serve.waitForFinished(90000));
    QCOMPARE(serve.exitCode(), 1);
    const QByteArray output = serve.readAll();
    QVERIFY2(output.contains("service.ini"), output.constData());
    QVERIFY(RunningService::processesMentioning(service.dataDir()).isEmpty());
}

void ServiceLifecycleTest::foreignCertificateIsReplacedAtStart() {
    RunningService service;
    QString error = service.init();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // A certificate from another CA (here self-signed), as after the build tree's CA was remade.
    const QDir tls(QDir(service.dataDir()).filePath(QStringLiteral("tls")));
    QProcess openssl;
    openssl.start(
        QStringLiteral("openssl"),
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
         QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
         QStringLiteral("-days"), QStringLiteral("30"), QStringLiteral("-subj"),
         QStringLiteral("/CN=localhost"), QStringLiteral("-keyout"), tls.filePath(QStringLiteral("key.pem")),
         QStringLiteral("-out"), tls.filePath(QStringLiteral("cert.pem"))});
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);

    error = service.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QVERIFY2(service.serveOutput().contains("Issuing a new service certificate"),
             service.serveOutput().constData());
    QSslSocket socket;
    socket.setSslConfiguration(RunningService::trustingConfiguration());
    socket.connectToHostEncrypted(QStringLiteral("localhost"), service.port());
    QVERIFY2(socket.waitForEncrypted(60000), qPrintable(socket.errorString()));
    QCOMPARE(service.stop(), 0);
}

QTEST_GUILESS_MAIN(ServiceLifecycleTest)
#include "ServiceLifecycleTest.moc"
