#include "gui/dialogs/MessageDialog.h"

#include "gui/app/MainForm.h"

TMessageForm::TMessageForm(TMainForm &mainForm)
    : QDialog(&mainForm, Qt::Dialog | Qt::FramelessWindowHint)
    , MainForm(mainForm) {
    setObjectName(QStringLiteral("MessageForm"));
    setWindowTitle(QStringLiteral("Message"));
    setModal(true);
}
