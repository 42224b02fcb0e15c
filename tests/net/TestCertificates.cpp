#include "TestCertificates.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

using namespace Qt::StringLiterals;

QString TestCertificates::make(const QString &name, const QString &extensions, const QString &caCert,
                               const QString &caKey) {
    QStringList arguments =
        u"req -x509 -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2"_s.split(u' ');
    arguments << u"-subj"_s << u"/CN="_s + name << u"-keyout"_s << m_dir.filePath(name + u".key"_s)
              << u"-out"_s << m_dir.filePath(name + u".pem"_s);
    for (const QString &extension : extensions.split(u';'))
        arguments << u"-addext"_s << extension;
    if (!caCert.isEmpty())
        arguments << u"-CA"_s << caCert << u"-CAkey"_s << caKey;
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(u"openssl"_s, arguments);
    const bool made = openssl.waitForFinished(60000) && openssl.exitStatus() == QProcess::NormalExit &&
                      openssl.exitCode() == 0;
    return made ? QString() : u"openssl failed: "_s + QString::fromLocal8Bit(openssl.readAll());
}

TestCertificates::Identity TestCertificates::issue(const QString &altNames, const QString &caCert,
                                                   const QString &caKey) {
    const QString name = u"leaf%1"_s.arg(++m_serial);
    Identity identity;
    identity.error = make(name,
                          u"basicConstraints=critical,CA:FALSE;keyUsage=critical,digitalSignature;"
                          "extendedKeyUsage=serverAuth;subjectAltName="_s +
                              altNames,
                          caCert, caKey);
    identity.chain = QSslCertificate::fromPath(m_dir.filePath(name + u".pem"_s));
    identity.certificate = identity.chain.value(0);
    QFile key(m_dir.filePath(name + u".key"_s));
    identity.key = key.open(QIODevice::ReadOnly) ? QSslKey(key.readAll(), QSsl::Ec) : QSslKey();
    if (identity.error.isEmpty() && (identity.chain.size() != 1 || identity.key.isNull()))
        identity.error = u"cannot read "_s + name;
    return identity;
}

TestCertificates::Identity TestCertificates::fromLocalCa(const QString &altNames) {
    return issue(altNames, localCaCertificatePath(), localCaKeyPath());
}

TestCertificates::Identity TestCertificates::fromThrowawayCa(const QString &altNames) {
    const QString ca = m_dir.filePath(u"throwaway%1"_s.arg(++m_serial));
    Identity identity;
    identity.error = make(QFileInfo(ca).fileName(),
                          u"basicConstraints=critical,CA:TRUE;keyUsage=critical,keyCertSign,cRLSign"_s);
    return identity.error.isEmpty() ? issue(altNames, ca + u".pem"_s, ca + u".key"_s) : identity;
}
