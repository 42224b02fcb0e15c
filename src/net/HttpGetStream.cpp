#include "net/HttpGetStream.h"

#include <QSslSocket>
#include <QStringList>
#include <algorithm>
#include <optional>

namespace {

constexpr qint64 kBlockBytes = 256 * 1024;
constexpr qint64 kMaxLineBytes = 16 * 1024;
constexpr int kMaxHeaderLines = 200;

bool isRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Digits only, no sign, no overflow; -1 otherwise.
qint64 decimal(QByteArrayView text) {
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A chunk size line: hex digits, then optional extensions after ';'. -1 when unreadable.
qint64 chunkSize(QByteArrayView line) {
    const qsizetype semicolon = line.indexOf(';');
    const QByteArrayView digits = (semicolon < 0 ? line : line.first(semicolon)).trimmed();
    if (digits.isEmpty() || digits.size() > 15)
        return -1;
    qint64 value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

HttpGetStream::HttpGetStream(QUrl url, QList<std::pair<QByteArray, QByteArray>> headers,
                             QSslConfiguration tls, int idleTimeoutMs, QObject *parent)
    : QObject(parent)
    , m_url(std::move(url))
    , m_headers(std::move(headers))
    , m_tls(std::move(tls)) {
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeoutMs);
    connect(&m_idle, &QTimer::timeout, this, [this] {
        fail(Failure::TimedOut, QStringLiteral("no byte moved for %1 ms").arg(m_idle.interval()));
    });
}

HttpGetStream::~HttpGetStream() {
    // No signal from here on: whoever listens may be going away with this object.
    m_finished = true;
    dropSocket();
}

void HttpGetStream::start() {
    // From the event loop, so that even an immediate failure reaches a caller that connects after start().
    QMetaObject::invokeMethod(
        this, [this] { connectTo(m_url); }, Qt::QueuedConnection);
}

void HttpGetStream::abort() {
    if (!m_finished)
        fail(Failure::Aborted, QStringLiteral("stopped"));
}

void HttpGetStream::connectTo(const QUrl &url) {
    if (m_finished)
        return;
    const bool secure = url.scheme() == u"https";
    if (!secure && url.scheme() != u"http") {
        fail(Failure::Protocol, QStringLiteral("\"%1\" is not an http or https address").arg(url.toString()));
        return;
    }
    m_url = url;
    m_phase = Phase::Connecting;
    m_sslErrors.clear();
    m_socket = new QSslSocket(this);
    QSslSocket *socket = m_socket;
    connect(socket, &QSslSocket::connected, this, [this, secure] {
        touch();
        if (!secure)
            sendRequest();
    });
    connect(socket, &QSslSocket::encrypted, this, &HttpGetStream::sendRequest);
    connect(socket, &QSslSocket::readyRead, this, &HttpGetStream::readSoon);
    connect(socket, &QSslSocket::bytesWritten, this, &HttpGetStream::touch);
    connect(socket, &QSslSocket::disconnected, this, &HttpGetStream::socketEnded);
    connect(socket, &QSslSocket::errorOccurred, this, &HttpGetStream::socketFailed);
    connect(socket, &QSslSocket::sslErrors, this,
            [this](const QList<QSslError> &errors) { m_sslErrors += errors; });
    touch();
    const quint16 port = quint16(url.port(secure ? 443 : 80));
    if (secure) {
        socket->setSslConfiguration(m_tls);
        socket->connectToHostEncrypted(url.host(), port);
    } else {
        socket->connectToHost(url.host(), port);
    }
}

void HttpGetStream::sendRequest() {
    if (!m_socket)
        return;
    touch();
    QByteArray target = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (m_url.hasQuery())
        target += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = m_url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (m_url.port() != -1)
        host += ':' + QByteArray::number(m_url.port());

    QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    for (const auto &[name, value] : std::as_const(m_headers))
        request += name + ": " + value + "\r\n";
    // One request per connection: the end of the connection is the end of a body without a length.
    request += "Connection: close\r\n\r\n";
    m_phase = Phase::StatusLine;
    m_socket->write(request);
}

void HttpGetStream::readSoon() {
    // A TLS socket signals every record it decrypts (4 KiB) while it is still decrypting what came
    // in; reading once it is through hands the body out in the blocks the network delivered.
    if (m_readPending)
        return;
    m_readPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_readPending = false;
            readSome();
        },
        Qt::QueuedConnection);
}

