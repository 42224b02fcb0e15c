#pragma once

#include <QString>
#include <optional>

// The paths inside a service data folder. Everything the service writes lives below its root,
// including nginx's pid file, logs and temporary files.
class DataFolder {
public:
    // Makes the path absolute and clean. Refuses paths that nginx's configuration could not hold
    // safely (quotes, backslashes, "$", control characters).
    static std::optional<DataFolder> fromArgument(const QString &path, QString *error);

    [[nodiscard]] QString root() const { return m_root; }
    [[nodiscard]] QString path(const QString &relative) const;

    [[nodiscard]] QString database() const { return path(QStringLiteral("service.db")); }
    [[nodiscard]] QString settingsFile() const { return path(QStringLiteral("service.ini")); }
    [[nodiscard]] QString tlsDir() const { return path(QStringLiteral("tls")); }
    [[nodiscard]] QString certificate() const { return path(QStringLiteral("tls/cert.pem")); }
    [[nodiscard]] QString certificateKey() const { return path(QStringLiteral("tls/key.pem")); }
    // Present when the certificate is an operator's own, which the service never replaces.
    [[nodiscard]] QString operatorMarker() const { return path(QStringLiteral("tls/operator")); }
    [[nodiscard]] QString nginxDir() const { return path(QStringLiteral("nginx")); }
    [[nodiscard]] QString nginxConfig() const { return path(QStringLiteral("nginx/nginx.conf")); }
    [[nodiscard]] QString nginxPidFile() const { return path(QStringLiteral("nginx/nginx.pid")); }
    [[nodiscard]] QString nginxLogsDir() const { return path(QStringLiteral("nginx/logs")); }
    [[nodiscard]] QString nginxErrorLog() const { return path(QStringLiteral("nginx/logs/error.log")); }
    [[nodiscard]] QString nginxTempDir() const { return path(QStringLiteral("nginx/temp")); }
    [[nodiscard]] QString wwwDir() const { return path(QStringLiteral("www")); }

    // A folder that init has completed (its database exists).
    [[nodiscard]] bool isInitialised() const;

private:
    explicit DataFolder(QString root);

    QString m_root;
};
