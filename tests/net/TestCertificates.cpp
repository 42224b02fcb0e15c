#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

using namespace Qt::StringLiterals;

TestCertificates::TestCertificates() = default;

QString TestCertificates::localCaCertificatePath() {
    return QStringLiteral(QUILLBARROW_TEST_CA_CERT);
}

QString TestCertificates::localCaKeyPath() {
    return QStringLiteral(QUILLBARROW_TEST_CA_KEY);
}

QString TestCertificates::make(const QString &name, const QString &extensions, const QString &caCert,
                               const QString &caKey) {
    QFile config(m_dir.filePath(name + u".cnf"_s));
    if (!config.open(QIODevice::WriteOnly))
        return u"cannot write "_s + config.fileName();
    config.write("[req]\ndistinguished_name = dn\nprompt = no\n[dn]\nCN = " + name.toUtf8() +
                 "\n[ext]\nsubjectKeyIdentifier = hash\n" + extensions.toUtf8());
    config.close();
    QStringList arguments =
        u"req -x509 -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -sha256 -days 2 -extensions ext"_s
            .split(u' ');
    arguments << u"-config"_s << config.fileName() << u"-keyout"_s << m_dir.filePath(name + u".key"_s)
              << u"-out"_s << m_dir.filePath(name + u".pem"_s);
    if (!caCert.isEmpty())
        arguments << u"-CA"_s << caCert << u"-CAkey"_s << caKey;
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(u"openssl"_s, arguments);
    if (openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
        openssl.exitCode() == 0)
        return {};
    return u"openssl %1 failed: %2"_s.arg(arguments.join(u' '), QString::fromLocal8Bit(openssl.readAll()));
}

TestCertificates::Identity TestCertificates::issue(const QString &altNames, const QString &caCert,
                                                   const QString &caKey) {
    Identity identity;
    const QString name = u"leaf%1"_s.arg(++m_serial);
    identity.error =
        make(name,
             u"basicConstraints = critical, CA:FALSE\nkeyUsage = critical, digitalSignature\n"
             "extendedKeyUsage = serverAuth\nsubjectAltName = %1\nauthorityKeyIdentifier = keyid\n"_s.arg(
                 altNames),
             caCert, caKey);
    const QList<QSslCertificate> certificates = QSslCertificate::fromPath(m_dir.filePath(name + u".pem"_s));
    QFile key(m_dir.filePath(name + u".key"_s));
    if (identity.error.isEmpty() && key.open(QIODevice::ReadOnly))
        identity.key = QSslKey(key.readAll(), QSsl::Ec, QSsl::Pem);
    if (identity.error.isEmpty() && (certificates.isEmpty() || identity.key.isNull()))
        identity.error = u"cannot read "_s + name;
    identity.certificate = certificates.value(0);
    identity.chain = certificates.mid(0, 1);
    return identity;
}

TestCertificates::Identity TestCertificates::fromLocalCa(const QString &altNames) {
    return issue(altNames, localCaCertificatePath(), localCaKeyPath());
}

TestCertificates::Identity TestCertificates::fromThrowawayCa(const QString &altNames) {
    const QString name = u"throwaway%1"_s.arg(++m_serial);
    Identity identity;
    identity.error =
        make(name, u"basicConstraints = critical, CA:TRUE\nkeyUsage = critical, keyCertSign, cRLSign\n"_s);
    return identity.error.isEmpty()
               ? issue(altNames, m_dir.filePath(name + u".pem"_s), m_dir.filePath(name + u".key"_s))
               : identity;
}
