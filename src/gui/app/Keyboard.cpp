// The window's keys: they reach it whenever the focused control does not take them itself.
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QLineEdit>
#include <QTimer>

void TMainForm::FormKeyDown(int key, Qt::KeyboardModifiers shift) {
    const bool alt = shift.testFlag(Qt::AltModifier);
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (key == Qt::Key_F4 && alt) {
        BtnExitClick();
    } else if (enter && !LogInForm->isHidden()) {
        BtnLogInClick();
    } else if (enter && ChatPollAllowed && ChatPanel->tag() != 0) {
        HandleChatInput();
    } else if (enter && ChatPollAllowed) {
        OpenChatInput();
    } else if (key == Qt::Key_Escape && LogInForm->isHidden() && ChatPanel->tag() == 1) {
        ChatEdit->clear();
        HandleChatInput();
    } else if (key == Qt::Key_F9 && alt) {
        Library.ListedInShop[0] = !Library.ListedInShop[0];
        RebuildShopList();
        BtnShopClick();
    }
}

void TMainForm::OpenChatInput() {
    ChatPanel->show();
    ChatEdit->setFocus();
    ChatPanel->raise();
    LayoutChat();
    ChatPanel->setTag(1);
    ChatEdit->show();
    ChatPanelTimer->stop();
    ChatHistory[0].clear();
    ChatHistoryPos = 0;
}
