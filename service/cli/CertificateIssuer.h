#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Issues the service's TLS certificate (localhost, 127.0.0.1, ::1) signed by the local CA, with
// the openssl command line. Keys are EC P-256; the certificate lives 397 days, the longest that
// browsers accept for a server certificate.
class CertificateIssuer {
public:
    CertificateIssuer(QString caCert, QString caKey);

    static constexpr int kLifetimeDays = 397;

    // Empty when both files are written (the key with mode 0600); else the reason.
    [[nodiscard]] std::optional<QString> issue(const QString &certPath, const QString &keyPath) const;

    // Empty when the certificate was signed by this CA, names localhost and stays valid for at
    // least `minimumDays` more days; else what is wrong with it.
    [[nodiscard]] std::optional<QString> check(const QString &certPath, int minimumDays) const;

    // Empty when the CA's files are there; else what is missing.
    [[nodiscard]] std::optional<QString> checkAuthority() const;

private:
    // Runs openssl with an argument list (no shell); empty on success, else its message.
    [[nodiscard]] std::optional<QString> runOpenssl(const QStringList &arguments) const;

    QString m_caCert;
    QString m_caKey;
};
