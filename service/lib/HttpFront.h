#pragma once

#include "lib/HttpExchange.h"

#include <QAbstractHttpServer>
#include <functional>

// Qt's HTTP parsing and connection handling, with our own dispatch: every complete request is copied
// into an IncomingRequest and handed over with a responder that outlives the call.
class HttpFront : public QAbstractHttpServer {
    Q_OBJECT
public:
    using Handler = std::function<void(const IncomingRequest &, HttpResponder)>;

    explicit HttpFront(Handler handler, QObject *parent = nullptr);

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    Handler m_handler;
};
