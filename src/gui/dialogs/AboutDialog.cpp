#include "gui/dialogs/AboutDialog.h"

#include "gui/app/MainForm.h"

TAbout::TAbout(TMainForm &mainForm)
    : QDialog(&mainForm, Qt::Dialog | Qt::FramelessWindowHint)
    , MainForm(mainForm) {
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("Credits"));
    setModal(true);
}
