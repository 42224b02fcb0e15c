#include "BenchConnection.h"

#include "BenchClock.h"

#include <QSslSocket>
#include <utility>

BenchConnection::BenchConnection(quint16 port, const QSslConfiguration &config, QObject *parent)
    : QObject(parent)
    , m_port(port)
    , m_config(config) {}

BenchConnection::~BenchConnection() = default;

QByteArray BenchConnection::request(const QByteArray &path, const QByteArray &body) const {
    return "POST " + path + " HTTP/1.1\r\nHost: localhost:" + QByteArray::number(m_port) +
           "\r\nUser-Agent: Quillbarrow\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

void BenchConnection::send(const QByteArray &request, Done done) {
    if (!m_socket || m_socket->state() == QAbstractSocket::UnconnectedState) {
        if (m_socket)
            m_socket->deleteLater();
        m_socket = new QSslSocket(this);
        m_socket->setSslConfiguration(m_config);
        connect(m_socket, &QSslSocket::readyRead, this, &BenchConnection::onReadyRead);
        connect(m_socket, &QSslSocket::disconnected, this, &BenchConnection::onDisconnected);
        connect(m_socket, &QSslSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
            if (m_socket->state() != QAbstractSocket::ConnectedState)
                onDisconnected();
        });
        m_socket->connectToHostEncrypted(QStringLiteral("localhost"), m_port);
        ++m_connects;
    }
    m_buffer.clear();
    m_done = std::move(done);
    m_late = false;
    m_sentAtUs = BenchClock::nowUs();
    // Written before the handshake ends, it goes out encrypted once it has.
    m_socket->write(request);
}

void BenchConnection::fail(const QString &why) {
    Done done = std::exchange(m_done, nullptr);
    // Aborting reports a disconnection, which must not finish the request a second time.
    if (m_socket)
        m_socket->abort();
    Result result;
    result.error = why;
    result.latencyUs = BenchClock::nowUs() - m_sentAtUs;
    done(result);
}

void BenchConnection::onReadyRead() {
    m_buffer += m_socket->readAll();
    if (busy())
        parseResponse();
}

void BenchConnection::onDisconnected() {
    if (busy())
        fail(QStringLiteral("connection lost: %1").arg(m_socket->errorString()));
}

bool BenchConnection::parseResponse() {
    const qsizetype headEnd = m_buffer.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return false;
    const QByteArray head = m_buffer.left(headEnd);
    const qsizetype bodyStart = headEnd + 4;
    Result result;
    result.status = head.mid(9, 3).toInt();
    qint64 contentLength = -1;
    bool chunked = false;
    bool close = false;
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed().toLower();
        if (name == "content-length")
            contentLength = value.toLongLong();
        else if (name == "transfer-encoding")
            chunked = value.contains("chunked");
        else if (name == "connection")
            close = value == "close";
    }
    if (chunked) {
        qsizetype at = bodyStart;
        QByteArray body;
        while (true) {
            const qsizetype lineEnd = m_buffer.indexOf("\r\n", at);
            if (lineEnd < 0)
                return false;
            bool ok = false;
            const qint64 size =
                m_buffer.mid(at, lineEnd - at).split(';').first().trimmed().toLongLong(&ok, 16);
            if (!ok) {
                fail(QStringLiteral("bad chunked body"));
                return false;
            }
            if (size == 0) {
                if (m_buffer.indexOf("\r\n", lineEnd + 2) < 0)
                    return false;
                break;
            }
            if (m_buffer.size() < lineEnd + 2 + size + 2)
                return false;
            body += m_buffer.mid(lineEnd + 2, size);
            at = lineEnd + 2 + size + 2;
        }
        result.body = body;
    } else {
        if (contentLength < 0)
            contentLength = 0;
        if (m_buffer.size() < bodyStart + contentLength)
            return false;
        result.body = m_buffer.mid(bodyStart, contentLength);
    }
    result.ok = true;
    result.latencyUs = BenchClock::nowUs() - m_sentAtUs;
    m_buffer.clear();
    Done done = std::exchange(m_done, nullptr);
    // Closed before the callback, which may post the next request at once (on a new connection).
    if (close)
        m_socket->abort();
    done(result);
    return true;
}

void BenchConnection::finish(Result result) {
    Done done = std::exchange(m_done, nullptr);
    done(result);
}
