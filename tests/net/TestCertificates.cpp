#include "TestCertificates.h"

#include <QFile>
#include <QProcess>

namespace {

QSslKey readKey(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslKey(file.readAll(), QSsl::Ec, QSsl::Pem);
}

} // namespace

TestCertificates::TestCertificates() = default;

QString TestCertificates::localCaCertificatePath() {
    return QStringLiteral(QUILLBARROW_TEST_CA_CERT);
}

QString TestCertificates::localCaKeyPath() {
    return QStringLiteral(QUILLBARROW_TEST_CA_KEY);
}

QString TestCertificates::run(const QStringList &arguments) const {
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"), arguments);
    if (!openssl.waitForFinished(60000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0)
        return QStringLiteral("openssl %1 failed: %2")
            .arg(arguments.join(u' '), QString::fromLocal8Bit(openssl.readAll()));
    return {};
}

QString TestCertificates::writeConfig(const QString &name, const QString &extensions) const {
    const QString path = m_dir.filePath(name + QStringLiteral(".cnf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("[req]\ndistinguished_name = dn\nprompt = no\n[dn]\nCN = " + name.toUtf8() + "\n[ext]\n" +
               extensions.toUtf8());
    return path;
}

TestCertificates::Identity TestCertificates::issue(const QString &altNames, const QString &caCert,
                                                   const QString &caKey) {
    Identity identity;
    const QString name = QStringLiteral("leaf%1").arg(++m_serial);
    const QString config = writeConfig(name, QStringLiteral("basicConstraints = critical, CA:FALSE\n"
                                                            "keyUsage = critical, digitalSignature\n"
                                                            "extendedKeyUsage = serverAuth\n"
                                                            "subjectAltName = %1\n"
                                                            "subjectKeyIdentifier = hash\n"
                                                            "authorityKeyIdentifier = keyid\n")
                                                 .arg(altNames));
    const QString cert = m_dir.filePath(name + QStringLiteral(".pem"));
    const QString key = m_dir.filePath(name + QStringLiteral(".key"));
    identity.error = run({QStringLiteral("req"),
                          QStringLiteral("-x509"),
                          QStringLiteral("-new"),
                          QStringLiteral("-newkey"),
                          QStringLiteral("ec"),
                          QStringLiteral("-pkeyopt"),
                          QStringLiteral("ec_paramgen_curve:P-256"),
                          QStringLiteral("-nodes"),
                          QStringLiteral("-sha256"),
                          QStringLiteral("-days"),
                          QStringLiteral("2"),
                          QStringLiteral("-config"),
                          config,
                          QStringLiteral("-extensions"),
                          QStringLiteral("ext"),
                          QStringLiteral("-CA"),
                          caCert,
                          QStringLiteral("-CAkey"),
                          caKey,
                          QStringLiteral("-keyout"),
                          key,
                          QStringLiteral("-out"),
                          cert});
    if (!identity.error.isEmpty())
        return identity;
    const QList<QSslCertificate> certs = QSslCertificate::fromPath(cert);
    identity.key = readKey(key);
    if (certs.isEmpty() || identity.key.isNull()) {
        identity.error = QStringLiteral("cannot read %1 or %2").arg(cert, key);
        return identity;
    }
    identity.certificate = certs.first();
    identity.chain = {identity.certificate};
    return identity;
}

TestCertificates::Identity TestCertificates::fromLocalCa(const QString &altNames) {
    return issue(altNames, localCaCertificatePath(), localCaKeyPath());
}

TestCertificates::Identity TestCertificates::fromThrowawayCa(const QString &altNames) {
    const QString name = QStringLiteral("throwaway%1").arg(++m_serial);
    const QString config = writeConfig(name, QStringLiteral("basicConstraints = critical, CA:TRUE\n"
                                                            "keyUsage = critical, keyCertSign, cRLSign\n"
                                                            "subjectKeyIdentifier = hash\n"));
    const QString cert = m_dir.filePath(name + QStringLiteral(".pem"));
    const QString key = m_dir.filePath(name + QStringLiteral(".key"));
    Identity identity;
    identity.error = run(
        {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-new"), QStringLiteral("-newkey"),
         QStringLiteral("ec"), QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:P-256"),
         QStringLiteral("-nodes"), QStringLiteral("-sha256"), QStringLiteral("-days"), QStringLiteral("2"),
         QStringLiteral("-config"), config, QStringLiteral("-extensions"), QStringLiteral("ext"),
         QStringLiteral("-keyout"), key, QStringLiteral("-out"), cert});
    if (!identity.error.isEmpty())
        return identity;
    return issue(altNames, cert, key);
}
