// An operator's own certificate for a real host name: init installs it, later refreshes and serve
// keep it, and serve's log stays one plain line per event.
#include "RunningService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <algorithm>

namespace {

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class ServiceOperatorTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void ownCertificateIsInstalledAndKept() {
        RunningService service;
        QCOMPARE(service.init(), QString());
        const QString cert = service.tempDir() + QStringLiteral("/real.pem");
        const QString key = service.tempDir() + QStringLiteral("/real.key");
        QProcess openssl;
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                       QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                       QStringLiteral("ec_paramgen_curve:P-256"), QStringLiteral("-nodes"),
                       QStringLiteral("-days"), QStringLiteral("90"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=games.real.example"), QStringLiteral("-keyout"), key,
                       QStringLiteral("-out"), cert});
        QVERIFY(openssl.waitForFinished(60000) && openssl.exitCode() == 0);

        const QStringList init{QStringLiteral("init"), QStringLiteral("--force"), QStringLiteral("--data"),
                               service.dataDir()};
        const QString installed = QDir(service.dataDir()).filePath(QStringLiteral("tls/cert.pem"));
        // Half a pair, or a key that is not one, changes nothing.
        QCOMPARE(RunningService::run(init + QStringList{QStringLiteral("--cert"), cert}).exitCode, 2);
        QCOMPARE(RunningService::run(
                     init + QStringList{QStringLiteral("--cert"), cert, QStringLiteral("--key"), cert})
                     .exitCode,
                 1);
        QVERIFY(contents(installed) != contents(cert));

        const RunningService::Outcome own = RunningService::run(
            init + QStringList{QStringLiteral("--cert"), cert, QStringLiteral("--key"), key});
        QVERIFY2(own.exitCode == 0, qPrintable(own.describe()));
        QCOMPARE(contents(installed), contents(cert));
        // A refresh without a certificate keeps the operator's.
        QCOMPARE(RunningService::run(init).exitCode, 0);
        QCOMPARE(contents(installed), contents(cert));

        // Not issued by the build's CA nor for localhost, it is served as it is.
        QCOMPARE(service.start(), QString());
        QCOMPARE(service.stop(), 0);
        QCOMPARE(contents(installed), contents(cert));
        const QByteArray log = service.serveOutput();
        const QList<QByteArray> lines = log.trimmed().split('\n');
        QVERIFY2(std::any_of(lines.begin(), lines.end(),
                             [](const QByteArray &l) { return l.startsWith("Serving https://"); }) &&
                     lines.last().startsWith("Stopping") && !log.contains('\x1b'),
                 log.constData());
    }
};

QTEST_GUILESS_MAIN(ServiceOperatorTest)
#include "ServiceOperatorTest.moc"
