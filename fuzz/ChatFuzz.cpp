// The chat reply, and a typed chat line against a pending request. Input: one flag byte (bit 0: a
// command is pending, bits 1-3: which request is current), then the text, used both as a reply and,
// split at its first line break, as the typed line and the announced launcher version.
#include "FuzzSupport.h"
#include "core/ChatInput.h"
#include "core/ChatReply.h"

using namespace FuzzSupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size == 0)
        return 0;
    const quint8 flags = data[0];
    const QByteArray text = view(data + 1, size - 1).toByteArray();

    const ChatReply reply = ParseChatReply(text);
    for (const QByteArray &line : reply.Lines) {
        if (line.contains('\n') || line.contains('\r'))
            fail("a chat line holds a line break");
    }

    const qsizetype cut = text.indexOf('\n');
    const QByteArray typed = cut < 0 ? text : text.left(cut);
    const QByteArray version = cut < 0 ? QByteArray() : text.mid(cut + 1);
    ChatRequest current = (flags & 2) ? ChatJoinGlobalRequest() : ChatPollRequest();
    if (flags & 4)
        current.ChatChannel = version;
    if (flags & 8)
        current.ChatWhisperTo = version;
    const ChatInputAction action = HandleChatInput(typed, current, flags & 1, version);
    (void)FormBody(ChatForm("player", action.Request, "0123456789abcdef"));
    return 0;
}
