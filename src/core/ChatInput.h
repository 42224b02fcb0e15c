#pragma once

#include "core/ChatReply.h"

#include <QByteArray>
#include <QList>

// What one typed chat line does. Lines of "/ver" and "/?" go straight into the log (the panel is not
// re-laid out and its auto-hide is not restarted); a pending request is sent by the next poll slot.
struct ChatInputAction {
    bool ClearLog = false;
    QList<QByteArray> LogLines;
    ChatRequest Request;      // the request fields afterwards
    bool SendPending = false; // ChatSendPending afterwards
};

// Interprets the typed line (8-bit) against the request fields and pending flag as they are now. Commands
// are tested case-sensitively on fixed characters, so "/version" prints the version and "/clearall"
// clears. A "/join" or "/leave" whose name holds a blank sends nothing and leaves an earlier pending
// command as it was; any other unknown "/" line sends nothing either.
[[nodiscard]] ChatInputAction HandleChatInput(const QByteArray &line, const ChatRequest &current,
                                              bool sendPending, const QByteArray &serverLauncherVersion);

// The three lines "/?" prints.
[[nodiscard]] QList<QByteArray> ChatHelpLines();
