#include "ScriptedServer.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

ScriptedServer::ScriptedServer(Script script, std::optional<TestCertificates::Identity> tls)
    : m_script(std::move(script))
    , m_tls(tls.has_value())
    , m_server(tls ? new QSslServer : new QTcpServer) {
    if (tls) {
        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificateChain(tls->chain);
        config.setPrivateKey(tls->key);
        static_cast<QSslServer *>(m_server)->setSslConfiguration(config);
    }
    QObject::connect(m_server, &QTcpServer::pendingConnectionAvailable, m_server, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket, buffer] { serve(socket, *buffer); });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            serve(socket, *buffer);
        }
    });
    m_server->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_server, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_server, [this] { m_port = m_server->listen(QHostAddress::LocalHost) ? m_server->serverPort() : 0; },
        Qt::BlockingQueuedConnection);
}

ScriptedServer::~ScriptedServer() {
    m_thread.quit();
    m_thread.wait();
}

void ScriptedServer::serve(QTcpSocket *socket, QByteArray &buffer) {
    buffer += socket->readAll();
    for (qsizetype end = buffer.indexOf("\r\n\r\n"); end >= 0; end = buffer.indexOf("\r\n\r\n")) {
        Request request;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.target = first.value(1);
        for (const QByteArray &line : lines.mid(1)) {
            if (const qsizetype colon = line.indexOf(':'); colon >= 0)
                request.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
        }
        const qint64 length = request.header("content-length").value_or("0").toLongLong();
        if (buffer.size() < end + 4 + length)
            return;
        request.body = buffer.mid(end + 4, length);
        buffer.remove(0, end + 4 + length);
        {
            QMutexLocker lock(&m_mutex);
            m_requests.append(request);
        }
        const Answer answer = m_script(request);
        QTimer::singleShot(answer.delayMs, socket, [socket, answer] {
            socket->write(answer.bytes);
            if (answer.close)
                socket->disconnectFromHost();
        });
    }
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
