#pragma once

#include "core/FormBody.h"

#include <QByteArray>
#include <QList>

// The new chat text of a chat reply.
struct ChatReply {
    bool IsWhisper = false; // "[w]" somewhere but at the very end: the whisper cue instead of the message cue
    QList<QByteArray> Lines; // one log line each; none for an empty reply
};

// The service joins several chat lines with line breaks ("\n", "\r\n" or "\r"); a final break adds no
// empty line.
[[nodiscard]] ChatReply ParseChatReply(const QByteArray &reply);

// The fields of a chat request, in their post order.
struct ChatRequest {
    QByteArray ChatCommand;
    QByteArray ChatChannel;
    QByteArray ChatText;
    QByteArray ChatWhisperTo;

    bool operator==(const ChatRequest &) const = default;
};

// What the poll slot sends when no typed command is pending, and the first request after a login.
[[nodiscard]] ChatRequest ChatPollRequest();
[[nodiscard]] ChatRequest ChatJoinGlobalRequest();

[[nodiscard]] FormFields ChatForm(const QByteArray &userName, const ChatRequest &request,
                                  const QByteArray &loginId);
