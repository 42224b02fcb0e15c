#include "HttpsProbe.h"

#include <QDeadlineTimer>
#include <QSslSocket>

namespace {

constexpr int kTimeoutMs = 60000;

void parseResponse(const QByteArray &raw, bool isHead, HttpsProbe::Reply *reply) {
    const qsizetype end = raw.indexOf("\r\n\r\n");
    if (end < 0) {
        reply->error =
            QStringLiteral("no complete response head: %1").arg(QString::fromLatin1(raw.left(200)));
        return;
    }
    const QList<QByteArray> lines = raw.left(end).split('\n');
    const QList<QByteArray> statusLine = lines.first().trimmed().split(' ');
    reply->status = statusLine.value(1).toInt();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines.at(i).indexOf(':');
        if (colon > 0)
            reply->headers.append(
                {lines.at(i).left(colon).trimmed().toLower(), lines.at(i).mid(colon + 1).trimmed()});
    }
    if (!isHead)
        reply->body = raw.mid(end + 4);
}

} // namespace

QByteArray HttpsProbe::Reply::header(const QByteArray &name) const {
    for (const auto &[key, value] : headers) {
        if (key == name.toLower())
            return value;
    }
    return {};
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
    request += "\r\n" + body;
    socket.write(request);

    QByteArray raw;
    QDeadlineTimer deadline(kTimeoutMs);
    while (!deadline.hasExpired() && socket.state() == QAbstractSocket::ConnectedState) {
        socket.waitForReadyRead(100);
        raw += socket.readAll();
    }
    raw += socket.readAll();
    parseResponse(raw, verb == "HEAD", &reply);
    return reply;
}

HttpsProbe::Reply HttpsProbe::postForm(const QByteArray &path,
                                       const QList<std::pair<QString, QString>> &fields) const {
    QByteArray body;
    for (const auto &[name, value] : fields) {
        if (value.isEmpty())
            continue;
        if (!body.isEmpty())
            body += '&';
        body += name.toUtf8().toPercentEncoding() + '=' + value.toUtf8().toPercentEncoding();
    }
    return send("POST", path, body,
                {{"Content-Type", "application/x-www-form-urlencoded"}, {"User-Agent", "Quillbarrow"}});
}
