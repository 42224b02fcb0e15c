#include "core/ChatReply.h"

ChatReply ParseChatReply(const QByteArray &reply) {
    ChatReply parsed;
    // An occurrence that ends on the reply's last character does not count.
    const qsizetype tag = reply.indexOf("[w]");
    parsed.IsWhisper = tag >= 0 && tag + 3 < reply.size();

    qsizetype start = 0;
    while (start < reply.size()) {
        qsizetype end = start;
        while (end < reply.size() && reply[end] != '\n' && reply[end] != '\r')
            ++end;
        parsed.Lines.append(reply.mid(start, end - start));
        if (end + 1 < reply.size() && reply[end] == '\r' && reply[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return parsed;
}

ChatRequest ChatPollRequest() {
    return {QByteArrayLiteral("CheckChat"), QByteArrayLiteral("Global"), {}, {}};
}

ChatRequest ChatJoinGlobalRequest() {
    return {QByteArrayLiteral("Join!"), QByteArrayLiteral("Global"), {}, {}};
}

FormFields ChatForm(const QByteArray &userName, const ChatRequest &request, const QByteArray &loginId) {
    return {
        {"username", userName},         {"command", request.ChatCommand},  {"channel", request.ChatChannel},
        {"chattext", request.ChatText}, {"wshpto", request.ChatWhisperTo}, {"loginid", loginId}};
}
