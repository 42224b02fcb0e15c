#include "lib/HttpFront.h"

#include <QHttpServerRequest>
#include <QUrl>

namespace {

IncomingRequest::Method methodOf(QHttpServerRequest::Method method) {
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return IncomingRequest::Method::Get;
    case QHttpServerRequest::Method::Head:
        return IncomingRequest::Method::Head;
    case QHttpServerRequest::Method::Post:
        return IncomingRequest::Method::Post;
    default:
        return IncomingRequest::Method::Other;
    }
}

// nginx puts the client's address into X-Real-IP; only a proxy on this machine is believed.
QString clientAddress(const QHttpServerRequest &request) {
    const QHostAddress peer = request.remoteAddress();
    if (peer.isLoopback()) {
        const auto headers = request.headers();
        for (const auto &[name, value] : headers) {
            if (name.compare("x-real-ip", Qt::CaseInsensitive) != 0)
                continue;
            const QHostAddress forwarded(QString::fromLatin1(value.trimmed()));
            if (!forwarded.isNull())
                return forwarded.toString();
        }
    }
    if (peer.protocol() == QAbstractSocket::IPv6Protocol) {
        bool mapped = false;
        const quint32 v4 = peer.toIPv4Address(&mapped);
        if (mapped)
            return QHostAddress(v4).toString();
    }
    return peer.toString();
}

bool wantsClose(const QHttpServerRequest &request) {
    const auto headers = request.headers();
    for (const auto &[name, value] : headers) {
        if (name.compare("connection", Qt::CaseInsensitive) == 0 && value.toLower().contains("close"))
            return true;
    }
    return false;
}

} // namespace

HttpFront::HttpFront(Handler handler, QObject *parent)
    : QAbstractHttpServer(parent)
    , m_handler(std::move(handler)) {}

bool HttpFront::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) {
    IncomingRequest in;
    in.method = methodOf(request.method());
    const QUrl url = request.url();
    in.path = url.path();
    in.rawQuery = url.query(QUrl::FullyEncoded).toLatin1();
    in.body = request.body();
    in.clientAddress = clientAddress(request);
    m_handler(in, HttpResponder(socket, wantsClose(request), in.method == IncomingRequest::Method::Head));
    return true;
}

void HttpFront::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) {
    HttpResponder(socket, wantsClose(request), false)
        .send(HttpReply::text(QByteArrayLiteral("Not found"), 404));
}
