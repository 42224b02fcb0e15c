// The main window's openers of its three dialogs.
#include "gui/app/MainForm.h"
#include "gui/dialogs/AboutDialog.h"
#include "gui/dialogs/ConfigDialog.h"
#include "gui/dialogs/MessageDialog.h"

void TMainForm::TXTQuillbarrowClick() {
    if (!About)
        return;
    PlayClick();
    About->exec();
}

void TMainForm::BtnSettingsClick() {
    if (!Config)
        return;
    PlayClick();
    Config->exec();
}

void TMainForm::ShowMessageForm(const QByteArray &text) {
    MessageText = text;
    if (!MessageForm)
        return;
    PlayError();
    MessageForm->exec();
}
