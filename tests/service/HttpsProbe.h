#pragma once

#include <QByteArray>
#include <QList>
#include <QSslConfiguration>
#include <QSslError>
#include <QString>

// One HTTP/1.1 request over TLS, written byte for byte as given (so tests can send request targets that a URL
// class would clean up), answered on a connection of its own.
class HttpsProbe {
public:
    struct Reply {
        bool connected = false; // the TLS handshake succeeded
        QString error;
        QList<QSslError> sslErrors;
        int status = 0;
        QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray body;

        [[nodiscard]] QByteArray header(const QByteArray &name) const;
    };

    HttpsProbe(QString host, quint16 port, QSslConfiguration config);

    // verb and target as they go on the request line; Host, Connection: close and, with a body,
    // Content-Length are added.
    [[nodiscard]] Reply send(const QByteArray &verb, const QByteArray &target, const QByteArray &body = {},
                             const QList<std::pair<QByteArray, QByteArray>> &headers = {}) const;
    // A form post the way the launcher sends it.
    [[nodiscard]] Reply postForm(const QByteArray &path,
                                 const QList<std::pair<QString, QString>> &fields) const;

private:
    QString m_host;
    quint16 m_port;
    QSslConfiguration m_config;
};
