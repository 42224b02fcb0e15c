#pragma once

#include "TestCertificates.h"

#include <QList>
#include <QMutex>
#include <QThread>
#include <functional>
#include <optional>

class QTcpServer;
class QTcpSocket;

// An HTTP/1.1 server on 127.0.0.1 on a thread of its own, answering as the test's script says: network
// conditions the service cannot show on demand, and the requests as sent. Never what the service answers.
class ScriptedServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;
        QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray body;
        [[nodiscard]] std::optional<QByteArray> header(const QByteArray &name) const {
            for (const auto &[key, value] : headers)
                if (key == name.toLower())
                    return value;
            return std::nullopt;
        }
    };
    struct Answer {
        QByteArray bytes;   // written as they stand; none: the request is never answered
        int delayMs = 0;    // before writing
        bool close = false; // close the connection once written
    };
    using Script = std::function<Answer(const Request &)>; // called on the server's thread

    explicit ScriptedServer(Script script, std::optional<TestCertificates::Identity> tls = std::nullopt);
    ~ScriptedServer();

    [[nodiscard]] quint16 port() const { return m_port; }
    [[nodiscard]] QByteArray url(const QByteArray &path, const QByteArray &host = "127.0.0.1") const {
        return (m_tls ? "https://" : "http://") + host + ':' + QByteArray::number(m_port) + path;
    }
    [[nodiscard]] QList<Request> requests() const;

    // A whole response with Content-Length (leave body out of a HEAD answer with headOnly).
    static QByteArray response(int status, const QByteArray &reason, const QByteArray &body,
                               const QByteArray &extraHeaders = {}, bool headOnly = false);

private:
    // Every complete request in the buffer, answered (on the server's thread).
    void serve(QTcpSocket *socket, QByteArray &buffer);

    Script m_script;
    bool m_tls;
    QThread m_thread;
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QList<Request> m_requests;
};
