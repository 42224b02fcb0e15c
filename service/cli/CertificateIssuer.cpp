#include "cli/CertificateIssuer.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSslCertificate>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

constexpr int kOpensslTimeoutMs = 60000;

const char kServerConfig[] = "[req]\n"
                             "distinguished_name = dn\n"
                             "prompt = no\n"
                             "[dn]\n"
                             "CN = localhost\n"
                             "O = Quillbarrow reference service\n"
                             "[v3_server]\n"
                             "basicConstraints = critical, CA:FALSE\n"
                             "keyUsage = critical, digitalSignature\n"
                             "extendedKeyUsage = serverAuth\n"
                             "subjectAltName = DNS:localhost, IP:127.0.0.1, IP:::1\n"
                             "subjectKeyIdentifier = hash\n"
                             "authorityKeyIdentifier = keyid\n";

QString opensslProgram() {
    return QStandardPaths::findExecutable(QStringLiteral("openssl"));
}

} // namespace

CertificateIssuer::CertificateIssuer(QString caCert, QString caKey)
    : m_caCert(std::move(caCert))
    , m_caKey(std::move(caKey)) {}

std::optional<QString> CertificateIssuer::checkAuthority() const {
    if (!QFileInfo(m_caCert).isFile())
        return QStringLiteral(
                   "the local CA certificate %1 is missing (build the target quillbarrow_local_ca)")
            .arg(m_caCert);
    const QFileInfo key(m_caKey);
    if (!key.isFile())
        return QStringLiteral("the local CA key %1 is missing").arg(m_caKey);
    if (!key.isReadable())
        return QStringLiteral("the local CA key %1 is not readable by this user (it belongs to %2)")
            .arg(m_caKey, key.owner());
    if (opensslProgram().isEmpty())
        return QStringLiteral("the openssl command is not installed");
    return std::nullopt;
}

std::optional<QString> CertificateIssuer::runOpenssl(const QStringList &arguments) const {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(opensslProgram(), arguments);
    if (!process.waitForStarted())
        return QStringLiteral("cannot start openssl: %1").arg(process.errorString());
    if (!process.waitForFinished(kOpensslTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return QStringLiteral("openssl did not finish");
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("openssl failed: %1").arg(QString::fromLocal8Bit(process.readAll()).trimmed());
    return std::nullopt;
}

std::optional<QString> CertificateIssuer::issue(const QString &certPath, const QString &keyPath) const {
    if (auto problem = checkAuthority())
        return problem;
    QTemporaryDir work;
    if (!work.isValid())
        return QStringLiteral("cannot create a temporary folder: %1").arg(work.errorString());
    const QString config = work.filePath(QStringLiteral("server.cnf"));
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(kServerConfig) < 0)
            return QStringLiteral("cannot write %1: %2").arg(config, file.errorString());
    }
    // Written in the private temporary folder first: openssl creates the key 0600 there, and the
    // data folder never holds half a key pair.
    const QString newCert = work.filePath(QStringLiteral("cert.pem"));
    const QString newKey = work.filePath(QStringLiteral("key.pem"));
    if (auto failure = runOpenssl({QStringLiteral("req"),
                                   QStringLiteral("-x509"),
                                   QStringLiteral("-new"),
                                   QStringLiteral("-newkey"),
                                   QStringLiteral("ec"),
                                   QStringLiteral("-pkeyopt"),
                                   QStringLiteral("ec_paramgen_curve:P-256"),
                                   QStringLiteral("-nodes"),
                                   QStringLiteral("-sha256"),
                                   QStringLiteral("-days"),
                                   QString::number(kLifetimeDays),
                                   QStringLiteral("-config"),
                                   config,
                                   QStringLiteral("-extensions"),
                                   QStringLiteral("v3_server"),
                                   QStringLiteral("-CA"),
                                   m_caCert,
                                   QStringLiteral("-CAkey"),
                                   m_caKey,
                                   QStringLiteral("-keyout"),
                                   newKey,
                                   QStringLiteral("-out"),
                                   newCert}))
        return failure;

    for (const auto &[from, to] : {std::pair{newKey, keyPath}, std::pair{newCert, certPath}}) {
        QFile::remove(to);
        if (!QFile::copy(from, to))
            return QStringLiteral("cannot write %1").arg(to);
    }
    QFile::setPermissions(keyPath, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(certPath,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    return std::nullopt;
}

std::optional<QString> CertificateIssuer::check(const QString &certPath, int minimumDays) const {
    const QList<QSslCertificate> certs = QSslCertificate::fromPath(certPath, QSsl::Pem);
    if (certs.isEmpty())
        return QStringLiteral("%1 holds no certificate").arg(certPath);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    if (certs.first().expiryDate() < now.addDays(minimumDays))
        return QStringLiteral("the certificate expires on %1")
            .arg(certs.first().expiryDate().toString(Qt::ISODate));
    if (auto problem = checkAuthority())
        return problem;
    // openssl checks the signature, the chain to this CA and the name constraints.
    if (auto failure = runOpenssl({QStringLiteral("verify"), QStringLiteral("-CAfile"), m_caCert,
                                   QStringLiteral("-purpose"), QStringLiteral("sslserver"), certPath}))
        return QStringLiteral("the certificate was not issued by the local CA %1").arg(m_caCert);
    return std::nullopt;
}
