// Removing a game's folder and the Temp folder, the cancel button of the download bar and the timer
// that finishes a cancel. Folders go through a detached removal that is not waited for; the fixed
// pauses and the per-game wait stand in for its end, and the disk decides what is installed after.
#include "core/GameCatalogue.h"
#include "gui/app/MainForm.h"
#include "gui/controls/PictureControl.h"
#include "gui/controls/ProgressBar.h"
#include "platform/ProcessLauncher.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int RemovalWaitUnitMs = 15;
constexpr char16_t TrashFolder[] = u".trash";
constexpr unsigned long CleanUpPauseMs = 400;
constexpr unsigned long ClosePauseMs = 200;

QByteArray bytes(std::string_view text) {
    return QByteArray(text.data(), qsizetype(text.size()));
}

QString tempFolder() {
    return QString::fromUtf8(bytes(TempFolder));
}

bool inCatalogue(qint16 game) {
    return game >= 0 && std::size_t(game) < GameCount;
}

// Renames the folder into the trash, in one step (a killed launcher leaves it whole or gone, and a
// removal still running never reaches a folder of the same name made after it), then removes the
// trash with whatever earlier runs left there.
void discard(const QString &folder, const QString &trash) {
    static int serial = 0;
    const QString name = QStringLiteral("%1.%2.%3")
                             .arg(QFileInfo(folder).fileName())
                             .arg(QCoreApplication::applicationPid())
                             .arg(++serial);
    // Again when an earlier removal of the trash took the trash folder away in between.
    for (int attempt = 0; attempt < 2 && QFileInfo::exists(folder); ++attempt) {
        QDir().mkpath(trash);
        std::rename(QFile::encodeName(folder).constData(),
                    QFile::encodeName(trash + u'/' + name).constData());
    }
    if (QFileInfo::exists(folder))
        removeFolderDetached(folder);
    removeFolderDetached(trash);
}

} // namespace

void TMainForm::ShowJobStatus(const QByteArray &status) {
    StatusLine = status;
    SizeLine.clear();
    SpeedLine.clear();
    RemainLine.clear();
    LabelGlobalSpeed->setText(QString::fromUtf8(StatusLine));
    DLText1->clear();
    DLText2->clear();
    DLText3->clear();
}

void TMainForm::BtnDeleteClick() {
    PlayClick();
    // A removal in the middle of another job would clean Temp under a running download and share
    // its step counter; one job at a time.
    if (JobUnderWay()) {
        PlayError();
        ChatSay("Please wait until the current job is finished!");
        return;
    }
    if (!inCatalogue(SelectedGame))
        return;
    RemovalGame = SelectedGame;
    JobStep = 1;
    StepReady = false;
    PendingJob = 3;
    JobBusy = true;
}

void TMainForm::FinishRemoval() {
    // Fixed at the click: browsing meanwhile must not remove another game's folder.
    const qint16 game = RemovalGame;
    if (StepReady) {
        ++JobStep;
        StepReady = false;
    }
    if (JobStep == 1) {
        if (inCatalogue(game))
            ShowJobStatus("Deleting   " + bytes(GameCatalogue()[std::size_t(game)].Title) + "...");
        DLInfo->show();
        StepReady = true;
    }
    if (JobStep == 2 && !InstallTimer->isActive()) {
        int waitMs = 0;
        if (inCatalogue(game)) {
            discard(Library.AbsolutePath(GameLibrary::GameFolderPath(game)), WorkingPath(TrashFolder));
            waitMs = GameCatalogue()[std::size_t(game)].RemovalWait * RemovalWaitUnitMs;
        }
        ProgressMax = waitMs;
        ProgressBarDownload->setMaximum(float(waitMs));
        ActivityClockMs = 0;
        // The engine tick fills the bar from the activity clock while this runs.
        InstallTimer->setInterval(waitMs);
        InstallTimer->start();
    }
    if (JobStep == 3) {
        CleanUpTemp();
        StepReady = true;
    }
    if (JobStep == 4) {
        CompleteJob();
        RemovalGame = -1;
        ShowPanel();
        MyGamesPosition = 1;
        RefreshGameStates();
        FillMyGamesPage();
        BtnBackClick();
    }
}

void TMainForm::CleanUpTemp() {
    ShowJobStatus("Clean Up...");
    discard(WorkingPath(tempFolder()), WorkingPath(TrashFolder));
    // The removal runs on its own; the pause gives it a head start before the disk is read again.
    QThread::msleep(CleanUpPauseMs);
}

void TMainForm::CleanUpOnClose() {
    // Stops the transfer; its worker removes the partial file as it ends.
    StopDownload();
    DownloadIdle = true;
    QThread::msleep(ClosePauseMs);
    discard(WorkingPath(tempFolder()), WorkingPath(TrashFolder));
    QThread::msleep(ClosePauseMs);
}

bool TMainForm::JobUnderWay() {
    if (DeleteTimer->isActive())
        DeleteTimerTimer();
    return JobBusy || !DownloadIdle || PendingJob != 0;
}

void TMainForm::BtnCancelClick() {
    PlayClick();
    if (!DownloadIdle)
        StopDownload();
    DownloadIdle = true;
    // An archive coming out stops at its next chunk and the game stays as it was; the rest of a
    // finishing step or a removal runs on to its end.
    ExtractionStop = true;
    JobBusy = false;
    DeleteTimer->start();
}

void TMainForm::DeleteTimerTimer() {
    DeleteTimer->stop();
    // A finishing step still under way writes in Temp and cleans it up itself at its end.
    if (PendingJob != 0)
        return;
    CleanUpTemp();
    DLInfo->hide();
    RefreshGameStates();
}
