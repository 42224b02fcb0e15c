#include "lib/ChatEndpoint.h"

#include "lib/AccountRules.h"
#include "lib/ChatDelivery.h"
#include "lib/FormFields.h"
#include "lib/ServiceContext.h"
#include "lib/ServiceLog.h"
#include "lib/ServiceStore.h"
#include "lib/SessionRegistry.h"

namespace {

constexpr int kMaxChannelsPerSession = 10;
constexpr int kMaxFieldChars = 64;

QString notice(const QString &text) {
    return QStringLiteral("[System] ") + text;
}

// Posted text quoted back in a notice: one line, bounded.
QString quoted(const QString &text) {
    QString out = text.left(kMaxFieldChars);
    for (QChar &c : out) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return out;
}

} // namespace

ChatEndpoint::ChatEndpoint(ServiceContext &context)
    : m_context(context) {}

void ChatEndpoint::handle(const IncomingRequest &request, HttpResponder responder) {
    const std::optional<FormFields> form = FormFields::parse(request.body);
    if (!form) {
        responder.send(
            HttpReply::text(notice(QStringLiteral("The chat request was not understood.")).toUtf8(), 400));
        return;
    }
    const QString command = form->value(QStringLiteral("command"));
    const QString loginId = form->value(QStringLiteral("loginid"));
    const qint64 now = m_context.now();
    const LiveSession *found =
        loginId.size() > kMaxFieldChars ? nullptr : m_context.sessions.find(loginId.toLatin1(), now);
    if (!found && m_context.sessions.sourceFailed()) {
        responder.send(
            HttpReply::text(notice(QStringLiteral("The chat is not available right now.")).toUtf8(), 503));
        return;
    }
    if (!found) {
        // A poll of an ended login stays quiet: the next server check tells the launcher to log out.
        const QByteArray body = command == QLatin1String("CheckChat") || command.isEmpty()
                                    ? QByteArray()
                                    : notice(QStringLiteral("You are not logged in.")).toUtf8();
        responder.send(HttpReply::text(body));
        return;
    }
    const LiveSession session = *found;
    const QString channel = form->value(QStringLiteral("channel"));
    QString text = form->value(QStringLiteral("chattext"));
    QStringList lines;
    if (command == QLatin1String("CheckChat")) {
        // nothing to do besides delivery
    } else if (command == QLatin1String("Join!")) {
        lines = join(session, channel);
    } else if (command == QLatin1String("Leave!")) {
        lines = leave(session, channel);
    } else if (command == QLatin1String("Send!")) {
        lines = send(session, channel, text);
    } else if (command == QLatin1String("Whisper")) {
        lines = whisper(session, form->value(QStringLiteral("wshpto")), text);
    } else {
        lines.append(notice(QStringLiteral("Unknown chat command.")));
    }
    QByteArray body = lines.join(QLatin1Char('\n')).toUtf8();
    const std::optional<QList<QByteArray>> delivered =
        m_context.chat.fetch(session.id, m_context.config.chatLinesPerReply);
    if (!delivered) {
        responder.send(
            HttpReply::text(notice(QStringLiteral("The chat is not available right now.")).toUtf8(), 503));
        return;
    }
    for (const QByteArray &line : *delivered) {
        if (!body.isEmpty())
            body += '\n';
        body += line;
    }
    responder.send(HttpReply::text(body));
    m_context.chat.handedOver();
}

QStringList ChatEndpoint::join(const LiveSession &session, const QString &channel) {
    if (const QString problem = AccountRules::checkChannel(channel); !problem.isEmpty())
        return {notice(problem)};
    if (m_context.chat.isIn(session.id, channel))
        return {notice(QStringLiteral("You are already in channel %1.").arg(channel))};
    if (m_context.chat.channelCount(session.id) >= kMaxChannelsPerSession)
        return {notice(QStringLiteral("You can be in at most %1 channels.").arg(kMaxChannelsPerSession))};
    m_context.chat.join(session.id, channel);
    m_context.store.setSessionChannels(session.id, m_context.chat.channelsOf(session.id));
    return {notice(QStringLiteral("You joined channel %1.").arg(channel))};
}

QStringList ChatEndpoint::leave(const LiveSession &session, const QString &channel) {
    if (!m_context.chat.leave(session.id, channel))
        return {notice(QStringLiteral("You are not in channel %1.").arg(quoted(channel)))};
    m_context.store.setSessionChannels(session.id, m_context.chat.channelsOf(session.id));
    return {notice(QStringLiteral("You left channel %1.").arg(channel))};
}

QString ChatEndpoint::checkText(QString &text) const {
    // A line break would let a sender forge further lines (a fake whisper or notice).
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    text = text.trimmed();
    if (text.isEmpty())
        return notice(QStringLiteral("Nothing to send."));
    if (text.size() > m_context.config.chatTextMaxChars)
        return notice(QStringLiteral("Your message is longer than %1 characters and was not sent.")
                          .arg(m_context.config.chatTextMaxChars));
    return {};
}

QStringList ChatEndpoint::send(const LiveSession &session, const QString &channel, const QString &rawText) {
    if (!m_context.chat.isIn(session.id, channel))
        return {notice(
            QStringLiteral("You are not in channel %1. Type /join %1 to enter it.").arg(quoted(channel)))};
    QString text = rawText;
    if (const QString problem = checkText(text); !problem.isEmpty())
        return {problem};
    const QString line = QStringLiteral("[%1] %2: %3").arg(channel, session.name, text);
    if (!m_context.chat.postToChannel(channel, line.toUtf8()))
        return {notice(QStringLiteral("Your message could not be sent; try again."))};
    if (const StoreResult r = m_context.store.appendChat({m_context.now(), channel, session.name, {}, text});
        !r.ok())
        qCWarning(lcService) << "chat message not recorded:" << r.error;
    return {};
}

QStringList ChatEndpoint::whisper(const LiveSession &session, const QString &to, const QString &rawText) {
    if (to.isEmpty())
        return {notice(QStringLiteral("Whisper to whom? Type /w name message."))};
    const LiveSession *target =
        to.size() > kMaxFieldChars ? nullptr : m_context.sessions.findByName(to, m_context.now());
    if (!target)
        return {notice(QStringLiteral("%1 is not online.").arg(quoted(to)))};
    QString text = rawText;
    if (const QString problem = checkText(text); !problem.isEmpty())
        return {problem};
    const QString line = QStringLiteral("[w] %1: %2").arg(session.name, text);
    const QString echo = QStringLiteral("[w] To %1: %2").arg(target->name, text);
    if (!m_context.chat.postWhisper(target->id, line.toUtf8(), session.id, echo.toUtf8()))
        return {notice(QStringLiteral("Your message could not be sent; try again."))};
    if (const StoreResult r =
            m_context.store.appendChat({m_context.now(), {}, session.name, target->name, text});
        !r.ok())
        qCWarning(lcService) << "whisper not recorded:" << r.error;
    return {};
}
