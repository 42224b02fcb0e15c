#pragma once

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QTcpSocket>

// One request as the handlers see it: copied out of Qt's request object, so that a reply can be sent
// after the handler has returned (password hashing) without touching Qt's per-request state.
struct IncomingRequest {
    enum class Method { Get, Head, Post, Other };
    Method method = Method::Other;
    QString path;
    QByteArray rawQuery; // as sent, still percent-encoded
    QByteArray body;
    QString clientAddress;
};

struct HttpReply {
    int status = 200;
    QByteArray contentType = QByteArrayLiteral("text/plain; charset=utf-8");
    QByteArray body;
    bool html = false;

    static HttpReply text(const QByteArray &body, int status = 200) {
        HttpReply r;
        r.status = status;
        r.body = body;
        return r;
    }
    static HttpReply page(const QByteArray &html, int status = 200) {
        HttpReply r;
        r.status = status;
        r.contentType = QByteArrayLiteral("text/html; charset=utf-8");
        r.body = html;
        r.html = true;
        return r;
    }
};

// Sends the reply of one request, now or later. The connection may be gone by then (the client gave up):
// the reply is then dropped. Sending twice sends nothing the second time.
class HttpResponder {
public:
    HttpResponder(QTcpSocket *socket, bool closeAfter, bool headOnly);

    void send(const HttpReply &reply);
    bool sent() const { return m_sent; }

private:
    QPointer<QTcpSocket> m_socket;
    bool m_closeAfter;
    bool m_headOnly;
    bool m_sent = false;
};
