#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/Spinner.h"
#include "gui/library/EventHook.h"

#include <QPushButton>
#include <QTimer>

void TMainForm::ConnectRemovalHandlers() {
    connect(BtnPlay, &PictureControl::clicked, this, &TMainForm::BtnPlayClick);
    connect(BtnDelete, &PictureControl::clicked, this, &TMainForm::BtnDeleteClick);
    connect(BtnCancel, &PictureControl::clicked, this, &TMainForm::BtnCancelClick);
    connect(BtnUpdate, &QPushButton::clicked, this, &TMainForm::BtnUpdateClick);
    connect(DeleteTimer, &QTimer::timeout, this, &TMainForm::DeleteTimerTimer);
    // Children of the window (the bar would clip them), yet shown and hidden with the bar; the cancel
    // button only while it is offered.
    new EventHook(DLInfo, QEvent::ShowToParent, [this](QEvent *) {
        AniInd->show();
        AniInd->raise();
        BtnCancel->setVisible(CancelOffered);
        BtnCancel->raise();
    });
    new EventHook(DLInfo, QEvent::HideToParent, [this](QEvent *) {
        AniInd->hide();
        BtnCancel->hide();
    });
}
