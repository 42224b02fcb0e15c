#include "gui/dialogs/MessageDialog.h"

#include "gui/app/MainForm.h"

TMessageForm::TMessageForm(TMainForm &mainForm)
    : TextDialog(mainForm, QStringLiteral("MessageForm"), {0.35, 0.6, 0.41, 0.87}) {
    setWindowTitle(QStringLiteral("MessageForm"));
}

QString TMessageForm::dialogText() const {
    return QString::fromLocal8Bit(MainForm.MessageText);
}
