#include "net/ServiceTrust.h"

#include "TestCertificates.h"

#include <QSslConfiguration>
#include <QSslSocket>
#include <QTest>

class ServiceTrustTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void localCaIsTheBuildsCa();
    void configurationKeepsSystemRootsBesideLocalCa();
    void verifyChain_data();
    void verifyChain();
    void defaultConfigurationTrustsTheSame();

private:
    TestCertificates m_certificates;
};

void ServiceTrustTest::localCaIsTheBuildsCa() {
    const QList<QSslCertificate> built =
        QSslCertificate::fromPath(TestCertificates::localCaCertificatePath());
    QCOMPARE(built.size(), 1);
    QVERIFY(!ServiceTrust::localCa().isNull());
    QCOMPARE(ServiceTrust::localCa(), built.first());
    QVERIFY(ServiceTrust::localCa().isSelfSigned());
}

void ServiceTrustTest::configurationKeepsSystemRootsBesideLocalCa() {
    const QSslConfiguration config = ServiceTrust::configuration();
    QCOMPARE(config.peerVerifyMode(), QSslSocket::VerifyPeer);
    const QList<QSslCertificate> roots = config.caCertificates();
    QVERIFY(roots.contains(ServiceTrust::localCa()));
    const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
    for (const QSslCertificate &root : system)
        QVERIFY2(roots.contains(root), qPrintable(root.subjectDisplayName()));
    QCOMPARE(roots.size(), system.size() + 1);
}

void ServiceTrustTest::verifyChain_data() {
    QTest::addColumn<QString>("issuer");
    QTest::addColumn<QString>("altNames");
    QTest::addColumn<QString>("host");
    QTest::addColumn<bool>("trusted");
    QTest::addColumn<int>("expectedError"); // QSslError::SslError, -1 for any

    QTest::newRow("local CA, localhost")
        << QStringLiteral("local") << QStringLiteral("DNS:localhost,IP:127.0.0.1")
        << QStringLiteral("localhost") << true << 0;
    QTest::newRow("local CA, loopback address")
        << QStringLiteral("local") << QStringLiteral("DNS:localhost,IP:127.0.0.1")
        << QStringLiteral("127.0.0.1") << true << 0;
    QTest::newRow("local CA, other name")
        << QStringLiteral("local") << QStringLiteral("DNS:other.localhost") << QStringLiteral("localhost")
        << false << int(QSslError::HostNameMismatch);
    // The local CA may vouch for loopback names only, whoever holds its key.
    QTest::newRow("local CA, outside its names")
        << QStringLiteral("local") << QStringLiteral("DNS:example.com") << QStringLiteral("example.com")
        << false << -1;
    QTest::newRow("throwaway CA") << QStringLiteral("throwaway") << QStringLiteral("DNS:localhost")
                                  << QStringLiteral("localhost") << false << -1;
    QTest::newRow("no host name") << QStringLiteral("local") << QStringLiteral("DNS:localhost")
                                  << QStringLiteral("") << false << int(QSslError::HostNameMismatch);
}

void ServiceTrustTest::verifyChain() {
    QFETCH(QString, issuer);
    QFETCH(QString, altNames);
    QFETCH(QString, host);
    QFETCH(bool, trusted);
    QFETCH(int, expectedError);

    const TestCertificates::Identity identity =
        issuer == u"local" ? m_certificates.fromLocalCa(altNames) : m_certificates.fromThrowawayCa(altNames);
    QVERIFY2(identity.error.isEmpty(), qPrintable(identity.error));
    const QList<QSslError> errors = ServiceTrust::verifyChain(identity.chain, host);
    QCOMPARE(errors.isEmpty(), trusted);
    if (expectedError >= 0 && !trusted) {
        bool found = false;
        for (const QSslError &error : errors)
            found = found || error.error() == QSslError::SslError(expectedError);
        QVERIFY2(found, qPrintable(errors.first().errorString()));
    }
}

void ServiceTrustTest::defaultConfigurationTrustsTheSame() {
    QVERIFY(!ServiceTrust::verifyChain({}, QStringLiteral("localhost")).isEmpty());
    ServiceTrust::installAsDefault();
    const QList<QSslCertificate> roots = QSslConfiguration::defaultConfiguration().caCertificates();
    QVERIFY(roots.contains(ServiceTrust::localCa()));
    for (const QSslCertificate &root : QSslConfiguration::systemCaCertificates())
        QVERIFY(roots.contains(root));
}

QTEST_GUILESS_MAIN(ServiceTrustTest)
#include "ServiceTrustTest.moc"
