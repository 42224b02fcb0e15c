#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QPlainTextEdit>

// Until the chat client lands, the message line only shows the line; nothing is posted.
void TMainForm::ChatSay(const QByteArray &line) {
    ChatAll->appendPlainText(QString::fromUtf8(line));
    ChatPanel->show();
    ChatPanel->raise();
}

void TMainForm::PostChat() {}

void TMainForm::HandleChatInput() {}
