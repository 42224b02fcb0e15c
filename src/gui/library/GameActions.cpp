// The action buttons of the game detail panel: install, play or update, delete.
#include "core/VersionState.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "gui/controls/Spinner.h"

#include <QLabel>

void TMainForm::RefreshGameStates() {
    Library.ScanInstalled();

    const bool known = SelectedGame >= 0 && std::size_t(SelectedGame) < GameCount;
    const std::size_t g = known ? std::size_t(SelectedGame) : 0;
    const GameActionState state =
        known ? DecideGameActions(Library.GameInstalled[g], Library.GameRunning[g], JobBusy,
                                  Library.InstalledVersion[g], Library.LatestVersion[g])
              : DecideGameActions(false, false, JobBusy, {}, {});

    BtnInstall->setVisible(state.InstallVisible);
    BtnPlay->setVisible(state.PlayVisible);
    BtnPlay->setEnabled(state.PlayEnabled);
    BtnDelete->setVisible(state.DeleteVisible);
    BtnDelete->setEnabled(state.DeleteEnabled);
    // The tag is the mode the play button, the finishing dispatch and the update read.
    BtnPlay->setTag(int(state.Mode));
    if (state.PlayPicture) {
        // A picture the bundle lacks ends the refresh here; the read-out keeps what it showed.
        if (std::optional<QString> error = LoadPicture(
                BtnPlay, QByteArrayView(state.PlayPicture->data(), qsizetype(state.PlayPicture->size())))) {
            ShowException(*error);
            return;
        }
    }

    ProgressValue = 0;
    ProgressBarDownload->setValue(0);
    StatusLine.clear();
    LabelGlobalSpeed->setText({});
    SizeLine.clear();
    DLText1->setText({});
    SpeedLine.clear();
    DLText2->setText({});
    RemainLine.clear();
    DLText3->setText({});
    DLInfo->hide();
}