void HttpGetStream::readSome() {
    if (!m_socket || m_finished)
        return;
    touch();
    if (m_phase == Phase::StatusLine || m_phase == Phase::Headers) {
        if (!readHead())
            return;
    }
    if (m_phase == Phase::Body)
        readBody();
    else if (m_phase >= Phase::ChunkSize && m_phase <= Phase::Trailers)
        readChunked();
}

// False when reading must stop here (head incomplete, failed, finished or redirected).
bool HttpGetStream::readHead() {
    int lines = 0;
    while (m_socket && (m_phase == Phase::StatusLine || m_phase == Phase::Headers)) {
        if (!m_socket->canReadLine()) {
            if (m_socket->bytesAvailable() > kMaxLineBytes)
                fail(Failure::Protocol, QStringLiteral("a response header line is too long"));
            return false;
        }
        if (++lines > kMaxHeaderLines) {
            fail(Failure::Protocol, QStringLiteral("the response has too many header lines"));
            return false;
        }
        const std::optional<QByteArray> line = nextLine();
        if (!line) {
            fail(Failure::Protocol, QStringLiteral("a response header line is too long"));
            return false;
        }
        if (!headerLine(*line))
            return false;
    }
    return m_socket && !m_finished;
}

bool HttpGetStream::headerLine(const QByteArray &line) {
    if (m_phase == Phase::StatusLine) {
        // "HTTP/1.1 200 OK"
        const QList<QByteArray> parts = line.split(' ');
        const qint64 status = parts.size() >= 2 ? decimal(parts.at(1)) : -1;
        if (!line.startsWith("HTTP/1.") || status < 100 || status > 999) {
            fail(Failure::Protocol, QStringLiteral("the server's answer is not an HTTP response"));
            return false;
        }
        m_status = int(status);
        m_reason = line.mid(parts.at(0).size() + 1 + parts.at(1).size()).trimmed();
        m_phase = Phase::Headers;
        return true;
    }
    if (line.isEmpty())
        return headEnded();
    const qsizetype colon = line.indexOf(':');
    if (colon <= 0) {
        fail(Failure::Protocol, QStringLiteral("a response header is malformed"));
        return false;
    }
    const QByteArray name = line.first(colon).trimmed().toLower();
    const QByteArray value = line.mid(colon + 1).trimmed();
    if (name == "content-length") {
        const qint64 length = decimal(value);
        if (length < 0 || (m_contentLength >= 0 && m_contentLength != length)) {
            fail(Failure::Protocol, QStringLiteral("the response's length is unreadable"));
            return false;
        }
        m_contentLength = length;
    } else if (name == "transfer-encoding") {
        m_chunked = value.toLower().trimmed().endsWith("chunked");
    } else if (name == "location") {
        m_location = value;
    }
    return true;
}

bool HttpGetStream::headEnded() {
    if (m_status < 200) {
        // An interim answer ("100 Continue"): the real one follows.
        m_phase = Phase::StatusLine;
        m_contentLength = -1;
        m_chunked = false;
        return true;
    }
    if (isRedirect(m_status) && !m_location.isEmpty()) {
        const QUrl next = m_url.resolved(QUrl::fromEncoded(m_location));
        if (m_url.scheme() == u"https" && next.scheme() != u"https") {
            fail(Failure::Protocol, QStringLiteral("redirected from https to %1").arg(next.toString()));
        } else if (++m_redirects > kMaxRedirects) {
            fail(Failure::Protocol, QStringLiteral("too many redirects"));
        } else {
            dropSocket();
            m_status = 0;
            m_reason.clear();
            m_location.clear();
            m_contentLength = -1;
            m_chunked = false;
            connectTo(next);
        }
        return false;
    }
    if (m_chunked) {
        // A chunked body's length comes from its chunks; a Content-Length beside it means nothing.
        m_contentLength = -1;
        m_phase = Phase::ChunkSize;
    } else {
        m_phase = Phase::Body;
        m_remaining = (m_status == 204 || m_status == 304) ? 0 : m_contentLength;
    }
    Q_EMIT headersReceived();
    if (m_finished)
        return false;
    if (m_phase == Phase::Body && m_remaining == 0) {
        complete();
        return false;
    }
    return true;
}

void HttpGetStream::readBody() {
    if (m_buffer.size() < kBlockBytes)
        m_buffer.resize(kBlockBytes);
    while (m_socket && !m_finished) {
        // Asked for a whole block: a TLS socket reports one record as available at a time, but
        // reads across as many as there are.
        const qint64 wanted = m_remaining >= 0 ? std::min(m_remaining, kBlockBytes) : kBlockBytes;
        const qint64 got = m_socket->read(m_buffer.data(), wanted);
        if (got <= 0)
            return;
        if (m_remaining >= 0)
            m_remaining -= got;
        Q_EMIT bodyReceived(QByteArrayView(m_buffer.constData(), got));
        if (m_finished)
            return;
        // The handler may have waited long; that was not the server's silence.
        touch();
        if (m_remaining == 0) {
            complete();
            return;
        }
    }
}

