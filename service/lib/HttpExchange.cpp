#include "lib/HttpExchange.h"

namespace {

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return QByteArrayLiteral("OK");
    case 400:
        return QByteArrayLiteral("Bad Request");
    case 404:
        return QByteArrayLiteral("Not Found");
    case 405:
        return QByteArrayLiteral("Method Not Allowed");
    case 413:
        return QByteArrayLiteral("Payload Too Large");
    case 429:
        return QByteArrayLiteral("Too Many Requests");
    case 503:
        return QByteArrayLiteral("Service Unavailable");
    default:
        return QByteArrayLiteral("Internal Server Error");
    }
}

} // namespace

HttpResponder::HttpResponder(QTcpSocket *socket, bool closeAfter, bool headOnly)
    : m_socket(socket)
    , m_closeAfter(closeAfter)
    , m_headOnly(headOnly) {}

void HttpResponder::send(const HttpReply &reply) {
    if (m_sent)
        return;
    m_sent = true;
    if (!m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray out;
    out.reserve(256 + reply.body.size());
    out += "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reason(reply.status) + "\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    out += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\n";
    out += "X-Content-Type-Options: nosniff\r\n";
    if (reply.html) {
        out += "Content-Security-Policy: default-src 'self'; style-src 'self' 'unsafe-inline'; "
               "img-src 'self' data:; form-action 'self'; frame-ancestors 'self'\r\n";
        out += "Referrer-Policy: same-origin\r\n";
    }
    if (m_closeAfter)
        out += "Connection: close\r\n";
    out += "\r\n";
    if (!m_headOnly)
        out += reply.body;
    m_socket->write(out);
    // Into the kernel now rather than when the event loop comes round: what a poll has taken from
    // the chat record must leave even if this process is killed a moment later.
    m_socket->flush();
    if (m_closeAfter)
        m_socket->disconnectFromHost();
}
