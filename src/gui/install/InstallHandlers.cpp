#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QTimer>

void TMainForm::ConnectInstallHandlers() {
    connect(BtnInstall, &PictureControl::clicked, this, &TMainForm::BtnInstallClick);
    connect(InstallTimer, &QTimer::timeout, this, &TMainForm::InstallTimerTimer);
}
