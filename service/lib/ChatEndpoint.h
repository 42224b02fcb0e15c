#pragma once

#include "lib/HttpExchange.h"

#include <QStringList>

struct LiveSession;
struct ServiceContext;

// The launcher's chat post: one command (poll, send, whisper, join, leave) and the new lines for the
// session. The sender is the session's player, whatever name the post carries.
class ChatEndpoint {
public:
    explicit ChatEndpoint(ServiceContext &context);

    void handle(const IncomingRequest &request, HttpResponder responder);

private:
    // Each returns the notices for the sender (empty when the command needs none).
    QStringList join(const LiveSession &session, const QString &channel);
    QStringList leave(const LiveSession &session, const QString &channel);
    QStringList send(const LiveSession &session, const QString &channel, const QString &text);
    QStringList whisper(const LiveSession &session, const QString &to, const QString &text);
    // Empty when the text can be sent, else the notice; `text` is cleaned of line breaks.
    QString checkText(QString &text) const;

    ServiceContext &m_context;
};
