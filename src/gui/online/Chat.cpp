// The chat client: one polling post per 500 ms slot, the chat panel as the launcher's message line,
// the typed commands and the recall of typed lines.
#include "core/ChatInput.h"
#include "core/ChatReply.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "net/FormPostClient.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPropertyAnimation>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int ScrollAnimationMs = 200;
const QString ScrollAnimationName = QStringLiteral("ChatScroll");

} // namespace

void TMainForm::PostChat() {
    // A pending command waits for the next slot.
    if (!ChatIdle || !LoggedIn)
        return;
    ChatIdle = false;
    ChatSendPending = false;
    NetHTTPChat->Post(QUrl(QString::fromUtf8(ChatUrl)),
                      ChatForm(UserName, {ChatCommand, ChatChannel, ChatText, ChatWhisperTo}, LoginId));
    ChatTO->start();
}

void TMainForm::NetHTTPChatRequestCompleted(const QByteArray &reply) {
    ChatTO->stop();
    ChatIdle = true;
    if (reply.isEmpty())
        return;
    const ChatReply parsed = ParseChatReply(reply);
    if (parsed.IsWhisper)
        PlayWhisper();
    else
        PlayMessage();
    // A reply may carry several lines; each becomes a line of the log.
    ChatSay(parsed.Lines.join('\n'));
}

void TMainForm::ChatTOTimer() {
    ChatTO->stop();
    ChatIdle = true;
    ChatSay("Can't reach the chat server !");
}

void TMainForm::ChatSay(const QByteArray &line) {
    ChatPanel->show();
    LayoutChat();
    ChatAll->appendPlainText(QString::fromUtf8(line));

    // The newest line slides into view; one animation, so that quick lines do not pull against each
    // other.
    QScrollBar *bar = ChatAll->verticalScrollBar();
    auto *scroll = bar->findChild<QPropertyAnimation *>(ScrollAnimationName, Qt::FindDirectChildrenOnly);
    if (!scroll) {
        scroll = new QPropertyAnimation(bar, "value", bar);
        scroll->setObjectName(ScrollAnimationName);
        scroll->setDuration(ScrollAnimationMs);
        scroll->setEasingCurve(QEasingCurve::OutCubic);
    }
    scroll->stop();
    scroll->setStartValue(bar->value());
    scroll->setEndValue(bar->maximum());
    scroll->start();

    ChatPanel->raise();
    // The panel hides 4 s after the last line.
    ChatPanelTimer->stop();
    ChatPanelTimer->start();
}

void TMainForm::ChatPanelTimerTimer() {
    ChatPanelTimer->stop();
    ChatPanel->hide();
}

void TMainForm::HandleChatInput() {
    const QByteArray line = ChatEdit->text().toUtf8();
    if (!line.isEmpty()) {
        const ChatInputAction action =
            ::HandleChatInput(line, {ChatCommand, ChatChannel, ChatText, ChatWhisperTo}, ChatSendPending,
                              ServerLauncherVersion);
        if (action.ClearLog)
            ChatAll->clear();
        // Straight into the log: no re-layout and no restart of the auto-hide.
        for (const QByteArray &logLine : action.LogLines)
            ChatAll->appendPlainText(QString::fromUtf8(logLine));
        ChatCommand = action.Request.ChatCommand;
        ChatChannel = action.Request.ChatChannel;
        ChatText = action.Request.ChatText;
        ChatWhisperTo = action.Request.ChatWhisperTo;
        ChatSendPending = action.SendPending;

        for (std::size_t n = ChatHistory.size() - 1; n >= 2; --n)
            ChatHistory[n] = ChatHistory[n - 1];
        ChatHistory[1] = line;
        ChatHistory[0].clear();
    }
    ChatEdit->clear();
    ChatPanelTimer->start();
    ChatEdit->hide();
    ChatPanel->setTag(0);
}

void TMainForm::ChatEditKeyDown(int key) {
    if (key == Qt::Key_Up && ChatHistoryPos < ChatHistory.size() - 1) {
        ++ChatHistoryPos;
        ChatEdit->setText(QString::fromUtf8(ChatHistory[ChatHistoryPos]));
    } else if (key == Qt::Key_Down && ChatHistoryPos > 0) {
        --ChatHistoryPos;
        ChatEdit->setText(QString::fromUtf8(ChatHistory[ChatHistoryPos]));
    }
}
