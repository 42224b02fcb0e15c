#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"

#include <QPushButton>
#include <QTimer>

void TMainForm::ConnectRemovalHandlers() {
    connect(BtnPlay, &PictureControl::clicked, this, &TMainForm::BtnPlayClick);
    connect(BtnDelete, &PictureControl::clicked, this, &TMainForm::BtnDeleteClick);
    connect(BtnCancel, &PictureControl::clicked, this, &TMainForm::BtnCancelClick);
    connect(BtnUpdate, &QPushButton::clicked, this, &TMainForm::BtnUpdateClick);
    connect(DeleteTimer, &QTimer::timeout, this, &TMainForm::DeleteTimerTimer);
}