void HttpGetStream::readChunked() {
    while (m_socket && !m_finished) {
        if (m_phase == Phase::ChunkData) {
            const qint64 wanted = std::min(kBlockBytes, m_remaining);
            if (m_buffer.size() < kBlockBytes)
                m_buffer.resize(kBlockBytes);
            const qint64 got = m_socket->read(m_buffer.data(), wanted);
            if (got <= 0)
                return;
            m_remaining -= got;
            if (m_remaining == 0)
                m_phase = Phase::ChunkEnd;
            Q_EMIT bodyReceived(QByteArrayView(m_buffer.constData(), got));
            touch();
            continue;
        }
        if (!m_socket->canReadLine()) {
            if (m_socket->bytesAvailable() > kMaxLineBytes)
                fail(Failure::Protocol, QStringLiteral("a chunk header is too long"));
            return;
        }
        const std::optional<QByteArray> read = nextLine();
        if (!read) {
            fail(Failure::Protocol, QStringLiteral("a chunk header is too long"));
            return;
        }
        const QByteArray &line = *read;
        if (m_phase == Phase::ChunkSize) {
            const qint64 size = chunkSize(line);
            if (size < 0) {
                fail(Failure::Protocol, QStringLiteral("a chunk header is unreadable"));
                return;
            }
            m_remaining = size;
            m_phase = size == 0 ? Phase::Trailers : Phase::ChunkData;
        } else if (m_phase == Phase::ChunkEnd) {
            if (!line.isEmpty()) {
                fail(Failure::Protocol, QStringLiteral("a chunk is longer than announced"));
                return;
            }
            m_phase = Phase::ChunkSize;
        } else if (line.isEmpty()) { // the end of the trailers
            complete();
            return;
        }
    }
}

// The next whole line without its end; none when it is longer than a line may be. Only called when
// the socket can read a line.
std::optional<QByteArray> HttpGetStream::nextLine() {
    QByteArray line = m_socket->readLine(kMaxLineBytes);
    if (!line.endsWith('\n'))
        return std::nullopt;
    line.chop(line.endsWith("\r\n") ? 2 : 1);
    return line;
}

void HttpGetStream::socketEnded() {
    if (m_finished || !m_socket)
        return;
    // What arrived before the end still counts.
    readSome();
    if (m_finished || !m_socket)
        return;
    if (m_phase == Phase::Body && m_remaining < 0)
        complete();
    else
        fail(Failure::Closed, QStringLiteral("the server closed the connection"));
}

void HttpGetStream::socketFailed() {
    if (m_finished || !m_socket)
        return;
    const QAbstractSocket::SocketError error = m_socket->error();
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        socketEnded();
        return;
    case QAbstractSocket::ConnectionRefusedError:
        fail(Failure::Refused, m_socket->errorString());
        return;
    case QAbstractSocket::HostNotFoundError:
        fail(Failure::HostNotFound, m_socket->errorString());
        return;
    case QAbstractSocket::SocketTimeoutError:
        fail(Failure::TimedOut, m_socket->errorString());
        return;
    case QAbstractSocket::SslHandshakeFailedError: {
        QStringList texts;
        for (const QSslError &sslError : std::as_const(m_sslErrors))
            texts << sslError.errorString();
        fail(Failure::Tls, texts.isEmpty() ? m_socket->errorString() : texts.join(QStringLiteral("; ")));
        return;
    }
    default:
        fail(Failure::Other, m_socket->errorString());
        return;
    }
}

void HttpGetStream::fail(Failure failure, const QString &text) {
    if (m_finished)
        return;
    m_failure = failure;
    m_errorString = text;
    dropSocket();
    finish();
}

void HttpGetStream::complete() {
    m_phase = Phase::Done;
    dropSocket();
    finish();
}

void HttpGetStream::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_idle.stop();
    Q_EMIT finished();
}

void HttpGetStream::touch() {
    if (!m_finished)
        m_idle.start();
}

void HttpGetStream::dropSocket() {
    if (!m_socket)
        return;
    QSslSocket *socket = m_socket;
    m_socket = nullptr;
    disconnect(socket, nullptr, this, nullptr);
    socket->abort();
    // Later: this may be running inside one of the socket's own signals.
    socket->deleteLater();
}
