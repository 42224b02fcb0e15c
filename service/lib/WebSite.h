#pragma once

#include "lib/HttpExchange.h"

#include <QStringList>

struct ServiceContext;

// The service's web pages: the landing page and /index.php?id=register (a form that creates accounts),
// forgot-password, invite-a-friend and donate.
class WebSite {
public:
    explicit WebSite(ServiceContext &context);

    void handle(const IncomingRequest &request, HttpResponder responder);

private:
    struct RegisterForm {
        QString email;
        QString name;
        QStringList errors;
    };

    QByteArray home() const;
    QByteArray registerPage(const RegisterForm &form) const;
    QByteArray registered(const QString &name, const QString &email) const;
    QByteArray forgotPage(const QString &acknowledgedEmail, bool acknowledged) const;
    QByteArray invitePage(const QString &inviter) const;
    QByteArray donatePage() const;
    QByteArray notFound() const;
    void registerAccount(const IncomingRequest &request, HttpResponder responder);

    ServiceContext &m_context;
};
