#include "net/ServiceTrust.h"

#include "net/LocalCaPem.h"

#include <QSslSocket>
#include <mutex>

QSslCertificate ServiceTrust::localCa() {
    static const QSslCertificate ca(QByteArray(LocalCaPem), QSsl::Pem);
    return ca;
}

QSslConfiguration ServiceTrust::configuration() {
    static const QSslConfiguration config = [] {
        QSslConfiguration made = QSslConfiguration::defaultConfiguration();
        QList<QSslCertificate> roots = QSslConfiguration::systemCaCertificates();
        if (!localCa().isNull() && !roots.contains(localCa()))
            roots.append(localCa());
        made.setCaCertificates(roots);
        made.setPeerVerifyMode(QSslSocket::VerifyPeer);
        return made;
    }();
    return config;
}

void ServiceTrust::installAsDefault() {
    static std::once_flag installed;
    std::call_once(installed, [] { QSslConfiguration::setDefaultConfiguration(configuration()); });
}

QList<QSslError> ServiceTrust::verifyChain(const QList<QSslCertificate> &chain, const QString &hostName) {
    if (chain.isEmpty() || chain.first().isNull())
        return {QSslError(QSslError::UnableToGetLocalIssuerCertificate)};
    // Without a name Qt would skip the name check; a certificate is only ever good for a host.
    if (hostName.isEmpty())
        return {QSslError(QSslError::HostNameMismatch, chain.first())};
    // QSslCertificate::verify checks against the process default's roots.
    installAsDefault();
    return QSslCertificate::verify(chain, hostName);
}
