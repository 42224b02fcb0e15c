#pragma once

#include "TestCertificates.h"

#include <QList>
#include <QMutex>
#include <QThread>
#include <functional>
#include <optional>

class ScriptedServerCore;

// A small HTTP/1.1 server on 127.0.0.1 with a thread of its own (the download's size request blocks the
// test's thread), answering each request as the test's script says: network conditions the reference
// service cannot be made to show on demand, and the request bytes as sent. Never what the service answers.
class ScriptedServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;
        QList<std::pair<QByteArray, QByteArray>> headers; // names in lower case
        QByteArray body;
        [[nodiscard]] std::optional<QByteArray> header(const QByteArray &name) const;
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
    // scheme://host:port + path
    [[nodiscard]] QByteArray url(const QByteArray &path, const QByteArray &host = "127.0.0.1") const;
    [[nodiscard]] QList<Request> requests() const;

    // A whole response with Content-Length (leave body out of a HEAD answer with headOnly).
    static QByteArray response(int status, const QByteArray &reason, const QByteArray &body,
                               const QByteArray &extraHeaders = {}, bool headOnly = false);

private:
    friend class ScriptedServerCore;

    Script m_script;
    bool m_tls;
    QThread m_thread;
    ScriptedServerCore *m_core = nullptr;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QList<Request> m_requests;
};
