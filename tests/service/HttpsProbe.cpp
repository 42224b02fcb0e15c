#include "HttpsProbe.h"

#include <QDeadlineTimer>
#include <QSslSocket>
#include <QUrl>

using namespace Qt::StringLiterals;

static constexpr int kTimeoutMs = 60000;

QByteArray HttpsProbe::Reply::header(const QByteArray &name) const {
    const auto found = std::find_if(headers.begin(), headers.end(),
                                    [&](const auto &h) { return h.first == name.toLower(); });
    return found == headers.end() ? QByteArray() : found->second;
}

HttpsProbe::HttpsProbe(QString host, quint16 port, QSslConfiguration config)
    : m_host(std::move(host))
    , m_port(port)
    , m_config(std::move(config)) {}

HttpsProbe::Reply HttpsProbe::send(const QByteArray &verb, const QByteArray &target, const QByteArray &body,
                                   const QList<std::pair<QByteArray, QByteArray>> &headers) const {
    Reply reply;
    QSslSocket socket;
    socket.setSslConfiguration(m_config);
    QObject::connect(&socket, &QSslSocket::sslErrors, &socket,
                     [&reply](const QList<QSslError> &errors) { reply.sslErrors += errors; });
    socket.connectToHostEncrypted(m_host, m_port);
    if (!socket.waitForEncrypted(kTimeoutMs)) {
        reply.error = socket.errorString();
        return reply;
    }
    reply.connected = true;
    QByteArray request = verb + ' ' + target + " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n";
    for (const auto &[name, value] : headers)
        request += name + ": " + value + "\r\n";
    if (!body.isEmpty() || verb == "POST")
        request += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    socket.write(request + "\r\n" + body);

    QByteArray raw;
    QDeadlineTimer deadline(kTimeoutMs);
    do {
        socket.waitForReadyRead(100);
        raw += socket.readAll();
    } while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState);
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0) {
        reply.error = u"no complete response head: %1"_s.arg(QString::fromLatin1(raw.left(200)));
        return reply;
    }
    const QList<QByteArray> lines = raw.left(end).split('\n');
    reply.status = lines.first().split(' ').value(1).toInt();
    for (const QByteArray &line : lines.mid(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            reply.headers.append({line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    if (verb != "HEAD")
        reply.body = raw.mid(end + 4);
    return reply;
}

HttpsProbe::Reply HttpsProbe::postForm(const QByteArray &path,
                                       const QList<std::pair<QString, QString>> &fields) const {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (!value.isEmpty())
            body += (body.isEmpty() ? "" : "&") + QUrl::toPercentEncoding(name) + '=' +
                    QUrl::toPercentEncoding(value);
    }
    return send("POST", path, body,
                {{"Content-Type", "application/x-www-form-urlencoded"}, {"User-Agent", "Quillbarrow"}});
}
