#include "gui/dialogs/ConfigDialog.h"

#include "gui/app/MainForm.h"

TConfig::TConfig(TMainForm &mainForm)
    : QDialog(&mainForm, Qt::Dialog | Qt::FramelessWindowHint)
    , MainForm(mainForm) {
    setObjectName(QStringLiteral("Config"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
}
