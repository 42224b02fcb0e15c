#include "net/ServiceTrust.h"

#include "TestCertificates.h"

#include <QSslConfiguration>
#include <QTest>
#include <algorithm>

using namespace Qt::StringLiterals;

class ServiceTrustTest : public QObject {
    Q_OBJECT

    TestCertificates m_certificates;

private Q_SLOTS:
    // The build's local CA beside the system's roots, in the clients' configuration and Qt's default.
    void localCaBesideTheSystemRoots() {
        const QList<QSslCertificate> built =
            QSslCertificate::fromPath(TestCertificates::localCaCertificatePath());
        QCOMPARE(built, QList<QSslCertificate>{ServiceTrust::localCa()});
        ServiceTrust::installAsDefault();
        for (const QSslConfiguration &config :
             {ServiceTrust::configuration(), QSslConfiguration::defaultConfiguration()}) {
            QCOMPARE(config.peerVerifyMode(), QSslSocket::VerifyPeer);
            QCOMPARE(config.caCertificates(), QSslConfiguration::systemCaCertificates() + built);
        }
    }

    void verifyChain_data() {
        QTest::addColumn<bool>("localCa");
        QTest::addColumn<QString>("altNames");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("error"); // a QSslError::SslError among those found; 0: trusted, -1: any
        QTest::newRow("localhost") << true << u"DNS:localhost,IP:127.0.0.1"_s << u"localhost"_s << 0;
        QTest::newRow("loopback address") << true << u"DNS:localhost,IP:127.0.0.1"_s << u"127.0.0.1"_s << 0;
        QTest::newRow("other name") << true << u"DNS:other.localhost"_s << u"localhost"_s
                                    << int(QSslError::HostNameMismatch);
        QTest::newRow("no host name")
            << true << u"DNS:localhost"_s << QString() << int(QSslError::HostNameMismatch);
        // The local CA may vouch for loopback names only, whoever holds its key.
        QTest::newRow("outside its names") << true << u"DNS:example.com"_s << u"example.com"_s << -1;
        QTest::newRow("unknown CA") << false << u"DNS:localhost"_s << u"localhost"_s << -1;
        QTest::newRow("no chain") << true << QString() << u"localhost"_s << -1;
    }

    void verifyChain() {
        QFETCH(bool, localCa);
        QFETCH(QString, altNames);
        QFETCH(QString, host);
        QFETCH(int, error);
        TestCertificates::Identity identity;
        if (!altNames.isEmpty())
            identity =
                localCa ? m_certificates.fromLocalCa(altNames) : m_certificates.fromThrowawayCa(altNames);
        QVERIFY2(identity.error.isEmpty(), qPrintable(identity.error));
        const QList<QSslError> errors = ServiceTrust::verifyChain(identity.chain, host);
        QCOMPARE(errors.isEmpty(), error == 0);
        QVERIFY(error <= 0 || std::any_of(errors.begin(), errors.end(),
                                          [&](const QSslError &e) { return e.error() == error; }));
    }
};

QTEST_GUILESS_MAIN(ServiceTrustTest)
#include "ServiceTrustTest.moc"
