#pragma once

#include "lib/HttpExchange.h"

struct ServiceContext;

// The launcher's server check (which is also the login keep-alive) and its login and log-off posts.
// Replies are the launcher's exact keywords; HTTP status codes are not read by it.
class GameEndpoints {
public:
    explicit GameEndpoints(ServiceContext &context);

    void check(const IncomingRequest &request, HttpResponder responder);
    void login(const IncomingRequest &request, HttpResponder responder);

    // "ON!|" or "OFF|", three characters (`logOut` gives "LO|"), the counts and the version list.
    static QByteArray checkReply(bool online, bool logOut, int ads, int news,
                                 const QList<QByteArray> &versions);

private:
    void logIn(const QString &email, const QString &password, const QString &address,
               HttpResponder responder);
    void finishLogIn(const QString &email, bool passwordOk, const QString &address, HttpResponder responder);
    QByteArray logOff(const QString &email, const QString &loginId);

    ServiceContext &m_context;
};
