#include "ScriptedServer.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

// Lives on the server's thread.
class ScriptedServerCore final : public QObject {
public:
    ScriptedServerCore(ScriptedServer &owner, const std::optional<TestCertificates::Identity> &tls)
        : m_owner(owner) {
        m_server = tls ? new QSslServer(this) : new QTcpServer(this);
        if (tls) {
            QSslConfiguration config = QSslConfiguration::defaultConfiguration();
            config.setLocalCertificateChain(tls->chain);
            config.setPrivateKey(tls->key);
            static_cast<QSslServer *>(m_server)->setSslConfiguration(config);
        }
        connect(m_server, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket *socket = m_server->nextPendingConnection()) {
                socket->setParent(this);
                auto buffer = std::make_shared<QByteArray>();
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket, buffer] { read(socket, *buffer); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                read(socket, *buffer);
            }
        });
    }

    quint16 listen() { return m_server->listen(QHostAddress::LocalHost, 0) ? m_server->serverPort() : 0; }

private:
    // Every complete request in the buffer: the request line, headers, and a body of Content-Length.
    void read(QTcpSocket *socket, QByteArray &buffer) {
        buffer += socket->readAll();
        for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
            ScriptedServer::Request request;
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
            request.method = first.value(0);
            request.target = first.value(1);
            for (const QByteArray &line : lines.mid(1)) {
                if (const qsizetype colon = line.indexOf(':'); colon >= 0)
                    request.headers.append(
                        {line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
            }
            const qint64 length = request.header("content-length").value_or("0").toLongLong();
            if (buffer.size() < end + 4 + length)
                return;
            request.body = buffer.mid(end + 4, length);
            buffer.remove(0, end + 4 + length);
            {
                QMutexLocker lock(&m_owner.m_mutex);
                m_owner.m_requests.append(request);
            }
            const ScriptedServer::Answer answer = m_owner.m_script(request);
            QTimer::singleShot(answer.delayMs, socket, [socket, answer] {
                socket->write(answer.bytes);
                if (answer.close)
                    socket->disconnectFromHost();
            });
        }
    }

    ScriptedServer &m_owner;
    QTcpServer *m_server = nullptr;
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
    m_core = new ScriptedServerCore(*this, tls);
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

QByteArray ScriptedServer::response(int status, const QByteArray &reason, const QByteArray &body,
                                    const QByteArray &extraHeaders, bool headOnly) {
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders + "\r\n" +
           (headOnly ? QByteArray() : body);
}
