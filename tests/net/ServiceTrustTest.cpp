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
        QTest::addColumn<QString>("altNames"); // none: no chain at all
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("error"); // a QSslError::SslError among those found; 0: trusted, -1: any
        const auto row = [](const char *name, bool local, const char *altNames, const char *host, int error) {
            QTest::newRow(name) << local << QString::fromLatin1(altNames) << QString::fromLatin1(host)
                                << error;
        };
        const int mismatch = QSslError::HostNameMismatch;
        row("localhost", true, "DNS:localhost,IP:127.0.0.1", "localhost", 0);
        row("loopback address", true, "DNS:localhost,IP:127.0.0.1", "127.0.0.1", 0);
        row("other name", true, "DNS:other.localhost", "localhost", mismatch);
        row("no host name", true, "DNS:localhost", "", mismatch);
        row("outside its names", true, "DNS:example.com", "example.com", -1); // loopback names only
        row("unknown CA", false, "DNS:localhost", "localhost", -1);
        row("no chain", true, "", "localhost", -1);
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
