#include "ScriptedServer.h"

#include <QHash>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

// Lives on the server's thread.
class ScriptedServerCore final : public QObject {
public:
    ScriptedServerCore(ScriptedServer &owner, std::optional<TestCertificates::Identity> tls)
        : m_owner(owner)
        , m_tls(std::move(tls)) {}

    quint16 listen() {
        if (m_tls) {
            auto *server = new QSslServer(this);
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificateChain(m_tls->chain);
            config.setPrivateKey(m_tls->key);
            config.setPeerVerifyMode(QSslSocket::VerifyNone);
            server->setSslConfiguration(config);
            m_server = server;
        } else {
            m_server = new QTcpServer(this);
        }
        connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] { accept(); });
        return m_server->listen(QHostAddress::LocalHost, 0) ? m_server->serverPort() : 0;
    }

private:
    void accept() {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [this, socket] { m_buffers.remove(socket); });
            read(socket);
        }
    }

    void read(QTcpSocket *socket) {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        for (;;) {
            const qsizetype end = buffer.indexOf("\r\n\r\n");
            if (end < 0)
                return;
            ScriptedServer::Request request;
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            qint64 length = 0;
            for (qsizetype i = 1; i < lines.size(); ++i) {
                const qsizetype colon = lines[i].indexOf(':');
                if (colon < 0)
                    continue;
                const QByteArray name = lines[i].left(colon).trimmed().toLower();
                const QByteArray value = lines[i].mid(colon + 1).trimmed();
                request.headers.append(std::pair{name, value});
                if (name == "content-length")
                    length = value.toLongLong();
            }
            if (buffer.size() < end + 4 + length)
                return;
            request.body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            m_owner.record(request);
            answer(socket, m_owner.m_script(request));
        }
    }

    static void answer(QTcpSocket *socket, const ScriptedServer::Answer &answer) {
        if (answer.bytes.isEmpty() && !answer.close)
            return;
        auto write = [socket, answer] {
            socket->write(answer.bytes);
            if (answer.close)
                socket->disconnectFromHost();
        };
        if (answer.delayMs > 0)
            QTimer::singleShot(answer.delayMs, socket, write);
        else
            write();
    }

    ScriptedServer &m_owner;
    std::optional<TestCertificates::Identity> m_tls;
    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

std::optional<QByteArray> ScriptedServer::Request::header(const QByteArray &name) const {
    for (const auto &[key, value] : headers)
        if (key == name.toLower())
            return value;
    return std::nullopt;
}

ScriptedServer::ScriptedServer(Script script, std::optional<TestCertificates::Identity> tls)
    : m_script(std::move(script))
    , m_tls(tls.has_value()) {
    m_core = new ScriptedServerCore(*this, std::move(tls));
    m_core->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_core, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_core, [this] { m_port = m_core->listen(); }, Qt::BlockingQueuedConnection);
}

ScriptedServer::~ScriptedServer() {
    m_thread.quit();
    m_thread.wait();
}

QByteArray ScriptedServer::url(const QByteArray &path, const QByteArray &host) const {
    return (m_tls ? "https://" : "http://") + host + ':' + QByteArray::number(m_port) + path;
}

QList<ScriptedServer::Request> ScriptedServer::requests() const {
    QMutexLocker lock(&m_mutex);
    return m_requests;
}

void ScriptedServer::record(const Request &request) {
    QMutexLocker lock(&m_mutex);
    m_requests.append(request);
}

QByteArray ScriptedServer::response(int status, const QByteArray &reason, const QByteArray &body,
                                    const QByteArray &extraHeaders, bool headOnly) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" +
           (headOnly ? QByteArray() : body);
}
