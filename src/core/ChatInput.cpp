#include "core/ChatInput.h"

namespace {

// Characters from..from+text.size()-1 (1-based) of line are exactly text.
bool hasAt(const QByteArray &line, qsizetype from, QByteArrayView text) {
    return line.mid(from - 1, text.size()) == text;
}

QByteArray padded(const char *command, qsizetype blanks, const char *meaning) {
    return QByteArray(command) + QByteArray(blanks, ' ') + meaning;
}

} // namespace

QList<QByteArray> ChatHelpLines() {
    return {padded("/ver", 27, "-> Weave Version"),
            padded("/w User Message", 6, "-> Sends private message to User"),
            padded("/clear", 24, "-> Clears chat window.")};
}

ChatInputAction HandleChatInput(const QByteArray &line, const ChatRequest &current, bool sendPending,
                                const QByteArray &serverLauncherVersion) {
    ChatInputAction action;
    action.Request = current;
    action.SendPending = sendPending;
    if (line.isEmpty())
        return action;

    if (!line.startsWith('/')) {
        action.Request = {QByteArrayLiteral("Send!"), QByteArrayLiteral("Global"), line, {}};
        action.SendPending = true;
        return action;
    }

    // Every test is made; none excludes another.
    if (hasAt(line, 2, "ver"))
        action.LogLines.append("Weave Version :  " + serverLauncherVersion);
    if (hasAt(line, 2, "?"))
        action.LogLines.append(ChatHelpLines());
    if (hasAt(line, 2, "clear") || hasAt(line, 2, "cls"))
        action.ClearLog = true;

    const auto channelCommand = [&](const char *command, qsizetype nameFrom) {
        const QByteArray name = line.mid(nameFrom - 1);
        if (name.contains(' '))
            return;
        action.Request.ChatCommand = command;
        action.Request.ChatChannel = name;
        action.SendPending = true;
    };
    if (hasAt(line, 2, "join "))
        channelCommand("Join!", 7);
    if (hasAt(line, 2, "leave "))
        channelCommand("Leave!", 8);

    if (hasAt(line, 2, "w ")) {
        // The recipient runs to the first blank from character 4 on; without one the recipient is empty
        // and the whole line is the message.
        const qsizetype blank = line.indexOf(' ', 3);
        action.Request.ChatCommand = QByteArrayLiteral("Whisper");
        action.Request.ChatChannel.clear();
        if (blank < 0) {
            action.Request.ChatWhisperTo.clear();
            action.Request.ChatText = line;
        } else {
            action.Request.ChatWhisperTo = line.mid(3, blank - 3);
            action.Request.ChatText = line.mid(blank + 1);
        }
        action.SendPending = true;
    }
    return action;
}
