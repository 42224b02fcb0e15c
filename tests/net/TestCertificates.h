#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QStringList>
#include <QTemporaryDir>

// Server certificates made with openssl: issued by the build's local CA, or by a CA nothing trusts.
class TestCertificates {
public:
    struct Identity {
        QSslCertificate certificate;
        QSslKey key;
        QList<QSslCertificate> chain; // leaf first, without the root
        QString error;                // empty when made
    };

    // Issued by the build's local CA for altNames ("DNS:localhost,IP:127.0.0.1").
    Identity fromLocalCa(const QString &altNames);
    // Issued by a CA made for this call only.
    Identity fromThrowawayCa(const QString &altNames);

    static QString localCaCertificatePath() { return QStringLiteral(QUILLBARROW_TEST_CA_CERT); }
    static QString localCaKeyPath() { return QStringLiteral(QUILLBARROW_TEST_CA_KEY); }

private:
    // NAME.pem and NAME.key with the ';'-separated extensions, signed by the CA (self-signed without); the
    // error.
    QString make(const QString &name, const QString &extensions, const QString &caCert = {},
                 const QString &caKey = {});
    Identity issue(const QString &altNames, const QString &caCert, const QString &caKey);

    QTemporaryDir m_dir;
    int m_serial = 0;
};
